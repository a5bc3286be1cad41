// One can: a closed textured cylinder of radius 20 from z = 0 to z = -100,
// faded with the scene frame.
#pragma once

// detail: half the number of side segments (50, 35, 10, 5, 3, 2 or 1.5).
void drawCan(float detail);
// Scales the float triple to unit length in place; a zero vector stays zero.
void normalize3(float* v);
