// The display mode under a Wayland desktop, whose X server is Xwayland. There
// a mode change is emulated for the one X client that asks: the compositor
// scales that client's full-screen window to the whole output, while every
// other program keeps seeing the desktop's mode. The emulation belongs to the
// client's connection and ends with it, however the show ends, so nothing has
// to guard the desktop.
#pragma once

#include <X11/Xlib.h>

namespace platform::xwayland {

// True when the server on `display` is Xwayland (its outputs are XWAYLAND<n>).
bool detected(Display* display);

// Switches the output at the screen's origin to width x height for the
// client of `display` only: this must be the connection that owns the show's
// window, or the compositor will not scale it. The screen keeps its size.
// Returns a platform::DisplayChange code.
int switchMonitor(Display* display, int width, int height);

// Back to the output's own mode, on the connection that switched it.
void restore();

}  // namespace platform::xwayland
