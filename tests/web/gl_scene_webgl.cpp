// The scene drawn by our OpenGL layer on the page's WebGL 1 canvas, with the
// context the web backend asks for; window.kelvoraSceneDrawn says when.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>

#include "platform/web/gl_web.h"
#include "tests/web/gl_scene.h"

int main() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;
    attributes.depth = true;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = true;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS ||
        !glweb::start()) {
        std::fprintf(stderr, "gl scene: no WebGL 1 context for the layer\n");
        return 1;
    }
    setUpScene();
    drawScene();
    glweb::flush();
    EM_ASM(window.kelvoraSceneDrawn = true);
    return 0;
}
