// A scene made of the kinds of OpenGL calls the show makes, drawn once by
// Mesa (gl_scene_mesa.cpp) and once by our layer on WebGL
// (gl_scene_webgl.cpp), so that the browser test can compare the two.
#pragma once

constexpr int sceneWidth = 640;
constexpr int sceneHeight = 480;

// Textures, light and material, once, with a fresh context current.
void setUpScene();
// One frame of the scene.
void drawScene();
