// Which of the eight scenes and ten phrases plays, and the live copy of the
// scene's parameters that the path, the camera and the renderer read.
#pragma once

constexpr int sceneCount = 8;
constexpr int phraseCount = 10;
constexpr int controlPointCount = 5;

struct SceneParams {
    float scale;         // model coordinates to world units
    float step;          // vertex step of the can walk
    float cameraHeight;  // eye height for the whole scene
    float controlX[controlPointCount];
    float controlZ[controlPointCount];
};

extern const SceneParams SceneCatalogue[sceneCount];

// Live scene state, written by chooseScene (and the F keys for scale and step).
extern int sceneIndex;
extern int phraseIndex;
extern float sceneScale;
extern float vertexStep;
extern float controlX[controlPointCount];
extern float controlZ[controlPointCount];

// Draws the next scene and phrase, never the previous ones, and loads the
// scene's parameters; the camera height goes into camera.position.y.
void chooseScene();
