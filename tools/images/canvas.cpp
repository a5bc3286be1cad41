#define STB_TRUETYPE_IMPLEMENTATION
#include "tools/images/canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

constexpr int tgaRunLimit = 128;  // pixels in one TGA packet

std::vector<char32_t> decodeUtf8(std::string_view s) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = extra >= 0 && i + extra < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(ok ? cp : U'\uFFFD');
        i += ok ? extra + 1 : 1;
    }
    return out;
}

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }

}  // namespace

Rgb rgb(unsigned hex) {
    return {((hex >> 16) & 0xFF) / 255.0f, ((hex >> 8) & 0xFF) / 255.0f, (hex & 0xFF) / 255.0f};
}

Rgb mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }

Canvas makeCanvas(int width, int height) {
    return Canvas{width, height, std::vector<Rgb>(size_t(width) * height)};
}

void fill(Canvas& c, const std::function<Rgb(float, float)>& colourAt) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) c.pixels[size_t(y) * c.width + x] = colourAt(x + 0.5f, y + 0.5f);
}

void blend(Canvas& c, int x, int y, Rgb colour, float cover) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height || cover <= 0) return;
    Rgb& p = c.pixels[size_t(y) * c.width + x];
    p = mix(p, colour, clamp01(cover));
}

float coverage(float d) { return clamp01(0.5f - d); }

void paintShape(Canvas& c, const std::function<float(float, float)>& distance,
                const std::function<Rgb(float, float)>& colourAt) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float cover = coverage(distance(px, py));
            if (cover > 0) blend(c, x, y, colourAt(px, py), cover);
        }
}

Mask dilate(const Mask& m, float radius) {
    const int r = static_cast<int>(std::ceil(radius));
    Mask out{m.width + 2 * r, m.height + 2 * r, m.baseline + r, {}};
    out.a.assign(size_t(out.width) * out.height, 0.0f);
    std::vector<std::pair<std::pair<int, int>, float>> disc;  // offset and weight
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const float w = clamp01(radius + 0.5f - std::sqrt(float(dx * dx + dy * dy)));
            if (w > 0) disc.push_back({{dx, dy}, w});
        }
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            float v = 0;
            for (const auto& [d, w] : disc) v = std::max(v, w * m.at(x - r + d.first, y - r + d.second));
            out.a[size_t(y) * out.width + x] = v;
        }
    return out;
}

Mask blur(const Mask& m, int radius) {
    Mask cur = m;
    const float n = float(2 * radius + 1);
    for (int pass = 0; pass < 2; ++pass) {
        Mask h = cur;
        for (int y = 0; y < cur.height; ++y)
            for (int x = 0; x < cur.width; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) s += cur.at(x + k, y);
                h.a[size_t(y) * cur.width + x] = s / n;
            }
        for (int y = 0; y < cur.height; ++y)
            for (int x = 0; x < cur.width; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) s += h.at(x, y + k);
                cur.a[size_t(y) * cur.width + x] = s / n;
            }
    }
    return cur;
}

void paintMask(Canvas& c, const Mask& m, int x0, int y0,
               const std::function<Rgb(float, float)>& colourAt, float opacity) {
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            const float v = m.a[size_t(y) * m.width + x] * opacity;
            if (v > 0) blend(c, x0 + x, y0 + y, colourAt(x0 + x + 0.5f, y0 + y + 0.5f), v);
        }
}

bool loadFont(Font& font, const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    font.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const int offset = font.data.empty() ? -1 : stbtt_GetFontOffsetForIndex(font.data.data(), 0);
    if (offset < 0 || !stbtt_InitFont(&font.info, font.data.data(), offset)) {
        error = path + ": cannot be read as a TrueType font";
        return false;
    }
    int x0, y0, x1, y1;
    font.capHeight = stbtt_GetCodepointBox(&font.info, 'H', &x0, &y0, &x1, &y1) ? float(y1) : 0.7f;
    return true;
}

float capHeightPixels(const Font& font, float pixelHeight) {
    return font.capHeight * stbtt_ScaleForPixelHeight(&font.info, pixelHeight);
}

float textWidth(const Font& font, std::string_view utf8, float pixelHeight, float stretchX) {
    const float scale = stbtt_ScaleForPixelHeight(&font.info, pixelHeight) * stretchX;
    const auto cps = decodeUtf8(utf8);
    float w = 0;
    for (size_t i = 0; i < cps.size(); ++i) {
        int advance, lsb;
        stbtt_GetCodepointHMetrics(&font.info, int(cps[i]), &advance, &lsb);
        w += advance * scale;
        if (i + 1 < cps.size()) w += scale * stbtt_GetCodepointKernAdvance(&font.info, int(cps[i]), int(cps[i + 1]));
    }
    return w;
}

Mask textMask(const Font& font, std::string_view utf8, float pixelHeight, float stretchX) {
    const float scaleY = stbtt_ScaleForPixelHeight(&font.info, pixelHeight);
    const float scaleX = scaleY * stretchX;
    int ascent, descent, lineGap;
    stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &lineGap);
    Mask m;
    m.baseline = static_cast<int>(std::ceil(ascent * scaleY));
    m.width = static_cast<int>(std::ceil(textWidth(font, utf8, pixelHeight, stretchX))) + 2;
    m.height = m.baseline + static_cast<int>(std::ceil(-descent * scaleY)) + 1;
    m.a.assign(size_t(m.width) * m.height, 0.0f);

    const auto cps = decodeUtf8(utf8);
    float penX = 1;
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < cps.size(); ++i) {
        const int cp = int(cps[i]);
        const float shift = penX - std::floor(penX);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(&font.info, cp, scaleX, scaleY, shift, 0, &x0, &y0, &x1, &y1);
        const int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            glyph.assign(size_t(gw) * gh, 0);
            stbtt_MakeCodepointBitmapSubpixel(&font.info, glyph.data(), gw, gh, gw, scaleX, scaleY, shift, 0, cp);
            const int ox = static_cast<int>(std::floor(penX)) + x0, oy = m.baseline + y0;
            for (int y = 0; y < gh; ++y)
                for (int x = 0; x < gw; ++x) {
                    const int mx = ox + x, my = oy + y;
                    if (mx < 0 || my < 0 || mx >= m.width || my >= m.height) continue;
                    float& v = m.a[size_t(my) * m.width + mx];
                    v = std::min(1.0f, v + glyph[size_t(y) * gw + x] / 255.0f);
                }
        }
        int advance, lsb;
        stbtt_GetCodepointHMetrics(&font.info, cp, &advance, &lsb);
        penX += advance * scaleX;
        if (i + 1 < cps.size()) penX += scaleX * stbtt_GetCodepointKernAdvance(&font.info, cp, int(cps[i + 1]));
    }
    return m;
}

bool writeTga(const Canvas& c, const std::string& path, std::string& error) {
    std::vector<uint8_t> out = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                uint8_t(c.width & 0xFF), uint8_t(c.width >> 8),
                                uint8_t(c.height & 0xFF), uint8_t(c.height >> 8),
                                24, 0x20};  // 24 bits, top-left origin
    std::vector<std::array<uint8_t, 3>> bgr;
    bgr.reserve(c.pixels.size());
    for (const Rgb& p : c.pixels) bgr.push_back({toByte(p.b), toByte(p.g), toByte(p.r)});
    // Packets never cross a row, as the format asks.
    for (int y = 0; y < c.height; ++y) {
        const auto* row = &bgr[size_t(y) * c.width];
        int x = 0;
        while (x < c.width) {
            int run = 1;
            while (x + run < c.width && run < tgaRunLimit && row[x + run] == row[x]) ++run;
            if (run > 1) {
                out.push_back(uint8_t(0x80 | (run - 1)));
                out.insert(out.end(), row[x].begin(), row[x].end());
                x += run;
                continue;
            }
            int raw = 1;  // up to the next pair of equal pixels
            while (x + raw < c.width && raw < tgaRunLimit &&
                   !(x + raw + 1 < c.width && row[x + raw] == row[x + raw + 1]))
                ++raw;
            out.push_back(uint8_t(raw - 1));
            for (int k = 0; k < raw; ++k) out.insert(out.end(), row[x + k].begin(), row[x + k].end());
            x += raw;
        }
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    if (!f) {
        error = path + ": cannot be written";
        return false;
    }
    return true;
}
