// All the cans of the current scene, one on every vertexStep-th vertex of the
// scene's model, each turned by its own triple of fixed random angles.
#pragma once

constexpr int angleTableSize = 419;

// Whole degrees 0..359, filled once at start from the first 419 random draws.
extern float AngleTable[angleTableSize];

void fillAngleTable();
void drawCanField();
// Multiplies the modelview matrix by a translation to the scaled vertex a of
// the current model; returns the distance from the camera to it, truncated.
int placeCan(int a);
// The level of detail that drawCan gets for a can at distance d.
float detailForDistance(int d);
// The walk's vertex after a: the step added in floating point and the sum
// truncated. Returns count when the walk ends, also for a step that would not
// move it forward.
int nextCanVertex(int a, float step, int count);
// The first of the three AngleTable entries of the next can.
int nextAngleIndex(int angleIndex);
