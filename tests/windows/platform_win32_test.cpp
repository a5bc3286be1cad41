// The Win32 backend on Windows' own user32 and gdi32 (Wine's, in scripts/test):
// what the shell relies on beyond the fake's script.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/windows/platform_win32.h"

namespace {

std::vector<platform::MessageRecord> received;

// Answered with a value wider than 32 bits where pointers are 64 bits wide,
// as handles come back from a window procedure.
constexpr unsigned wideAnswerMessage = WM_USER + 7;
const std::intptr_t wideAnswer = static_cast<std::intptr_t>(~std::uintptr_t{0} / 3);

std::intptr_t recordingProcedure(platform::Window* window, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    received.push_back({window, message, wParam, lParam});
    if (message == wideAnswerMessage) return wideAnswer;
    return platform::defWindowProc(window, message, wParam, lParam);
}

bool wasReceived(unsigned message, std::uintptr_t wParam = 0) {
    for (const auto& m : received)
        if (m.message == message && (wParam == 0 || m.wParam == wParam)) return true;
    return false;
}

void pumpMessages() {
    platform::MessageRecord message;
    for (int i = 0; i < 1000 && platform::peekMessage(message); ++i) platform::dispatchMessage(message);
}

}  // namespace

TEST(Win32Backend, KeysAndAltF4ReachTheProcedureAsWindowsOwnMessages) {
    ASSERT_TRUE(platform::registerWindowClass("KelvoraTest", recordingProcedure));
    EXPECT_FALSE(platform::registerWindowClass("KelvoraTest", recordingProcedure)) << "registered twice";
    platform::Window* window = platform::createWindow("KelvoraTest", "test", 0, 0, 64, 48);
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(wasReceived(platform::msgCreate));
    platform::showWindow(window);
    const HWND native = reinterpret_cast<HWND>(window);

    const LRESULT answer = SendMessageA(native, wideAnswerMessage, 0, 0);
    EXPECT_EQ(wideAnswer, answer) << "the procedure's answer cut on its way back to Windows";
    EXPECT_EQ(wideAnswer, platform::dispatchMessage({window, wideAnswerMessage, 0, 0}))
        << "the answer cut on its way out of dispatchMessage";

    PostMessageA(native, WM_KEYDOWN, VK_F1, 0);
    pumpMessages();
    EXPECT_TRUE(wasReceived(platform::msgKeyDown, platform::vkF1));

    // Alt held: bit 29 of lParam. The default procedure closes the window.
    PostMessageA(native, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    pumpMessages();
    EXPECT_TRUE(wasReceived(platform::msgSysKeyDown, platform::vkF4));
    EXPECT_TRUE(wasReceived(platform::msgClose)) << "Alt+F4 asked for no close";
    EXPECT_TRUE(wasReceived(platform::msgDestroy)) << "the close destroyed nothing";
    EXPECT_FALSE(IsWindow(native));
}

// A quit request would end a box at once; the backend keeps it for afterwards.
// The box shows the show's UTF-8 text as such.
TEST(Win32Backend, ABoxStaysUpDespiteAWaitingQuitRequestAndShowsUtf8) {
    const char* caption = "Kelvora test box";
    std::atomic<bool> seen{false};
    std::wstring shown;
    std::thread closer([&] {
        for (int i = 0; i < 100; ++i) {
            if (HWND box = FindWindowA(nullptr, caption)) {
                Sleep(300);  // a box that a quit request ends is gone by then
                seen = IsWindow(box) && IsWindowVisible(box);
                EnumChildWindows(box, [](HWND child, LPARAM text) {
                    wchar_t buffer[256] = {};
                    GetWindowTextW(child, buffer, 256);
                    *reinterpret_cast<std::wstring*>(text) += buffer;
                    return TRUE;
                }, reinterpret_cast<LPARAM>(&shown));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(100);
        }
    });
    platform::postQuitMessage(7);
    platform::messageBox("C\u00d3DIGO", caption, platform::BoxIcon::information);
    closer.join();
    EXPECT_TRUE(seen) << "the box closed before the user could read it";
    EXPECT_NE(std::wstring::npos, shown.find(L"C\u00d3DIGO")) << "box text: " << shown.size() << " characters";
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was lost";
    EXPECT_EQ(7u, quit.wParam);
}

TEST(Win32Backend, APaletteHoldsTheEntriesItWasMadeWith) {
    std::vector<platform::PaletteEntry> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                      static_cast<std::uint8_t>(i / 2), 0};
    platform::Palette* palette = platform::createPalette(entries);
    ASSERT_NE(nullptr, palette);
    PALETTEENTRY held[256];
    ASSERT_EQ(256u, GetPaletteEntries(reinterpret_cast<HPALETTE>(palette), 0, 256, held));
    for (int i : {0, 1, 127, 255})
        EXPECT_EQ(entries[i].red * 65536 + entries[i].green * 256 + entries[i].blue,
                  held[i].peRed * 65536 + held[i].peGreen * 256 + held[i].peBlue)
            << "entry " << i;
    platform::deletePalette(palette);
}

namespace {

// The saver tests' windows, of the class whichever test comes first registers.
platform::Window* makeWindow(platform::WindowStyle style, std::uintptr_t host = 0) {
    platform::registerWindowClass("KelvoraTest", recordingProcedure);
    received.clear();
    return platform::createWindow("KelvoraTest", "saver", 0, 0, 64, 48, style, host);
}

bool sizeReceived(const RECT& area) {
    for (const auto& m : received)
        if (m.message == platform::msgSize && m.lParam == MAKELPARAM(area.right, area.bottom)) return true;
    return false;
}

}  // namespace

// A full-screen saver covers every monitor, above all else, without a cursor,
// and tells the show its size. What ends it: each row comes after a first move
// message at (100, 100), which only says where the pointer was.
TEST(Win32Backend, AFullScreenSaverCoversTheDesktopAndAsksToCloseOnInputButNotOnANudge) {
    struct Row {
        const char* input;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool closes;
    } const rows[] = {
        {"a key", WM_KEYDOWN, 'A', 0, true},
        {"Alt", WM_SYSKEYDOWN, VK_MENU, 1 << 29, true},
        {"a click", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100), true},
        {"a right click", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100), true},
        {"a 20-px move", WM_MOUSEMOVE, 0, MAKELPARAM(120, 100), true},
        {"a 2-px nudge", WM_MOUSEMOVE, 0, MAKELPARAM(102, 98), false},
        {"another program activated", WM_ACTIVATEAPP, FALSE, 0, true},
    };
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT desktop{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    for (const Row& row : rows) {
        const HWND native = reinterpret_cast<HWND>(makeWindow(platform::WindowStyle::saver));
        ASSERT_NE(nullptr, native) << row.input;
        RECT area;
        GetWindowRect(native, &area);
        EXPECT_TRUE(EqualRect(&area, &desktop)) << "window " << area.right - area.left << "x"
                                                 << area.bottom - area.top << ", desktop " << desktop.right;
        EXPECT_TRUE(sizeReceived({0, 0, desktop.right - left, desktop.bottom - top})) << "no size message";
        EXPECT_NE(0, GetWindowLongA(native, GWL_EXSTYLE) & WS_EX_TOPMOST) << "not above other windows";
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SendMessageA(native, WM_SETCURSOR, reinterpret_cast<WPARAM>(native), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(nullptr, GetCursor()) << "the pointer keeps a cursor over the saver";
        PostMessageA(native, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
        pumpMessages();
        EXPECT_FALSE(wasReceived(platform::msgClose)) << "the first move message closed it";
        PostMessageA(native, row.message, row.wParam, row.lParam);
        pumpMessages();
        EXPECT_EQ(row.closes, wasReceived(platform::msgClose)) << "after " << row.input;
        EXPECT_FALSE(wasReceived(platform::msgKeyDown)) << row.input << " reached the show as a key";
        if (IsWindow(native)) DestroyWindow(native);
    }
}

// A preview is its host's child at the host's client size, follows it, takes
// no input and goes with it; without a host there is no preview.
TEST(Win32Backend, APreviewCoversItsHostFollowsItTakesNoInputAndGoesWithIt) {
    EXPECT_EQ(nullptr, makeWindow(platform::WindowStyle::saver, 12345)) << "a saver in a host on Windows";
    EXPECT_EQ(nullptr, makeWindow(platform::WindowStyle::saverPreview, 12345)) << "a preview of no window";
    EXPECT_FALSE(wasReceived(platform::msgCreate));
    const HWND host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 150,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const HWND native = reinterpret_cast<HWND>(
        makeWindow(platform::WindowStyle::saverPreview, reinterpret_cast<std::uintptr_t>(host)));
    ASSERT_NE(nullptr, native);
    platform::showWindow(reinterpret_cast<platform::Window*>(native));
    EXPECT_EQ(host, GetParent(native));
    auto expectCovered = [&](const char* when) {
        RECT hostArea, area;
        GetClientRect(host, &hostArea);
        GetClientRect(native, &area);
        EXPECT_TRUE(EqualRect(&area, &hostArea)) << when << ": preview " << area.right << "x" << area.bottom
                                                 << ", host " << hostArea.right << "x" << hostArea.bottom;
        EXPECT_TRUE(sizeReceived(hostArea)) << when << ": no size message";
    };
    expectCovered("at first");
    SetWindowPos(host, nullptr, 0, 0, 320, 240, SWP_NOZORDER | SWP_NOMOVE);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 600; Sleep(20)) pumpMessages();
    expectCovered("after the host's resize");
    const std::pair<UINT, LPARAM> inputs[] = {
        {WM_KEYDOWN, 0}, {WM_LBUTTONDOWN, 0}, {WM_MOUSEMOVE, MAKELPARAM(10, 10)}, {WM_MOUSEMOVE, MAKELPARAM(90, 90)}};
    for (const auto& [input, where] : inputs) PostMessageA(native, input, VK_ESCAPE, where);
    pumpMessages();
    EXPECT_FALSE(wasReceived(platform::msgKeyDown) || wasReceived(platform::msgClose)) << "input reached it";
    DestroyWindow(host);
    pumpMessages();
    EXPECT_TRUE(wasReceived(platform::msgDestroy)) << "the preview outlived its host";
    EXPECT_FALSE(IsWindow(native));
}

// The saver's settings are kept where Windows keeps a user's: DWORDs under
// a key of the user's; one never written reads as none. The test's own key,
// not the program's, lest it erase the settings of whoever runs it.
TEST(Win32Backend, SaverSettingsAreDwordsUnderTheUsersKey) {
    const std::string key = "Software\\Kelvora tests " + std::to_string(GetCurrentProcessId());
    platform::win32::useSettingsKey(key);
    EXPECT_FALSE(platform::readSetting("FramesPerSecond").has_value()) << "a setting read before any was written";
    ASSERT_TRUE(platform::writeSetting("FramesPerSecond", 30) && platform::writeSetting("Music", 1));
    EXPECT_EQ(30, platform::readSetting("FramesPerSecond").value_or(-1));
    EXPECT_EQ(1, platform::readSetting("Music").value_or(-1));
    DWORD stored = 0, size = sizeof stored, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "FramesPerSecond",
                                          RRF_RT_ANY, &type, &stored, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(30u, stored);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

// Nobody is at a screensaver to close a box: none is shown while its window
// exists; once it is gone, boxes are shown again.
TEST(Win32Backend, NoBoxIsShownWhileASaverWindowExists) {
    const char* caption = "Kelvora saver box";
    auto boxShown = [caption] {
        std::atomic<bool> seen{false};
        std::thread closer([&] {
            for (int i = 0; i < 15 && !seen; ++i, Sleep(100))
                if (HWND box = FindWindowA(nullptr, caption)) {
                    seen = true;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
        });
        platform::messageBox("missing file", caption, platform::BoxIcon::error);
        closer.join();
        return seen.load();
    };
    platform::Window* window = makeWindow(platform::WindowStyle::saver);
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(boxShown()) << "a box over the saver";
    platform::destroyWindow(window);
    EXPECT_TRUE(boxShown()) << "no box after the saver's window went";
}
