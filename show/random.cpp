// PLACEHOLDER until the director lands.
#include "show/random.h"
void seedRandom(unsigned) {}
int randomDraw() { return 0; }
