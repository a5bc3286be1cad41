// The window system on Windows: Win32, GDI and WGL, called directly. The
// show's handles are Windows' own handles, and its message numbers and key
// codes are Windows' own numbers, so nothing is translated on the way.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/box_text.h"
#include "platform/platform.h"

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
// A box's longest word, in characters, as on Linux: a long path is cut so
// that the box fits a 640 x 480 screen.
constexpr std::size_t longestBoxWord = 50;

Window* toShow(HWND window) { return reinterpret_cast<Window*>(window); }
HWND toNative(Window* window) { return reinterpret_cast<HWND>(window); }
HDC toNative(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

bool start(std::string&, bool) {
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
                     int height, WindowStyle style, std::uintptr_t) {
    // Placeholder until the screensaver's windows exist here: none is made.
    if (style == WindowStyle::saver || style == WindowStyle::saverPreview) return nullptr;
    // Made hidden: start-up shows it once the show is ready.
    DWORD look = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (style == WindowStyle::decorated) {
        // The picture, not the frame, is width x height; Windows places it.
        look = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        RECT frame{0, 0, width, height};
        AdjustWindowRect(&frame, look, FALSE);
        x = y = CW_USEDEFAULT;
        width = frame.right - frame.left;
        height = frame.bottom - frame.top;
    }
    return toShow(CreateWindowExA(0, className, title, look, x, y, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
}

void destroyWindow(Window* window) { DestroyWindow(toNative(window)); }

std::intptr_t defWindowProc(Window* window, unsigned message, std::uintptr_t wParam,
                            std::intptr_t lParam) {
    // Alt+F4 and the other system keys take Windows' own way from here.
    return DefWindowProcA(toNative(window), message, wParam, lParam);
}

void showWindow(Window* window) { ShowWindow(toNative(window), SW_SHOW); }

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
    DEVMODEA mode{};
    // The record as it ends before the panning fields (148 bytes): the
    // classic size, which every Windows accepts.
    mode.dmSize = offsetof(DEVMODEA, dmPanningWidth);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    // A full-screen mode is the show's while it runs: should the show be
    // killed (Task Manager), Windows itself puts the desktop's mode back.
    const LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    if (result == DISP_CHANGE_SUCCESSFUL) displayModeChanged = true;
    return static_cast<int>(result);
}

void restoreDisplayMode() {
    if (!displayModeChanged) return;
    ChangeDisplaySettingsA(nullptr, 0);
    displayModeChanged = false;
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

// Placeholders until the screensaver's settings live in the registry here.
std::optional<int> readSetting(const char*) { return std::nullopt; }
bool writeSetting(const char*, int) { return false; }
bool saverSettingsDialog(std::uintptr_t, bool&, int&) { return false; }

void sleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace platform
