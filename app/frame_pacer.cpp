#include "app/frame_pacer.h"

#include <chrono>

#include "platform/platform.h"

namespace {

constexpr long long microsecondsPerMillisecond = 1'000;

}  // namespace

unsigned FramePacer::millisecondsToWait(long long nowMicroseconds) {
    if (period <= 0) return 0;
    due = (due < 0 ? nowMicroseconds : due) + period;
    // More than a frame behind (a slow frame, a stopped process): start the
    // cadence again rather than rush the missed frames out.
    if (due < nowMicroseconds - period) due = nowMicroseconds;
    if (due <= nowMicroseconds) return 0;
    // To the nearest millisecond: the cadence, kept in microseconds, makes up
    // for the rounding over the next frames.
    return static_cast<unsigned>((due - nowMicroseconds + microsecondsPerMillisecond / 2) /
                                 microsecondsPerMillisecond);
}

void FramePacer::waitForNextFrame() {
    if (period <= 0) return;
    if (const unsigned wait = millisecondsToWait(steadyMicroseconds())) platform::sleepMilliseconds(wait);
}

long long steadyMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
