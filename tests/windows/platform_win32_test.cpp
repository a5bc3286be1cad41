// The Win32 backend on Windows' own user32 and gdi32 (Wine's, in scripts/test):
// what the shell relies on beyond the fake's script.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

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
