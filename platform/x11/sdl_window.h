// What the SDL backend and its helpers share about the one window.
#pragma once

#include <SDL.h>
#include <X11/Xlib.h>

namespace platform {

struct Window {
    SDL_Window* native = nullptr;
    int depthBits = 0;        // of its visual, the only pixel format it can take
    bool needsPaint = false;  // nothing ever validates it once set
    // A screensaver's host window (xscreensaver's): drawn into, never shown,
    // hidden or destroyed here.
    ::Window host = 0;
};

namespace sdl {

// The X connection and window behind an SDL window; false off X.
bool x11Of(SDL_Window* native, Display*& display, ::Window& window);

}  // namespace sdl
}  // namespace platform
