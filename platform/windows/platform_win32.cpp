// The window system on Windows: Win32, GDI and WGL, called directly. The
// show's handles are Windows' own handles, and its message numbers and key
// codes are Windows' own numbers, so nothing is translated on the way.
#include <windows.h>
#include <windowsx.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/box_text.h"
#include "platform/platform.h"
#include "platform/windows/platform_win32.h"

namespace platform {

// The show's numbers and Windows' are the same; this table holds the build to
// that, so messages and keys pass the boundary unchanged.
//             the show's                  Windows'
static_assert(msgCreate ==                 WM_CREATE);
static_assert(msgDestroy ==                WM_DESTROY);
static_assert(msgSize ==                   WM_SIZE);
static_assert(msgPaint ==                  WM_PAINT);
static_assert(msgClose ==                  WM_CLOSE);
static_assert(msgQuit ==                   WM_QUIT);
static_assert(msgKeyDown ==                WM_KEYDOWN);
static_assert(msgSysKeyDown ==             WM_SYSKEYDOWN);
static_assert(msgQueryNewPalette ==        WM_QUERYNEWPALETTE);
static_assert(msgPaletteChanged ==         WM_PALETTECHANGED);
static_assert(vkReturn ==                  VK_RETURN);
static_assert(vkEscape ==                  VK_ESCAPE);
static_assert(vkSpace ==                   VK_SPACE);
static_assert(vkLeft ==                    VK_LEFT);
static_assert(vkUp ==                      VK_UP);
static_assert(vkRight ==                   VK_RIGHT);
static_assert(vkDown ==                    VK_DOWN);
static_assert(vkF1 ==                      VK_F1);
static_assert(vkF4 ==                      VK_F4);
static_assert(vkF5 ==                      VK_F5);
static_assert(vkF12 ==                     VK_F12);
static_assert(pfdDoubleBuffer ==           PFD_DOUBLEBUFFER);
static_assert(pfdDrawToWindow ==           PFD_DRAW_TO_WINDOW);
static_assert(pfdSupportOpenGL ==          PFD_SUPPORT_OPENGL);
static_assert(pfdNeedPalette ==            PFD_NEED_PALETTE);
static_assert(displayChangeSuccessful ==   DISP_CHANGE_SUCCESSFUL);
static_assert(displayChangeRestart ==      DISP_CHANGE_RESTART);
static_assert(displayChangeFailed ==       DISP_CHANGE_FAILED);
static_assert(displayChangeBadMode ==      DISP_CHANGE_BADMODE);
static_assert(displayChangeNotUpdated ==   DISP_CHANGE_NOTUPDATED);
static_assert(displayChangeBadFlags ==     DISP_CHANGE_BADFLAGS);

namespace {

// A windowed program's standard streams go nowhere unless its starter
// redirected them; those that do are pointed at the starter's console, if it
// has one. Done only when there is something to print.
void borrowConsole() {
    static bool borrowed = false;
    if (borrowed) return;
    borrowed = true;
    const bool outputGoesSomewhere = GetStdHandle(STD_OUTPUT_HANDLE) != nullptr;
    const bool errorGoesSomewhere = GetStdHandle(STD_ERROR_HANDLE) != nullptr;
    if ((outputGoesSomewhere && errorGoesSomewhere) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!outputGoesSomewhere) std::freopen("CONOUT$", "w", stdout);
    if (!errorGoesSomewhere) std::freopen("CONOUT$", "w", stderr);
}

WindowProc showProcedure = nullptr;
bool displayModeChanged = false;
// The desktop's mode as the switch found it (dmSize 0: unknown).
DEVMODEA desktopMode{};
bool mayChangeDisplayMode = true;  // a screensaver never changes it
// A box's longest word, in characters, as on Linux: a long path is cut so
// that the box fits a 640 x 480 screen.
constexpr std::size_t longestBoxWord = 50;

Window* toShow(HWND window) { return reinterpret_cast<Window*>(window); }
HWND toNative(Window* window) { return reinterpret_cast<HWND>(window); }
HDC toNative(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }

// The screensaver's window, if any: what the backend does for it before the
// show's procedure sees a message.
struct SaverWindow {
    HWND window = nullptr;
    bool creating = false;  // its first messages arrive before CreateWindowExA returns it
    WindowStyle style = WindowStyle::borderless;
    HWND host = nullptr;  // a preview's: the window it covers
    bool moved = false;   // the first move message seen, at `firstMove`
    POINT firstMove{};
    bool closeAsked = false;
};
SaverWindow saver;

// A full-screen saver ends on a move of more than this many pixels from where
// the first move message found the pointer: that message comes when the
// window appears under it, and a nudged desk should not end the saver either.
constexpr int saverMoveSlack = 4;
// A preview looks this often (ms) whether its host is still there, and still
// of its size: a host in another process may go without a word to it.
constexpr UINT previewWatchPeriod = 250;
constexpr UINT_PTR previewWatchTimer = 1;

void askSaverToClose(HWND window) {
    if (saver.closeAsked) return;
    saver.closeAsked = true;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void sendClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

// A preview follows its host's client area, and goes with it.
void watchPreviewHost(HWND window) {
    RECT area, own;
    if (!IsWindow(saver.host)) {
        DestroyWindow(window);
        return;
    }
    GetClientRect(saver.host, &area);
    GetClientRect(window, &own);
    if (area.right != own.right || area.bottom != own.bottom)
        MoveWindow(window, 0, 0, area.right, area.bottom, TRUE);
}

// Handles what a saver's window does on its own; false passes the message on
// to the show's procedure.
bool saverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (message == WM_NCDESTROY) {
        saver = {};
        return false;
    }
    if (saver.style == WindowStyle::saverPreview) {
        if (message == WM_TIMER && wParam == previewWatchTimer) {
            watchPreviewHost(window);
            return true;
        }
        // The pointer keeps its arrow over the desktop's settings; the show's
        // class has no cursor of its own.
        if (message == WM_SETCURSOR) {
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            result = TRUE;
            return true;
        }
        // The host's owner (the settings of the desktop) has the user's input.
        if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
            (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)) {
            result = DefWindowProcA(window, message, wParam, lParam);
            return true;
        }
        return false;
    }
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(nullptr);
            result = TRUE;
            return true;
        case WM_MOUSEMOVE: {
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (!saver.moved) {
                saver.moved = true;
                saver.firstMove = at;
            } else if (std::abs(at.x - saver.firstMove.x) > saverMoveSlack ||
                       std::abs(at.y - saver.firstMove.y) > saverMoveSlack) {
                askSaverToClose(window);
            }
            return true;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            askSaverToClose(window);
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) askSaverToClose(window);
            return false;
        case WM_ACTIVATEAPP:
            if (wParam == FALSE) askSaverToClose(window);
            return false;
        case WM_SYSCOMMAND:
            // Windows would start the screensaver again over this one.
            if ((wParam & 0xFFF0) == SC_SCREENSAVE) return true;
            return false;
        default:
            return false;
    }
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (saver.creating && saver.window == nullptr) saver.window = window;
    if (window == saver.window) {
        LRESULT result;
        if (saverMessage(window, message, wParam, lParam, result)) return result;
    }
    return showProcedure(toShow(window), message, wParam, static_cast<std::intptr_t>(lParam));
}

std::wstring utf16(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    return wide;
}

PIXELFORMATDESCRIPTOR descriptorOf(const PixelFormat& format) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = format.flags;
    pfd.iPixelType = format.rgba ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
    pfd.cColorBits = static_cast<BYTE>(format.colorBits);
    pfd.cRedBits = static_cast<BYTE>(format.redBits);
    pfd.cRedShift = static_cast<BYTE>(format.redShift);
    pfd.cGreenBits = static_cast<BYTE>(format.greenBits);
    pfd.cGreenShift = static_cast<BYTE>(format.greenShift);
    pfd.cBlueBits = static_cast<BYTE>(format.blueBits);
    pfd.cBlueShift = static_cast<BYTE>(format.blueShift);
    pfd.cAlphaBits = static_cast<BYTE>(format.alphaBits);
    pfd.cDepthBits = static_cast<BYTE>(format.depthBits);
    pfd.cStencilBits = static_cast<BYTE>(format.stencilBits);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

}  // namespace

bool start(std::string&, bool switchesDisplay) {
    mayChangeDisplayMode = switchesDisplay;
    // The window and the screen mode are counted in real pixels, so that a
    // 640 x 480 window covers a 640 x 480 screen whatever the desktop's scaling.
    SetProcessDPIAware();
    return true;
}

void stop() {
    restoreDisplayMode();
    // The music stops before the process ends: Wine's player crashes the
    // exit while it still plays.
    mciSendStringA("close all", nullptr, 0, nullptr);
}

bool registerWindowClass(const char* className, WindowProc procedure) {
    if (procedure == nullptr || showProcedure != nullptr) return false;
    WNDCLASSA windowClass{};
    // OpenGL draws through one device context for the whole run: the window
    // keeps its own instead of borrowing one from the shared cache.
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) == 0) return false;
    showProcedure = procedure;
    return true;
}

void messageBox(const char* text, const char* caption, BoxIcon icon) {
    // Nobody is at a screensaver to close a box: it would wait there for the
    // user's return.
    if (saver.window != nullptr || saver.creating) return;
    const UINT iconStyle = icon == BoxIcon::warning ? MB_ICONWARNING
                           : icon == BoxIcon::error ? MB_ICONERROR
                                                    : MB_ICONINFORMATION;
    // A waiting quit request would close the box at once; it is held back
    // while the box is up and posted again afterwards.
    MSG quit;
    const bool quitWaiting = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    // The show's texts are UTF-8 ("CÓDIGO"); the wide call shows them as such
    // whatever the system's code page.
    MessageBoxW(nullptr, utf16(fitBoxText(text, longestBoxWord).c_str()).c_str(),
                utf16(caption).c_str(), MB_OK | iconStyle);
    if (quitWaiting) PostQuitMessage(static_cast<int>(quit.wParam));
}

void printText(const char* text) {
    borrowConsole();
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void reportBadCommandLine(const char* text, const char* caption) {
    borrowConsole();
    std::fputs(text, stderr);
    std::fflush(stderr);
    messageBox(text, caption, BoxIcon::error);
}

Window* createWindow(const char* className, const char* title, int x, int y, int width,
                     int height, WindowStyle style, std::uintptr_t host) {
    // Made hidden: start-up shows it once the show is ready.
    DWORD look = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD extendedLook = 0;
    HWND parent = nullptr;
    switch (style) {
        case WindowStyle::borderless:
            break;
        case WindowStyle::decorated: {
            // The picture, not the frame, is width x height; Windows places it.
            look = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
            RECT frame{0, 0, width, height};
            AdjustWindowRect(&frame, look, FALSE);
            x = y = CW_USEDEFAULT;
            width = frame.right - frame.left;
            height = frame.bottom - frame.top;
            break;
        }
        case WindowStyle::saver:
            // Only xscreensaver hands a saver a window of its own to draw into.
            if (host != 0) return nullptr;
            // Over every monitor and the task bar, and not on the task bar itself.
            extendedLook = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
            x = GetSystemMetrics(SM_XVIRTUALSCREEN);
            y = GetSystemMetrics(SM_YVIRTUALSCREEN);
            width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
            height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
            break;
        case WindowStyle::saverPreview: {
            parent = reinterpret_cast<HWND>(host);
            RECT area;
            if (!IsWindow(parent) || !GetClientRect(parent, &area)) return nullptr;
            look = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
            x = y = 0;
            width = area.right;
            height = area.bottom;
            break;
        }
    }
    const bool forSaver = style == WindowStyle::saver || style == WindowStyle::saverPreview;
    if (forSaver) {
        saver = {};
        saver.creating = true;
        saver.style = style;
        saver.host = parent;
    }
    const HWND made = CreateWindowExA(extendedLook, className, title, look, x, y, width, height, parent,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
    saver.creating = false;
    if (made == nullptr) {
        if (forSaver) saver = {};
        return nullptr;
    }
    if (forSaver) {
        sendClientSize(made);
        if (style == WindowStyle::saverPreview) SetTimer(made, previewWatchTimer, previewWatchPeriod, nullptr);
    }
    return toShow(made);
}

void destroyWindow(Window* window) { DestroyWindow(toNative(window)); }

std::intptr_t defWindowProc(Window* window, unsigned message, std::uintptr_t wParam,
                            std::intptr_t lParam) {
    // Alt+F4 and the other system keys take Windows' own way from here.
    return DefWindowProcA(toNative(window), message, wParam, lParam);
}

void showWindow(Window* window) {
    // A preview leaves the activation where it is: with the desktop's settings.
    const bool preview = toNative(window) == saver.window && saver.style == WindowStyle::saverPreview;
    ShowWindow(toNative(window), preview ? SW_SHOWNA : SW_SHOW);
}

void invalidateWindow(Window* window) { InvalidateRect(toNative(window), nullptr, FALSE); }

bool peekMessage(MessageRecord& message) {
    MSG native;
    if (!PeekMessageA(&native, nullptr, 0, 0, PM_REMOVE)) return false;
    TranslateMessage(&native);
    message = {toShow(native.hwnd), native.message, native.wParam,
               static_cast<std::intptr_t>(native.lParam)};
    return true;
}

std::intptr_t dispatchMessage(const MessageRecord& message) {
    MSG native{};
    native.hwnd = toNative(message.window);
    native.message = message.message;
    native.wParam = message.wParam;
    native.lParam = message.lParam;
    native.time = static_cast<DWORD>(GetMessageTime());
    const DWORD position = GetMessagePos();
    native.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return DispatchMessageA(&native);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

void showCursor(bool show) { ShowCursor(show ? TRUE : FALSE); }
void setCursorImage(bool visible) { SetCursor(visible ? LoadCursor(nullptr, IDC_ARROW) : nullptr); }

DeviceContext* getDC(Window* window) {
    return reinterpret_cast<DeviceContext*>(GetDC(toNative(window)));
}
void releaseDC(Window* window, DeviceContext* dc) { ReleaseDC(toNative(window), toNative(dc)); }

int choosePixelFormat(DeviceContext* dc, const PixelFormat& request) {
    const PIXELFORMATDESCRIPTOR pfd = descriptorOf(request);
    return ChoosePixelFormat(toNative(dc), &pfd);
}

bool setPixelFormat(DeviceContext* dc, int index, const PixelFormat& request) {
    const PIXELFORMATDESCRIPTOR pfd = descriptorOf(request);
    return SetPixelFormat(toNative(dc), index, &pfd) != FALSE;
}

PixelFormat describePixelFormat(DeviceContext* dc) {
    PIXELFORMATDESCRIPTOR pfd{};
    const HDC native = toNative(dc);
    if (DescribePixelFormat(native, GetPixelFormat(native), sizeof pfd, &pfd) == 0) return {};
    PixelFormat format;
    format.flags = pfd.dwFlags;
    format.rgba = pfd.iPixelType == PFD_TYPE_RGBA;
    format.colorBits = pfd.cColorBits;
    format.redBits = pfd.cRedBits;
    format.redShift = pfd.cRedShift;
    format.greenBits = pfd.cGreenBits;
    format.greenShift = pfd.cGreenShift;
    format.blueBits = pfd.cBlueBits;
    format.blueShift = pfd.cBlueShift;
    format.alphaBits = pfd.cAlphaBits;
    format.depthBits = pfd.cDepthBits;
    format.stencilBits = pfd.cStencilBits;
    return format;
}

Palette* createPalette(const std::vector<PaletteEntry>& entries) {
    // LOGPALETTE ends in a one-entry array that really holds them all.
    std::vector<unsigned char> storage(offsetof(LOGPALETTE, palPalEntry) +
                                       sizeof(PALETTEENTRY) * (entries.empty() ? 1 : entries.size()));
    auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        logical->palPalEntry[i] = {entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
    return reinterpret_cast<Palette*>(CreatePalette(logical));
}

void deletePalette(Palette* palette) { DeleteObject(reinterpret_cast<HPALETTE>(palette)); }
void selectPalette(DeviceContext* dc, Palette* palette) {
    SelectPalette(toNative(dc), reinterpret_cast<HPALETTE>(palette), FALSE);
}
int realizePalette(DeviceContext* dc) {
    const UINT mapped = RealizePalette(toNative(dc));
    return mapped == GDI_ERROR ? 0 : static_cast<int>(mapped);
}
void updateColors(DeviceContext* dc) { UpdateColors(toNative(dc)); }

GLContext* createGLContext(DeviceContext* dc) {
    return reinterpret_cast<GLContext*>(wglCreateContext(toNative(dc)));
}
bool makeGLContextCurrent(DeviceContext* dc, GLContext* context) {
    return wglMakeCurrent(toNative(dc), reinterpret_cast<HGLRC>(context)) != FALSE;
}
void deleteGLContext(GLContext* context) { wglDeleteContext(reinterpret_cast<HGLRC>(context)); }
void swapBuffers(DeviceContext* dc) { SwapBuffers(toNative(dc)); }

int desktopBitsPerPixel() {
    const HWND desktop = GetDesktopWindow();
    const HDC dc = GetDC(desktop);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(desktop, dc);
    return bits;
}

int changeDisplayMode(int width, int height, int bitsPerPixel) {
    if (!mayChangeDisplayMode) return displayChangeFailed;
    DEVMODEA mode{};
    // The record as it ends before the panning fields (148 bytes): the
    // classic size, which every Windows accepts.
    mode.dmSize = offsetof(DEVMODEA, dmPanningWidth);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    desktopMode = DEVMODEA{};
    desktopMode.dmSize = sizeof desktopMode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktopMode)) desktopMode.dmSize = 0;
    // A full-screen mode is the show's while it runs: should the show be
    // killed (Task Manager), Windows itself puts the desktop's mode back.
    const LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    if (result == DISP_CHANGE_SUCCESSFUL) displayModeChanged = true;
    return static_cast<int>(result);
}

void restoreDisplayMode() {
    if (!displayModeChanged) return;
    displayModeChanged = false;
    // Puts back the mode kept in the registry. Wine keeps there the mode its
    // desktop process found when it started, which under load can be after
    // the switch: then the mode the switch found is set again by hand.
    ChangeDisplaySettingsA(nullptr, 0);
    DEVMODEA now{};
    now.dmSize = sizeof now;
    if (desktopMode.dmSize == 0 || !EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &now)) return;
    if (now.dmPelsWidth != desktopMode.dmPelsWidth || now.dmPelsHeight != desktopMode.dmPelsHeight ||
        now.dmBitsPerPel != desktopMode.dmBitsPerPel)
        ChangeDisplaySettingsA(&desktopMode, 0);
}

unsigned short asyncKeyState(unsigned virtualKey) {
    return static_cast<unsigned short>(GetAsyncKeyState(static_cast<int>(virtualKey)));
}

std::string installedDataFolder() {
    // Unpacked from its zip, the show keeps its files beside the program.
    std::vector<char> path(32768);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string program(path.data(), length);
    return program.substr(0, program.find_last_of("\\/") + 1) + "stuff";
}

namespace {

constexpr const char* usersSettingsKey = "Software\\Kelvora";
std::string settingsKey = usersSettingsKey;

// The settings dialog, built in memory in dialog units: no resource file.
constexpr WORD musicBox = 100, frameRateField = 101;
constexpr WORD buttonClass = 0x0080, editClass = 0x0081, staticClass = 0x0082;
// The frame-rate caps the dialog accepts, as the saver reads them; 0 lifts
// the cap.
constexpr UINT fastestCap = 1000;
constexpr int capDigits = 4;
constexpr const wchar_t* capRangeText = L"Frames per second: a whole number from 0 to 1000.";

class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, short width, short height) {
        dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        dword(0);                        // extended style
        words.push_back(0);              // item count, counted in add()
        for (short value : {short(0), short(0), width, height}) words.push_back(static_cast<WORD>(value));
        words.push_back(0);              // no menu
        words.push_back(0);              // the dialog class
        text(title);
        words.push_back(8);              // point size
        text(L"MS Shell Dlg");
    }
    void add(DWORD style, short x, short y, short width, short height, WORD id, WORD atom,
             const wchar_t* caption) {
        while (words.size() % 2 != 0) words.push_back(0);  // items start on a DWORD
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (short value : {x, y, width, height}) words.push_back(static_cast<WORD>(value));
        words.push_back(id);
        words.push_back(0xFFFF);         // a predefined class, by atom
        words.push_back(atom);
        text(caption);
        words.push_back(0);              // no creation data
        ++words[itemCountAt];
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words.data()); }

private:
    static constexpr std::size_t itemCountAt = 4;  // after the two DWORD styles
    std::vector<WORD> words;
    void dword(DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    }
    void text(const wchar_t* value) {
        for (; *value != 0; ++value) words.push_back(static_cast<WORD>(*value));
        words.push_back(0);
    }
};

struct SaverSettings {
    bool music;
    int framesPerSecond;
};

INT_PTR CALLBACK settingsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* settings = reinterpret_cast<SaverSettings*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        settings = reinterpret_cast<SaverSettings*>(lParam);
        CheckDlgButton(dialog, musicBox, settings->music ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemInt(dialog, frameRateField, static_cast<UINT>(settings->framesPerSecond), FALSE);
        SendDlgItemMessageA(dialog, frameRateField, EM_LIMITTEXT, capDigits, 0);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (LOWORD(wParam) != IDOK) return FALSE;
    BOOL isNumber = FALSE;
    const UINT cap = GetDlgItemInt(dialog, frameRateField, &isNumber, FALSE);
    if (!isNumber || cap > fastestCap) {
        MessageBoxW(dialog, capRangeText, L"Kelvora", MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, frameRateField));
        SendDlgItemMessageA(dialog, frameRateField, EM_SETSEL, 0, -1);
        return TRUE;
    }
    settings->music = IsDlgButtonChecked(dialog, musicBox) == BST_CHECKED;
    settings->framesPerSecond = static_cast<int>(cap);
    EndDialog(dialog, IDOK);
    return TRUE;
}

}  // namespace

std::optional<int> readSetting(const char* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, settingsKey.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return static_cast<int>(value);
}

bool writeSetting(const char* name, int value) {
    const DWORD data = static_cast<DWORD>(value);
    return RegSetKeyValueA(HKEY_CURRENT_USER, settingsKey.c_str(), name, REG_DWORD, &data, sizeof data) ==
           ERROR_SUCCESS;
}

namespace win32 {
void useSettingsKey(std::string key) { settingsKey = std::move(key); }
}  // namespace win32

bool saverSettingsDialog(std::uintptr_t owner, bool& music, int& framesPerSecond) {
    DialogTemplate layout(L"Kelvora screensaver settings", 186, 96);
    layout.add(BS_AUTOCHECKBOX | WS_TABSTOP, 10, 10, 166, 12, musicBox, buttonClass, L"Play the &music");
    layout.add(SS_LEFT, 10, 32, 110, 10, 0xFFFF, staticClass, L"&Frames per second, at most:");
    layout.add(ES_NUMBER | ES_RIGHT | WS_BORDER | WS_TABSTOP, 126, 30, 30, 13, frameRateField, editClass,
               L"");
    layout.add(SS_LEFT, 10, 48, 166, 18, 0xFFFF, staticClass,
               L"The show moves at this pace: 60 suits most screens, 0 lifts the cap.");
    layout.add(BS_DEFPUSHBUTTON | WS_TABSTOP, 70, 74, 50, 14, IDOK, buttonClass, L"OK");
    layout.add(BS_PUSHBUTTON | WS_TABSTOP, 126, 74, 50, 14, IDCANCEL, buttonClass, L"Cancel");
    SaverSettings settings{music, framesPerSecond};
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), layout.get(),
                                                   reinterpret_cast<HWND>(owner), settingsProcedure,
                                                   reinterpret_cast<LPARAM>(&settings));
    if (answer != IDOK) return false;
    music = settings.music;
    framesPerSecond = settings.framesPerSecond;
    return true;
}

void sleepMilliseconds(unsigned milliseconds) {
    // Windows' timer ticks every 15.6 ms unless asked for finer: a 60 Hz cap
    // would run at 32.
    timeBeginPeriod(1);
    // A full-screen saver's wait ends at the first key, click or move, which
    // end the saver: at a cap of one frame a second it would otherwise stay a
    // second. A preview ignores input: its frames keep their pace.
    if (saver.window != nullptr && saver.style == WindowStyle::saver)
        MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_INPUT, MWMO_INPUTAVAILABLE);
    else
        Sleep(milliseconds);
    timeEndPeriod(1);
}

}  // namespace platform
