// The show's pseudo-random numbers: the classic C library generator (values
// 0..32767), so that one seed gives the same show on every platform. Nothing
// else in the program draws random numbers.
#pragma once

constexpr int randomMax = 32767;

void seedRandom(unsigned seed);
int randomDraw();
