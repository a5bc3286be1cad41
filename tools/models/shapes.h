// Closed parametric surfaces and their triangle meshes. Every shape is a map
// (u, v) -> point over the unit square, v running around the shape: a sphere
// shape closes at poles u = 0 and u = 1, a torus shape wraps in u as well.
// Either way a mesh of `rings` x `segments` grid cells has exactly
// 2 x rings x segments triangles and every edge in two of them.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "tools/models/geometry.h"

namespace models {

struct Shape {
    std::function<Vec3(double u, double v)> at;
    bool torus = false;
};

struct Mesh {
    std::vector<Vec3> points;
    std::vector<std::array<int, 3>> triangles;
};

// A surface of revolution about the y axis; profile(t) gives (radius, y) with
// radius 0 at t = 0 and t = 1.
Shape revolve(std::function<std::array<double, 2>(double t)> profile);
Shape ellipsoid(Vec3 centre, Vec3 radii);

// A swept tube along spine(t), t in [0, 1], with cross-section
// section(t, v) given in the tube's (side, normal) frame; the ends are closed
// by caps bulging capLength0 and capLength1 beyond the spine (0: flat).
struct Tube {
    std::function<Vec3(double t)> spine;
    std::function<std::array<double, 2>(double t, double v)> section;
    Vec3 normalHint{0, 1, 0};  // where the section's second axis points at t = 0
    double capLength0 = 0;
    double capLength1 = 0;
};
Shape tube(const Tube& tubeDesc);

// Cross-sections for tubes.
std::function<std::array<double, 2>(double, double)> ellipseSection(
    std::function<double(double t)> halfWidth, std::function<double(double t)> halfHeight);
std::function<std::array<double, 2>(double, double)> circleSection(
    std::function<double(double t)> radius);
// A rounded rectangle (the unit circle under the 4-norm, or 8-norm if boxy).
std::function<std::array<double, 2>(double, double)> squircleSection(
    std::function<double(double t)> halfWidth, std::function<double(double t)> halfHeight,
    bool boxy = false);

// Straight and curved spines.
std::function<Vec3(double)> segment(Vec3 a, Vec3 b);
std::function<Vec3(double)> bezier(Vec3 a, Vec3 b, Vec3 c, Vec3 d);
std::function<Vec3(double)> polyline(std::vector<Vec3> points);  // smoothed through the points

// A ring of radius major about the y axis with tube radii (radial, vertical).
Shape torus(double major, double minorRadial, double minorVertical);

Shape transformed(const Shape& s, const Affine& a);

// Pole-to-pole (or around-the-hole) length and mean girth, for choosing a
// resolution.
struct ShapeSize {
    double profileLength;
    double girth;
};
ShapeSize measure(const Shape& s);

// The mesh with the given grid, rings spaced evenly along the surface in u
// and points evenly around in v.
Mesh meshOf(const Shape& s, int rings, int segments);

}  // namespace models
