// The show as a native client of a Wayland compositor, through SDL's own
// Wayland driver. The compositor owns the monitor's mode: SDL emulates the
// show's mode by having the compositor scale the full-screen window over the
// whole output, so no other program sees a change, and nothing is left to
// put back however the show ends (no guardian, no RandR).
#pragma once

#include <SDL.h>

#include <string>

namespace platform::wayland {

// True when the session is Wayland (WAYLAND_DISPLAY names a compositor that
// answers) and the compositor offers a seat. Without a seat SDL 2.26 crashes
// in SDL_Init, and no key could reach the show anyway: `why` then says so.
bool playsNatively(std::string& why);

// The window full screen at the emulated width x height, above every panel.
bool enterMode(SDL_Window* window, int width, int height);

// Out of full screen, before a box must be seen: a compositor may keep
// showing a full-screen surface (weston, in black) over it.
void leaveMode(SDL_Window* window);

}  // namespace platform::wayland
