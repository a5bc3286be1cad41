// PLACEHOLDER until the picture lands.
#include "render/backdrop.h"
void drawPhraseBackdrop() {}
void drawPathLine() {}
