#include "render/frame_rate_text.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int glyphColumns = 3;
constexpr int glyphRows = 5;
// One cell's size in pixels per this many pixels of viewport height, and the
// smallest.
constexpr int heightPerCell = 160;
constexpr int smallestCell = 2;

// Each glyph as five rows of three cells, top row first; '#' is lit.
struct Glyph {
    char character;
    const char* rows[glyphRows];
};
constexpr Glyph glyphs[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}}, {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "###"}},
    {'.', {"...", "...", "...", "...", ".#."}}, {':', {"...", ".#.", "...", ".#.", "..."}},
    {'F', {"###", "#..", "##.", "#..", "#.."}}, {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'S', {".##", "#..", ".#.", "..#", "##."}},
};

const Glyph* glyphOf(char c) {
    for (const Glyph& glyph : glyphs)
        if (glyph.character == c) return &glyph;
    return nullptr;
}

void cell(int x, int y, int size) {
    glVertex2i(x, y);
    glVertex2i(x + size, y);
    glVertex2i(x + size, y + size);
    glVertex2i(x, y + size);
}

}  // namespace

std::string frameRateText(double framesPerSecond) {
    char text[32];
    std::snprintf(text, sizeof text, "FPS: %.1f", std::clamp(framesPerSecond, 0.0, 99999.0));
    return text;
}

bool glyphCellLit(char c, int column, int row) {
    const Glyph* glyph = glyphOf(c);
    if (glyph == nullptr || column < 0 || column >= glyphColumns || row < 0 || row >= glyphRows)
        return false;
    return glyph->rows[row][column] == '#';
}

void drawFrameRate(double framesPerSecond, int width, int height) {
    const std::string text = frameRateText(framesPerSecond);
    const int size = std::max(smallestCell, height / heightPerCell);
    const int advance = (glyphColumns + 1) * size;
    const int left = 2 * size, bottom = 2 * size;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);

    glBegin(GL_QUADS);
    // A dark plate keeps the digits readable over the white of a scene.
    glColor3f(0.0f, 0.0f, 0.0f);
    glVertex2i(left - size, bottom - size);
    glVertex2i(left + static_cast<int>(text.size()) * advance, bottom - size);
    glVertex2i(left + static_cast<int>(text.size()) * advance, bottom + (glyphRows + 1) * size);
    glVertex2i(left - size, bottom + (glyphRows + 1) * size);
    glColor3f(1.0f, 1.0f, 0.0f);
    for (std::size_t i = 0; i < text.size(); ++i)
        for (int row = 0; row < glyphRows; ++row)
            for (int column = 0; column < glyphColumns; ++column)
                if (glyphCellLit(text[i], column, row))
                    cell(left + static_cast<int>(i) * advance + column * size,
                         bottom + (glyphRows - 1 - row) * size, size);
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}
