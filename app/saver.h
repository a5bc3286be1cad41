// The show as a screensaver: the same show in the window it is given, at that
// window's size and following its changes, at a capped frame rate, with none
// of the full-screen program's ceremony (no box, no display-mode switch, no
// cursor). Ends quietly, status 0, when its window goes.
#pragma once

#include <cstdint>

#include "app/frame_pacer.h"
#include "app/saver_command_line.h"
#include "platform/platform.h"

// The stored settings' names and defaults.
inline constexpr const char* musicSetting = "Music";
inline constexpr const char* framesPerSecondSetting = "FramesPerSecond";
inline constexpr int defaultFramesPerSecond = 60;
inline constexpr int musicUnset = 0;  // silent, as the saver's music is by default

struct SaverOptions {
    platform::WindowStyle style = platform::WindowStyle::saver;
    std::uintptr_t host = 0;
    int frameMicroseconds = frameMicrosecondsAt(defaultFramesPerSecond);  // 0: no cap
    bool music = false;
    bool showFrameRate = false;
};

// Does what the command line asks (after help and mistakes are dealt with):
// the show, its preview, the settings dialog or nothing; returns the status.
int runSaverCommand(const SaverCommand& command);
// The command's options, the stored settings where it gives none.
SaverOptions saverOptionsFor(const SaverCommand& command);
int runSaver(const SaverOptions& options);

// Frames per second over about the last second, for --fps.
class FrameRateMeter {
public:
    void frameDone(long long nowMicroseconds);
    double perSecond() const { return rate; }

private:
    long long windowStart = -1;
    int frames = 0;
    double rate = 0.0;
};
