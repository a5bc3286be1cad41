#include "assets/models.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "show/scene_director.h"

// The bytes of assets/models.bin, compiled in by the build.
extern const unsigned char kelvoraModelBytes[];
extern const std::size_t kelvoraModelBytesSize;

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

// The bytes as floats, copied once: reading bytes through a float pointer in
// place would be undefined behaviour. A file of another size than the counts
// say leaves zeros (and fails the models' checksum test) rather than reading
// past its end.
const std::vector<float> modelBlock = [] {
    std::vector<float> block(blockBytes / sizeof(float));
    std::memcpy(block.data(), kelvoraModelBytes,
                std::min<std::size_t>(blockBytes, kelvoraModelBytesSize));
    return block;
}();

// What a lookup outside the models yields instead of reading past the block.
constexpr float origin[floatsPerVertex] = {0, 0, 0};

}  // namespace

int modelVertexCount() {
    return sceneIndex >= 0 && sceneIndex < modelCount ? modelVertexCounts[sceneIndex] : 0;
}

const float* modelVertex(int a) { return modelVertexOf(sceneIndex, a); }

const float* modelVertexOf(int m, int a) {
    if (m < 0 || m >= modelCount || a < 0 || a >= modelVertexCounts[m]) return origin;
    return modelBlock.data() + floatsPerVertex * (firstVertex[m] + a);
}
