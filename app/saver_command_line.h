// The screensaver's command line, in both conventions it is started with:
// xscreensaver's (--root with the window in XSCREENSAVER_WINDOW, --window-id
// for the settings' preview, --delay, --fps, --music) and Windows' (/s, /p N,
// /c, /a; "/" or "-", any case; no argument opens the settings).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class SaverAction {
    run,        // the show in `window` (0: a popup over the whole desktop)
    preview,    // the settings' preview: in a child of `window` (Windows), or in
                // `window` itself (xscreensaver's pane, --window-id)
    settings,   // the settings dialog, owned by `window` (0: none)
    nothing,    // Windows' password change: nothing to do
    printHelp,
    reject,
};

struct SaverCommand {
    SaverAction action = SaverAction::settings;
    std::uintptr_t window = 0;
    // Each only when the command line says so; the stored settings fill in
    // the rest.
    std::optional<int> frameMicroseconds;  // --delay; 0: no cap
    std::optional<bool> music;
    bool showFrameRate = false;
    std::string error;  // for reject: one line naming the argument at fault
};

// windowVariable: XSCREENSAVER_WINDOW's value, null when unset.
SaverCommand parseSaverCommandLine(int argc, const char* const* argv, const char* windowVariable);

std::string saverUsageLine();
std::string saverHelpText();
