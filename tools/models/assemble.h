// From shapes to a model: grid resolutions that add up to an exact triangle
// count, and the placement of a model into its box.
#pragma once

#include <vector>

#include "tools/models/shapes.h"

namespace models {

struct Part {
    Shape shape;
    double density = 1;  // relative points per area
};

// One mesh per part, with 2 x (rings x segments) summed over the parts equal
// to `triangles` (which must be even), the points spread about evenly.
std::vector<Mesh> meshParts(const std::vector<Part>& parts, int triangles);

struct Box {
    Vec3 min, max;
};
Box boundsOf(const std::vector<Mesh>& meshes);
// The uniform scale and shift that best fit the meshes' bounds into
// `target`, standing them on its floor.
Affine fitInto(const std::vector<Mesh>& meshes, const Box& target);
void transformAll(std::vector<Mesh>& meshes, const Affine& a);

}  // namespace models
