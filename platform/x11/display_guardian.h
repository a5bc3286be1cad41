// The desktop's monitor layout, switched for the show and put back. The X
// server keeps what every show on it must know, whoever started it and however
// DISPLAY is spelled:
// - the claim, a selection named for the screen (_KELVORA_MODE_S0), held by
//   the show on a connection of its own while the screen is in its mode; the
//   server drops it when that connection goes, however the show ends;
// - the record, a property on the root window (_KELVORA_DESKTOP_LAYOUT; its
//   text is platform/x11/layout_record.h), written before the switch and
//   deleted after the restore.
// Once a show is gone without restoring, whoever then takes the claim first puts
// its desktop back: its guardian (a small process of its own, for a crash,
// SIGKILL, a broken X connection), or the next show on that server, of any
// user, when both were killed. None of them puts back over a layout the user
// has set since, nor under another show's switch. Nothing waits for another
// process: the show switches and restores on its own connections, and a
// guardian that is gone, stopped or never started only costs the protection
// against a hard kill.
#pragma once

#include <string>

namespace platform::guardian {

// Forks the guardian. Call while the process still has a single thread: the
// guardian talks to X with Xlib after the fork. False, with the reason, when
// no process could be made; the show then switches and restores without one.
bool start(std::string& reason);

// Puts back a layout that a killed show left on this X display and screen,
// saying so in one line on standard error, unless another show holds the claim
// or the screen has been changed since. A record that cannot be put back is
// dropped, with one line. Call before the first switch.
void restoreLeftBehind();

// Switches the monitor that the show's window covers (the primary one, at
// 0, 0) to width x height and leaves the others as they are. The first switch
// takes the claim and records the whole layout. Returns a
// platform::DisplayChange code, failed while another show holds the claim; a
// failure's reason goes to standard error.
int switchMonitor(int width, int height);

// Puts back every output's mode, position and rotation, the screen's size and
// the primary output as the first switch found them; a failure is tried once
// more and reported on standard error. A mode that is gone meanwhile gives way
// to the monitor's preferred one, and that is said. Then the record goes and
// the claim is let go.
void restore();

}  // namespace platform::guardian
