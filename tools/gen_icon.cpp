// Draws the desktop icon from the show's own can art: a can seen a little from
// above, its side label (stuff/texl.tga) wrapped round the body and its top
// image (stuff/text.tga) on the lid, on a transparent background.
// Usage: gen_icon <stuff folder> <output.png>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/tga.h"

namespace {

constexpr int iconSize = 256;
constexpr int samplesPerAxis = 4;  // supersampling for smooth edges
constexpr float pi = 3.14159265f;

// The can on the icon, in pixels.
constexpr float centreX = 128.0f;
constexpr float radiusX = 74.0f;
constexpr float radiusY = 20.0f;  // the lid's ellipse: seen from a little above
constexpr float lidY = 34.0f;
constexpr float baseY = 222.0f;

// As the show maps them: the label's first 190 of 256 rows run down the side,
// its columns once round; the lid's image fills the circle of radius 0.48
// about the image's centre.
constexpr float labelVisibleShare = 190.0f / 256.0f;
constexpr float lidImageRadius = 0.48f;
// The label column that faces the viewer: the middle of the first "KELVORA".
constexpr float frontColumnShare = 0.25f;

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Image {
    int width = 0, height = 0, components = 0;
    std::vector<unsigned char> pixels;

    Rgba at(float u, float v) const {  // u, v in 0..1, wrapping
        const int x = static_cast<int>(std::floor(u * width)) & (width - 1);
        const int y = std::clamp(static_cast<int>(v * height), 0, height - 1);
        const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * components];
        return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, 1.0f};
    }
};

Image load(const std::string& path) {
    TexLoader loader;
    const _IMAGE_INFO* info = loader.LoadTGA(path.c_str());
    if (info == nullptr) {
        std::fprintf(stderr, "gen_icon: %s\n", loader.error().c_str());
        std::exit(1);
    }
    Image image{info->width, info->height, info->components, {}};
    image.pixels.assign(info->pixels, info->pixels + static_cast<std::size_t>(info->width) * info->height * info->components);
    return image;
}

Rgba shade(Rgba c, float light) { return {c.r * light, c.g * light, c.b * light, c.a}; }

// The colour of the can at one point of the icon, transparent off the can.
Rgba sample(const Image& label, const Image& lid, float x, float y) {
    const float u = (x - centreX) / radiusX;
    if (std::fabs(u) >= 1.0f) return {};
    const float lidDy = (y - lidY) / radiusY;
    if (u * u + lidDy * lidDy <= 1.0f) {
        const float s = 0.5f + u * lidImageRadius, t = 0.5f + lidDy * lidImageRadius;
        return shade(lid.at(s, t), 1.0f);
    }
    // The body: between the front edges of the lid's and the base's ellipses.
    const float front = radiusY * std::sqrt(1.0f - u * u);
    const float top = lidY + front, bottom = baseY + front;
    if (y < top || y > bottom) return {};
    const float angle = std::asin(u);
    const float column = frontColumnShare + angle / (2.0f * pi);
    const float row = (y - top) / (bottom - top) * labelVisibleShare;
    // Light from the upper left: bright on that side, falling off round the back.
    const float light = 0.45f + 0.55f * std::max(0.0f, std::cos(angle + 0.5f));
    return shade(label.at(column, row), light);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_icon <stuff folder> <output.png>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Image label = load(folder + "/texl.tga");
    const Image lid = load(folder + "/text.tga");

    std::vector<unsigned char> out(static_cast<std::size_t>(iconSize) * iconSize * 4);
    for (int y = 0; y < iconSize; ++y)
        for (int x = 0; x < iconSize; ++x) {
            Rgba sum;
            for (int sy = 0; sy < samplesPerAxis; ++sy)
                for (int sx = 0; sx < samplesPerAxis; ++sx) {
                    const Rgba c = sample(label, lid, x + (sx + 0.5f) / samplesPerAxis,
                                          y + (sy + 0.5f) / samplesPerAxis);
                    // Premultiplied, so that edge pixels keep the can's colour.
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                }
            unsigned char* p = &out[(static_cast<std::size_t>(y) * iconSize + x) * 4];
            const float coverage = sum.a / (samplesPerAxis * samplesPerAxis);
            for (int k = 0; k < 3; ++k) {
                const float channel = sum.a > 0 ? (&sum.r)[k] / sum.a : 0.0f;
                p[k] = static_cast<unsigned char>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255));
            }
            p[3] = static_cast<unsigned char>(std::lround(coverage * 255));
        }
    if (!stbi_write_png(argv[2], iconSize, iconSize, 4, out.data(), iconSize * 4)) {
        std::fprintf(stderr, "gen_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
