// The process entry: reads the command line, brings up the window system,
// then runs the show.
#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/shell.h"
#include "platform/platform.h"

namespace {

// The usual status of a command-line mistake, as getopt-based programs use it.
constexpr int usageErrorStatus = 2;
constexpr const char* boxCaption = "Kelvora";

}  // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine = parseCommandLine(argc, argv);
    switch (commandLine.action) {
        case CommandLineAction::printHelp:
            platform::printText(helpText(platform::installedDataFolder()).c_str());
            return 0;
        case CommandLineAction::printVersion:
            platform::printText(versionText().c_str());
            return 0;
        case CommandLineAction::reject:
            platform::reportBadCommandLine(
                ("kelvora: " + commandLine.error + "\n" + usageLine()).c_str(), boxCaption);
            return usageErrorStatus;
        case CommandLineAction::runShow:
            break;
    }

    std::string error;
    if (!platform::start(error)) {
        // Without a display no box can be shown.
        std::fprintf(stderr, "kelvora: cannot start: %s\n", error.c_str());
        return 1;
    }
    const int status = winMain(commandLine.options);
    platform::stop();
    return status;
}
