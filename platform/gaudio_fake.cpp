// PLACEHOLDER until the music lands.
#include "platform/gaudio.h"
unsigned short GA_getLibVersion() { return 0; }
CGAudio::CGAudio() {}
CGAudio::~CGAudio() {}
long CGAudio::init(unsigned long, unsigned long, int) { return 0; }
long CGAudio::getSoundClass(unsigned long, void*, void**) { return 0; }
