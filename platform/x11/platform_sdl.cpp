// The window system on SDL2 (window, events, OpenGL context), X RandR through
// the display guardian (the display mode, which SDL only changes for its own
// fullscreen windows; on Xwayland, platform/x11/xwayland_mode.h) and GTK (the
// message boxes, platform/x11/message_box.h). In a Wayland session the show
// is a native client instead, and the compositor emulates the mode
// (platform/wayland/wayland_session.h).
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/backend_common.h"
#include "platform/x11/display_guardian.h"
#include "platform/x11/message_box.h"
#include "platform/platform.h"
#include "platform/polled_keys.h"
#include "platform/x11/randr_crtcs.h"
#include "platform/x11/saver_host.h"
#include "platform/x11/sdl_window.h"
#include "platform/x11/xwayland_mode.h"
#include "platform/wayland/wayland_session.h"

namespace platform {

bool sdl::x11Of(SDL_Window* native, Display*& display, ::Window& window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (native == nullptr || !SDL_GetWindowWMInfo(native, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    display = info.info.x11.display;
    window = info.info.x11.window;
    return true;
}

struct GLContext {
    SDL_GLContext native = nullptr;
};

namespace {

using common::windowProc;
Window* theWindow = nullptr;
DeviceContext theDeviceContext;

using sdl::x11Of;

// The show's own X connection, for what SDL does not tell: the desktop's depth.
Display* xDisplay = nullptr;

// False for the screensaver, which never switches the display.
bool displaySwitches = true;
// While a screensaver's window exists no box may wait for a user.
bool saverWindow = false;

// A native Wayland client: no X at all.
bool onWayland = false;
// Under a Wayland desktop the mode is the show's alone (platform/x11/xwayland_mode.h).
bool onXwayland = false;
// The screen is at the show's mode: its window then covers it as a full-screen
// one. After a failed switch it stays a plain 640 x 480 window at the top left
// of the primary monitor (a full-screen one would be stretched over the larger
// screen).
bool modeSwitched = false;
// The mode switched to, and whether the window manager was asked to keep the
// window full screen.
int switchedWidth = 0, switchedHeight = 0;
bool fullScreenAsked = false;

// Asked before the guardian is forked, on a connection of its own that the
// guardian must not inherit.
bool serverIsXwayland() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const bool found = xwayland::detected(display);
    XCloseDisplay(display);
    return found;
}

// SDL's own X connection, which will own the show's window: Xwayland scales
// only the windows of the client that set the mode. SDL names it for a window.
Display* sdlDisplay() {
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    if (probe == nullptr) return nullptr;
    Display* display = nullptr;
    ::Window window = None;
    x11Of(probe, display, window);  // null off X
    SDL_DestroyWindow(probe);
    return display;
}

// Asks the window manager, before the window is mapped, to keep the window
// full screen: over every panel and dock, not pushed beside them. Without a
// window manager nothing reads it.
void askFullScreen(SDL_Window* native) {
    Display* display = nullptr;
    ::Window window = None;
    if (!x11Of(native, display, window)) return;
    Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False),
                    XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&fullScreen), 1);
    XFlush(display);
    fullScreenAsked = true;
}

// Xwayland scales the picture over the monitor only while the window is the
// mode's size. A compositor that makes a full-screen window the monitor's size
// instead (weston) would show the picture in a corner of a blank screen: the
// request is withdrawn there (the usual client message, once the window is
// mapped), and the show plays in its window.
void keepModeSize(int width, int height) {
    if (!onXwayland || !fullScreenAsked || (width == switchedWidth && height == switchedHeight)) return;
    fullScreenAsked = false;
    Display* display = nullptr;
    ::Window window = None;
    if (theWindow == nullptr || !x11Of(theWindow->native, display, window)) return;
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = 0;  // remove
    request.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False));
    request.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(display);
    SDL_SetWindowSize(theWindow->native, switchedWidth, switchedHeight);
}

// How often a wait between frames looks for keys, and how many queued keys
// it looks at.
constexpr Uint32 inputCheckMilliseconds = 10;
constexpr int queuedKeysLookedAt = 32;

// SDL's key codes turned into the show's virtual keys; keys the show has no
// number for come through as vkNone and do nothing.
unsigned virtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<unsigned>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<unsigned>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return vkF1 + static_cast<unsigned>(key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return vkEscape;
        case SDLK_RETURN: return vkReturn;
        case SDLK_SPACE: return vkSpace;
        case SDLK_LEFT: return vkLeft;
        case SDLK_UP: return vkUp;
        case SDLK_RIGHT: return vkRight;
        case SDLK_DOWN: return vkDown;
        default: return vkNone;
    }
}

// The arrows' state follows key events as they enter SDL's queue, however
// many messages wait ahead of them there.
int watchArrows(void*, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
        polledkeys::arrived(virtualKeyOf(event->key.keysym.sym), event->type == SDL_KEYDOWN);
    return 0;
}

// Turns one SDL event into a message; false for events the show has no use for.
bool translate(const SDL_Event& event, MessageRecord& message) {
    message = {theWindow, 0, 0, 0};
    switch (event.type) {
        case SDL_KEYDOWN: {
            const unsigned key = virtualKeyOf(event.key.keysym.sym);
            message.message = (event.key.keysym.mod & KMOD_ALT) ? msgSysKeyDown : msgKeyDown;
            message.wParam = key;
            return true;
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                    if (theWindow) theWindow->needsPaint = true;
                    return false;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    keepModeSize(event.window.data1, event.window.data2);
                    message.message = msgSize;
                    message.lParam = (event.window.data1 & 0xFFFF) |
                                     (static_cast<std::intptr_t>(event.window.data2 & 0xFFFF) << 16);
                    return true;
                case SDL_WINDOWEVENT_CLOSE:
                    message.message = msgClose;
                    return true;
                default:
                    return false;
            }
        case SDL_SYSWMEVENT:
            return saverhost::translate(event, theWindow, message);
        default:
            return false;
    }
}

// Draws into xscreensaver's window: never one of the saver's own.
Window* adoptHost(std::uintptr_t hostId) {
    int width = 0, height = 0;
    Window* window = saverhost::adopt(xDisplay, hostId, width, height);
    if (window == nullptr) return nullptr;
    theWindow = window;
    saverWindow = true;
    theDeviceContext = DeviceContext{window, {}, false};
    windowProc(window, msgCreate, 0, 0);
    windowProc(window, msgSize, 0, (width & 0xFFFF) | (static_cast<std::intptr_t>(height & 0xFFFF) << 16));
    return window;
}

// The visual of the show's pixel format (true colour, double-buffered, the
// deepest depth buffer offered): X fixes a window's visual when it is made,
// and the window must exist before its create message, so the format is
// decided here rather than by setPixelFormat.
using common::channelBits;
constexpr int depthBitsTried[] = {32, 24, 16};  // most X drivers offer no 32

// Made hidden: nothing may be seen of the window before the show shows it.
SDL_Window* makeNativeWindow(const char* title, int x, int y, int width, int height,
                             WindowStyle style, int& depthBits) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const bool decorated = style == WindowStyle::decorated;
    const Uint32 look = decorated ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS;
    for (int bits : depthBitsTried) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, bits);
        if (SDL_Window* native = SDL_CreateWindow(
                title, decorated ? SDL_WINDOWPOS_UNDEFINED : x,
                decorated ? SDL_WINDOWPOS_UNDEFINED : y, width, height,
                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | look)) {
            depthBits = bits;
            return native;
        }
    }
    return nullptr;
}

bool startSdl(const char* driver, std::string& error) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = std::string("no window system: ") + SDL_GetError();
        return false;
    }
    SDL_AddEventWatch(watchArrows, nullptr);
    return true;
}

}  // namespace

bool start(std::string& error, bool switchesDisplay) {
    displaySwitches = switchesDisplay;
    // A closed standard stream would go to the next file opened, the
    // guardian's channel among them, and take the show's messages.
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream)
        if (fcntl(stream, F_GETFD) < 0 && errno == EBADF) open("/dev/null", O_RDWR);
    // The screensaver touches no display mode: no guardian, nothing restored,
    // and no session bus, without which SDL would start a bus daemon of its
    // own that outlives it.
    if (!switchesDisplay) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    XInitThreads();
    // The screensaver lives in xscreensaver's X window, on any desktop.
    std::string why;
    onWayland = switchesDisplay && wayland::playsNatively(why);
    if (!why.empty()) std::fprintf(stderr, "kelvora: %s: the show plays through Xwayland\n", why.c_str());
    // First, while this is the only thread. Xwayland needs no guardian: the
    // mode there ends with the show's connection.
    onXwayland = switchesDisplay && !onWayland && serverIsXwayland();
    if (switchesDisplay && !onWayland && !onXwayland && !guardian::start(why))
        std::fprintf(stderr,
                     "kelvora: no display guardian (%s): the show puts the desktop back itself, "
                     "and after a hard kill the next run does\n",
                     why.c_str());
    // Ctrl+C, kill and a closed terminal end the show at once with their usual
    // status, also while a box waits; the guardian puts the desktop back. SDL
    // would turn them into a quit event instead, which nothing here reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A closed standard error (`kelvora 2>&1 | head`) must not end the show.
    std::signal(SIGPIPE, SIG_IGN);
    if (onWayland) {
        boxesOnWayland();
        return startSdl("wayland", error);
    }
    // The display mode is switched through X, so the show needs an X server
    // even where SDL could draw some other way.
    xDisplay = XOpenDisplay(nullptr);
    if (xDisplay == nullptr) {
        const char* name = std::getenv("DISPLAY");
        error = std::string("cannot open the X display \"") + (name ? name : "") +
                "\"; the show needs a running X server named in DISPLAY";
        return false;
    }
    // Before anything else, the warning box included: the desktop a killed
    // show left behind.
    if (switchesDisplay && !onXwayland) guardian::restoreLeftBehind();
    // X11 whatever SDL_VIDEODRIVER says: on any other driver the switch would
    // leave the desktop at 640 x 480 behind a window nobody sees.
    if (startSdl("x11", error)) return true;
    XCloseDisplay(xDisplay);
    xDisplay = nullptr;
    return false;
}

void stop() {
    if (displaySwitches) restoreDisplayMode();
    if (xDisplay) XCloseDisplay(xDisplay);
    xDisplay = nullptr;
    SDL_Quit();
}

void messageBox(const char* text, const char* caption, BoxIcon icon) {
    if (saverWindow) {
        std::fprintf(stderr, "kelvora-saver: %s\n", text);
        return;
    }
    // weston covers the output in black for a window that was full screen
    // until its toplevel is gone, which SDL 2.26 never destroys, hidden window
    // or not: a dying window's connection closes before its box.
    if (onWayland && theWindow && theWindow->native &&
        !(SDL_GetWindowFlags(theWindow->native) & SDL_WINDOW_SHOWN)) {
        SDL_DestroyWindow(theWindow->native);
        theWindow->native = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    // The box belongs to no window, but stands over the show's window while
    // that is up.
    if (theWindow && theWindow->native && (SDL_GetWindowFlags(theWindow->native) & SDL_WINDOW_SHOWN)) {
        ScreenArea window;
        SDL_GetWindowPosition(theWindow->native, &window.x, &window.y);
        SDL_GetWindowSize(theWindow->native, &window.width, &window.height);
        showMessageBox(text, caption, icon, &window);
    } else {
        showMessageBox(text, caption, icon, nullptr);
    }
}

// A terminal shows both streams; a desktop launcher runs the show with
// options of its own making.
void printText(const char* text) { std::fputs(text, stdout); }
void reportBadCommandLine(const char* text, const char*) { std::fputs(text, stderr); }

Window* createWindow(const char* className, const char* title, int x, int y, int width,
                     int height, WindowStyle style, std::uintptr_t host) {
    if (!common::isRegisteredClass(className) || theWindow != nullptr) return nullptr;
    // xscreensaver's preview is a window to draw into, like its full screen.
    if (style == WindowStyle::saver || style == WindowStyle::saverPreview) return adoptHost(host);
    // No window, no create message: nothing of the show starts.
    // Unswitched, it stands on a monitor rather than wherever 0, 0 falls.
    int cornerX = 0, cornerY = 0;
    if (style == WindowStyle::borderless && !modeSwitched && xDisplay != nullptr)
        randr::windowCorner(xDisplay, cornerX, cornerY);
    int depthBits = 0;
    SDL_Window* native =
        makeNativeWindow(title, x + cornerX, y + cornerY, width, height, style, depthBits);
    if (native == nullptr) {
        std::fprintf(stderr, "kelvora: cannot make an OpenGL window: %s\n", SDL_GetError());
        return nullptr;
    }
    if (style == WindowStyle::borderless && modeSwitched && onWayland &&
        !wayland::enterMode(native, switchedWidth, switchedHeight))
        std::fprintf(stderr, "kelvora: the compositor refused full screen (%s): the show plays in its window\n",
                     SDL_GetError());
    if (style == WindowStyle::borderless && modeSwitched && !onWayland) askFullScreen(native);
    theWindow = new Window{native, depthBits, false};
    theDeviceContext = DeviceContext{theWindow, {}, false};
    windowProc(theWindow, msgCreate, 0, 0);
    return theWindow;
}

void destroyWindow(Window* window) {
    if (window == nullptr || window != theWindow) return;
    // Hidden first, so that whatever the destroy handler shows stands on the
    // desktop rather than behind a dead window. A host is never hidden.
    if (window->host == 0) SDL_HideWindow(window->native);
    windowProc(window, msgDestroy, 0, 0);
    if (window->native) SDL_DestroyWindow(window->native);
    delete window;
    theWindow = nullptr;
    saverWindow = false;
}

std::intptr_t defWindowProc(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t) {
    // Alt+F4 asks the window to close, as desktops do; a close destroys it.
    if (message == msgSysKeyDown && wParam == vkF4 && windowProc)
        return windowProc(window, msgClose, 0, 0);
    if (message == msgClose) destroyWindow(window);
    return 0;
}

void showWindow(Window* window) {
    if (window == nullptr || window->host != 0) return;
    SDL_ShowWindow(window->native);
    SDL_RaiseWindow(window->native);
    SDL_SetWindowInputFocus(window->native);
    window->needsPaint = true;
}

void invalidateWindow(Window* window) {
    if (window) window->needsPaint = true;
}

bool common::nextWindowSystemMessage(MessageRecord& message) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (translate(event, message)) return true;
        if (saverhost::endedWithHost(theWindow, windowProc)) {
            theWindow = nullptr;
            saverWindow = false;
            return false;
        }
    }
    return false;
}

void common::gatherInput() { SDL_PumpEvents(); }

Window* common::windowNeedingPaint() { return theWindow && theWindow->needsPaint ? theWindow : nullptr; }

std::intptr_t dispatchMessage(const MessageRecord& message) {
    if (message.window == nullptr || message.window != theWindow || windowProc == nullptr)
        return 0;
    return windowProc(message.window, message.message, message.wParam, message.lParam);
}

void showCursor(bool show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }
void setCursorImage(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

DeviceContext* getDC(Window* window) {
    return window == theWindow && window ? &theDeviceContext : nullptr;
}

void releaseDC(Window*, DeviceContext*) {}

int common::depthBitsOf(Window* window) { return window ? window->depthBits : 0; }

GLContext* createGLContext(DeviceContext* dc) {
    if (dc == nullptr || dc->window == nullptr || dc->window->native == nullptr) return nullptr;
    SDL_GLContext native = SDL_GL_CreateContext(dc->window->native);
    if (native == nullptr) {
        std::fprintf(stderr, "kelvora: no OpenGL context: %s\n", SDL_GetError());
        return nullptr;
    }
    return new GLContext{native};
}

bool makeGLContextCurrent(DeviceContext* dc, GLContext* context) {
    if (dc == nullptr || dc->window == nullptr) return false;
    if (SDL_GL_MakeCurrent(dc->window->native, context ? context->native : nullptr) == 0) return true;
    if (context) std::fprintf(stderr, "kelvora: cannot draw with the OpenGL context: %s\n", SDL_GetError());
    return false;
}

void deleteGLContext(GLContext* context) {
    if (context == nullptr) return;
    SDL_GL_DeleteContext(context->native);
    delete context;
}

void swapBuffers(DeviceContext* dc) {
    if (dc && dc->window && dc->window->native) SDL_GL_SwapWindow(dc->window->native);
}

int desktopBitsPerPixel() {
    if (xDisplay == nullptr) return 32;
    // What a pixel occupies in memory, as desktops count colour depth (24-bit
    // colour in 32-bit pixels counts as 32).
    const int depth = DefaultDepth(xDisplay, DefaultScreen(xDisplay));
    int bits = depth, formatCount = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(xDisplay, &formatCount)) {
        for (int i = 0; i < formatCount; ++i)
            if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
        XFree(formats);
    }
    return bits;
}

int changeDisplayMode(int width, int height, int bitsPerPixel) {
    if ((xDisplay == nullptr && !onWayland) || !displaySwitches) return displayChangeFailed;
    // X cannot change the depth of a running screen.
    if (bitsPerPixel != desktopBitsPerPixel()) return displayChangeBadMode;
    if (onWayland) {
        // The compositor emulates the mode once the window exists.
        modeSwitched = true;
        switchedWidth = width;
        switchedHeight = height;
        return displayChangeSuccessful;
    }
    const int result = onXwayland ? xwayland::switchMonitor(sdlDisplay(), width, height)
                                  : guardian::switchMonitor(width, height);
    modeSwitched = result == displayChangeSuccessful;
    switchedWidth = width;
    switchedHeight = height;
    return result;
}

void restoreDisplayMode() {
    modeSwitched = false;
    fullScreenAsked = false;
    if (onWayland) wayland::leaveMode(theWindow ? theWindow->native : nullptr);
    else if (onXwayland) xwayland::restore();
    else guardian::restore();
}

std::string installedDataFolder() {
    // The build says where the files lie from the program's folder
    // (../share/kelvora/stuff from <prefix>/bin), or from the screensaver
    // module's (<prefix>/libexec/xscreensaver).
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "/usr/share/kelvora/stuff";
    // Also when the folder is gone: a message names where it belongs.
    const std::filesystem::path folder = program.parent_path();
    return (folder / (folder.filename() == "xscreensaver" ? KELVORA_DATA_FROM_SAVER
                                                         : KELVORA_DATA_FROM_PROGRAM))
        .lexically_normal()
        .string();
}

// xscreensaver keeps a module's settings as its command-line options.
std::optional<int> readSetting(const char*) { return std::nullopt; }
bool writeSetting(const char*, int) { return false; }

bool saverSettingsDialog(std::uintptr_t, bool&, int&) {
    std::fprintf(stderr,
                 "kelvora-saver: the settings are this module's options (--delay, --fps, "
                 "--music), set in xscreensaver-settings; see --help\n");
    return false;
}

// The wait for the next frame ends early on what the show answers at once: a
// key pressed (not its repeats, which would speed the show up while held), a
// window event, a request to quit. X tells SDL nothing unless asked, so the
// queue is looked at every few milliseconds.
void sleepMilliseconds(unsigned milliseconds) {
    const Uint64 end = SDL_GetTicks64() + milliseconds;
    for (Uint64 now = SDL_GetTicks64(); now < end; now = SDL_GetTicks64()) {
        SDL_Delay(static_cast<Uint32>(std::min<Uint64>(end - now, inputCheckMilliseconds)));
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_QUIT, SDL_SYSWMEVENT)) return;
        SDL_Event keys[queuedKeysLookedAt];
        const int count = SDL_PeepEvents(keys, queuedKeysLookedAt, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN);
        for (int i = 0; i < count; ++i)
            if (!keys[i].key.repeat) return;
    }
}

}  // namespace platform
