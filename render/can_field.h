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
