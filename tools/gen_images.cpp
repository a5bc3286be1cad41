// Draws the show's thirteen images: the can's side label, top and bottom, and
// the ten phrase backdrops. Usage: gen_images [output folder, default "stuff"].
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/images/canvas.h"

namespace {

constexpr const char* fontDir = "/usr/share/fonts/truetype/dejavu/";
constexpr float pi = 3.14159265f;

// The can maps its side label from t = 0 at the top to 95/128 at the bottom,
// so only the first 190 of 256 rows show; 256 columns go once round the
// 125.7-unit circumference, close to the 1.9 rows per unit along the height.
constexpr int labelSize = 256;
constexpr int labelVisibleRows = 190;
// The ends are mapped into the circle of radius 0.48 around the centre.
constexpr int endSize = 256;
constexpr float endRadius = 0.48f * endSize;
// The backdrop shows the top-left 640 x 480 of a 1024 x 512 image.
constexpr int phraseWidth = 1024, phraseHeight = 512;
constexpr float screenW = 640, screenH = 480;

// Brand colours.
const Rgb brandRed = rgb(0xB3122A);
const Rgb brandTeal = rgb(0x0F8B8D);
const Rgb brandOrange = rgb(0xFF7A1A);
const Rgb ink = rgb(0x14142A);
const Rgb white = rgb(0xFFFFFF);

struct Fonts {
    Font sans, condensed, condensedOblique;
};

using Paint = std::function<Rgb(float, float)>;

Paint solid(Rgb c) {
    return [c](float, float) { return c; };
}

// A fixed integer generator for the scattered decorations.
struct Lcg {
    uint32_t state;
    float next() {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 24);
    }
};

float smoothstep(float e0, float e1, float x) {
    const float t = std::fmin(1.0f, std::fmax(0.0f, (x - e0) / (e1 - e0)));
    return t * t * (3 - 2 * t);
}

float circleDistance(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }

float capsuleDistance(float x, float y, float ax, float ay, float bx, float by, float r) {
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const float h = std::fmin(1.0f, std::fmax(0.0f, (px * dx + py * dy) / (dx * dx + dy * dy)));
    return std::hypot(px - dx * h, py - dy * h) - r;
}

// A drop shadow under text: opacity 0 draws none; offsets and blur in pixels.
struct Shadow {
    Rgb colour = ink;
    float opacity = 0;
    int dx = 0, dy = 0, blur = 0;
};

struct TextLook {
    const Font* font = nullptr;
    float size = 60;
    float stretch = 1;
    Paint fill = solid(white);
    Rgb outline = ink;
    float outlineRadius = 0;
    Shadow shadow;
};

enum class Align { left, centre, right };

// One line with its baseline at y; x is its left edge, centre or right edge.
void drawText(Canvas& c, const TextLook& look, const std::string& text, float x, float y, Align align) {
    const Mask m = textMask(*look.font, text, look.size, look.stretch);
    const float w = textWidth(*look.font, text, look.size, look.stretch);
    const int left = int(std::lround(align == Align::left ? x : align == Align::centre ? x - w / 2 : x - w)) - 1;
    const int top = int(std::lround(y)) - m.baseline;
    if (look.shadow.opacity > 0) {
        Mask s = look.outlineRadius > 0 ? dilate(m, look.outlineRadius) : m;
        const int grow = (s.width - m.width) / 2;
        if (look.shadow.blur > 0) s = blur(s, look.shadow.blur);
        paintMask(c, s, left - grow + look.shadow.dx, top - grow + look.shadow.dy, solid(look.shadow.colour),
                  look.shadow.opacity);
    }
    if (look.outlineRadius > 0) {
        const Mask o = dilate(m, look.outlineRadius);
        const int grow = (o.width - m.width) / 2;
        paintMask(c, o, left - grow, top - grow, solid(look.outline));
    }
    paintMask(c, m, left, top, look.fill);
}

// Largest size up to preferred at which every line fits in maxWidth.
float fitSize(const Font& font, const std::vector<std::string>& lines, float preferred, float maxWidth,
              float stretch = 1) {
    float widest = 0;
    for (const auto& l : lines) widest = std::fmax(widest, textWidth(font, l, preferred, stretch));
    return widest > maxWidth ? preferred * maxWidth / widest : preferred;
}

// Lines spaced by lineStep, the block of capitals centred on cy.
void drawBlock(Canvas& c, TextLook look, const std::vector<std::string>& lines, float x, float cy, Align align,
               float maxWidth, float lineFactor = 1.08f) {
    look.size = fitSize(*look.font, lines, look.size, maxWidth, look.stretch);
    const float cap = capHeightPixels(*look.font, look.size);
    const float step = look.size * lineFactor;
    const float span = cap + step * float(lines.size() - 1);
    float baseline = cy - span / 2 + cap;
    for (const auto& l : lines) {
        drawText(c, look, l, x, baseline, align);
        baseline += step;
    }
}

// The small wordmark the phrase screens sign with, bottom right.
void signature(Canvas& c, const Fonts& f, Rgb colour) {
    TextLook look;
    look.font = &f.condensed;
    look.size = 30;
    look.fill = solid(colour);
    look.shadow = {rgb(0x000000), 0.6f, 2, 2, 1};
    drawText(c, look, "KELVORA", screenW - 24, screenH - 22, Align::right);
}

Paint verticalGradient(Rgb top, Rgb bottom, float height) {
    return [=](float, float y) { return mix(top, bottom, std::fmin(1.0f, y / height)); };
}

// Brushed metal: horizontal streaks over a base grey.
Rgb brushed(float x, float y, float base, uint32_t seed) {
    const uint32_t h = (uint32_t(y) * 2654435761u) ^ seed;
    const float streak = float((h >> 13) % 1000) / 1000.0f - 0.5f;
    return {base + 0.05f * streak + 0.01f * std::sin(x * 0.7f), base + 0.05f * streak, base + 0.05f * streak + 0.02f};
}

// ---------------------------------------------------------------- can parts

Canvas drawLabel(const Fonts& f) {
    Canvas c = makeCanvas(labelSize, labelSize);
    const float redTop = 16, redBottom = 132, tealBottom = 172, rimBottom = labelVisibleRows - 12;
    fill(c, [&](float x, float y) -> Rgb {
        if (y < 12 || y >= rimBottom) {
            const float edge = y < 12 ? y / 12 : (y - rimBottom) / 12;
            return brushed(x, y, 0.72f + 0.18f * std::sin(pi * std::fmin(1.0f, edge)), 7);
        }
        if (y < redTop || (y >= redBottom && y < redBottom + 4) || y >= tealBottom) return brandOrange;
        if (y < redBottom) {
            // A lighter sweep crossing the red twice round the can.
            const float sweep = std::sin((x / labelSize) * 4 * pi + (y - redTop) * 0.035f);
            return mix(brandRed, rgb(0xD8283C), 0.5f + 0.5f * sweep);
        }
        return mix(brandTeal, rgb(0x0A5F66), (y - redBottom) / (tealBottom - redBottom));
    });

    // The wordmark twice round, tall and condensed so it reads on a small can.
    TextLook word;
    word.font = &f.condensed;
    word.size = 100;
    word.stretch = std::fmin(1.0f, 116 / textWidth(f.condensed, "KELVORA", word.size));
    word.fill = [&](float, float y) { return mix(white, rgb(0xFFE3B0), smoothstep(30, 120, y)); };
    word.outline = ink;
    word.outlineRadius = 3;
    word.shadow = {rgb(0x300008), 0.55f, 3, 3, 2};
    const float wordBaseline = (redTop + redBottom) / 2 + capHeightPixels(f.condensed, word.size) / 2;
    TextLook tag;
    tag.font = &f.sans;
    tag.size = 21;
    tag.stretch = 0.8f;
    tag.fill = solid(white);
    tag.outlineRadius = 1.2f;
    tag.outline = rgb(0x063B40);
    const float tagBaseline = (redBottom + 4 + tealBottom) / 2 + capHeightPixels(f.sans, tag.size) / 2;
    for (int copy = 0; copy < 2; ++copy) {
        const float cx = labelSize / 4.0f + copy * labelSize / 2.0f;
        drawText(c, word, "KELVORA", cx, wordBaseline, Align::centre);
        drawText(c, tag, "REVITALIZA", cx, tagBaseline, Align::centre);
    }
    return c;
}

// Lit metal: shade from a normal tilt given as a slope toward the light.
Rgb metal(float base, float light) {
    const float v = std::fmin(1.0f, std::fmax(0.0f, base + light));
    return {v * 0.97f, v * 0.98f, v};
}

Canvas drawTop(const Fonts&) {
    Canvas c = makeCanvas(endSize, endSize);
    const float cx = endSize / 2.0f, cy = endSize / 2.0f;
    // Light comes from the upper left; lightAt is how much a surface sloping
    // outward at (x, y) faces it.
    auto facing = [&](float x, float y) {
        const float r = std::fmax(1.0f, std::hypot(x - cx, y - cy));
        return (-(x - cx) - (y - cy)) / (r * 1.4142f);
    };
    fill(c, [&](float x, float y) -> Rgb {
        const float r = std::fmin(endRadius, std::hypot(x - cx, y - cy));  // corners repeat the rim
        const float s = facing(x, y);
        if (r > endRadius - 6) return metal(0.78f, 0.18f * s * std::cos((r - endRadius + 3) * 0.5f));  // rolled rim
        if (r > endRadius - 14) return metal(0.5f, -0.25f * s);                                          // groove
        if (r > endRadius - 17) return metal(0.62f, 0.15f * s);
        const float ring = std::fabs(r - 92) < 1.5f ? 0.12f * s : 0.0f;                                    // stiffening bead
        return metal(0.74f - 0.0006f * r, ring + 0.05f * (-(x - cx) - (y - cy)) / endRadius);
    });

    // Opening: the scored tongue on one side of the rivet.
    auto tongue = [&](float x, float y) { return capsuleDistance(x, y, cx, cy - 44, cx, cy - 62, 27); };
    paintShape(c, [&](float x, float y) { return std::fabs(tongue(x, y)) - 1.2f; },
               [&](float, float) { return rgb(0x55585E); });
    paintShape(c, [&](float x, float y) { return tongue(x, y) + 2; },
               [&](float x, float y) { return metal(0.7f, 0.05f * (cy - 50 - y) / 30 - 0.02f * (x - cx) / 20); });

    // The pull tab: a plate with a finger hole, riveted at the centre.
    auto plate = [&](float x, float y) { return capsuleDistance(x, y, cx, cy - 18, cx, cy + 52, 25); };
    auto hole = [&](float x, float y) { return capsuleDistance(x, y, cx, cy + 24, cx, cy + 50, 12); };
    auto tab = [&](float x, float y) { return std::fmax(plate(x, y), -hole(x, y)); };
    paintShape(c, [&](float x, float y) { return tab(x - 3, y - 3); }, solid(rgb(0x4A4D55)));  // shadow
    paintShape(c, tab, [&](float x, float y) {
        // Rim of the plate catches the light more than its flat middle.
        const float edge = smoothstep(-5, 0, tab(x, y));
        return metal(0.82f - 0.25f * edge * std::fmax(0.0f, -facing(x, y)), 0.1f * edge * facing(x, y));
    });
    paintShape(c, [&](float x, float y) { return std::fabs(hole(x, y) + 1.5f) - 1.0f; },
               [&](float x, float y) { return metal(0.4f, 0.1f * facing(x, y)); });
    paintShape(c, [&](float x, float y) { return circleDistance(x, y, cx, cy - 4, 9); },
               [&](float x, float y) { return metal(0.72f, 0.25f * facing(x, y)); });
    paintShape(c, [&](float x, float y) { return std::fabs(circleDistance(x, y, cx, cy - 4, 9)) - 0.8f; },
               solid(rgb(0x4E5158)));
    return c;
}

Canvas drawBottom(const Fonts& f) {
    Canvas c = makeCanvas(endSize, endSize);
    const float cx = endSize / 2.0f, cy = endSize / 2.0f;
    fill(c, [&](float x, float y) -> Rgb {
        const float r = std::fmin(endRadius, std::hypot(x - cx, y - cy));  // corners repeat the rim
        const float dir = (-(x - cx) - (y - cy)) / (std::fmax(1.0f, r) * 1.4142f);
        if (r > endRadius - 10) return metal(0.7f, 0.16f * dir * std::cos((r - endRadius + 5) * 0.3f));  // chime
        if (r > endRadius - 24) {  // stand ring, the bright contact circle
            const float u = (r - (endRadius - 24)) / 14;
            return metal(0.78f + 0.12f * std::sin(pi * u), 0.14f * dir * std::cos(pi * u));
        }
        // The dome bulges inward: its slope faces away from the light.
        const float slope = r / (endRadius - 24);
        const float groove = 0.04f * std::cos(r * 0.55f) * smoothstep(20, 30, r);
        return metal(0.6f + 0.08f * (1 - slope), -0.16f * dir * slope + groove);
    });

    // Embossed markings: a light edge up-left, a dark edge down-right.
    auto emboss = [&](const Font& font, const std::string& text, float size, float baseline) {
        TextLook look;
        look.font = &font;
        look.size = size;
        look.fill = solid(rgb(0xE8EAEE));
        drawText(c, look, text, cx - 1, baseline - 1, Align::centre);
        look.fill = solid(rgb(0x3A3C42));
        drawText(c, look, text, cx + 1, baseline + 1, Align::centre);
        look.fill = solid(metal(0.6f, 0.0f));
        drawText(c, look, text, cx, baseline, Align::centre);
    };
    emboss(f.condensed, "KELVORA", 34, cy + 4);
    emboss(f.sans, "33 cl", 17, cy + 30);
    emboss(f.sans, "L 0417", 13, cy - 30);
    return c;
}

// ---------------------------------------------------------------- phrases

Canvas phraseCanvas(const Paint& background) {
    Canvas c = makeCanvas(phraseWidth, phraseHeight);
    fill(c, background);
    return c;
}

// Rays round a point, alternating two shades.
Canvas phrase1(const Fonts& f) {
    Canvas c = phraseCanvas([](float x, float y) {
        const float dx = x - 320, dy = y - 250;
        const float r = std::hypot(dx, dy) / 420;
        const float ray = std::sin(std::atan2(dy, dx) * 12) > 0 ? 0.06f : 0.0f;
        const Rgb base = mix(rgb(0x1F4FA0), rgb(0x050B20), std::fmin(1.0f, r));
        return mix(base, rgb(0x3A7BD5), ray * (1 - std::fmin(1.0f, r)));
    });
    TextLook look;
    look.font = &f.sans;
    look.size = 96;
    look.outline = brandOrange;
    look.outlineRadius = 4;
    look.shadow = {rgb(0x000000), 0.6f, 6, 7, 4};
    drawBlock(c, look, {"DESPIERTA", "LO MEJOR", "DE TI"}, 320, 230, Align::centre, 580);
    signature(c, f, rgb(0xFFB066));
    return c;
}

// Cold above a diagonal, hot below it.
Canvas phrase2(const Fonts& f) {
    auto cut = [](float x, float y) { return y - (360 - x * 200 / 640); };  // > 0 below the line
    Canvas c = phraseCanvas([&](float x, float y) {
        const float d = cut(x, y);
        if (std::fabs(d) < 4) return rgb(0xF2F7FA);
        return d < 0 ? mix(rgb(0x135F8C), rgb(0x0A2F4C), std::fmin(1.0f, y / 330))
                     : mix(rgb(0xC0261A), rgb(0x5E0808), std::fmin(1.0f, (y - 150) / 330));
    });
    TextLook cold;
    cold.font = &f.condensed;
    cold.size = 84;
    cold.fill = verticalGradient(white, rgb(0xA8E4FF), 160);
    cold.shadow = {rgb(0x041B2E), 0.7f, 4, 5, 3};
    drawText(c, cold, "FRÍO", 40, 110, Align::left);
    drawText(c, cold, "POR FUERA,", 40, 190, Align::left);
    TextLook hot = cold;
    hot.fill = verticalGradient(rgb(0xFFE066), brandOrange, 470);
    hot.outline = rgb(0x4A0505);
    hot.outlineRadius = 3;
    hot.shadow.colour = rgb(0x200000);
    drawText(c, hot, "FUEGO", 600, 330, Align::right);
    drawText(c, hot, "POR DENTRO", 600, 408, Align::right);
    signature(c, f, rgb(0xFFE066));
    return c;
}

// Halftone dots growing toward the lower right.
Canvas phrase3(const Fonts& f) {
    Canvas c = phraseCanvas([](float x, float y) {
        const Rgb base = mix(rgb(0x2A0A4A), rgb(0x6A1B9A), std::fmin(1.0f, y / 480));
        const float cell = 24;
        const float gx = std::fmod(x, cell) - cell / 2, gy = std::fmod(y, cell) - cell / 2;
        const float radius = 2 + 8 * std::fmin(1.0f, (x + y) / 1100);
        return mix(base, rgb(0x8E3CC8), coverage(std::hypot(gx, gy) - radius) * 0.55f);
    });
    TextLook look;
    look.font = &f.sans;
    look.size = 100;
    look.fill = solid(rgb(0xFFE14D));
    look.outline = rgb(0x1A0530);
    look.outlineRadius = 4;
    look.shadow = {rgb(0x0D0218), 0.7f, 7, 7, 0};
    drawBlock(c, look, {"TU MENTE,", "A TODA", "MÁQUINA"}, 44, 226, Align::left, 560, 1.1f);
    signature(c, f, white);
    return c;
}

// Ripples spreading from a drop.
Canvas phrase4(const Fonts& f) {
    Canvas c = phraseCanvas([](float x, float y) {
        const Rgb base = mix(rgb(0x007A7C), rgb(0x0B3D2E), std::fmin(1.0f, x / 640));
        const float r = std::hypot(x - 500, y - 370);
        const float wave = std::sin(r * 0.16f) * std::exp(-r / 260);
        return mix(base, wave > 0 ? rgb(0x3FD0B8) : rgb(0x022A22), std::fabs(wave) * 0.6f);
    });
    TextLook look;
    look.font = &f.condensed;
    look.size = 90;
    look.fill = solid(white);
    look.shadow = {rgb(0x012019), 0.75f, 5, 5, 3};
    drawBlock(c, look, {"CADA SORBO,", "UN NUEVO", "COMIENZO"}, 40, 170, Align::left, 520);
    signature(c, f, rgb(0xBFFFF0));
    return c;
}

// A striped retro sun setting behind the words.
Canvas phrase5(const Fonts& f) {
    Canvas c = phraseCanvas([](float x, float y) {
        Rgb sky = mix(rgb(0xFF8C1A), rgb(0xB0126B), std::fmin(1.0f, y / 480));
        const float sunD = circleDistance(x, y, 320, 400, 170);
        const bool stripe = y > 330 && std::fmod(y - 330, 22) < 4 + (y - 330) * 0.06f;
        if (!stripe) sky = mix(sky, mix(rgb(0xFFE14D), rgb(0xFF5A3C), (y - 230) / 250), coverage(sunD));
        return sky;
    });
    TextLook look;
    look.font = &f.sans;
    look.size = 78;
    look.fill = solid(white);
    look.outline = rgb(0x6A0838);
    look.outlineRadius = 4;
    look.shadow = {rgb(0x4A0426), 0.6f, 0, 8, 3};
    drawBlock(c, look, {"¡MÁS CHISPA", "PARA TU DÍA!"}, 320, 130, Align::centre, 600);
    signature(c, f, white);
    return c;
}

// Three words stepping down across broad diagonal bands.
Canvas phrase6(const Fonts& f) {
    const Rgb colours[3] = {rgb(0x2AD4C8), brandOrange, rgb(0xFF3B4B)};
    Canvas c = phraseCanvas([&](float x, float y) {
        const float u = x + y * 0.6f;
        Rgb base = mix(rgb(0x101018), rgb(0x1C1C2A), std::fmin(1.0f, y / 480));
        for (int i = 0; i < 3; ++i) {
            const float start = 560 + i * 90;
            if (u > start + 80 && u < start + 140) base = mix(base, colours[i], 0.35f);
        }
        return base;
    });
    TextLook look;
    look.font = &f.condensed;
    look.size = 112;
    look.shadow = {rgb(0x000000), 0.8f, 5, 5, 2};
    const char* words[3] = {"RECARGA.", "RESPIRA.", "REPITE."};
    for (int i = 0; i < 3; ++i) {
        look.fill = solid(colours[i]);
        drawText(c, look, words[i], 36 + 50 * i, 140 + 125 * i, Align::left);
    }
    signature(c, f, white);
    return c;
}

// Chevrons pointing up.
Canvas phrase7(const Fonts& f) {
    Canvas c = phraseCanvas([](float x, float y) {
        const Rgb base = mix(rgb(0x143A9A), rgb(0x06123A), std::fmin(1.0f, y / 480));
        const float v = std::fmod(y + std::fabs(std::fmod(x, 120) - 60) + 1000, 60);
        return v < 14 ? mix(base, rgb(0x2E63D6), 0.35f) : base;
    });
    TextLook look;
    look.font = &f.sans;
    look.size = 92;
    look.fill = verticalGradient(white, rgb(0x9FF3FF), 330);
    look.outline = rgb(0x06123A);
    look.outlineRadius = 5;
    look.shadow = {rgb(0x000814), 0.5f, 6, 6, 4};
    drawBlock(c, look, {"EL IMPULSO", "QUE BUSCABAS"}, 320, 240, Align::centre, 600, 1.25f);
    signature(c, f, rgb(0x9FF3FF));
    return c;
}

// Bubbles rising through green.
Canvas phrase8(const Fonts& f) {
    Canvas c = phraseCanvas(verticalGradient(rgb(0x0D3B1E), rgb(0x1F7A3A), 480));
    Lcg rng{2024};
    for (int i = 0; i < 70; ++i) {
        const float x = rng.next() * 700, y = rng.next() * 512, r = 4 + 26 * rng.next() * rng.next();
        const float shade = 0.25f + 0.3f * rng.next();
        paintShape(c, [=](float px, float py) { return std::fabs(circleDistance(px, py, x, y, r)) - 1.2f; },
                   [=](float, float) { return mix(rgb(0x1F7A3A), rgb(0xB8FFC8), shade); });
        paintShape(c, [=](float px, float py) { return circleDistance(px, py, x - r * 0.4f, y - r * 0.4f, r * 0.18f); },
                   [=](float, float) { return mix(rgb(0x1F7A3A), white, shade); });
    }
    TextLook look;
    look.font = &f.sans;
    look.size = 88;
    look.fill = solid(rgb(0xD8FF4A));
    look.shadow = {rgb(0x03140A), 0.8f, 5, 6, 3};
    look.outline = rgb(0x0A2A14);
    look.outlineRadius = 2;
    drawBlock(c, look, {"ÁBRELA Y", "SIENTE LA", "DIFERENCIA"}, 320, 232, Align::centre, 590, 1.12f);
    signature(c, f, rgb(0xD8FF4A));
    return c;
}

// Speed streaks, slanted type.
Canvas phrase9(const Fonts& f) {
    Canvas c = phraseCanvas(verticalGradient(rgb(0x0A0820), rgb(0x22104A), 480));
    Lcg rng{77};
    for (int i = 0; i < 90; ++i) {
        const float y = rng.next() * 512, x0 = rng.next() * 1024, len = 60 + 340 * rng.next();
        const float thick = 0.6f + 2.5f * rng.next();
        const Rgb col = rng.next() < 0.5f ? rgb(0xFF2FA8) : rgb(0x2FE6FF);
        const float strength = 0.25f + 0.5f * rng.next();
        paintShape(c, [=](float px, float py) { return capsuleDistance(px, py, x0, y, x0 + len, y, thick); },
                   [=](float px, float) {
                       return mix(rgb(0x0A0820), col, strength * std::fmin(1.0f, (px - x0) / len));
                   });
    }
    TextLook look;
    look.font = &f.condensedOblique;
    look.size = 104;
    look.fill = solid(white);
    look.shadow = {rgb(0xFF2FA8), 0.85f, -10, 0, 3};
    drawBlock(c, look, {"NACIDA PARA", "LOS QUE", "NO PARAN"}, 330, 236, Align::centre, 580, 1.05f);
    signature(c, f, rgb(0x2FE6FF));
    return c;
}

// The closing slogan in the brand's own colours.
Canvas phrase10(const Fonts& f) {
    Canvas c = phraseCanvas([](float x, float y) {
        const float r = std::hypot(x - 320, y - 200) / 460;
        Rgb base = mix(rgb(0xC0182E), rgb(0x4E0410), std::fmin(1.0f, r));
        const float band = y - (420 - x * 0.1f);
        if (band > 0 && band < 100) base = mix(rgb(0x12A0A2), rgb(0x075A5E), band / 100);
        if (std::fabs(band) < 5 || std::fabs(band - 100) < 5) base = brandOrange;
        return base;
    });
    TextLook brand;
    brand.font = &f.sans;
    brand.size = 150;
    brand.fill = verticalGradient(white, rgb(0xFFE3B0), 240);
    brand.outline = ink;
    brand.outlineRadius = 5;
    brand.shadow = {rgb(0x1A0004), 0.6f, 8, 9, 4};
    drawBlock(c, brand, {"KELVORA"}, 320, 120, Align::centre, 600);
    TextLook tag;
    tag.font = &f.condensed;
    tag.size = 72;
    tag.fill = solid(white);
    tag.outline = rgb(0x063B40);
    tag.outlineRadius = 3;
    tag.shadow = {rgb(0x000000), 0.5f, 4, 4, 2};
    drawBlock(c, tag, {"REVITALIZA", "CUERPO Y MENTE"}, 320, 290, Align::centre, 600, 1.1f);
    return c;
}

bool save(const Canvas& c, const std::string& dir, const std::string& name) {
    std::string error;
    if (!writeTga(c, dir + "/" + name, error)) {
        std::fprintf(stderr, "gen_images: %s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: gen_images [output folder]\n");
        return 2;
    }
    const std::string dir = argc == 2 ? argv[1] : "stuff";
    Fonts fonts;
    std::string error;
    if (!loadFont(fonts.sans, std::string(fontDir) + "DejaVuSans-Bold.ttf", error) ||
        !loadFont(fonts.condensed, std::string(fontDir) + "DejaVuSansCondensed-Bold.ttf", error) ||
        !loadFont(fonts.condensedOblique, std::string(fontDir) + "DejaVuSansCondensed-BoldOblique.ttf", error)) {
        std::fprintf(stderr, "gen_images: %s (the fonts come with the fonts-dejavu-core package)\n", error.c_str());
        return 1;
    }
    bool ok = save(drawLabel(fonts), dir, "texl.tga") && save(drawTop(fonts), dir, "text.tga") &&
              save(drawBottom(fonts), dir, "texb.tga");
    Canvas (*const phrases[])(const Fonts&) = {phrase1, phrase2, phrase3, phrase4, phrase5,
                                               phrase6, phrase7, phrase8, phrase9, phrase10};
    for (int i = 0; ok && i < 10; ++i) ok = save(phrases[i](fonts), dir, "frase" + std::to_string(i + 1) + ".tga");
    return ok ? 0 : 1;
}
