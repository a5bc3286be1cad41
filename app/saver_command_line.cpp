#include "app/saver_command_line.h"

#include <charconv>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* programName = "kelvora-saver";
// The longest --delay taken: ten seconds a frame.
constexpr long long longestDelay = 10'000'000;

enum class Option { root, windowId, delay, fps, noFps, music, noMusic, help };

struct OptionEntry {
    Option option;
    std::string_view name;
    bool takesValue;
};

// Written with one dash or two, as xscreensaver's own modules take them.
constexpr OptionEntry optionTable[] = {
    {Option::root, "root", false},         {Option::windowId, "window-id", true},
    {Option::delay, "delay", true},        {Option::fps, "fps", false},
    {Option::noFps, "no-fps", false},      {Option::music, "music", false},
    {Option::noMusic, "no-music", false},  {Option::help, "help", false},
};

// A window id: hexadecimal after "0x" (xscreensaver), else decimal (Windows).
bool parseWindow(std::string_view text, std::uintptr_t& window) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uintptr_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc{} || stop != end || value == 0) return false;
    window = value;
    return true;
}

bool parseDelay(std::string_view text, int& microseconds) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc{} || stop != end || value < 0 || value > longestDelay)
        return false;
    microseconds = static_cast<int>(value);
    return true;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

SaverCommand rejected(std::string error) {
    SaverCommand result;
    result.action = SaverAction::reject;
    result.error = std::move(error);
    return result;
}

}  // namespace

SaverCommand parseSaverCommandLine(int argc, const char* const* argv, const char* windowVariable) {
    SaverCommand result;
    // The mode the arguments ask for; none: settings, or xscreensaver's window.
    std::optional<SaverAction> mode;
    bool rootAsked = false, helpAsked = false;
    std::uintptr_t window = 0;

    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        // Windows' letters: /s, /p N, /p:N, /c, /c:N, /a, /?.
        if (argument.size() >= 2 && (argument[0] == '/' || argument[0] == '-') &&
            (argument.size() == 2 || argument[2] == ':')) {
            const char letter = lower(argument[1]);
            const bool hasValue = argument.size() > 2;
            std::string_view value = hasValue ? argument.substr(3) : std::string_view{};
            switch (letter) {
                case 's': case 'a': case '?':
                    if (hasValue) return rejected("option '" + std::string(argument) + "' takes no value");
                    if (letter == '?') helpAsked = true;
                    else mode = letter == 's' ? SaverAction::run : SaverAction::nothing;
                    window = 0;
                    continue;
                case 'p': case 'c':
                    if (letter == 'p' && !hasValue) {
                        if (i + 1 >= argc) return rejected("option '" + std::string(argument) + "' requires a window");
                        value = argv[++i];
                    }
                    window = 0;
                    if ((letter == 'p' || hasValue) && !parseWindow(value, window))
                        return rejected("invalid window '" + std::string(value) + "' for " +
                                        std::string(argument.substr(0, 2)));
                    mode = letter == 'p' ? SaverAction::preview : SaverAction::settings;
                    continue;
                default:
                    break;  // maybe one of xscreensaver's, such as -h
            }
        }
        // xscreensaver's: -name or --name, a value after "=" or as the next argument.
        if (argument.size() < 2 || argument[0] != '-')
            return rejected("unexpected argument '" + std::string(argument) + "'");
        std::string_view name = argument.substr(argument[1] == '-' ? 2 : 1), value;
        const auto equals = name.find('=');
        if (equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const OptionEntry* entry = nullptr;
        for (const OptionEntry& candidate : optionTable)
            if (candidate.name == name || (name == "h" && candidate.option == Option::help))
                entry = &candidate;
        if (entry == nullptr) return rejected("unrecognized option '" + std::string(argument) + "'");
        const std::string shownName = "--" + std::string(entry->name);
        if (equals != std::string_view::npos && !entry->takesValue)
            return rejected("option '" + shownName + "' doesn't allow an argument");
        if (entry->takesValue && equals == std::string_view::npos) {
            if (i + 1 >= argc) return rejected("option '" + shownName + "' requires an argument");
            value = argv[++i];
        }
        switch (entry->option) {
            case Option::root: rootAsked = true; mode = SaverAction::run; window = 0; break;
            case Option::windowId:
                if (!parseWindow(value, window))
                    return rejected("invalid window '" + std::string(value) + "' for --window-id");
                rootAsked = false;
                mode = SaverAction::preview;
                break;
            case Option::delay: {
                int microseconds = 0;
                if (!parseDelay(value, microseconds))
                    return rejected("invalid delay '" + std::string(value) +
                                    "' for --delay: expected microseconds from 0 to 10000000");
                result.frameMicroseconds = microseconds;
                break;
            }
            case Option::fps: result.showFrameRate = true; break;
            case Option::noFps: result.showFrameRate = false; break;
            case Option::music: result.music = true; break;
            case Option::noMusic: result.music = false; break;
            case Option::help: helpAsked = true; break;
        }
    }
    if (helpAsked) {
        result.action = SaverAction::printHelp;
        return result;
    }

    // xscreensaver names its window in the environment, with or without --root.
    const bool xscreensaverWindow = (rootAsked || !mode) && windowVariable != nullptr;
    if (xscreensaverWindow && !parseWindow(windowVariable, window))
        return rejected("invalid window '" + std::string(windowVariable) + "' in XSCREENSAVER_WINDOW");
    if (rootAsked && windowVariable == nullptr)
        return rejected("--root: no window in XSCREENSAVER_WINDOW (xscreensaver sets it)");
    if (xscreensaverWindow) mode = SaverAction::run;
    // Options alone ask for the show; no argument at all, for the settings.
    if (!mode) mode = argc > 1 ? SaverAction::run : SaverAction::settings;
    result.action = *mode;
    result.window = window;
    return result;
}

std::string saverUsageLine() {
    return std::string("Usage: ") + programName +
           " [--root | --window-id ID] [--delay MICROSECONDS] [--fps] [--music | --no-music]\n";
}

std::string saverHelpText() {
    return saverUsageLine() +
           "Kelvora as a screensaver module for xscreensaver: the show in the window\n"
           "xscreensaver gives it, at that window's size, until xscreensaver ends it.\n"
           "\n"
           "  --root              draw into the window named in XSCREENSAVER_WINDOW\n"
           "  --window-id ID      draw into window ID (0x... or decimal): a preview\n"
           "  --delay N           at most one frame every N microseconds (default 16666,\n"
           "                      60 frames a second; 0: as fast as it goes)\n"
           "  --fps               show the frame rate in the corner\n"
           "  --music             play the music (off by default)\n"
           "  --help              print this help and exit\n"
           "\n"
           "Add to the programs: list in ~/.xscreensaver:\n"
           "    GL: kelvora --root\n"
           "On Windows the same program is kelvora.scr: /s runs it, /p N previews it\n"
           "in window N, /c (or no argument) opens its settings.\n";
}
