// PLACEHOLDER until the director lands.
#include "show/scene_director.h"
const SceneParams SceneCatalogue[sceneCount] = {};
int sceneIndex = 7;
int phraseIndex = 0;
float sceneScale = 6000.0f;
float vertexStep = 36.0f;
float controlX[controlPointCount];
float controlZ[controlPointCount];
void chooseScene() {}
