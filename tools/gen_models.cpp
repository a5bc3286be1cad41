// Builds the eight point-cloud models the show places its cans on and writes
// them back to back as little-endian 32-bit floats.
//
//   gen_models assets/models.bin
//
// The output depends on nothing but this code: fixed resolutions, fixed
// order, no clock, and sines of our own.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "tools/models/assemble.h"
#include "tools/models/objects.h"
#include "tools/models/walk_order.h"

using namespace models;

namespace {

// Per scene: the model's vertex count and the step of the can walk over it
// (these must stay in step with assets/models.cpp and the scene catalogue).
constexpr int vertexCounts[8] = {25128, 24888, 24864, 25128, 37692, 40212, 37332, 14364};
constexpr int walkSteps[8] = {36, 36, 36, 36, 60, 60, 90, 36};
// Model 4 is model 0 followed by a young one of its own.
constexpr int sharedModel = 0;
constexpr int extendedModel = 4;

// Where each model's points may go.
constexpr double lowestY = -0.11, highestY = 1.37, farthest = 1.85;
constexpr double ceiling = 1.36;  // a little under highestY, clear of rounding

struct Design {
    std::vector<Part> (*build)();
    Affine orientation;  // from the object's own frame, before fitting the box
    Box box;
};

const Design designs[8] = {
    {tortoise, rotateY(0), {{-0.649, 0.310, -0.164}, {0.152, 0.771, 0.426}}},
    {guitar, rotateY(-30) * rotateZ(62) * rotateY(-25), {{-1.097, 0.101, -0.557}, {0.211, 1.010, 0.406}}},
    {palmTree, rotateY(200), {{-0.700, -0.039, -0.780}, {0.641, 1.258, 0.707}}},
    {horse, rotateY(50), {{-0.667, -0.109, -0.681}, {0.235, 0.886, 0.386}}},
    {nullptr, {}, {}},
    {aeroplane, rotateY(20), {{-0.986, -0.073, -1.310}, {1.543, 1.337, 1.378}}},
    {balloon, rotateY(0), {{-0.771, 0.014, -0.803}, {0.687, 1.363, 0.545}}},
    {pitcher, rotateY(15), {{-0.276, -0.006, -0.211}, {0.278, 0.754, 0.264}}},
};
// The young tortoise beside and behind model 0's, turned towards it.
const Affine youngOrientation = rotateY(150);
const Box youngBox{{-0.27, 0.107, -0.439}, {0.16, 0.33, -0.12}};

using Triangles = std::vector<std::array<Vec3, 3>>;

std::vector<Mesh> placedParts(std::vector<Part> parts, int vertices, const Affine& orientation, const Box& box) {
    std::vector<Mesh> meshes = meshParts(parts, vertices / 3);
    transformAll(meshes, orientation);
    transformAll(meshes, fitInto(meshes, box));
    // A model taller for its width than its box shrinks to stay under the ceiling.
    Box b = boundsOf(meshes);
    if (b.max.y > ceiling) {
        double k = (ceiling - b.min.y) / (b.max.y - b.min.y);
        Vec3 floor{(b.min.x + b.max.x) / 2, b.min.y, (b.min.z + b.max.z) / 2};
        transformAll(meshes, translate(floor) * scale(k, k, k) * translate(floor * -1));
    }
    return meshes;
}

void report(int m, const std::vector<float>& xyz) {
    int n = int(xyz.size() / 3);
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9}, mean[3] = {0, 0, 0}, radius = 0;
    std::map<std::tuple<float, float, float>, int> distinct;
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) {
            double c = xyz[3 * i + k];
            lo[k] = std::fmin(lo[k], c);
            hi[k] = std::fmax(hi[k], c);
            mean[k] += c / n;
        }
        radius = std::fmax(radius, std::sqrt(double(xyz[3 * i]) * xyz[3 * i] + double(xyz[3 * i + 1]) * xyz[3 * i + 1] +
                                             double(xyz[3 * i + 2]) * xyz[3 * i + 2]));
        distinct[{xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]}]++;
    }
    std::printf("model %d: %d vertices, %zu distinct; x %.3f..%.3f y %.3f..%.3f z %.3f..%.3f; mean (%.3f, %.3f, %.3f); radius %.3f\n",
                m, n, distinct.size(), lo[0], hi[0], lo[1], hi[1], lo[2], hi[2], mean[0], mean[1], mean[2], radius);
    if (lo[1] < lowestY || hi[1] > highestY || radius > farthest) {
        std::fprintf(stderr, "gen_models: model %d leaves its bounds\n", m);
        std::exit(1);
    }
}

void append(std::vector<float>& out, const Triangles& triangles) {
    for (const auto& t : triangles)
        for (Vec3 p : t) {
            out.push_back(float(p.x));
            out.push_back(float(p.y));
            out.push_back(float(p.z));
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_models <output file>\n");
        return 2;
    }
    std::vector<std::vector<float>> models(8);
    for (int m = 0; m < 8; ++m) {
        if (m == extendedModel) continue;
        const Design& d = designs[m];
        std::vector<Mesh> meshes = placedParts(d.build(), vertexCounts[m], d.orientation, d.box);
        std::vector<WalkSlots> walks{walkSlotsFor(vertexCounts[m], 0, vertexCounts[m], walkSteps[m])};
        if (m == sharedModel)
            walks.push_back(walkSlotsFor(vertexCounts[extendedModel], 0, vertexCounts[m], walkSteps[extendedModel]));
        append(models[m], orderForWalks(meshes, walks));
    }
    {
        const Design& parent = designs[sharedModel];
        int own = vertexCounts[extendedModel] - vertexCounts[sharedModel];
        std::vector<Mesh> meshes = meshParts(parent.build(), own / 3);
        transformAll(meshes, youngOrientation * parent.orientation);
        transformAll(meshes, fitInto(meshes, youngBox));
        WalkSlots walk = walkSlotsFor(vertexCounts[extendedModel], vertexCounts[sharedModel], own, walkSteps[extendedModel]);
        models[extendedModel] = models[sharedModel];
        append(models[extendedModel], orderForWalks(meshes, {walk}));
    }

    std::vector<unsigned char> bytes;
    for (int m = 0; m < 8; ++m) {
        if (int(models[m].size()) != 3 * vertexCounts[m]) {
            std::fprintf(stderr, "gen_models: model %d has %zu vertices, wants %d\n", m, models[m].size() / 3, vertexCounts[m]);
            return 1;
        }
        report(m, models[m]);
        for (float f : models[m]) {
            std::uint32_t u;
            std::memcpy(&u, &f, sizeof u);
            for (int k = 0; k < 4; ++k) bytes.push_back((u >> (8 * k)) & 0xff);
        }
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "gen_models: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %zu bytes to %s\n", bytes.size(), argv[1]);
    return 0;
}
