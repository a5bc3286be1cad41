// One frame of the show in its order, and the single light.
#pragma once

// (x, y, z, w): follows the camera's x and z at height 800.
extern float lightPosition[4];

// Draws, presents and advances the show by one scene frame.
void renderFrame();
// All of renderFrame but the final buffer swap.
void composeFrame();
// Once at start-up: depth test, culling, lighting, light 0 and the material.
void setupLighting();
// Moves the light over the camera; call with the camera's view loaded.
void updateLight();
