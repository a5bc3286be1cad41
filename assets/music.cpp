// PLACEHOLDER until the music lands.
#include "assets/music.h"
void startMusic() {}
