// Drawing kit of the image generator: a float RGB canvas, coverage masks for
// anti-aliased shapes and text (stb_truetype), and the TGA writer.
// Everything here is plain arithmetic with no time or randomness, so the same
// font file gives the same bytes on every run.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <stb/stb_truetype.h>

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb rgb(unsigned hex);  // 0xRRGGBB
Rgb mix(Rgb a, Rgb b, float t);
Rgb scaled(Rgb c, float k);

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // top row first
};

Canvas makeCanvas(int width, int height);
void fill(Canvas& c, const std::function<Rgb(float x, float y)>& colourAt);
// Blends colour over the pixel with the given coverage (0..1).
void blend(Canvas& c, int x, int y, Rgb colour, float coverage);
// Coverage of a pixel by a shape whose signed distance (negative inside) at
// the pixel centre is d.
float coverage(float d);
// Paints a shape given by its signed distance function.
void paintShape(Canvas& c, const std::function<float(float x, float y)>& distance,
                const std::function<Rgb(float x, float y)>& colourAt);

// Coverage values on a grid, with a reference point (the text baseline).
struct Mask {
    int width = 0;
    int height = 0;
    int baseline = 0;  // row of the baseline, for text
    std::vector<float> a;
    float at(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : a[size_t(y) * width + x];
    }
};

// Grows the mask by radius on every side: a soft-edged outline.
Mask dilate(const Mask& m, float radius);
// Box blur twice, radius in pixels; keeps the size.
Mask blur(const Mask& m, int radius);
// Paints the mask with its top-left corner at (x, y).
void paintMask(Canvas& c, const Mask& m, int x, int y,
               const std::function<Rgb(float x, float y)>& colourAt, float opacity = 1.0f);

struct Font {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
    float capHeight = 0;  // in font units, from the glyph 'H'
};

// False with a message naming the file when it cannot be read as a font.
bool loadFont(Font& font, const std::string& path, std::string& error);

// The text set in one line. pixelHeight is the em size; stretchX widens (>1)
// or narrows (<1) the glyphs. The mask spans the advance width and the font's
// ascent to descent, with the baseline row recorded.
Mask textMask(const Font& font, std::string_view utf8, float pixelHeight, float stretchX = 1.0f);
float textWidth(const Font& font, std::string_view utf8, float pixelHeight, float stretchX = 1.0f);
float capHeightPixels(const Font& font, float pixelHeight);

// Writes a 24-bit run-length TGA (type 10), top row first. False with a
// message on failure.
bool writeTga(const Canvas& c, const std::string& path, std::string& error);
