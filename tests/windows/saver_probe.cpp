// What the Wine tests of the screensaver cannot see from X: a window for a
// preview to cover, the cursor, a box's text.
//   saver_probe host WIDTH HEIGHT  a window of that client size; prints its
//       handle, then the size of the child another program puts in it, and
//       destroys itself when a line (or the end) comes on standard input
//   saver_probe cursor             "shown" or "hidden": the desktop's cursor
//   saver_probe box CAPTION        the texts in the box or dialog so captioned,
//                                  "[x]" after a ticked box; cancels it
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr int waitLimit = 200;  // tenths of a second

int host(int width, int height) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "KelvoraProbeHost";
    RegisterClassA(&windowClass);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const HWND window = CreateWindowA("KelvoraProbeHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      100, 100, frame.right - frame.left, frame.bottom - frame.top,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
    std::printf("host %llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    std::fflush(stdout);
    // The window answers its messages while standard input is awaited.
    const DWORD mainThread = GetCurrentThreadId();
    std::thread([mainThread] {
        char line[16];
        (void)std::fgets(line, sizeof line, stdin);
        PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
    }).detach();
    HWND child = nullptr;
    MSG message;
    bool quit = false;
    for (int i = 0; i < waitLimit && child == nullptr && !quit; ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message == WM_QUIT) quit = true;
            else DispatchMessageA(&message);
        child = GetWindow(window, GW_CHILD);
    }
    RECT area{};
    GetClientRect(child, &area);
    std::printf(child != nullptr ? "child %ldx%ld\n" : "no child\n", area.right, area.bottom);
    std::fflush(stdout);
    while (!quit && GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    DestroyWindow(window);
    std::printf("destroyed\n");
    return 0;
}

int cursor() {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info)) return 1;
    std::printf("%s\n", (info.flags & CURSOR_SHOWING) != 0 && info.hCursor != nullptr ? "shown" : "hidden");
    return 0;
}

int box(const char* caption) {
    HWND window = nullptr;
    for (int i = 0; i < waitLimit && window == nullptr; ++i, Sleep(100)) window = FindWindowA(nullptr, caption);
    if (window == nullptr) return 1;
    std::string text;
    EnumChildWindows(window, [](HWND child, LPARAM collected) {
        char buffer[1024] = {};
        // Asked of the window itself: GetWindowText leaves another program's
        // edit fields empty.
        SendMessageA(child, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
        const bool ticked = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
        *reinterpret_cast<std::string*>(collected) += std::string(buffer) + (ticked ? " [x]\n" : "\n");
        return TRUE;
    }, reinterpret_cast<LPARAM>(&text));
    std::fputs(text.c_str(), stdout);
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "host" && argc == 4) return host(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "cursor") return cursor();
    if (command == "box" && argc == 3) return box(argv[2]);
    std::fputs("usage: saver_probe host WIDTH HEIGHT | cursor | box CAPTION\n", stderr);
    return 2;
}
