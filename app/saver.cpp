#include "app/saver.h"

#include <optional>

#include "app/shell.h"
#include "camera/camera.h"
#include "render/frame.h"
#include "render/frame_rate_text.h"

namespace {

constexpr const char* saverClass = "Kelvora screensaver";
constexpr const char* saverCaption = "Kelvora";
constexpr const char* settingsNotSaved =
    "The settings could not be saved: the screensaver keeps the ones it had.";
// Messages taken before each frame at most: a burst of resizes is taken at
// once, and a window system that never stops sending cannot stall the show.
constexpr int messagesPerFrame = 8;

SaverOptions saverOptions;
// A context made and made current: without one there is nothing to draw with.
bool drawable = false;
// The window's size as its last msgSize gave it.
int viewWidth = 1;
int viewHeight = 1;

void onCreate(platform::Window* window) {
    drawable = bindGL(window);
    if (!drawable) return;
    ShowOptions show;
    show.music = saverOptions.music;
    initShow(show);
}

// Whoever ended the window (the saver's host, a key on the popup), nothing is
// left to draw on: no box, no mode to restore, no cursor to show.
void teardown() {
    releaseGL();
    quitFlag = 1;
}

std::intptr_t saverProc(platform::Window* window, unsigned message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
    switch (message) {
        case platform::msgCreate:
            onCreate(window);
            return 0;
        case platform::msgDestroy:
            teardown();
            return 0;
        case platform::msgSize:
            viewWidth = static_cast<int>(lParam & 0xFFFF);
            viewHeight = static_cast<int>((lParam >> 16) & 0xFFFF);
            if (viewHeight == 0) viewHeight = 1;
            resizeViewport(viewWidth, viewHeight);
            camera.setViewport(viewWidth, viewHeight);
            return 0;
        case platform::msgPaint:
            // The loop draws every frame at its own pace.
            return 0;
        case platform::msgKeyDown:
            // The show's keys are not the saver's: whoever runs it ends it on a key.
            return 0;
        case platform::msgQueryNewPalette:
        case platform::msgPaletteChanged:
            return wndProc(window, message, wParam, lParam);
        default:
            return platform::defWindowProc(window, message, wParam, lParam);
    }
}

void takeMessages() {
    for (int i = 0; i < messagesPerFrame && quitFlag == 0; ++i) {
        platform::MessageRecord message;
        if (!platform::peekMessage(message)) return;
        platform::dispatchMessage(message);
        // Nothing else waits: the next frame is the paint.
        if (message.message == platform::msgPaint) return;
    }
}

// Both settings or neither: a music setting saved beside a frame rate that
// could not be is put back as it was, or to the silence an unset one means.
bool saveSettings(bool music, int framesPerSecond) {
    const int oldMusic = platform::readSetting(musicSetting).value_or(musicUnset);
    if (!platform::writeSetting(musicSetting, music ? 1 : 0)) return false;
    if (platform::writeSetting(framesPerSecondSetting, framesPerSecond)) return true;
    platform::writeSetting(musicSetting, oldMusic);
    return false;
}

}  // namespace

SaverOptions saverOptionsFor(const SaverCommand& command) {
    SaverOptions options;
    options.style = command.action == SaverAction::preview ? platform::WindowStyle::saverPreview
                                                           : platform::WindowStyle::saver;
    options.host = command.window;
    if (command.frameMicroseconds) {
        options.frameMicroseconds = *command.frameMicroseconds;
    } else if (const auto stored = platform::readSetting(framesPerSecondSetting);
               // Out of range it is damaged: the default instead.
               stored && *stored >= 0 && *stored <= highestFramesPerSecond) {
        options.frameMicroseconds = frameMicrosecondsAt(*stored);
    }
    // A preview shows the show in the settings; only the running saver plays the music.
    options.music = command.action != SaverAction::preview &&
                    (command.music ? *command.music : platform::readSetting(musicSetting).value_or(musicUnset) != 0);
    options.showFrameRate = command.showFrameRate;
    return options;
}

int runSaverCommand(const SaverCommand& command) {
    switch (command.action) {
        case SaverAction::run:
        case SaverAction::preview:
            return runSaver(saverOptionsFor(command));
        case SaverAction::settings: {
            const SaverOptions current = saverOptionsFor(command);
            bool music = current.music;
            int framesPerSecond =
                current.frameMicroseconds == 0
                    ? 0
                    : static_cast<int>((microsecondsPerSecond + current.frameMicroseconds / 2) /
                                       current.frameMicroseconds);
            if (platform::saverSettingsDialog(command.window, music, framesPerSecond) &&
                !saveSettings(music, framesPerSecond))
                platform::messageBox(settingsNotSaved, saverCaption, platform::BoxIcon::error);
            return 0;
        }
        default:
            return 0;
    }
}

int runSaver(const SaverOptions& options) {
    saverOptions = options;
    quitFlag = 0;
    drawable = false;
    if (!platform::registerWindowClass(saverClass, saverProc)) return 1;
    // The show starts inside this call; the window's size follows at once.
    mainWindow = platform::createWindow(saverClass, saverClass, 0, 0, 0, 0, options.style,
                                        options.host);
    if (mainWindow == nullptr) return 1;  // the backend has said why
    if (!drawable) {
        platform::destroyWindow(mainWindow);
        return 1;
    }
    if (quitFlag != 0) return 0;  // gone before the first frame

    startDrawing(viewWidth, viewHeight, false);

    FramePacer pacer(options.frameMicroseconds);
    FrameRateMeter meter;
    while (quitFlag == 0) {
        takeMessages();
        if (quitFlag != 0) break;
        composeFrame();
        if (options.showFrameRate) drawFrameRate(meter.perSecond(), viewWidth, viewHeight);
        platform::swapBuffers(deviceContext);
        const long long now = steadyMicroseconds();
        meter.frameDone(now);
        if (const unsigned wait = pacer.millisecondsToWait(now)) platform::sleepMilliseconds(wait);
    }
    return 0;
}

void FrameRateMeter::frameDone(long long nowMicroseconds) {
    if (windowStart < 0) {
        windowStart = nowMicroseconds;  // frames are counted from the end of this one
        return;
    }
    ++frames;
    const long long elapsed = nowMicroseconds - windowStart;
    if (elapsed >= microsecondsPerSecond) {
        rate = static_cast<double>(frames) * static_cast<double>(microsecondsPerSecond) /
               static_cast<double>(elapsed);
        frames = 0;
        windowStart = nowMicroseconds;
    }
}
