// The screensaver's command line in xscreensaver's and Windows' conventions.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "app/saver_command_line.h"

namespace {

// "run 0x10 delay 20000 music 1 fps", or "reject: <error>".
std::string described(const SaverCommand& command) {
    const char* actions[] = {"run", "preview", "settings", "nothing", "help", "reject"};
    std::string text = actions[static_cast<int>(command.action)];
    if (command.action == SaverAction::reject) return text + ": " + command.error;
    char hex[32] = {};
    std::to_chars(hex, hex + sizeof hex - 1, command.window, 16);
    text += command.window ? std::string(" 0x") + hex : " 0";
    if (command.frameMicroseconds) text += " delay " + std::to_string(*command.frameMicroseconds);
    if (command.music) text += std::string(" music ") + (*command.music ? "1" : "0");
    return text + (command.showFrameRate ? " fps" : "");
}

struct Row {
    std::vector<const char*> arguments;
    const char* windowVariable;  // XSCREENSAVER_WINDOW, null: unset
    const char* expected;        // for a rejection, the start of its error suffices
};

const Row rows[] = {
    // xscreensaver: the window comes from the environment.
    {{"--root"}, "0x2a00007", "run 0x2a00007"},
    {{"-root"}, "46137351", "run 0x2c00007"},
    {{}, "0x2a00007", "run 0x2a00007"},
    {{"--root", "--delay", "20000", "--fps"}, "0x10", "run 0x10 delay 20000 fps"},
    {{"--root", "--delay=0", "--music"}, "0x10", "run 0x10 delay 0 music 1"},
    {{"-root", "-no-music", "-fps", "-no-fps"}, "0x10", "run 0x10 music 0"},
    // The settings' preview names its pane, which wins over the environment.
    {{"--root", "--window-id", "0x3c00011"}, "0x2a00007", "preview 0x3c00011"},
    {{"--window-id=62914577"}, nullptr, "preview 0x3c00011"},
    // Windows.
    {{}, nullptr, "settings 0"},
    {{"-S"}, nullptr, "run 0"},
    {{"/p", "65626"}, nullptr, "preview 0x1005a"},
    {{"/P:65626"}, nullptr, "preview 0x1005a"},
    {{"/c"}, nullptr, "settings 0"},
    {{"-C:1234"}, nullptr, "settings 0x4d2"},
    {{"/a"}, nullptr, "nothing 0"},
    {{"/?"}, nullptr, "help 0"},
    {{"--help"}, "0x10", "help 0"},
    // Options alone ask for the show, in a window of its own where there is one.
    {{"--fps"}, nullptr, "run 0 fps"},
    // Mistakes, each named.
    {{"--root"}, nullptr, "reject: --root: no window in XSCREENSAVER_WINDOW"},
    {{"--root"}, "banana", "reject: invalid window 'banana' in XSCREENSAVER_WINDOW"},
    {{"--window-id", "0x"}, nullptr, "reject: invalid window '0x' for --window-id"},
    {{"--window-id"}, nullptr, "reject: option '--window-id' requires an argument"},
    {{"/p"}, nullptr, "reject: option '/p' requires a window"},
    {{"/p:12x"}, nullptr, "reject: invalid window '12x' for /p"},
    {{"/s:5"}, nullptr, "reject: option '/s:5' takes no value"},
    {{"--delay", "-5"}, "0x10", "reject: invalid delay '-5'"},
    {{"--delay", "10000001"}, "0x10", "reject: invalid delay '10000001'"},
    {{"--fps=1"}, "0x10", "reject: option '--fps' doesn't allow an argument"},
    {{"--seed", "3"}, nullptr, "reject: unrecognized option '--seed'"},
    {{"/x"}, nullptr, "reject: unexpected argument '/x'"},
    {{"/a", "picture.jpg"}, nullptr, "reject: unexpected argument 'picture.jpg'"},
};

}  // namespace

TEST(SaverCommandLine, BothConventionsGiveTheActionWindowAndSettingsAsked) {
    for (const Row& row : rows) {
        std::vector<const char*> argv{"kelvora-saver"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        std::string call = row.windowVariable ? std::string("XSCREENSAVER_WINDOW=") + row.windowVariable : "";
        for (const char* argument : argv) call += std::string(" ") + argument;
        const std::string got =
            described(parseSaverCommandLine(static_cast<int>(argv.size()), argv.data(), row.windowVariable));
        const bool rejected = got.rfind("reject", 0) == 0;
        EXPECT_EQ(row.expected, rejected ? got.substr(0, std::string(row.expected).size()) : got)
            << call << "\n  gave: " << got;
    }
}
