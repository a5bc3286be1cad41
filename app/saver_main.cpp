// The screensaver's process entry: reads the command line (xscreensaver's or
// Windows' convention), brings up the window system, then does what was asked.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/saver.h"
#include "app/saver_command_line.h"
#include "platform/platform.h"

namespace {

constexpr int usageErrorStatus = 2;

}  // namespace

int main(int argc, char** argv) {
    const SaverCommand command = parseSaverCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    switch (command.action) {
        case SaverAction::printHelp:
            std::fputs(saverHelpText().c_str(), stdout);
            return 0;
        case SaverAction::reject:
            std::fprintf(stderr, "kelvora-saver: %s\n%s", command.error.c_str(), saverUsageLine().c_str());
            return usageErrorStatus;
        case SaverAction::nothing:
            return 0;
        default:
            break;
    }

    std::string error;
    // A screensaver never switches the display.
    if (!platform::start(error, false)) {
        std::fprintf(stderr, "kelvora-saver: cannot start: %s\n", error.c_str());
        return 1;
    }
    const int status = runSaverCommand(command);
    platform::stop();
    return status;
}
