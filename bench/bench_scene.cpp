#include "bench/bench_scene.h"

#include <algorithm>

#include "app/keyboard.h"
#include "camera/camera.h"
#include "platform/platform.h"
#include "show/scene_director.h"

void startScene(int s, bool lowestStep) {
    sceneIndex = s;
    phraseIndex = s % phraseCount;
    const SceneParams& row = SceneCatalogue[s];
    sceneScale = row.scale;
    vertexStep = row.step;
    camera.position.y = row.cameraHeight;
    std::copy(row.controlX, row.controlX + controlPointCount, controlX);
    std::copy(row.controlZ, row.controlZ + controlPointCount, controlZ);
    // As a viewer would: F3 until the step goes no lower.
    if (lowestStep) {
        float before;
        do {
            before = vertexStep;
            onKeyDown(platform::vkF3);
        } while (vertexStep != before);
    }
    sceneFrame = firstSceneFrame - 1;  // the update takes path index 0 and leaves frame 2
    updateCameraPath();
    camera.update();
}
