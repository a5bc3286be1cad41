// The show's window-system layer: the few operations of a desktop's user
// interface, display and OpenGL binding that the shell needs, in the shape the
// shell expects them (a window procedure, a message queue, device and
// rendering contexts, a display mode).
//
// One folder a backend; the build picks one:
//   x11/      Linux: SDL2 windows on X11 (platform_sdl.cpp), RandR mode switch
//             and its guardian, Xwayland's mode, xscreensaver's window, GTK
//             boxes, SDL2_mixer music
//   windows/  Win32, GDI, WGL, MCI music
//   web/      a page's canvas and dialogs, WebGL under our OpenGL 1.1 layer,
//             Web Audio music, and the page itself (index.html)
//   fake/     scripted and journalled, for unit tests
// Beside this file: what SDL and the browser share (backend_common,
// polled_keys), the audio library's interface (gaudio.h) and a box's text
// fitted to the screen (box_text).
//
// Every backend implements all of the following:
//
//   start, stop                          bring the window system up / down
//   registerWindowClass                  remember the class and its procedure
//   messageBox                           modal box, no owner, one OK button
//   printText, reportBadCommandLine      the command line's answers, where its
//                                        user sees them
//   createWindow, destroyWindow          the one window, borderless, decorated or
//                                        a screensaver's; create and destroy
//                                        messages are sent inside these calls
//   defWindowProc                        default handling of a message
//   showWindow, invalidateWindow         visibility, repaint request
//   peekMessage, dispatchMessage         take at most one message, never wait
//   postQuitMessage
//   showCursor, setCursorImage
//   getDC, releaseDC                     the window's device context
//   choosePixelFormat, setPixelFormat, describePixelFormat
//   createPalette, deletePalette, selectPalette, realizePalette, updateColors
//   createGLContext, makeGLContextCurrent, deleteGLContext, swapBuffers
//   desktopBitsPerPixel, changeDisplayMode, restoreDisplayMode
//   asyncKeyState                        arrow keys, polled once a frame
//   installedDataFolder                  where an installed show keeps its files
//   readSetting, writeSetting            the screensaver's per-user settings
//   saverSettingsDialog                  the screensaver's settings, edited
//   sleepMilliseconds                    wait without using the processor
//
// Nothing outside platform/ includes a window-system header: native key codes,
// events and handles are turned into the types below at the boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct Window;          // the one top-level window
struct DeviceContext;   // drawing surface of a window
struct GLContext;       // an OpenGL rendering context
struct Palette;         // a logical colour palette

// Message numbers; the values are the familiar desktop ones so that traces
// read naturally.
enum Message : unsigned {
    msgCreate = 0x0001,
    msgDestroy = 0x0002,
    msgSize = 0x0005,          // lParam: width in the low 16 bits, height in the high 16
    msgPaint = 0x000F,
    msgClose = 0x0010,         // the window manager asks the window to close
    msgQuit = 0x0012,
    msgKeyDown = 0x0100,       // wParam: virtual-key code
    msgSysKeyDown = 0x0104,    // a key pressed with Alt held
    msgQueryNewPalette = 0x030F,
    msgPaletteChanged = 0x0311 // wParam: the window that changed the system palette
};

// Virtual-key codes: the show's own key numbers.
enum VirtualKey : unsigned {
    vkNone = 0,
    vkReturn = 0x0D,
    vkEscape = 0x1B,
    vkSpace = 0x20,
    vkLeft = 0x25,
    vkUp = 0x26,
    vkRight = 0x27,
    vkDown = 0x28,
    // '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A, as their characters.
    vkF1 = 0x70,
    vkF2 = 0x71,
    vkF3 = 0x72,
    vkF4 = 0x73,
    vkF5 = 0x74,
    vkF12 = 0x7B,
};

using WindowProc = std::intptr_t (*)(Window* window, unsigned message, std::uintptr_t wParam,
                                     std::intptr_t lParam);

struct MessageRecord {
    Window* window = nullptr;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

enum class BoxIcon { warning, error, information };

enum class WindowStyle {
    borderless,  // no caption or border, at the position given: the full-screen show
    decorated,   // caption, border, moved and resized by the user, placed by the desktop
    // The screensaver. With a host (xscreensaver's window id): draws into that
    // existing native window and never maps, unmaps, moves, resizes or
    // destroys it. Without one: a topmost popup over the whole desktop at its
    // own resolution, no cursor, which asks to close (msgClose) on a key, a
    // click, a mouse move of more than a few pixels (the first move message
    // ignored) or a loss of activation.
    saver,
    // The screensaver's preview: a child window covering the client area of
    // the host; ignores input; goes when its host goes.
    saverPreview,
};

// Pixel-format flags, as the descriptor's flag word carries them.
enum PixelFormatFlag : unsigned {
    pfdDoubleBuffer = 0x01,
    pfdDrawToWindow = 0x04,
    pfdSupportOpenGL = 0x20,
    pfdNeedPalette = 0x80,
};

// The pixel-format descriptor: the fields the shell fills or reads.
struct PixelFormat {
    unsigned flags = 0;
    bool rgba = true;  // false: colour-index
    int colorBits = 0, redBits = 0, redShift = 0, greenBits = 0, greenShift = 0;
    int blueBits = 0, blueShift = 0, alphaBits = 0, depthBits = 0, stencilBits = 0;
};

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

// The outcome of a display-mode change; the values are the desktop's usual ones.
enum DisplayChange : int {
    displayChangeSuccessful = 0,
    displayChangeRestart = 1,
    displayChangeFailed = -1,
    displayChangeBadMode = -2,
    displayChangeNotUpdated = -3,
    displayChangeBadFlags = -4,
};

// Returns false, with a reason in `error`, when there is no window system to
// talk to (no display); nothing else may be called then. The screensaver
// never switches the display (switchesDisplay false): nothing is prepared for
// a switch then, and changeDisplayMode fails.
bool start(std::string& error, bool switchesDisplay = true);
void stop();

// Returns false when the class cannot be registered.
bool registerWindowClass(const char* className, WindowProc procedure);

// Blocks until the user closes the box. Texts are UTF-8. While a screensaver
// window exists (from its createWindow on) nobody is there to close a box:
// none is shown, and on Linux the text goes to standard error instead.
void messageBox(const char* text, const char* caption, BoxIcon icon);

// The answers to a command line (--help, --version), on standard output. A
// program without a console of its own borrows its starter's for them alone:
// holding it for the whole run would let the console's Ctrl+C or closing end
// the show.
void printText(const char* text);
// A command line the program refuses: `text` on standard error. Windows also
// shows it in an error box with this caption, however the program was
// started: a program made for the desktop cannot tell whether anyone reads
// the console it borrows.
void reportBadCommandLine(const char* text, const char* caption);

// Creates the window: a borderless one at (x, y), or a decorated one where
// the desktop puts new windows; then sends msgCreate to the procedure before
// returning; nothing of the window is seen until showWindow. When no window
// can be made, returns null and sends nothing. A decorated window sends
// msgSize whenever the user resizes it.
// For the screensaver styles x, y, width and height are ignored: right after
// msgCreate the backend sends msgSize with the window's real size, and again
// whenever it changes; showWindow shows a popup or a preview child but never
// touches a host's own window. When such a window
// vanishes or its host goes, the backend ends it with msgDestroy. With no such
// host, or no OpenGL for it, returns null quietly (on Linux with one line on
// standard error).
Window* createWindow(const char* className, const char* title, int x, int y, int width,
                     int height, WindowStyle style = WindowStyle::borderless,
                     std::uintptr_t host = 0);
// Sends msgDestroy to the procedure before returning.
void destroyWindow(Window* window);
std::intptr_t defWindowProc(Window* window, unsigned message, std::uintptr_t wParam,
                            std::intptr_t lParam);
void showWindow(Window* window);
// Marks the whole window for repainting: a paint message follows.
void invalidateWindow(Window* window);

// Takes the next waiting message, if any, without waiting. A window whose
// contents are invalid receives a paint message whenever nothing else waits,
// until something validates it; the shell never does.
bool peekMessage(MessageRecord& message);
std::intptr_t dispatchMessage(const MessageRecord& message);
void postQuitMessage(int exitCode);

void showCursor(bool show);
void setCursorImage(bool visible);

DeviceContext* getDC(Window* window);
void releaseDC(Window* window, DeviceContext* dc);
// Returns the 1-based index of the closest format the display offers.
int choosePixelFormat(DeviceContext* dc, const PixelFormat& request);
bool setPixelFormat(DeviceContext* dc, int index, const PixelFormat& request);
// The format in force on the device context.
PixelFormat describePixelFormat(DeviceContext* dc);

Palette* createPalette(const std::vector<PaletteEntry>& entries);
void deletePalette(Palette* palette);
void selectPalette(DeviceContext* dc, Palette* palette);
int realizePalette(DeviceContext* dc);  // entries mapped into the system palette
void updateColors(DeviceContext* dc);

GLContext* createGLContext(DeviceContext* dc);
// A null context releases the current one.
bool makeGLContextCurrent(DeviceContext* dc, GLContext* context);
void deleteGLContext(GLContext* context);
void swapBuffers(DeviceContext* dc);

int desktopBitsPerPixel();
// Switches the whole screen to width x height at bitsPerPixel until
// restoreDisplayMode; returns one of DisplayChange.
int changeDisplayMode(int width, int height, int bitsPerPixel);
// Back to the desktop's own mode.
void restoreDisplayMode();

// Non-zero when the key is held now or was pressed since the previous query of
// the same key.
unsigned short asyncKeyState(unsigned virtualKey);

// The folder of the show's files in an installation, found from where the
// running program is, so that any install prefix works; it may not exist.
std::string installedDataFolder();

// The screensaver's per-user settings by name ("Music" 0/1, "FramesPerSecond");
// absent -> nullopt. Backends without a store (Linux, where the settings are
// the module's options) return nullopt and false.
std::optional<int> readSetting(const char* name);
bool writeSetting(const char* name, int value);
// The screensaver's settings dialog, owned by native window `owner` (0: none);
// edits the two values in place. False when cancelled or when the backend has
// no dialog (on Linux it says so on standard error).
bool saverSettingsDialog(std::uintptr_t owner, bool& music, int& framesPerSecond);
// Waits about that long without using the processor; a full-screen
// screensaver's wait ends early on the input that ends it.
void sleepMilliseconds(unsigned milliseconds);

}  // namespace platform
