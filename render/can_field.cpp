// PLACEHOLDER until the picture lands.
#include "render/can_field.h"
float AngleTable[angleTableSize];
void fillAngleTable() {}
void drawCanField() {}
int placeCan(int) { return 0; }
float detailForDistance(int) { return 1.5f; }
