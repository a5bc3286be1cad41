// The window system in a web browser: the page's canvas with a WebGL 1
// context and its keyboard (emscripten/html5.h), and what the page itself
// offers (platform/web/index.html, reached through EM_JS): its dialogs, full screen,
// the cursor and the page shown once the show has ended.
//
// The show keeps its own blocking loop: a box waits for its OK and each frame
// waits for the browser's next animation frame through Asyncify, which
// unwinds the program's stack into the browser and rewinds it afterwards.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "platform/web/gl_web.h"
#include "platform/platform.h"

namespace platform {

struct Window {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;  // the canvas's one context
    bool needsPaint = false;                      // nothing ever validates it once set
};
struct DeviceContext {
    Window* window = nullptr;
    PixelFormat format;
    bool formatSet = false;
};
struct GLContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE native = 0;
};
struct Palette {
    std::vector<PaletteEntry> entries;
};

}  // namespace platform

namespace {

constexpr const char* canvasSelector = "#canvas";

// --- What the page does (platform/web/index.html's kelvoraPage) ---

EM_JS(int, pageIsThere, (), { return Module.kelvoraPage && Module.canvas ? 1 : 0; });

// Resolves when the user closes the box (OK, Return or Esc).
EM_ASYNC_JS(void, pageShowBox, (const char* text, const char* caption, int icon), {
    await Module.kelvoraPage.showBox(UTF8ToString(text), UTF8ToString(caption), icon);
});

// 1 when the canvas went full screen; the browser may refuse.
EM_ASYNC_JS(int, pageEnterFullscreen, (), {
    return (await Module.kelvoraPage.enterFullscreen()) ? 1 : 0;
});

EM_JS(void, pageLeaveFullscreen, (), { Module.kelvoraPage.leaveFullscreen(); });
EM_JS(void, pageShowCanvas, (int visible), { Module.kelvoraPage.showCanvas(!!visible); });
EM_JS(void, pageShowCursor, (int visible), { Module.kelvoraPage.showCursor(!!visible); });
EM_JS(void, pageShowEnded, (), { Module.kelvoraPage.showEnded(); });
EM_JS(int, pageColorDepth, (), { return screen.colorDepth | 0; });
EM_JS(int, canvasDepthBits, (), {
    const gl = Module.canvas.getContext('webgl');
    return gl ? gl.getParameter(gl.DEPTH_BITS) : 0;
});

// Counts the frame (and keeps it when the page was asked to), then waits for
// the browser's next animation frame that the page's frame cap (?fps) allows:
// the browser presents what was drawn in between. Yielding any less (a
// zero-length sleep) starves the browser: most frames drawn would never be
// presented.
EM_ASYNC_JS(void, pagePresentFrame, (), {
    Module.kelvoraPage.framePresented();
    await Module.kelvoraPage.nextFrame();
});

// The program's options are what the page made of its address (?seed=N):
// the page tells a refused one in the address's terms.
EM_JS(void, pageRefuseAddress, (const char* text), {
    Module.kelvoraPage.refuseAddress(UTF8ToString(text));
});

// --- The backend's state ---

std::string registeredClass;
platform::WindowProc windowProc = nullptr;
platform::Window* theWindow = nullptr;
platform::DeviceContext theDeviceContext;
std::deque<platform::MessageRecord> pendingMessages;
bool boxOpen = false;        // keys then belong to the box, not to the show
bool fullscreenNow = false;  // the show's canvas is full screen

// The keys that are polled, by virtual key.
struct PolledKey {
    unsigned virtualKey;
    bool held;
    bool pressedSinceQuery;
};
PolledKey polledKeys[] = {
    {platform::vkLeft, false, false},
    {platform::vkUp, false, false},
    {platform::vkRight, false, false},
    {platform::vkDown, false, false},
};

PolledKey* polledKey(unsigned virtualKey) {
    for (PolledKey& key : polledKeys)
        if (key.virtualKey == virtualKey) return &key;
    return nullptr;
}

// Browsers number keys as desktops do (keyCode): Return 13, Esc 27, the
// arrows 37 to 40, digits and letters as their characters, F1 112.
unsigned virtualKeyOf(const EmscriptenKeyboardEvent& event) {
    const unsigned code = static_cast<unsigned>(event.keyCode);
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return code;
    if (code >= platform::vkF1 && code <= platform::vkF12) return code;
    switch (code) {
        case platform::vkReturn:
        case platform::vkEscape:
        case platform::vkSpace:
        case platform::vkLeft:
        case platform::vkUp:
        case platform::vkRight:
        case platform::vkDown:
            return code;
        default:
            return platform::vkNone;
    }
}

// The keys the show acts on are kept from the browser (F1 would open its
// help, F3 its search, the arrows would scroll); the rest keep their usual
// meaning in the browser.
bool showUsesKey(unsigned virtualKey) {
    return virtualKey == platform::vkEscape || (virtualKey >= platform::vkF1 && virtualKey <= platform::vkF4) ||
           polledKey(virtualKey) != nullptr;
}

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
    if (boxOpen || theWindow == nullptr) return EM_FALSE;
    const unsigned key = virtualKeyOf(*event);
    if (key == platform::vkNone) return EM_FALSE;
    PolledKey* polled = polledKey(key);
    if (eventType == EMSCRIPTEN_EVENT_KEYUP) {
        if (polled) polled->held = false;
        return showUsesKey(key);
    }
    if (polled) polled->held = polled->pressedSinceQuery = true;
    pendingMessages.push_back({theWindow, event->altKey ? platform::msgSysKeyDown : platform::msgKeyDown,
                               key, 0});
    return showUsesKey(key);
}

// Leaving full screen (the browser takes Esc for that itself, and may not
// pass the key on) ends the show as Esc does.
EM_BOOL onFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*) {
    const bool wasFullscreen = fullscreenNow;
    fullscreenNow = event->isFullscreen;
    if (wasFullscreen && !fullscreenNow && theWindow != nullptr)
        pendingMessages.push_back({theWindow, platform::msgKeyDown, platform::vkEscape, 0});
    return EM_FALSE;
}

}  // namespace

namespace platform {

bool start(std::string& error, bool) {
    if (!pageIsThere()) {
        error = "the page has no canvas for the show (index.html sets Module.canvas "
                "and Module.kelvoraPage)";
        return false;
    }
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             onFullscreenChange);
    return true;
}

void stop() {
    restoreDisplayMode();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             nullptr);
    // The browser's tab outlives the show: it says so, with a way to play again.
    pageShowEnded();
}

bool registerWindowClass(const char* className, WindowProc procedure) {
    if (procedure == nullptr || !registeredClass.empty()) return false;
    registeredClass = className;
    windowProc = procedure;
    return true;
}

void messageBox(const char* text, const char* caption, BoxIcon icon) {
    boxOpen = true;
    pageShowBox(text, caption, static_cast<int>(icon));
    boxOpen = false;
}

// The page shows neither stream; its options come from its address.
void printText(const char* text) { std::fputs(text, stdout); }
void reportBadCommandLine(const char* text, const char*) { pageRefuseAddress(text); }

// The page has one canvas, shown as the page shows it, whatever the style.
Window* createWindow(const char* className, const char*, int, int, int, int, WindowStyle style,
                     std::uintptr_t) {
    if (windowProc == nullptr || registeredClass != className || theWindow != nullptr) return nullptr;
    // A page is no screensaver.
    if (style == WindowStyle::saver || style == WindowStyle::saverPreview) return nullptr;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_TRUE;  // a frame can be read back after it is shown
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(canvasSelector, &attributes);
    // No window, no create message: nothing of the show starts.
    if (context <= 0) {
        std::fprintf(stderr, "kelvora: this browser gives the page no WebGL 1 context (%d)\n",
                     static_cast<int>(context));
        return nullptr;
    }
    theWindow = new Window{context, false};
    theDeviceContext = DeviceContext{theWindow, {}, false};
    windowProc(theWindow, msgCreate, 0, 0);
    return theWindow;
}

void destroyWindow(Window* window) {
    if (window == nullptr || window != theWindow) return;
    // Hidden first, so that whatever the destroy handler shows stands on the
    // page rather than over the last frame.
    pageShowCanvas(false);
    windowProc(window, msgDestroy, 0, 0);
    emscripten_webgl_destroy_context(window->context);
    delete window;
    theWindow = nullptr;
    pendingMessages.clear();
}

std::intptr_t defWindowProc(Window* window, unsigned message, std::uintptr_t, std::intptr_t) {
    if (message == msgClose) destroyWindow(window);
    return 0;
}

void showWindow(Window* window) {
    if (window == nullptr) return;
    pageShowCanvas(true);
    window->needsPaint = true;
}

void invalidateWindow(Window* window) {
    if (window) window->needsPaint = true;
}

bool peekMessage(MessageRecord& message) {
    if (!pendingMessages.empty()) {
        message = pendingMessages.front();
        pendingMessages.pop_front();
        return true;
    }
    if (theWindow && theWindow->needsPaint) {
        message = {theWindow, msgPaint, 0, 0};
        return true;
    }
    return false;
}

std::intptr_t dispatchMessage(const MessageRecord& message) {
    if (message.window == nullptr || message.window != theWindow || windowProc == nullptr) return 0;
    return windowProc(message.window, message.message, message.wParam, message.lParam);
}

void postQuitMessage(int exitCode) {
    pendingMessages.push_back({nullptr, msgQuit, static_cast<std::uintptr_t>(exitCode), 0});
}

void showCursor(bool show) { pageShowCursor(show); }
void setCursorImage(bool visible) { pageShowCursor(visible); }

DeviceContext* getDC(Window* window) {
    return window == theWindow && window ? &theDeviceContext : nullptr;
}

void releaseDC(Window*, DeviceContext*) {}

int choosePixelFormat(DeviceContext* dc, const PixelFormat&) { return dc ? 1 : 0; }

bool setPixelFormat(DeviceContext* dc, int index, const PixelFormat& request) {
    if (dc == nullptr || index != 1 || dc->formatSet) return false;
    // What the canvas's context has, whatever was asked: true colour, no alpha.
    constexpr int channelBits = 8;
    dc->format = request;
    dc->format.flags &= ~static_cast<unsigned>(pfdNeedPalette);
    dc->format.rgba = true;
    dc->format.colorBits = 3 * channelBits;
    dc->format.redBits = dc->format.greenBits = dc->format.blueBits = channelBits;
    dc->format.redShift = 2 * channelBits;
    dc->format.greenShift = channelBits;
    dc->format.blueShift = 0;
    dc->format.alphaBits = 0;
    dc->format.depthBits = canvasDepthBits();
    dc->formatSet = true;
    return true;
}

PixelFormat describePixelFormat(DeviceContext* dc) { return dc ? dc->format : PixelFormat{}; }

// A browser's canvas is true colour: these serve the shell's palette path,
// which a true-colour format never takes.
Palette* createPalette(const std::vector<PaletteEntry>& entries) { return new Palette{entries}; }
void deletePalette(Palette* palette) { delete palette; }
void selectPalette(DeviceContext*, Palette*) {}
int realizePalette(DeviceContext*) { return 0; }
void updateColors(DeviceContext*) {}

GLContext* createGLContext(DeviceContext* dc) {
    if (dc == nullptr || dc->window == nullptr) return nullptr;
    if (emscripten_webgl_make_context_current(dc->window->context) != EMSCRIPTEN_RESULT_SUCCESS)
        return nullptr;
    // The fixed-function state and shaders live in the context: made once,
    // while it is current.
    if (!glweb::start()) {
        std::fprintf(stderr, "kelvora: the OpenGL layer could not start on WebGL\n");
        emscripten_webgl_make_context_current(0);
        return nullptr;
    }
    return new GLContext{dc->window->context};
}

bool makeGLContextCurrent(DeviceContext* dc, GLContext* context) {
    if (dc == nullptr || dc->window == nullptr) return false;
    return emscripten_webgl_make_context_current(context ? context->native : 0) ==
           EMSCRIPTEN_RESULT_SUCCESS;
}

void deleteGLContext(GLContext* context) { delete context; }  // the canvas's, gone with it

void swapBuffers(DeviceContext* dc) {
    if (dc == nullptr || dc->window == nullptr) return;
    glweb::flush();
    pagePresentFrame();
}

int desktopBitsPerPixel() {
    // As desktops count it: 24-bit colour in 32-bit pixels counts as 32.
    const int depth = pageColorDepth();
    return depth == 24 ? 32 : depth;
}

int changeDisplayMode(int, int, int) {
    // The show's screen is its canvas, 640 x 480 whatever the monitor does.
    // Full screen shows it larger, its aspect kept; a browser that refuses
    // full screen leaves it in the page, which is no failure of the show.
    fullscreenNow = pageEnterFullscreen() != 0;
    return displayChangeSuccessful;
}

void restoreDisplayMode() {
    // Cleared first: this is no user leaving full screen.
    fullscreenNow = false;
    pageLeaveFullscreen();
}

unsigned short asyncKeyState(unsigned virtualKey) {
    PolledKey* key = polledKey(virtualKey);
    if (key == nullptr) return 0;
    unsigned short state = key->held ? 0x8000 : 0;
    if (key->pressedSinceQuery) state |= 1;
    key->pressedSinceQuery = false;
    return state;
}

std::string installedDataFolder() {
    // The page puts the files it fetched from its own stuff/ folder here.
    return "/stuff";
}

// No screensaver in a page: no settings to keep or edit.
std::optional<int> readSetting(const char*) { return std::nullopt; }
bool writeSetting(const char*, int) { return false; }
bool saverSettingsDialog(std::uintptr_t, bool&, int&) { return false; }

void sleepMilliseconds(unsigned milliseconds) { emscripten_sleep(milliseconds); }

}  // namespace platform
