// The frame-rate benchmark in the browser (the page loads it for ?bench=1):
// the real show in the page's canvas, each scene played through with its
// catalogue values, as the desktop benchmark does, each frame presented at
// the browser's pace. ?benchFrames=N plays N frames of each scene instead of
// all of them. The result goes to the console, one line per scene, and to
// window.kelvoraBench = {renderer, scenes: [{scene, fps, drawingMs}]}.
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "app/shell.h"
#include "bench/bench_scene.h"
#include "platform/web/gl_web.h"
#include "platform/platform.h"
#include "render/can_field.h"
#include "render/frame.h"
#include "show/random.h"
#include "show/scene_director.h"

namespace {

constexpr const char* showClass = "Kelvora";  // the shell's class and window name
constexpr int windowWidth = 640;
constexpr int windowHeight = 480;

EM_JS(int, requestedFrames, (), {
    const n = Number(new URLSearchParams(location.search).get('benchFrames'));
    return Number.isInteger(n) && n > 0 ? n : 0;
});
EM_JS(void, beginReport, (), {
    Module.kelvoraBenchScenes = [];
});
EM_JS(void, reportScene, (int scene, double fps, double drawingMs), {
    Module.kelvoraBenchScenes.push({scene, fps, drawingMs});
});
EM_JS(void, endReport, (), {
    const gl = Module.canvas.getContext('webgl');
    const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
    window.kelvoraBench = {
        renderer: info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : 'unknown',
        scenes: Module.kelvoraBenchScenes,
    };
});

// Takes at most one message, as the main loop does, but never paints: only
// the bench draws frames.
void pumpMessage() {
    platform::MessageRecord message;
    if (platform::peekMessage(message) && message.message != platform::msgPaint &&
        message.message != platform::msgQuit)
        platform::dispatchMessage(message);
}

struct SceneTiming {
    double fps;
    double drawingMs;  // per frame: the show's drawing and the layer's flush
};

SceneTiming playScene(int s, int frames) {
    startScene(s, false);
    double drawing = 0.0;
    const double start = emscripten_get_now();
    for (int i = 0; i < frames; ++i) {
        pumpMessage();
        const double before = emscripten_get_now();
        composeFrame();
        glweb::flush();
        drawing += emscripten_get_now() - before;
        platform::swapBuffers(deviceContext);  // presents and waits for the browser
    }
    const double elapsed = emscripten_get_now() - start;
    return {frames * 1000.0 / elapsed, drawing / frames};
}

}  // namespace

int main() {
    std::string error;
    if (!platform::start(error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    if (!platform::registerWindowClass(showClass, wndProc)) return 1;
    mainWindow = platform::createWindow(showClass, showClass, 0, 0, windowWidth, windowHeight);
    if (mainWindow == nullptr || renderingContext == nullptr) {
        std::fprintf(stderr, "bench: no canvas or no WebGL\n");
        return 1;
    }
    finishStartUp();
    // The same cans as the desktop benchmark's.
    seedRandom(benchSeed);
    fillAngleTable();

    const int frames = requestedFrames() > 0 ? requestedFrames() : framesPerScene;
    playScene(0, frames);  // warm-up: shaders, textures, the browser's caches
    beginReport();
    for (int s = 0; s < sceneCount; ++s) {
        const SceneTiming t = playScene(s, frames);
        std::printf("scene %d: %.1f fps, %.1f ms a frame drawing (%d frames)\n", s, t.fps, t.drawingMs,
                    frames);
        reportScene(s, t.fps, t.drawingMs);
    }
    endReport();
    return 0;
}
