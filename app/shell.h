// The program's spine: start-up, the window and its procedure, the main loop
// and the teardown.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Shell state, process-wide for the whole run.
extern platform::Window* mainWindow;
extern platform::DeviceContext* deviceContext;
extern platform::GLContext* renderingContext;
extern platform::Palette* palette;
extern int quitFlag;

// The entry of the show proper; returns the process's exit status.
int winMain();
long wndProc(platform::Window* window, unsigned message, std::uintptr_t wParam,
             std::intptr_t lParam);
void initShow();
// Start-up's steps after the window exists: viewport, window shown, cursor
// hidden, matrices reset and the camera set up.
void finishStartUp();
void resizeViewport(int width, int height);
void setupPixelFormat(platform::DeviceContext* dc);
platform::Palette* createPalette(platform::DeviceContext* dc);
