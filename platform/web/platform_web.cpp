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
#include <filesystem>
#include <string>
#include <vector>

#include "platform/backend_common.h"
#include "platform/platform.h"
#include "platform/polled_keys.h"
#include "platform/web/gl_web.h"

namespace platform {

struct Window {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;  // the canvas's one context
    bool needsPaint = false;                      // nothing ever validates it once set
};
struct GLContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE native = 0;
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

EM_JS(int, pageWasHidden, (), { return Module.kelvoraPage.wasHidden() ? 1 : 0; });

// --- The backend's state ---

using platform::common::windowProc;
platform::Window* theWindow = nullptr;
platform::DeviceContext theDeviceContext;
bool boxOpen = false;        // keys then belong to the box, not to the show
bool fullscreenNow = false;  // the show's canvas is full screen

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
           platform::polledkeys::isPolled(virtualKey);
}

// A key from the keyboard or from the page's touch controls, which send the
// same virtual keys.
void keyArrived(unsigned key, bool down, bool alt) {
    if (boxOpen || theWindow == nullptr) return;
    platform::polledkeys::arrived(key, down);
    if (down) platform::common::post({theWindow, alt ? platform::msgSysKeyDown : platform::msgKeyDown, key, 0});
}

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
    if (boxOpen || theWindow == nullptr) return EM_FALSE;
    const unsigned key = virtualKeyOf(*event);
    if (key == platform::vkNone) return EM_FALSE;
    keyArrived(key, eventType != EMSCRIPTEN_EVENT_KEYUP, event->altKey);
    return showUsesKey(key);
}

// A key held when the page loses focus would stay held: its release goes
// elsewhere.
EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    platform::polledkeys::releaseAll();
    return EM_FALSE;
}

// Leaving full screen (the browser takes Esc for that itself, and may not
// pass the key on) ends the show as Esc does; unless the page was hidden
// (another tab, another app), which the browser answers by leaving full
// screen itself.
EM_BOOL onFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*) {
    const bool wasFullscreen = fullscreenNow;
    fullscreenNow = event->isFullscreen;
    if (wasFullscreen && !fullscreenNow && theWindow != nullptr && !pageWasHidden())
        platform::common::post({theWindow, platform::msgKeyDown, platform::vkEscape, 0});
    return EM_FALSE;
}

}  // namespace

// What the page's touch controls press and release (index.html's table of
// controls), and its call when the canvas changes size on the screen.
extern "C" EMSCRIPTEN_KEEPALIVE void kelvoraVirtualKey(unsigned key, int down) {
    keyArrived(key, down != 0, false);
}
extern "C" EMSCRIPTEN_KEEPALIVE void kelvoraRedraw() { platform::invalidateWindow(theWindow); }

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
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onBlur);
    return true;
}

void stop() {
    restoreDisplayMode();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             nullptr);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    // The browser's tab outlives the show: it says so, with a way to play again.
    pageShowEnded();
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
    if (!common::isRegisteredClass(className) || theWindow != nullptr) return nullptr;
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
    common::clearPosted();
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

// The page's events arrive between frames, straight into the posted messages.
bool common::nextWindowSystemMessage(MessageRecord&) { return false; }
// The browser runs the key handler as each key arrives, between frames.
void common::gatherInput() {}

Window* common::windowNeedingPaint() { return theWindow && theWindow->needsPaint ? theWindow : nullptr; }

std::intptr_t dispatchMessage(const MessageRecord& message) {
    if (message.window == nullptr || message.window != theWindow || windowProc == nullptr) return 0;
    return windowProc(message.window, message.message, message.wParam, message.lParam);
}

void showCursor(bool show) { pageShowCursor(show); }
void setCursorImage(bool visible) { pageShowCursor(visible); }

DeviceContext* getDC(Window* window) {
    return window == theWindow && window ? &theDeviceContext : nullptr;
}

void releaseDC(Window*, DeviceContext*) {}

int common::depthBitsOf(Window*) { return canvasDepthBits(); }

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

std::string installedDataFolder() {
    // The page puts the files it fetched from its own stuff/ folder in the
    // folder that stands for the site's (the current directory): one place.
    std::error_code ec;
    return (std::filesystem::current_path(ec) / "stuff").string();
}

// No screensaver in a page: no settings to keep or edit.
std::optional<int> readSetting(const char*) { return std::nullopt; }
bool writeSetting(const char*, int) { return false; }
bool saverSettingsDialog(std::uintptr_t, bool&, int&) { return false; }

void sleepMilliseconds(unsigned milliseconds) { emscripten_sleep(milliseconds); }

}  // namespace platform
