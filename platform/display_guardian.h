// The desktop's monitor layout, switched for the show and put back by a
// guardian: a small process of its own that holds the layout to restore and
// restores it when the show's process ends without having done so, however it
// ends (a crash, SIGKILL, a broken X connection). It ends with the show, and
// once the show has restored it has nothing left to do: a mode the user sets
// afterwards stays.
#pragma once

namespace platform::guardian {

// Forks the guardian. Call while the process still has a single thread: the
// guardian talks to X with Xlib after the fork. False when no process could be
// made; switches then fail.
bool start();

// Switches the monitor that the show's window covers (the primary one, at
// 0, 0) to width x height and leaves the others as they are. The first switch
// saves the whole layout. Returns a platform::DisplayChange code.
int switchMonitor(int width, int height);

// Puts back every output's mode, position and rotation, the screen's size and
// the primary output as the first switch found them.
void restore();

}  // namespace platform::guardian
