// The command line, read in the usual getopt_long manner: long options (or an
// unambiguous prefix of one), their short forms, "--seed N" or "--seed=N",
// and "--" to end the options.
#pragma once

#include <string>

#include "app/shell.h"

enum class CommandLineAction { runShow, printHelp, printVersion, reject };

struct CommandLine {
    CommandLineAction action = CommandLineAction::runShow;
    ShowOptions options;
    std::string error;  // for reject: one line naming the argument at fault
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// The one-line synopsis, shown after a rejected command line.
std::string usageLine();
// The --help text; dataFolder is where an installed show keeps its files.
std::string helpText(const std::string& dataFolder);
std::string versionText();
