// When frames are due under a frame-rate cap: the show's and the
// screensaver's.
#pragma once

inline constexpr long long microsecondsPerSecond = 1'000'000;

// A frame's period at a cap of framesPerSecond; 0 (no cap) for 0.
constexpr int frameMicrosecondsAt(int framesPerSecond) {
    return framesPerSecond <= 0 ? 0 : static_cast<int>(microsecondsPerSecond / framesPerSecond);
}

// A steady cadence that does not hurry to catch up after a slow frame.
class FramePacer {
public:
    explicit FramePacer(int frameMicroseconds) : period(frameMicroseconds) {}
    // Called when a frame is done, with the time then; how long to wait
    // before starting the next one.
    unsigned millisecondsToWait(long long nowMicroseconds);
    // The same, waited out (without using the processor), on a steady clock.
    void waitForNextFrame();

private:
    long long period;
    long long due = -1;
};

// The time on the steady clock, in microseconds.
long long steadyMicroseconds();
