#include "app/display_mode.h"

#include "platform/platform.h"

namespace {

constexpr int modeWidth = 640;
constexpr int modeHeight = 480;
constexpr const char* failureCaption = "Kelvora";

// The text shown for a failed switch, or null where the failure has none.
const char* failureText(int outcome) {
    switch (outcome) {
        case platform::displayChangeRestart: return "Must restart";
        case platform::displayChangeFailed:
            return "Graphics Mode switch failed. Execute from the Windows 95 interface";
        case platform::displayChangeBadMode: return "Bad graphics mode specified";
        case platform::displayChangeBadFlags: return "Bad graphics mode flags";
        default: return nullptr;
    }
}

}  // namespace

int changeDisplayMode() {
    // The depth never changes: the desktop's own is asked for again.
    const int outcome =
        platform::changeDisplayMode(modeWidth, modeHeight, platform::desktopBitsPerPixel());
    if (outcome == platform::displayChangeSuccessful) return 1;
    if (const char* text = failureText(outcome)) {
        platform::messageBox(text, failureCaption, platform::BoxIcon::error);
        platform::postQuitMessage(0);
    }
    return 0;
}
