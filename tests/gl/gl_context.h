// One offscreen OpenGL context (OSMesa, RGBA, 24-bit depth) for every test of
// the process: created on first use, made current on every call.
#pragma once

#include <GL/osmesa.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

// Makes the context current on a colour buffer of width x height pixels. The
// viewport is set to the whole buffer whenever the size changes.
inline void makeOffscreenContext(int width = 640, int height = 480) {
    static OSMesaContext context = nullptr;
    static std::vector<unsigned char> colourBuffer;
    static int currentWidth = 0, currentHeight = 0;
    if (context == nullptr) {
        context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        if (context == nullptr) {
            std::fprintf(stderr, "OSMesaCreateContextExt failed\n");
            std::abort();
        }
    }
    const bool resized = width != currentWidth || height != currentHeight;
    if (resized) colourBuffer.assign(static_cast<std::size_t>(width) * height * 4, 0);
    if (!OSMesaMakeCurrent(context, colourBuffer.data(), GL_UNSIGNED_BYTE, width, height)) {
        std::fprintf(stderr, "OSMesaMakeCurrent failed for %dx%d\n", width, height);
        std::abort();
    }
    if (resized) glViewport(0, 0, width, height);
    currentWidth = width;
    currentHeight = height;
}

// A 640 x 480 view one world unit per pixel, centred on the origin, with
// identity modelview: what a test draws lands where it can be checked.
inline void loadCentredPixelView() {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-320.0, 320.0, -240.0, 240.0, -200.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
