// The order of a model's triangles. The show puts a can on every step-th
// vertex of the list, which for a step divisible by three is the first corner
// of every (step / 3)-th triangle; those corners are chosen here to be spread
// evenly over the visible surface, so that a few hundred cans draw the whole
// object. Other triangles fill the slots in between.
#pragma once

#include <array>
#include <vector>

#include "tools/models/shapes.h"

namespace models {

// Triangle slots start, start + stride, ... (count of them) that a walk reads.
struct WalkSlots {
    int start, stride, count;
};

// The walks a model's list serves, in triangles from its own first one.
// Later walks keep the corners earlier walks already placed where they share
// a slot.
std::vector<std::array<Vec3, 3>> orderForWalks(const std::vector<Mesh>& parts, const std::vector<WalkSlots>& walks);

// The walk of a list whose own triangles start at `firstVertex` of an array
// of `arrayVertices` walked with `step` from vertex 0.
WalkSlots walkSlotsFor(int arrayVertices, int firstVertex, int ownVertices, int step);

}  // namespace models
