// The fake window system: records every operation in order and plays back a
// script. There is no real display, no OpenGL context and no input.
#include "platform/fake/platform_fake.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace platform {

struct Window {
    int id = 1;
};
struct DeviceContext {
    int id = 1;
};
struct GLContext {
    int id = 1;
};
struct Palette {
    std::vector<PaletteEntry> entries;
};

namespace {

fake::Script theScript;
std::vector<std::string> theJournal;
WindowProc windowProc = nullptr;
Window window;
DeviceContext deviceContext;
GLContext glContext;
bool alive = false;
bool formatSet = false;
int idlePeeks = 0;
std::vector<PaletteEntry> paletteEntries;

using fake::note;

const char* styleName(WindowStyle style) {
    switch (style) {
        case WindowStyle::borderless: return "";
        case WindowStyle::decorated: return " decorated";
        case WindowStyle::saver: return " saver";
        case WindowStyle::saverPreview: return " saverPreview";
    }
    return " ?";
}

bool saverWindow = false;

const char* iconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::warning: return "warning";
        case BoxIcon::error: return "error";
        case BoxIcon::information: return "information";
    }
    return "?";
}

}  // namespace

namespace fake {

void reset(const Script& newScript) {
    theScript = newScript;
    theJournal.clear();
    windowProc = nullptr;
    alive = false;
    saverWindow = false;
    formatSet = false;
    idlePeeks = 0;
    paletteEntries.clear();
}

Script& script() { return theScript; }
const std::vector<std::string>& journal() { return theJournal; }

int find(const std::string& prefix) {
    for (std::size_t i = 0; i < theJournal.size(); ++i)
        if (theJournal[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

int count(const std::string& prefix) {
    return static_cast<int>(std::count_if(theJournal.begin(), theJournal.end(),
                                          [&](const std::string& line) {
                                              return line.rfind(prefix, 0) == 0;
                                          }));
}

Window* theWindow() { return &window; }
const std::vector<PaletteEntry>& lastPaletteEntries() { return paletteEntries; }
bool windowAlive() { return alive; }
void note(const std::string& line) { theJournal.push_back(line); }

}  // namespace fake

bool start(std::string& error, bool switchesDisplay) {
    note(switchesDisplay ? "start" : "start without display switches");
    if (!theScript.startSucceeds) error = "no display (scripted)";
    return theScript.startSucceeds;
}

void stop() { note("stop"); }

bool registerWindowClass(const char* className, WindowProc procedure) {
    note(std::string("registerWindowClass ") + className);
    if (!theScript.registerSucceeds) return false;
    windowProc = procedure;
    return true;
}

void messageBox(const char* text, const char* caption, BoxIcon icon) {
    if (saverWindow) {
        note(std::string("stderr ") + caption + ": " + text);
        return;
    }
    note(std::string("messageBox ") + iconName(icon) + " " + caption + ": " + text);
}

void printText(const char* text) { note(std::string("printText ") + text); }
void reportBadCommandLine(const char* text, const char* caption) {
    note(std::string("reportBadCommandLine ") + caption + ": " + text);
}

Window* createWindow(const char* className, const char* title, int x, int y, int width,
                     int height, WindowStyle style, std::uintptr_t host) {
    const bool saver = style == WindowStyle::saver || style == WindowStyle::saverPreview;
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, " %d,%d %dx%d", x, y, width, height);
    if (saver) {
        char hex[2 * sizeof host + 1] = {};
        std::to_chars(hex, hex + sizeof hex - 1, host, 16);
        std::snprintf(geometry, sizeof geometry, " host 0x%s", hex);
    }
    note(std::string("createWindow ") + className + " " + title + (saver ? "" : geometry) +
         styleName(style) + (saver ? geometry : ""));
    if (!theScript.createWindowSucceeds || windowProc == nullptr) return nullptr;
    alive = true;
    saverWindow = saver;
    windowProc(&window, msgCreate, 0, 0);
    if (saver)
        windowProc(&window, msgSize, 0,
                   (theScript.saverWidth & 0xFFFF) |
                       (static_cast<std::intptr_t>(theScript.saverHeight & 0xFFFF) << 16));
    return &window;
}

void destroyWindow(Window* target) {
    note("destroyWindow");
    if (target != &window || !alive) return;
    windowProc(&window, msgDestroy, 0, 0);
    alive = false;
    saverWindow = false;
}

std::intptr_t defWindowProc(Window* target, unsigned message, std::uintptr_t wParam, std::intptr_t) {
    note("defWindowProc " + std::to_string(message));
    // Alt+F4 asks the window to close, as desktops do; a close destroys it.
    if (message == msgSysKeyDown && wParam == vkF4 && windowProc)
        return windowProc(target, msgClose, 0, 0);
    if (message == msgClose) destroyWindow(target);
    return 0;
}

void showWindow(Window*) { note("showWindow"); }
void invalidateWindow(Window*) { note("invalidateWindow"); }

bool peekMessage(MessageRecord& message) {
    if (theScript.messages.empty()) {
        // A runaway loop in a test ends with a close, as a user would do.
        if (++idlePeeks == theScript.maxIdlePeeks && alive) {
            message = {&window, msgClose, 0, 0};
            note("peekMessage " + std::to_string(msgClose));
            return true;
        }
        return false;
    }
    message = theScript.messages.front();
    theScript.messages.pop_front();
    if (message.window == nullptr) message.window = &window;
    note("peekMessage " + std::to_string(message.message));
    if (message.message == msgDestroy) {
        // The window went from outside: the backend ends it and has nothing to hand out.
        note("window vanished");
        if (alive && windowProc) windowProc(&window, msgDestroy, 0, 0);
        alive = false;
        saverWindow = false;
        return false;
    }
    return true;
}

std::intptr_t dispatchMessage(const MessageRecord& message) {
    if (windowProc == nullptr || !alive) return 0;
    return windowProc(message.window, message.message, message.wParam, message.lParam);
}

void postQuitMessage(int exitCode) { note("postQuitMessage " + std::to_string(exitCode)); }

void showCursor(bool show) { note(show ? "showCursor true" : "showCursor false"); }
void setCursorImage(bool visible) { note(visible ? "setCursorImage shown" : "setCursorImage none"); }

DeviceContext* getDC(Window*) {
    note("getDC");
    return &deviceContext;
}

void releaseDC(Window*, DeviceContext*) { note("releaseDC"); }

int choosePixelFormat(DeviceContext*, const PixelFormat& request) {
    note("choosePixelFormat color " + std::to_string(request.colorBits) + " depth " +
         std::to_string(request.depthBits) + " flags " + std::to_string(request.flags));
    return 1;
}

bool setPixelFormat(DeviceContext*, int index, const PixelFormat&) {
    note("setPixelFormat " + std::to_string(index));
    formatSet = true;
    return true;
}

PixelFormat describePixelFormat(DeviceContext*) {
    note("describePixelFormat");
    return formatSet ? theScript.grantedFormat : PixelFormat{};
}

Palette* createPalette(const std::vector<PaletteEntry>& entries) {
    note("createPalette " + std::to_string(entries.size()));
    paletteEntries = entries;
    return new Palette{entries};
}

void deletePalette(Palette* palette) {
    note("deletePalette");
    delete palette;
}

void selectPalette(DeviceContext*, Palette*) { note("selectPalette"); }

int realizePalette(DeviceContext*) {
    note("realizePalette");
    return theScript.realizeResult;
}

void updateColors(DeviceContext*) { note("updateColors"); }

GLContext* createGLContext(DeviceContext*) {
    note("createGLContext");
    return &glContext;
}

bool makeGLContextCurrent(DeviceContext*, GLContext* context) {
    note(context ? "makeGLContextCurrent" : "makeGLContextCurrent null");
    return context == nullptr || theScript.makeCurrentSucceeds;
}

void deleteGLContext(GLContext*) { note("deleteGLContext"); }

void swapBuffers(DeviceContext*) {
    note("swapBuffers");
    if (!alive) note("ERROR swapBuffers without a window");
}

int desktopBitsPerPixel() {
    note("desktopBitsPerPixel");
    return theScript.desktopBits;
}

int changeDisplayMode(int width, int height, int bitsPerPixel) {
    note("changeDisplayMode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
         std::to_string(bitsPerPixel));
    return theScript.displayChangeResult;
}

void restoreDisplayMode() { note("restoreDisplayMode"); }

unsigned short asyncKeyState(unsigned virtualKey) {
    const auto& held = theScript.heldKeys;
    return std::find(held.begin(), held.end(), virtualKey) != held.end() ? 0x8000 : 0;
}

std::string installedDataFolder() { return theScript.installedDataFolder; }

std::optional<int> readSetting(const char* name) {
    note(std::string("readSetting ") + name);
    if (!theScript.settingsStoreExists) return std::nullopt;
    const auto found = theScript.settings.find(name);
    if (found == theScript.settings.end()) return std::nullopt;
    return found->second;
}

bool writeSetting(const char* name, int value) {
    note(std::string("writeSetting ") + name + " " + std::to_string(value));
    if (!theScript.settingsStoreExists || theScript.unwritableSetting == name) return false;
    theScript.settings[name] = value;
    return true;
}

bool saverSettingsDialog(std::uintptr_t owner, bool& music, int& framesPerSecond) {
    note("saverSettingsDialog owner " + std::to_string(owner) + " music " +
         std::to_string(music ? 1 : 0) + " fps " + std::to_string(framesPerSecond));
    if (!theScript.dialogAccepts) return false;
    music = theScript.dialogMusic;
    framesPerSecond = theScript.dialogFramesPerSecond;
    return true;
}

void sleepMilliseconds(unsigned milliseconds) { note("sleepMilliseconds " + std::to_string(milliseconds)); }

}  // namespace platform
