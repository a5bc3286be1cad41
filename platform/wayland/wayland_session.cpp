#include "platform/wayland/wayland_session.h"

#include <wayland-client.h>

#include <cstdlib>
#include <cstring>

namespace platform::wayland {

namespace {

void onGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0) *static_cast<bool*>(data) = true;
}

void onGlobalRemoved(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemoved};

}  // namespace

bool playsNatively(std::string& why) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') return false;
    // Asked on a connection of its own, before SDL makes one.
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        why = std::string("cannot reach the Wayland compositor \"") + name + "\"";
        return false;
    }
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &seat);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered) why = std::string("the Wayland compositor \"") + name + "\" does not answer";
    else if (!seat) why = std::string("the Wayland compositor \"") + name + "\" has no seat (no keyboard)";
    return answered && seat;
}

bool enterMode(SDL_Window* window, int width, int height) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &mode) != 0) return false;
    mode.w = width;
    mode.h = height;
    return SDL_SetWindowDisplayMode(window, &mode) == 0 &&
           SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

void leaveMode(SDL_Window* window) {
    if (window != nullptr) SDL_SetWindowFullscreen(window, 0);
}

}  // namespace platform::wayland
