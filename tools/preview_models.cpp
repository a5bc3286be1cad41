// Renders the models in a models.bin as point images, to look at them:
//
//   preview_models assets/models.bin /tmp/models-preview
//
// writes model<i>.ppm per model: the top row shows only the vertices the can
// walk of scene i lands on (front, side, top and the view from a point of the
// camera path), the bottom row every vertex.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/models.h"
#include "show/scene_director.h"

namespace {

constexpr int panel = 360;
constexpr int views = 4;
constexpr double canRadius = 45;  // world units, about a can's half length

struct Image {
    int w, h;
    std::vector<unsigned char> rgb;
    std::vector<double> depth;
    Image(int w_, int h_) : w(w_), h(h_), rgb(3 * w_ * h_, 24), depth(w_ * h_, 1e30) {}
    void disc(double cx, double cy, double r, double z, double shade) {
        for (int y = int(cy - r); y <= int(cy + r) + 1; ++y)
            for (int x = int(cx - r); x <= int(cx + r) + 1; ++x) {
                if (x < 0 || y < 0 || x >= w || y >= h) continue;
                double dx = x - cx, dy = y - cy;
                if (dx * dx + dy * dy > r * r || z >= depth[y * w + x]) continue;
                depth[y * w + x] = z;
                double l = shade * (0.75 + 0.25 * (1 - std::sqrt(dx * dx + dy * dy) / std::max(r, 1.0)));
                rgb[3 * (y * w + x)] = (unsigned char)(255 * l);
                rgb[3 * (y * w + x) + 1] = (unsigned char)(220 * l);
                rgb[3 * (y * w + x) + 2] = (unsigned char)(120 * l);
            }
    }
};

struct Projected {
    double x, y, z, scale;
};

// View 0 front (looking along -z), 1 side (along -x), 2 top, 3 perspective
// from the direction of the scene's second control point at the camera height.
Projected project(int view, const float* p, int scene, const float* lo, const float* hi) {
    const SceneParams& s = SceneCatalogue[scene];
    double x = p[0] * s.scale, y = p[1] * s.scale, z = p[2] * s.scale;
    double extent = 0;
    for (int k = 0; k < 3; ++k) extent = std::max(extent, double(hi[k] - lo[k]) * s.scale);
    double k = 0.9 * panel / extent;
    double cx = (lo[0] + hi[0]) / 2 * s.scale, cy = (lo[1] + hi[1]) / 2 * s.scale, cz = (lo[2] + hi[2]) / 2 * s.scale;
    switch (view) {
        case 0: return {panel / 2 + (x - cx) * k, panel / 2 - (y - cy) * k, -z, k};
        case 1: return {panel / 2 - (z - cz) * k, panel / 2 - (y - cy) * k, x, k};
        case 2: return {panel / 2 + (x - cx) * k, panel / 2 + (z - cz) * k, -y, k};
        default: {
            double dx0 = s.controlX[1], dz0 = s.controlZ[1], l = std::sqrt(dx0 * dx0 + dz0 * dz0);
            double distance = std::max(l, 1.6 * extent);
            double ex = dx0 / l * distance, ez = dz0 / l * distance, ey = s.cameraHeight;
            double fx = -dx0 / l, fz = -dz0 / l;
            double rx = -fz, rz = fx;
            double dx = x - ex, dy = y - ey, dz = z - ez;
            double depth = dx * fx + dz * fz, side = dx * rx + dz * rz;
            double f = panel / 2 / std::tan(25 * 3.14159265358979 / 180);
            return {panel / 2 + side * f / depth, panel / 2 - dy * f / depth, depth, f / depth};
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_models <models.bin> <output dir>\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "preview_models: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<float> all;
    float buf[3];
    while (std::fread(buf, sizeof buf, 1, in) == 1) all.insert(all.end(), buf, buf + 3);
    std::fclose(in);
    std::size_t offset = 0;
    for (int m = 0; m < modelCount; ++m) {
        int n = modelVertexCounts[m];
        if ((offset + n) * 3 > all.size()) {
            std::fprintf(stderr, "preview_models: %s is too short\n", argv[1]);
            return 1;
        }
        const float* v = all.data() + offset * 3;
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (int a = 0; a < n; ++a)
            for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[3 * a + k]), hi[k] = std::max(hi[k], v[3 * a + k]);
        Image img(panel * views, panel * 2);
        int cans = 0;
        for (int view = 0; view < views; ++view) {
            for (int a = 0; a < n; a = int(float(a) + SceneCatalogue[m].step)) {
                Projected p = project(view, v + 3 * a, m, lo, hi);
                p.x += view * panel;
                img.disc(p.x, p.y, canRadius * p.scale, p.z, 1.0);
                cans += view == 0;
            }
            for (int a = 0; a < n; ++a) {
                Projected p = project(view, v + 3 * a, m, lo, hi);
                p.x += view * panel;
                p.y += panel;
                img.disc(p.x, p.y, 0.8, p.z, 0.8);
            }
        }
        std::string path = std::string(argv[2]) + "/model" + std::to_string(m) + ".ppm";
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "preview_models: cannot write %s\n", path.c_str());
            return 1;
        }
        std::fprintf(out, "P6\n%d %d\n255\n", img.w, img.h);
        std::fwrite(img.rgb.data(), 1, img.rgb.size(), out);
        std::fclose(out);
        std::printf("%s: %d cans\n", path.c_str(), cans);
        offset += n;
    }
    return 0;
}
