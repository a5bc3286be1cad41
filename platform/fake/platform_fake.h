// Scripting and inspection of the fake window system that unit tests link in
// place of the real one. Every platform operation appends one line to the
// journal ("messageBox warning OpenGL Demo: About to switch..."), and results
// come from the script below.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::fake {

struct Script {
    bool startSucceeds = true;
    bool registerSucceeds = true;
    bool createWindowSucceeds = true;  // false: no window, no create message
    bool makeCurrentSucceeds = true;   // for a context; releasing one always works
    int desktopBits = 32;
    int displayChangeResult = displayChangeSuccessful;
    // What describePixelFormat reports once a format is set.
    PixelFormat grantedFormat{pfdDrawToWindow | pfdSupportOpenGL | pfdDoubleBuffer,
                              true, 24, 8, 16, 8, 8, 8, 0, 0, 24, 0};
    int realizeResult = 0;
    // Messages handed out by peekMessage, in order; the window field is filled
    // in with the fake window when left null. A msgDestroy among them is the
    // window vanishing: the fake ends the window then, as a real backend does.
    std::deque<MessageRecord> messages;
    // Virtual keys that asyncKeyState reports as held (non-zero).
    std::vector<unsigned> heldKeys;
    // Safety net: after this many peeks with an empty queue the fake posts a
    // close so that a test can never loop forever.
    int maxIdlePeeks = 1000;
    // What installedDataFolder reports.
    std::string installedDataFolder = "/nonexistent/share/kelvora/stuff";
    // The size a screensaver window turns out to have.
    int saverWidth = 1024;
    int saverHeight = 768;
    // The settings store; writeSetting changes it.
    std::map<std::string, int> settings;
    bool settingsStoreExists = true;
    std::string unwritableSetting;  // writes of this one fail
    // What a user enters in the settings dialog; no dialog when false.
    bool dialogAccepts = false;
    bool dialogMusic = false;
    int dialogFramesPerSecond = 0;
};

// Clears the journal and all state and installs a new script.
void reset(const Script& script = Script{});
Script& script();
const std::vector<std::string>& journal();
// Index of the first journal line that starts with `prefix`, or -1.
int find(const std::string& prefix);
int count(const std::string& prefix);
Window* theWindow();
// The entries of the last palette created.
const std::vector<PaletteEntry>& lastPaletteEntries();
bool windowAlive();
// Adds a line to the journal; for other fakes (audio) to record into.
void note(const std::string& line);

}  // namespace platform::fake
