// The arrows as the SDL and web backends answer asyncKeyState for them: held
// at the moment of the read, or pressed since the previous read of that key.
// Both are kept from key events as they arrive from the window system, not as
// the loop takes its messages one a pass: a slow frame must not stretch a hold
// past its release, nor show a tap frames late. No system header here.
#pragma once

namespace platform::polledkeys {

// The keys answered for: the four arrows.
bool isPolled(unsigned virtualKey);
// A press (also a repeat) or a release, as it arrives.
void arrived(unsigned virtualKey, bool down);
// Every key released: the page or window lost the focus, and with it the
// releases.
void releaseAll();
// 0x8000 while held, | 1 when pressed since the previous read; clears the latter.
unsigned short read(unsigned virtualKey);

}  // namespace platform::polledkeys
