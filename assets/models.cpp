#include "assets/models.h"

#include <array>

#include "show/scene_director.h"

// The block that assets/models.S pulls in from assets/models.bin.
extern "C" const float kelvoraModelBlock[];

constexpr int modelVertexCounts[modelCount] = {25128, 24888, 24864, 25128, 37692, 40212, 37332, 14364};

namespace {

constexpr int floatsPerVertex = 3;
constexpr int blockBytes = 2755296;  // the size of assets/models.bin

// First vertex of each model in the block; the last entry is the block's end.
constexpr std::array<int, modelCount + 1> firstVertex = [] {
    std::array<int, modelCount + 1> first{};
    for (int m = 0; m < modelCount; ++m) first[m + 1] = first[m] + modelVertexCounts[m];
    return first;
}();
static_assert(firstVertex[modelCount] * floatsPerVertex * sizeof(float) == blockBytes);

// What a lookup outside the models yields instead of reading past the block.
constexpr float origin[floatsPerVertex] = {0, 0, 0};

}  // namespace

int modelVertexCount() {
    return sceneIndex >= 0 && sceneIndex < modelCount ? modelVertexCounts[sceneIndex] : 0;
}

const float* modelVertex(int a) { return modelVertexOf(sceneIndex, a); }

const float* modelVertexOf(int m, int a) {
    if (m < 0 || m >= modelCount || a < 0 || a >= modelVertexCounts[m]) return origin;
    return kelvoraModelBlock + floatsPerVertex * (firstVertex[m] + a);
}
