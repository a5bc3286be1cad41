#include "app/command_line.h"

#include <charconv>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* programName = "kelvora";

enum class Option { help, version, window, seed, framesPerSecond };

struct OptionEntry {
    Option option;
    std::string_view longName;
    char shortName;
    bool takesValue;
};

constexpr OptionEntry optionTable[] = {
    {Option::help, "help", 'h', false},
    {Option::version, "version", 'V', false},
    {Option::window, "window", 'w', false},
    {Option::seed, "seed", 's', true},
    {Option::framesPerSecond, "fps", 'f', true},
};

// The long option that `name` is, or the one it alone abbreviates. Null with
// `ambiguous` set when it starts more than one name.
const OptionEntry* findLong(std::string_view name, bool& ambiguous) {
    const OptionEntry* found = nullptr;
    ambiguous = false;
    for (const OptionEntry& entry : optionTable) {
        if (entry.longName == name) return &entry;
        if (entry.longName.starts_with(name)) {
            ambiguous = found != nullptr;
            found = &entry;
        }
    }
    return ambiguous ? nullptr : found;
}

const OptionEntry* findShort(char name) {
    for (const OptionEntry& entry : optionTable)
        if (entry.shortName == name) return &entry;
    return nullptr;
}

// A seed is a whole decimal number that fits the generator's 32-bit state.
bool parseSeed(std::string_view text, unsigned& seed) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc{} || stop != end) return false;
    seed = value;
    return true;
}

// A frame-rate cap is a whole number of frames a second, 0 for none.
bool parseFramesPerSecond(std::string_view text, int& framesPerSecond) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc{} || stop != end || value < 0 || value > highestFramesPerSecond)
        return false;
    framesPerSecond = value;
    return true;
}

CommandLine rejected(std::string error) {
    CommandLine result;
    result.action = CommandLineAction::reject;
    result.error = std::move(error);
    return result;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    bool helpAsked = false, versionAsked = false;
    // Applies one option; a non-empty result is the error line.
    auto apply = [&](const OptionEntry& entry, const std::string& shownName,
                     std::string_view value) -> std::string {
        switch (entry.option) {
            case Option::help: helpAsked = true; break;
            case Option::version: versionAsked = true; break;
            case Option::window: result.options.windowed = true; break;
            case Option::seed: {
                unsigned seed = 0;
                if (!parseSeed(value, seed))
                    return "invalid seed '" + std::string(value) + "' for " + shownName +
                           ": expected a whole number from 0 to 4294967295";
                result.options.seed = seed;
                break;
            }
            case Option::framesPerSecond:
                if (!parseFramesPerSecond(value, result.options.framesPerSecond))
                    return "invalid frame rate '" + std::string(value) + "' for " + shownName +
                           ": expected a whole number from 0 (no cap) to " +
                           std::to_string(highestFramesPerSecond);
                break;
        }
        return {};
    };

    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            if (i + 1 < argc) return rejected(std::string("unexpected argument '") + argv[i + 1] + "'");
            break;
        }
        if (argument.starts_with("--")) {
            std::string_view name = argument.substr(2), value;
            const auto equals = name.find('=');
            if (equals != std::string_view::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
            }
            bool ambiguous = false;
            const OptionEntry* entry = findLong(name, ambiguous);
            if (ambiguous) return rejected("option '" + std::string(argument) + "' is ambiguous");
            if (entry == nullptr) return rejected("unrecognized option '" + std::string(argument) + "'");
            const std::string shownName = "--" + std::string(entry->longName);
            if (equals != std::string_view::npos && !entry->takesValue)
                return rejected("option '" + shownName + "' doesn't allow an argument");
            if (entry->takesValue && equals == std::string_view::npos) {
                if (i + 1 >= argc) return rejected("option '" + shownName + "' requires an argument");
                value = argv[++i];
            }
            if (std::string error = apply(*entry, shownName, value); !error.empty()) return rejected(error);
        } else if (argument.size() >= 2 && argument[0] == '-') {
            // Short options may be grouped ("-ws7"); one that takes a value
            // takes the rest of the group, or else the next argument.
            for (std::size_t k = 1; k < argument.size(); ++k) {
                const OptionEntry* entry = findShort(argument[k]);
                if (entry == nullptr) return rejected(std::string("invalid option -- '") + argument[k] + "'");
                const std::string shownName = std::string("-") + entry->shortName;
                std::string_view value;
                if (entry->takesValue) {
                    if (k + 1 < argument.size()) value = argument.substr(k + 1);
                    else if (i + 1 < argc) value = argv[++i];
                    else return rejected("option requires an argument -- '" + std::string(1, entry->shortName) + "'");
                    k = argument.size();
                }
                if (std::string error = apply(*entry, shownName, value); !error.empty()) return rejected(error);
            }
        } else {
            return rejected("unexpected argument '" + std::string(argument) + "'");
        }
    }
    if (helpAsked) result.action = CommandLineAction::printHelp;
    else if (versionAsked) result.action = CommandLineAction::printVersion;
    return result;
}

std::string usageLine() {
    return std::string("Usage: ") + programName + " [--window] [--seed N] [--fps N] [--help] [--version]\n";
}

std::string helpText(const std::string& dataFolder) {
    return usageLine() +
           "Kelvora, a real-time 3D show: hundreds of cans on eight models, a phrase\n"
           "behind them, music, scene after scene until Esc. It switches the screen to\n"
           "640x480 while it runs and puts the desktop's mode back when it ends.\n"
           "\n"
           "  -w, --window     play in a 640x480 window on the desktop, without the\n"
           "                   warning box and without switching the screen\n"
           "  -s, --seed=N     start the random numbers from N (0 to 4294967295) instead\n"
           "                   of the clock: the same N plays the same show\n"
           "  -f, --fps=N      at most N frames a second (0, the default: no cap); the\n"
           "                   show moves one step a frame, so this sets its pace\n"
           "  -h, --help       print this help and exit\n"
           "  -V, --version    print the version and exit\n"
           "\n"
           "Keys: Esc ends the show (a box with the credits follows); F1 and F2 spread\n"
           "the cans out or draw them in; F3 and F4 stand cans on more or fewer of the\n"
           "model's points; Up and Down nudge the eye for a moment.\n"
           "\n"
           "Files: each from the folder \"stuff\" in the current directory when it is\n"
           "there, else from\n" +
           dataFolder + "\n";
}

std::string versionText() { return std::string(programName) + " " + KELVORA_VERSION + "\n"; }
