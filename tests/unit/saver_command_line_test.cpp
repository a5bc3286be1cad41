// The screensaver's command line in xscreensaver's and Windows' conventions.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/saver_command_line.h"

namespace {

struct Row {
    std::vector<const char*> arguments;
    const char* windowVariable;  // XSCREENSAVER_WINDOW, null: unset
    SaverAction action;
    std::uintptr_t window;
    std::optional<int> frameMicroseconds;
    std::optional<bool> music;
    bool showFrameRate;
    const char* errorPart;  // for reject
};

const char* actionName(SaverAction action) {
    switch (action) {
        case SaverAction::run: return "run";
        case SaverAction::preview: return "preview";
        case SaverAction::settings: return "settings";
        case SaverAction::nothing: return "nothing";
        case SaverAction::printHelp: return "printHelp";
        case SaverAction::reject: return "reject";
    }
    return "?";
}

constexpr auto run = SaverAction::run;
constexpr auto preview = SaverAction::preview;
constexpr auto settings = SaverAction::settings;
constexpr auto reject = SaverAction::reject;
const std::nullopt_t none = std::nullopt;

const Row rows[] = {
    // xscreensaver: the window comes from the environment.
    {{"--root"}, "0x2a00007", run, 0x2a00007, none, none, false, ""},
    {{"-root"}, "46137351", run, 46137351, none, none, false, ""},
    {{}, "0x2a00007", run, 0x2a00007, none, none, false, ""},
    {{"--root", "--delay", "20000", "--fps"}, "0x10", run, 0x10, 20000, none, true, ""},
    {{"--root", "--delay=0", "--music"}, "0x10", run, 0x10, 0, true, false, ""},
    {{"-root", "-no-music", "-fps", "-no-fps"}, "0x10", run, 0x10, none, false, false, ""},
    // The settings' preview names its pane, which wins over the environment.
    {{"--window-id", "0x3c00011"}, "0x2a00007", run, 0x3c00011, none, none, false, ""},
    {{"--window-id=62914577"}, nullptr, run, 62914577, none, none, false, ""},
    // Windows.
    {{}, nullptr, settings, 0, none, none, false, ""},
    {{"/s"}, nullptr, run, 0, none, none, false, ""},
    {{"-S"}, nullptr, run, 0, none, none, false, ""},
    {{"/p", "65626"}, nullptr, preview, 65626, none, none, false, ""},
    {{"/P:65626"}, nullptr, preview, 65626, none, none, false, ""},
    {{"/c"}, nullptr, settings, 0, none, none, false, ""},
    {{"/c:1234"}, nullptr, settings, 1234, none, none, false, ""},
    {{"-C:1234"}, nullptr, settings, 1234, none, none, false, ""},
    {{"/a"}, nullptr, SaverAction::nothing, 0, none, none, false, ""},
    {{"/a", "1234"}, nullptr, reject, 0, none, none, false, "unexpected argument '1234'"},
    {{"/?"}, nullptr, SaverAction::printHelp, 0, none, none, false, ""},
    {{"--help"}, "0x10", SaverAction::printHelp, 0, none, none, false, ""},
    // Options alone ask for the show, in a window of its own where there is one.
    {{"--fps"}, nullptr, run, 0, none, none, true, ""},
    // Mistakes, each named.
    {{"--root"}, nullptr, reject, 0, none, none, false, "no window in XSCREENSAVER_WINDOW"},
    {{"--root"}, "banana", reject, 0, none, none, false, "invalid window 'banana' in XSCREENSAVER_WINDOW"},
    {{"--window-id", "0x"}, nullptr, reject, 0, none, none, false, "invalid window '0x' for --window-id"},
    {{"--window-id"}, nullptr, reject, 0, none, none, false, "'--window-id' requires an argument"},
    {{"/p"}, nullptr, reject, 0, none, none, false, "'/p' requires a window"},
    {{"/p:12x"}, nullptr, reject, 0, none, none, false, "invalid window '12x' for /p"},
    {{"/s:5"}, nullptr, reject, 0, none, none, false, "'/s:5' takes no value"},
    {{"--delay", "-5"}, "0x10", reject, 0, none, none, false, "invalid delay '-5'"},
    {{"--delay", "10000001"}, "0x10", reject, 0, none, none, false, "invalid delay '10000001'"},
    {{"--fps=1"}, "0x10", reject, 0, none, none, false, "'--fps' doesn't allow an argument"},
    {{"--seed", "3"}, nullptr, reject, 0, none, none, false, "unrecognized option '--seed'"},
    {{"/x"}, nullptr, reject, 0, none, none, false, "unexpected argument '/x'"},
    {{"-x"}, nullptr, reject, 0, none, none, false, "unrecognized option '-x'"},
    {{"picture.jpg"}, nullptr, reject, 0, none, none, false, "unexpected argument 'picture.jpg'"},
};

template <typename T>
std::string shown(const std::optional<T>& value) {
    return value ? std::to_string(*value) : "none";
}

}  // namespace

TEST(SaverCommandLine, BothConventionsGiveTheActionWindowAndSettingsAsked) {
    for (const Row& row : rows) {
        std::vector<const char*> argv{"kelvora-saver"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        std::string call;
        for (const char* argument : argv) call += std::string(argument) + " ";
        call += row.windowVariable ? std::string("XSCREENSAVER_WINDOW=") + row.windowVariable : "";
        const SaverCommand got =
            parseSaverCommandLine(static_cast<int>(argv.size()), argv.data(), row.windowVariable);

        EXPECT_STREQ(actionName(row.action), actionName(got.action)) << call << ": " << got.error;
        if (row.action == SaverAction::reject) {
            EXPECT_NE(std::string::npos, got.error.find(row.errorPart))
                << call << ": error \"" << got.error << "\", expected it to say \"" << row.errorPart << "\"";
            continue;
        }
        EXPECT_EQ(row.window, got.window) << call;
        EXPECT_EQ(shown(row.frameMicroseconds), shown(got.frameMicroseconds)) << call << ": delay";
        EXPECT_EQ(shown(row.music), shown(got.music)) << call << ": music";
        EXPECT_EQ(row.showFrameRate, got.showFrameRate) << call << ": frame rate shown";
    }
}

TEST(SaverCommandLine, HelpNamesEveryOptionAndTheLineForXscreensaver) {
    const std::string help = saverHelpText();
    for (const char* part : {"--root", "--window-id", "--delay", "--fps", "--music", "GL: kelvora --root"})
        EXPECT_NE(std::string::npos, help.find(part)) << "help lacks " << part << ":\n" << help;
}
