// The scene drawn by Mesa (OSMesa, as the show's OpenGL tests use it), saved
// as a binary PPM, top row first.
//   kelvora_gl_scene_mesa OUT.ppm
#include <GL/osmesa.h>

#include <cstdio>
#include <vector>

#include "tests/web/gl_scene.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvora_gl_scene_mesa OUT.ppm\n");
        return 2;
    }
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    std::vector<unsigned char> pixels(sceneWidth * sceneHeight * 4);
    if (context == nullptr ||
        !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, sceneWidth, sceneHeight)) {
        std::fprintf(stderr, "kelvora_gl_scene_mesa: no OSMesa context\n");
        return 1;
    }
    setUpScene();
    drawScene();
    glFinish();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", sceneWidth, sceneHeight);
    for (int y = sceneHeight - 1; y >= 0; --y)
        for (int x = 0; x < sceneWidth; ++x) std::fwrite(&pixels[(y * sceneWidth + x) * 4], 1, 3, file);
    return std::fclose(file) == 0 ? 0 : 1;
}
