// The frame-rate counter a screensaver shows on request ("FPS: 59.9"), drawn
// with a tiny built-in digit font over the finished picture.
#pragma once

#include <string>

// "FPS: 59.9": the text shown for a rate.
std::string frameRateText(double framesPerSecond);
// Draws it in the bottom-left corner of a width x height viewport; leaves
// OpenGL's state and matrices as it found them.
void drawFrameRate(double framesPerSecond, int width, int height);
// Whether the font lights cell (column, row) of character c (row 0 at the
// top); characters without a glyph light nothing.
bool glyphCellLit(char c, int column, int row);
