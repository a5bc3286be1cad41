// PLACEHOLDER until the director lands.
#include "show/camera_path.h"
int sceneFrame = 3;
const int frameStep = 1;
float pathNodes[pathNodeCount];
void initPathNodes() {}
void updateCameraPath() {}
