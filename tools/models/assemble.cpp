#include "tools/models/assemble.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace models {

namespace {

struct Grid {
    int rings, segments;
};

constexpr int minSegments = 6;
constexpr int minRings = 2;
constexpr int minTorusRings = 6;
constexpr int searchWindow = 3;  // rings and segments tried either side when settling the count

Grid gridFor(const Shape& s, const ShapeSize& size, double edge) {
    int around = std::max(minSegments, int(std::lround(size.girth / edge)));
    int along = int(std::lround(size.profileLength / edge));
    int rings = s.torus ? std::max(minTorusRings, along) : std::max(minRings, along - 1);
    return {rings, around};
}

long cellsOf(const std::vector<Grid>& g) {
    long sum = 0;
    for (const Grid& x : g) sum += long(x.rings) * x.segments;
    return sum;
}

std::vector<Grid> gridsFor(const std::vector<Part>& parts, const std::vector<ShapeSize>& sizes, double edge) {
    std::vector<Grid> g;
    for (std::size_t i = 0; i < parts.size(); ++i)
        g.push_back(gridFor(parts[i].shape, sizes[i], edge / std::sqrt(parts[i].density)));
    return g;
}

// Nudges the three largest grids so that the cells add up exactly, changing
// them as little as possible.
bool settle(std::vector<Grid>& g, long cells, const std::vector<Part>& parts) {
    std::vector<int> order(g.size());
    for (std::size_t i = 0; i < g.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return long(g[a].rings) * g[a].segments > long(g[b].rings) * g[b].segments;
    });
    int n = std::min<int>(3, int(order.size()));
    long rest = cells;
    for (std::size_t i = n; i < order.size(); ++i) rest -= long(g[order[i]].rings) * g[order[i]].segments;
    auto options = [&](int part) {
        std::vector<std::pair<Grid, int>> out;  // grid and its distance from the wanted one
        Grid base = g[part];
        int lowRings = parts[part].shape.torus ? minTorusRings : minRings;
        for (int dr = -searchWindow; dr <= searchWindow; ++dr)
            for (int ds = -searchWindow; ds <= searchWindow; ++ds) {
                Grid x{base.rings + dr, base.segments + ds};
                if (x.rings >= lowRings && x.segments >= minSegments) out.push_back({x, std::abs(dr) + std::abs(ds)});
            }
        return out;
    };
    std::vector<std::vector<std::pair<Grid, int>>> opts;
    for (int k = 0; k < 3; ++k) opts.push_back(k < n ? options(order[k]) : std::vector<std::pair<Grid, int>>{{{0, 0}, 0}});
    int best = -1;
    Grid choice[3]{};
    for (auto& a : opts[0])
        for (auto& b : opts[1])
            for (auto& c : opts[2]) {
                long sum = long(a.first.rings) * a.first.segments + long(b.first.rings) * b.first.segments +
                           long(c.first.rings) * c.first.segments;
                int cost = a.second + b.second + c.second;
                if (sum == rest && (best < 0 || cost < best)) {
                    best = cost;
                    choice[0] = a.first;
                    choice[1] = b.first;
                    choice[2] = c.first;
                }
            }
    if (best < 0) return false;
    for (int k = 0; k < n; ++k) g[order[k]] = choice[k];
    return true;
}

}  // namespace

std::vector<Mesh> meshParts(const std::vector<Part>& parts, int triangles) {
    std::vector<ShapeSize> sizes;
    for (const Part& p : parts) sizes.push_back(measure(p.shape));
    long cells = triangles / 2;
    // The edge length that comes closest from below, by bisection.
    double lo = 1e-4, hi = 1.0;
    for (int i = 0; i < 60; ++i) {
        double mid = std::sqrt(lo * hi);
        (cellsOf(gridsFor(parts, sizes, mid)) > cells ? lo : hi) = mid;
    }
    std::vector<Grid> g = gridsFor(parts, sizes, hi);
    if (!settle(g, cells, parts)) {
        std::fprintf(stderr, "gen_models: cannot reach %d triangles exactly\n", triangles);
        std::exit(1);
    }
    std::vector<Mesh> meshes;
    for (std::size_t i = 0; i < parts.size(); ++i) meshes.push_back(meshOf(parts[i].shape, g[i].rings, g[i].segments));
    return meshes;
}

Box boundsOf(const std::vector<Mesh>& meshes) {
    Box b{{1e30, 1e30, 1e30}, {-1e30, -1e30, -1e30}};
    for (const Mesh& m : meshes)
        for (Vec3 p : m.points) {
            b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
            b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
        }
    return b;
}

Affine fitInto(const std::vector<Mesh>& meshes, const Box& target) {
    Box b = boundsOf(meshes);
    Vec3 size = b.max - b.min, want = target.max - target.min;
    double k = dot(size, want) / dot(size, size);
    // Centred across, standing on the box's floor.
    Vec3 centre = (b.min + b.max) * 0.5, wantCentre = (target.min + target.max) * 0.5;
    centre.y = b.min.y;
    wantCentre.y = target.min.y;
    return translate(wantCentre - centre * k) * scale(k, k, k);
}

void transformAll(std::vector<Mesh>& meshes, const Affine& a) {
    for (Mesh& m : meshes)
        for (Vec3& p : m.points) p = a(p);
}

}  // namespace models
