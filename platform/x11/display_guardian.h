// The desktop's monitor layout, switched for the show and put back, with two
// keepers besides the show itself for when it cannot put it back:
// - a guardian, a small process of its own that holds the layout and restores
//   it when the show's process ends without having done so, however it ends
//   (a crash, SIGKILL, a broken X connection);
// - a layout file in the user's runtime folder (platform/x11/layout_file.h),
//   for when both are killed at once: the next run puts that layout back
//   before anything else.
// Neither keeper puts back over a layout the user has set since the switch.
// The show never waits long for the guardian: it switches and restores on its
// own connections, and a guardian that is gone, stopped or never started only
// costs the protection against a hard kill. Once the layout is back, a mode the
// user sets afterwards stays.
#pragma once

#include <string>

namespace platform::guardian {

// Forks the guardian. Call while the process still has a single thread: the
// guardian talks to X with Xlib after the fork. False, with the reason, when
// no process could be made; the show then switches and restores without one.
bool start(std::string& reason);

// Puts back a layout that a killed show left for this X display and screen,
// saying so in one line on standard error, unless that show still runs or the
// screen has been changed since. Call before the first switch.
void restoreLeftBehind();

// Switches the monitor that the show's window covers (the primary one, at
// 0, 0) to width x height and leaves the others as they are. The first switch
// saves the whole layout. Returns a platform::DisplayChange code, failed while
// another show has this display in its mode; a failure's reason goes to
// standard error.
int switchMonitor(int width, int height);

// Puts back every output's mode, position and rotation, the screen's size and
// the primary output as the first switch found them; a failure is tried once
// more and reported on standard error. A mode that is gone meanwhile gives way
// to the monitor's preferred one, and that is said.
void restore();

}  // namespace platform::guardian
