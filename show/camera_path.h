// The camera's flight through the scene's five control points, the scene frame
// counter and the clear-colour fades.
#pragma once

constexpr int pathNodeCount = 5;
constexpr int firstSceneFrame = 2;   // the scene frame after a scene change
constexpr int lastSceneFrame = 200;  // the last frame drawn of a scene
constexpr int fadeInEnd = 12;        // frames below this fade in
constexpr int fadeOutStart = 190;    // frames above this fade out

extern int sceneFrame;  // 2..201
extern const int frameStep;
extern float pathNodes[pathNodeCount];

// Sets the parameter values at which the curve passes the control points
// (0, 0.25, 0.5, 0.75, 1) and tabulates the curve's basis values from them.
void initPathNodes();

// The five curve basis values at path index 0..199 (t = index additions of the
// per-frame parameter step), as tabulated by initPathNodes.
void pathBasis(int index, double basis[pathNodeCount]);

// The clear colour that updateCameraPath sets once the scene frame has been
// advanced to `frame` (3..201), clamped to 0..1 as OpenGL keeps it: the frame
// drawn next (at `frame`, or at 2 after a scene change) is cleared with it.
void sceneClearColor(int frame, float rgb[3]);

// Once per frame: camera on the next path point, scene frame advanced, clear
// colour set, and after the last frame of a scene the next scene chosen.
void updateCameraPath();
