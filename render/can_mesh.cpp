// PLACEHOLDER until the picture lands.
#include "render/can_mesh.h"
void drawCan(float) {}
void normalize3(float*) {}
