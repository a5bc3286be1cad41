// The program's spine: start-up, the window and its procedure, the main loop
// and the teardown.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

// Shell state, process-wide for the whole run.
extern platform::Window* mainWindow;
extern platform::DeviceContext* deviceContext;
extern platform::GLContext* renderingContext;
extern platform::Palette* palette;
extern int quitFlag;

// How the show is asked to run; the defaults are the show as it always was.
struct ShowOptions {
    // A decorated, resizable window on the desktop instead of switching the
    // screen, and no warning box about a switch.
    bool windowed = false;
    // The random numbers' start; the clock when none is given.
    std::optional<unsigned> seed;
    // The music plays; only the screensaver, which plays none unless asked,
    // turns it off.
    bool music = true;
    // At most this many frames a second, 0 for no cap: the show moves one step
    // a frame, so this is its pace.
    int framesPerSecond = 0;
};

// A frame rate beyond this is no cap anyone means.
inline constexpr int highestFramesPerSecond = 1000;

// The vertical field of view in degrees, wherever the show is drawn.
inline constexpr float showFieldOfView = 60.0f;

// The entry of the show proper; returns the process's exit status.
int winMain(const ShowOptions& options = {});
std::intptr_t wndProc(platform::Window* window, unsigned message, std::uintptr_t wParam,
                      std::intptr_t lParam);
void initShow(const ShowOptions& options = {});
// Start-up's steps after the window exists: viewport, window shown, cursor
// hidden, matrices reset and the camera set up.
void finishStartUp();
// The same for a window of width x height, hiding the cursor only when asked
// (the screensaver's host decides about its own cursor).
void startDrawing(int width, int height, bool hidesCursor);
// The window's device context, pixel format, palette and OpenGL context, made
// current; false when there is no context to draw with.
bool bindGL(platform::Window* window);
// Their release, in the reverse order, once the window is going.
void releaseGL();
void resizeViewport(int width, int height);
void setupPixelFormat(platform::DeviceContext* dc);
platform::Palette* createPalette(platform::DeviceContext* dc);
