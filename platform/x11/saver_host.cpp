#include "platform/x11/saver_host.h"

#include <GL/glx.h>
#include <SDL_syswm.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace platform::saverhost {

namespace {

// Set when the host window has been destroyed; the window ends at the next peek.
bool hostGone = false;
// The host, as the X error handler sees it (no allocation there).
volatile unsigned long hostForErrors = 0;

// The screensaver's end: xscreensaver sends SIGTERM and destroys the window at
// once, so the saver ends there and then, drawing nothing more.
void endAtOnce(int) { _exit(0); }

// An error about the host is the window gone under the saver: a quiet end.
// Others are reported, as Xlib would.
int saverXError(Display*, XErrorEvent* error) {
    if (error->resourceid == hostForErrors) _exit(0);
    char text[160];
    std::snprintf(text, sizeof text, "kelvora-saver: X error %d (request %d) on 0x%lx\n",
                  error->error_code, error->request_code, error->resourceid);
    [[maybe_unused]] const auto written = write(STDERR_FILENO, text, std::strlen(text));
    _exit(1);
}
int saverXConnectionLost(Display*) { _exit(0); }

// The host's size and the depth buffer its visual gives OpenGL; false, with a
// line on standard error, when there is no such window or no OpenGL on it.
bool inspectHost(Display* xDisplay, ::Window host, int& width, int& height, int& depthBits) {
    XSync(xDisplay, False);
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XWindowAttributes attributes;
    const Status found = XGetWindowAttributes(xDisplay, host, &attributes);
    XSync(xDisplay, False);
    XSetErrorHandler(previous);
    if (!found) {
        std::fprintf(stderr, "kelvora-saver: no window 0x%lx to draw into\n", host);
        return false;
    }
    width = attributes.width;
    height = attributes.height;
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0, usesGL = 0;
    depthBits = 0;
    if (XVisualInfo* visual = XGetVisualInfo(xDisplay, VisualIDMask, &wanted, &count)) {
        if (glXGetConfig(xDisplay, visual, GLX_USE_GL, &usesGL) != 0) usesGL = 0;
        if (usesGL) glXGetConfig(xDisplay, visual, GLX_DEPTH_SIZE, &depthBits);
        XFree(visual);
    }
    if (!usesGL || depthBits == 0) {
        // A picture without a depth buffer would draw every can through the others.
        std::fprintf(stderr,
                     "kelvora-saver: window 0x%lx has visual 0x%lx, %s; list the module as "
                     "\"GL: kelvora --root\" so that xscreensaver gives it one for OpenGL\n",
                     host, wanted.visualid, usesGL ? "without a depth buffer" : "without OpenGL");
        return false;
    }
    return true;
}

}  // namespace

Window* adopt(Display* xDisplay, std::uintptr_t hostId, int& width, int& height) {
    const ::Window host = static_cast<::Window>(hostId);
    if (host == 0) {
        std::fprintf(stderr, "kelvora-saver: no window to draw into: xscreensaver names one "
                             "(--root), or give one with --window-id\n");
        return nullptr;
    }
    int depthBits = 0;
    if (!inspectHost(xDisplay, host, width, height, depthBits)) return nullptr;
    // From here the saver ends at once and quietly when xscreensaver is done.
    struct sigaction action{};
    action.sa_handler = endAtOnce;
    sigaction(SIGTERM, &action, nullptr);
    hostForErrors = host;
    XSetErrorHandler(saverXError);
    XSetIOErrorHandler(saverXConnectionLost);

    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    SDL_Window* native = SDL_CreateWindowFrom(reinterpret_cast<void*>(hostId));
    if (native == nullptr) {
        std::fprintf(stderr, "kelvora-saver: cannot draw into window 0x%lx: %s\n", host, SDL_GetError());
        return nullptr;
    }
    // Size changes and the window's end reach SDL's connection only if it asks
    // for them; SDL passes them on as raw events.
    Display* display = nullptr;
    ::Window ignored = None;
    XWindowAttributes attributes;
    if (sdl::x11Of(native, display, ignored) && XGetWindowAttributes(display, host, &attributes))
        XSelectInput(display, host, attributes.your_event_mask | StructureNotifyMask | ExposureMask);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    return new Window{native, depthBits, true, host};
}

bool translate(const SDL_Event& event, Window* window, MessageRecord& message) {
    if (event.type != SDL_SYSWMEVENT || window == nullptr || window->host == 0) return false;
    const XEvent& native = event.syswm.msg->msg.x11.event;
    if (native.type == DestroyNotify && native.xdestroywindow.window == window->host) {
        hostGone = true;
        return false;
    }
    if (native.type == ConfigureNotify && native.xconfigure.window == window->host) {
        message = {window, msgSize, 0,
                   (native.xconfigure.width & 0xFFFF) |
                       (static_cast<std::intptr_t>(native.xconfigure.height & 0xFFFF) << 16)};
        return true;
    }
    return false;
}

bool endedWithHost(Window* window, WindowProc procedure) {
    if (!hostGone) return false;
    hostGone = false;
    if (window != nullptr) procedure(window, msgDestroy, 0, 0);
    return true;
}

}  // namespace platform::saverhost
