// What the benchmarks share: the same cans on every run, and a scene started
// the way chooseScene starts one, without its random draws.
#pragma once

#include "show/camera_path.h"

// The seed the benchmarks give the generator once the show is up.
constexpr unsigned benchSeed = 20240607u;
// Frames a scene lasts: scene frames 2..200.
constexpr int framesPerScene = lastSceneFrame - firstSceneFrame + 1;

// Loads scene s with its catalogue values and puts the camera on the path's
// first point, so that the next frame drawn is the scene's first (scene frame
// 2). With lowestStep, F3 is pressed until the vertex step goes no lower.
void startScene(int s, bool lowestStep);
