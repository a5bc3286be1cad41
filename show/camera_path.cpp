#include "show/camera_path.h"

#include <GL/gl.h>

#include <algorithm>
#include <iterator>

#include "camera/camera.h"
#include "show/scene_director.h"

int sceneFrame = 3;  // the update inside initShow takes it to 4: the first scene is 2 frames short
const int frameStep = 1;
float pathNodes[pathNodeCount];

namespace {

constexpr float initialPathNodes[pathNodeCount] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
// Parameter step per frame, the double nearest 1/199. It is added up rather
// than multiplied, so index 199 lands at 1.0000000000000029: just past P4,
// which keeps the eye off the look-at axis when P4 is the origin.
constexpr double pathStep = 0.005025125628140704;
constexpr int pathIndexCount = 200;  // indices 0..199; the show reads 1..199

constexpr float fullClear[3] = {0.99f, 1.0f, 1.0f};
constexpr double fadeStepPerFrame = 0.1;

double basisTable[pathIndexCount][pathNodeCount];

int clampedPathIndex(int index) { return std::clamp(index, 0, pathIndexCount - 1); }

// The ramp is computed in double and handed over as float; at frame 201 it
// gives -0.1, which OpenGL clamps to black.
void setGrey(double grey, float rgb[3]) {
    std::fill(rgb, rgb + 3, std::clamp(static_cast<float>(grey), 0.0f, 1.0f));
}

}  // namespace

void initPathNodes() {
    std::copy(std::begin(initialPathNodes), std::end(initialPathNodes), pathNodes);
    double t = 0.0;
    for (int index = 0; index < pathIndexCount; ++index) {
        // Lagrange basis, factors taken in ascending k: multiply, then divide.
        for (int j = 0; j < pathNodeCount; ++j) {
            double value = 1.0;
            for (int k = 0; k < pathNodeCount; ++k) {
                if (k == j) continue;
                value *= t - static_cast<double>(pathNodes[k]);
                value /= static_cast<double>(pathNodes[j]) - static_cast<double>(pathNodes[k]);
            }
            basisTable[index][j] = value;
        }
        t += pathStep;
    }
}

void pathBasis(int index, double basis[pathNodeCount]) {
    const double* row = basisTable[clampedPathIndex(index)];
    std::copy(row, row + pathNodeCount, basis);
}

void sceneClearColor(int frame, float rgb[3]) {
    std::copy(std::begin(fullClear), std::end(fullClear), rgb);
    if (frame < fadeInEnd) setGrey((frame - firstSceneFrame) * fadeStepPerFrame, rgb);
    if (frame > fadeOutStart) setGrey((lastSceneFrame - frame) * fadeStepPerFrame, rgb);
}

void updateCameraPath() {
    // sceneFrame is 2..200 here, so the index is 1..199.
    const double* basis = basisTable[clampedPathIndex(sceneFrame - 1)];
    double x = 0.0;
    double z = 0.0;
    for (int j = 0; j < pathNodeCount; ++j) {
        x += static_cast<double>(controlX[j]) * basis[j];
        z += static_cast<double>(controlZ[j]) * basis[j];
    }
    camera.position.x = static_cast<float>(x);
    camera.position.z = static_cast<float>(z);

    sceneFrame += frameStep;

    float rgb[3];
    sceneClearColor(sceneFrame, rgb);
    glClearColor(rgb[0], rgb[1], rgb[2], 1.0f);

    // The eye just computed (the old scene's P4) is where the new scene's first
    // frame is seen from, at the new scene's height.
    if (sceneFrame > lastSceneFrame) {
        sceneFrame = firstSceneFrame;
        chooseScene();
    }
}
