#include "show/random.h"

#include <cstdint>

namespace {

// The classic C library linear congruential generator. The state wraps
// modulo 2^32 through unsigned overflow.
constexpr std::uint32_t multiplier = 214013u;
constexpr std::uint32_t increment = 2531011u;
constexpr int outputShift = 16;  // the draw is bits 16..30 of the new state

std::uint32_t state = 1;  // as the C library before any seeding

}  // namespace

void seedRandom(unsigned seed) { state = seed; }

int randomDraw() {
    state = state * multiplier + increment;
    return static_cast<int>((state >> outputShift) & randomMax);
}
