#include "show/scene_director.h"

#include <utility>

#include "camera/camera.h"
#include "show/random.h"

// Control points are listed P0..P4, x and z apart.
const SceneParams SceneCatalogue[sceneCount] = {
    {5000, 36, 2400, {-5000, -3000, 1100, 1500, 0}, {-5000, 3000, 1100, -1500, 0}},
    {2000, 36, 700, {-3000, -2000, 500, 1500, -1000}, {-3000, 2000, 500, -1500, -1000}},
    {2000, 36, 1000, {-3000, -2000, 500, 1500, -1000}, {-3000, 2000, 500, -1500, -1000}},
    {3000, 36, 1200, {-3000, -2000, 500, 2500, -2000}, {-3000, 2000, 500, -2500, -2000}},
    {4000, 60, 1200, {-3000, -2000, 500, 2500, -2000}, {-3000, 2000, 500, -2500, -2000}},
    {1300, 60, 700, {-3000, -2000, 500, 2500, -2000}, {-3000, 2000, 500, -2500, -2000}},
    {1300, 90, 700, {-2000, -2000, 500, 2500, -2000}, {-2000, 2000, 500, -2500, -2000}},
    {2500, 36, 800, {-2000, -2000, 500, 1500, -2000}, {-2000, 2000, 500, -1500, -2000}},
};

// The load values of the indices count as the previous choice, so the first
// scene is never 7 and the first phrase never 0. Scale and step are replaced
// by the first choice before anything reads them.
int sceneIndex = 7;
int phraseIndex = 0;
float sceneScale = 6000.0f;
float vertexStep = 36.0f;
float controlX[controlPointCount];
float controlZ[controlPointCount];

namespace {

// One draw in six out of {0, 1} flies the path with P1 and P3 exchanged.
constexpr int swapDrawRange = 6;
constexpr int swapDrawLimit = 2;
constexpr int swappedA = 1;
constexpr int swappedB = 3;

}  // namespace

void chooseScene() {
    const int previousScene = sceneIndex;
    const int previousPhrase = phraseIndex;
    // Both first draws come before any redraw: the order of draws fixes the show.
    sceneIndex = randomDraw() % sceneCount;
    phraseIndex = randomDraw() % phraseCount;
    while (sceneIndex == previousScene) sceneIndex = randomDraw() % sceneCount;
    while (phraseIndex == previousPhrase) phraseIndex = randomDraw() % phraseCount;

    const SceneParams& row = SceneCatalogue[sceneIndex];
    sceneScale = row.scale;
    vertexStep = row.step;
    camera.position.y = row.cameraHeight;
    for (int j = 0; j < controlPointCount; ++j) {
        controlX[j] = row.controlX[j];
        controlZ[j] = row.controlZ[j];
    }

    if (randomDraw() % swapDrawRange < swapDrawLimit) {
        std::swap(controlX[swappedA], controlX[swappedB]);
        std::swap(controlZ[swappedA], controlZ[swappedB]);
    }
}
