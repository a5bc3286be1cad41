// Scripting and inspection of the fake audio library that unit tests link in
// place of the real one. Every call is noted in the fake platform's journal
// ("CGAudio::init 3 44100 0"); results come from the script.
#pragma once

#include "platform/gaudio.h"

namespace gaudio_fake {

// Results of the next init and getSoundClass calls; both gaOk until changed.
void script(long initResult, long getSoundResult);
// The sound object that a successful getSoundClass hands out.
GASound* sound();
// The third argument of the last getSoundClass call, or null.
void** lastSoundSlot();

}  // namespace gaudio_fake
