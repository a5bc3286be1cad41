#include "render/can_field.h"

#include <GL/gl.h>

#include <cmath>

#include "assets/models.h"
#include "camera/camera.h"
#include "render/can_mesh.h"
#include "show/random.h"
#include "show/scene_director.h"

namespace {

constexpr int degreesPerTurn = 360;
// With all three angles 0 the can stands upright, its top end up.
constexpr double uprightTilt = 90.0;
// The can's offset from its pivot, applied before the turns: its axis runs 10
// units off the pivot in x and y, centred on it in z.
constexpr double canOffsetX = 10.0;
constexpr double canOffsetY = 10.0;
constexpr double canOffsetZ = 50.0;
// angleIndex goes to ((angleIndex + 3) mod 13) * 32: a cycle of twelve
// triples, starting at 0.
constexpr int angleCycleModulus = 13;
constexpr int angleCycleStride = 32;

struct DetailBand {
    float nearerThan;  // world units, strict
    float detail;
};
// First matching band wins.
constexpr DetailBand detailBands[] = {
    {300.0f, 50.0f}, {800.0f, 35.0f}, {1400.0f, 10.0f},
    {2300.0f, 5.0f}, {3800.0f, 3.0f}, {5000.0f, 2.0f},
};
constexpr float farthestDetail = 1.5f;

}  // namespace

float AngleTable[angleTableSize];

void fillAngleTable() {
    // Takes exactly the first angleTableSize draws: the scene choices that
    // follow depend on the count.
    for (int i = 0; i < angleTableSize; ++i)
        AngleTable[i] = static_cast<float>(randomDraw() % degreesPerTurn);
}

float detailForDistance(int d) {
    const float distance = static_cast<float>(d);
    for (const DetailBand& band : detailBands)
        if (distance < band.nearerThan) return band.detail;
    return farthestDetail;
}

int nextCanVertex(int a, float step, int count) {
    const float next = static_cast<float>(a) + step;
    // For a sum that is not negative, truncating it stays below count exactly
    // when the sum does; the second test catches steps below 1 (and NaN),
    // which would otherwise hold the walk in place for ever.
    if (!(next < static_cast<float>(count)) || !(next >= static_cast<float>(a) + 1.0f))
        return count;
    return static_cast<int>(next);
}

int nextAngleIndex(int angleIndex) {
    return ((angleIndex + 3) % angleCycleModulus) * angleCycleStride;
}

int placeCan(int a) {
    const float* v = modelVertex(a);
    const double px = static_cast<double>(sceneScale) * v[0];
    const double py = static_cast<double>(sceneScale) * v[1];
    const double pz = static_cast<double>(sceneScale) * v[2];
    const double dx = px - camera.position.x;
    const double dy = py - camera.position.y;
    const double dz = pz - camera.position.z;
    const float squared = static_cast<float>(dx * dx + dy * dy + dz * dz);
    glTranslated(px, py, pz);
    return static_cast<int>(std::sqrt(static_cast<double>(squared)));
}

void drawCanField() {
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);

    const int count = modelVertexCount();
    int angleIndex = 0;
    for (int a = 0; a < count; a = nextCanVertex(a, vertexStep, count)) {
        glPushMatrix();
        // The distance is to the pivot, before any turn.
        const int d = placeCan(a);
        // Issued last, acting first: offset, then z, y and x turns, then the pivot.
        glRotated(AngleTable[angleIndex] + uprightTilt, 1.0, 0.0, 0.0);
        glRotated(AngleTable[angleIndex + 1], 0.0, 1.0, 0.0);
        glRotated(AngleTable[angleIndex + 2], 0.0, 0.0, 1.0);
        glTranslated(canOffsetX, canOffsetY, canOffsetZ);
        drawCan(detailForDistance(d));
        glPopMatrix();
        angleIndex = nextAngleIndex(angleIndex);
    }
}
