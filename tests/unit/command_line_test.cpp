// The command line: the forms getopt_long users expect, and one clear line for
// every mistake.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "kelvora");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

}  // namespace

TEST(CommandLine, NoArgumentsRunsTheShowAsAlways) {
    const CommandLine result = parse({});
    EXPECT_EQ(CommandLineAction::runShow, result.action);
    EXPECT_FALSE(result.options.windowed);
    EXPECT_FALSE(result.options.seed.has_value());
}

TEST(CommandLine, EverySpellingOfWindowAndSeed) {
    const std::vector<std::vector<const char*>> spellings = {
        {"--window", "--seed", "7"}, {"--seed=7", "--window"}, {"-w", "-s", "7"},
        {"-ws7"},                    {"--win", "--se=7"},      {"-s7", "--window", "--"},
    };
    for (const auto& spelling : spellings) {
        const CommandLine result = parse(spelling);
        ASSERT_EQ(CommandLineAction::runShow, result.action) << spelling[0] << ": " << result.error;
        EXPECT_TRUE(result.options.windowed) << spelling[0];
        EXPECT_EQ(7u, result.options.seed.value_or(0)) << spelling[0];
    }
    EXPECT_EQ(4294967295u, parse({"--seed", "4294967295"}).options.seed.value_or(0));
}

TEST(CommandLine, HelpWinsOverVersionAndBothOverTheShow) {
    EXPECT_EQ(CommandLineAction::printHelp, parse({"--window", "--version", "-h"}).action);
    EXPECT_EQ(CommandLineAction::printVersion, parse({"-V", "--seed", "3"}).action);
}

TEST(CommandLine, MistakesAreRejectedWithALineNamingThem) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--fullscreen"}, "unrecognized option '--fullscreen'"},
        {{"-x"}, "invalid option -- 'x'"},
        {{"--seed"}, "option '--seed' requires an argument"},
        {{"-s"}, "option requires an argument -- 's'"},
        {{"--seed", "-1"}, "invalid seed '-1' for --seed: expected a whole number from 0 to 4294967295"},
        {{"--seed=4294967296"}, "invalid seed '4294967296' for --seed: expected a whole number from 0 to 4294967295"},
        {{"-s", "7x"}, "invalid seed '7x' for -s: expected a whole number from 0 to 4294967295"},
        {{"--window=yes"}, "option '--window' doesn't allow an argument"},
        {{"--", "extra"}, "unexpected argument 'extra'"},
        {{"show"}, "unexpected argument 'show'"},
    };
    for (const auto& [arguments, error] : cases) {
        const CommandLine result = parse(arguments);
        EXPECT_EQ(CommandLineAction::reject, result.action) << arguments[0];
        EXPECT_EQ(error, result.error);
    }
}
