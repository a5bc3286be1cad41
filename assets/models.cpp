// PLACEHOLDER until the models land.
#include "assets/models.h"
const int modelVertexCounts[modelCount] = {};
static const float origin[3] = {};
int modelVertexCount() { return 0; }
const float* modelVertex(int) { return origin; }
const float* modelVertexOf(int, int) { return origin; }
