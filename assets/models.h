// The eight point-cloud models compiled into the program, one per scene, each a
// triangle list of little-endian float triples.
#pragma once

constexpr int modelCount = 8;

// Vertex counts, in scene order.
extern const int modelVertexCounts[modelCount];

// The vertex count of the current scene's model.
int modelVertexCount();
// Vertex a (0 <= a < modelVertexCount()) of the current scene's model: x, y, z.
const float* modelVertex(int a);
// Vertex a of model m, for tools and tests.
const float* modelVertexOf(int m, int a);
