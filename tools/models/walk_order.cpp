#include "tools/models/walk_order.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tools/models/assemble.h"

namespace models {

namespace {

// Parity of crossings along a fixed skew ray: inside a closed mesh or not.
bool inside(Vec3 p, const Mesh& m) {
    const Vec3 dir = normalize(Vec3{0.5773, 0.6234, 0.5272});
    int crossings = 0;
    for (const auto& t : m.triangles) {
        Vec3 a = m.points[t[0]], b = m.points[t[1]], c = m.points[t[2]];
        Vec3 e1 = b - a, e2 = c - a, h = cross(dir, e2);
        double det = dot(e1, h);
        if (det > -1e-14 && det < 1e-14) continue;
        double inv = 1 / det;
        Vec3 s = p - a;
        double u = dot(s, h) * inv;
        if (u < 0 || u > 1) continue;
        Vec3 q = cross(s, e1);
        double v = dot(dir, q) * inv;
        if (v < 0 || u + v > 1) continue;
        if (dot(e2, q) * inv > 0) ++crossings;
    }
    return crossings % 2 == 1;
}

struct Flat {
    std::vector<Vec3> points;
    std::vector<std::array<int, 3>> triangles;
    std::vector<bool> visible;  // not buried inside another part
};

Flat flatten(const std::vector<Mesh>& parts) {
    Flat f;
    std::vector<Box> boxes;
    for (const Mesh& m : parts) boxes.push_back(boundsOf({m}));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        int base = int(f.points.size());
        for (Vec3 p : parts[i].points) {
            bool buried = false;
            for (std::size_t j = 0; j < parts.size() && !buried; ++j) {
                const Box& b = boxes[j];
                if (j == i || p.x < b.min.x || p.y < b.min.y || p.z < b.min.z || p.x > b.max.x ||
                    p.y > b.max.y || p.z > b.max.z)
                    continue;
                buried = inside(p, parts[j]);
            }
            f.points.push_back(p);
            f.visible.push_back(!buried);
        }
        for (auto t : parts[i].triangles) f.triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
    }
    return f;
}

double distance2(Vec3 a, Vec3 b) { return dot(a - b, a - b); }

// Farthest-point picks: `count` visible points, each as far as possible from
// those already in `chosen` (which it extends). Every prefix is well spread.
void farthestPoints(const Flat& f, std::vector<int>& chosen, int count) {
    std::vector<double> nearest(f.points.size(), std::numeric_limits<double>::max());
    for (int c : chosen)
        for (std::size_t i = 0; i < f.points.size(); ++i) nearest[i] = std::min(nearest[i], distance2(f.points[i], f.points[c]));
    if (chosen.empty()) {
        // Start at the visible point farthest from the visible centre.
        Vec3 centre;
        int n = 0;
        for (std::size_t i = 0; i < f.points.size(); ++i)
            if (f.visible[i]) centre = centre + f.points[i], ++n;
        centre = centre * (1.0 / n);
        for (std::size_t i = 0; i < f.points.size(); ++i) nearest[i] = distance2(f.points[i], centre);
    }
    for (int k = 0; k < count; ++k) {
        int best = -1;
        for (std::size_t i = 0; i < f.points.size(); ++i)
            if (f.visible[i] && (best < 0 || nearest[i] > nearest[best])) best = int(i);
        chosen.push_back(best);
        for (std::size_t i = 0; i < f.points.size(); ++i) nearest[i] = std::min(nearest[i], distance2(f.points[i], f.points[best]));
    }
}

}  // namespace

WalkSlots walkSlotsFor(int arrayVertices, int firstVertex, int ownVertices, int step) {
    int first = (firstVertex + step - 1) / step * step;  // first walk vertex in the own range
    if (step % 3 != 0 || (first - firstVertex) % 3 != 0) {
        std::fprintf(stderr, "gen_models: step %d does not land on first corners\n", step);
        std::exit(1);
    }
    int end = std::min(arrayVertices, firstVertex + ownVertices);
    int count = first < end ? (end - 1 - first) / step + 1 : 0;
    return {(first - firstVertex) / 3, step / 3, count};
}

std::vector<std::array<Vec3, 3>> orderForWalks(const std::vector<Mesh>& parts, const std::vector<WalkSlots>& walks) {
    Flat f = flatten(parts);
    int triangleCount = int(f.triangles.size());
    std::vector<std::vector<int>> around(f.points.size());
    for (int t = 0; t < triangleCount; ++t)
        for (int c : f.triangles[t]) around[c].push_back(t);

    // slot -> point whose can stands there
    std::vector<int> slotPoint(triangleCount, -1);
    for (std::size_t w = 0; w < walks.size(); ++w) {
        const WalkSlots& walk = walks[w];
        std::vector<int> placed, open;
        for (int k = 0; k < walk.count; ++k) {
            int slot = walk.start + k * walk.stride;
            (slotPoint[slot] >= 0 ? placed : open).push_back(slot);
        }
        // Slots that later walks read too get the earliest, widest-spread picks.
        auto sharedLater = [&](int slot) {
            int n = 0;
            for (std::size_t v = w + 1; v < walks.size(); ++v)
                if (slot >= walks[v].start && (slot - walks[v].start) % walks[v].stride == 0 &&
                    (slot - walks[v].start) / walks[v].stride < walks[v].count)
                    ++n;
            return n;
        };
        std::stable_sort(open.begin(), open.end(), [&](int a, int b) { return sharedLater(a) > sharedLater(b); });
        std::vector<int> chosen;
        for (int slot : placed) chosen.push_back(slotPoint[slot]);
        std::size_t seeds = chosen.size();
        farthestPoints(f, chosen, int(open.size()));
        for (std::size_t k = 0; k < open.size(); ++k) slotPoint[open[k]] = chosen[seeds + k];
    }

    // Give every chosen point one of its own triangles, turned so that the
    // point comes first (keeping the winding).
    std::vector<bool> used(triangleCount, false);
    std::vector<std::array<int, 3>> order(triangleCount, {-1, -1, -1});
    std::vector<bool> filled(triangleCount, false);
    for (int slot = 0; slot < triangleCount; ++slot) {
        int p = slotPoint[slot];
        if (p < 0) continue;
        int pick = -1;
        for (int t : around[p])
            if (!used[t]) {
                pick = t;
                break;
            }
        if (pick < 0) {
            std::fprintf(stderr, "gen_models: no free triangle at a chosen point\n");
            std::exit(1);
        }
        used[pick] = true;
        auto t = f.triangles[pick];
        while (t[0] != p) t = {t[1], t[2], t[0]};
        order[slot] = t;
        filled[slot] = true;
    }
    int next = 0;
    for (int slot = 0; slot < triangleCount; ++slot) {
        if (filled[slot]) continue;
        while (used[next]) ++next;
        used[next] = true;
        order[slot] = f.triangles[next];
    }
    std::vector<std::array<Vec3, 3>> out;
    for (const auto& t : order) out.push_back({f.points[t[0]], f.points[t[1]], f.points[t[2]]});
    return out;
}

}  // namespace models
