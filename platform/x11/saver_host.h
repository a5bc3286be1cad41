// Drawing into a window that xscreensaver gives (its full screen or its
// settings' preview pane): the saver's window is the host's, and xscreensaver
// alone decides when it ends.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/x11/sdl_window.h"

namespace platform::saverhost {

// The window that draws into host `hostId`, with the host's size; null, with
// a line on standard error, when there is no such window or no OpenGL with a
// depth buffer on it. From then on the saver ends at once and quietly when
// xscreensaver is done with it (SIGTERM, the host gone under an X request, the
// connection lost).
Window* adopt(Display* display, std::uintptr_t hostId, int& width, int& height);

// The host's own changes, which SDL does not report for a window it did not
// make: a new size becomes msgSize; its end is kept for endedWithHost.
bool translate(const SDL_Event& event, Window* window, MessageRecord& message);

// When the host has been destroyed: the window's procedure gets msgDestroy,
// without anything touching the host, and the caller forgets the window
// (SDL's window stays: freeing it would talk to a window that no longer exists).
bool endedWithHost(Window* window, WindowProc procedure);

}  // namespace platform::saverhost
