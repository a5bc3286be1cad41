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
    EXPECT_EQ(0, result.options.framesPerSecond) << "no cap";
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
    for (const auto& spelling : std::vector<std::vector<const char*>>{{"--fps", "30"}, {"--fps=30"}, {"-f30"}, {"-wf", "30"}})
        EXPECT_EQ(30, parse(spelling).options.framesPerSecond) << spelling[0];
    EXPECT_EQ(0, parse({"--fps", "0"}).options.framesPerSecond);
    EXPECT_EQ(1000, parse({"--fps", "1000"}).options.framesPerSecond);
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
        {{"--fps", "1001"}, "invalid frame rate '1001' for --fps: expected a whole number from 0 (no cap) to 1000"},
        {{"-f", "-5"}, "invalid frame rate '-5' for -f: expected a whole number from 0 (no cap) to 1000"},
        {{"--fps=sixty"}, "invalid frame rate 'sixty' for --fps: expected a whole number from 0 (no cap) to 1000"},
        {{"-f"}, "option requires an argument -- 'f'"},
        {{"--", "extra"}, "unexpected argument 'extra'"},
        {{"show"}, "unexpected argument 'show'"},
    };
    for (const auto& [arguments, error] : cases) {
        const CommandLine result = parse(arguments);
        EXPECT_EQ(CommandLineAction::reject, result.action) << arguments[0];
        EXPECT_EQ(error, result.error);
    }
}
