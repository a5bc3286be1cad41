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
constexpr const char* boxCaption = "Kelvora";

}  // namespace

int main(int argc, char** argv) {
    const SaverCommand command = parseSaverCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    switch (command.action) {
        case SaverAction::printHelp:
            platform::printText(saverHelpText().c_str());
            return 0;
        case SaverAction::reject:
            // The same way as the show's: where nobody reads standard error, in a box too.
            platform::reportBadCommandLine(
                ("kelvora-saver: " + command.error + "\n" + saverUsageLine()).c_str(), boxCaption);
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
