#include "tools/models/shapes.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <utility>

namespace models {

namespace {

constexpr int tableSteps = 256;    // samples for arc-length tables
constexpr int crossSamples = 16;   // curves averaged across the other parameter
constexpr int frameSteps = 512;    // samples of a tube's moving frame

// An increasing table of cumulative lengths, normalised to end at 1, and its
// inverse by linear interpolation.
struct ArcTable {
    std::vector<double> fraction;  // tableSteps + 1 entries
    double parameterAt(double s) const {
        if (s <= 0) return 0;
        if (s >= 1) return 1;
        std::size_t lo = 0, hi = fraction.size() - 1;
        while (hi - lo > 1) {
            std::size_t mid = (lo + hi) / 2;
            (fraction[mid] <= s ? lo : hi) = mid;
        }
        double span = fraction[hi] - fraction[lo];
        double k = span > 0 ? (s - fraction[lo]) / span : 0;
        return (lo + k) / tableSteps;
    }
};

// Mean of the normalised arc-length curves along one parameter, taken at
// several values of the other; also returns the mean total length.
ArcTable arcTable(const Shape& s, bool alongU, double* meanLength) {
    std::vector<double> sum(tableSteps + 1, 0.0);
    double total = 0;
    for (int c = 0; c < crossSamples; ++c) {
        double other = alongU ? double(c) / crossSamples : (c + 0.5) / crossSamples;
        std::vector<double> cum(tableSteps + 1, 0.0);
        Vec3 prev = alongU ? s.at(0, other) : s.at(other, 0);
        for (int i = 1; i <= tableSteps; ++i) {
            double p = double(i) / tableSteps;
            Vec3 cur = alongU ? s.at(p, other) : s.at(other, p);
            cum[i] = cum[i - 1] + length(cur - prev);
            prev = cur;
        }
        total += cum[tableSteps];
        for (int i = 0; i <= tableSteps; ++i)
            sum[i] += cum[tableSteps] > 0 ? cum[i] / cum[tableSteps] : double(i) / tableSteps;
    }
    ArcTable t;
    t.fraction.resize(tableSteps + 1);
    for (int i = 0; i <= tableSteps; ++i) t.fraction[i] = sum[i] / crossSamples;
    if (meanLength) *meanLength = total / crossSamples;
    return t;
}

// Rotation-minimising frames along a spine (double reflection), sampled.
struct FrameTable {
    std::vector<Vec3> point, tangent, normal;
};

FrameTable frames(const std::function<Vec3(double)>& spine, Vec3 hint) {
    FrameTable f;
    for (int i = 0; i <= frameSteps; ++i) f.point.push_back(spine(double(i) / frameSteps));
    for (int i = 0; i <= frameSteps; ++i) {
        int a = i > 0 ? i - 1 : 0, b = i < frameSteps ? i + 1 : frameSteps;
        f.tangent.push_back(normalize(f.point[b] - f.point[a]));
    }
    Vec3 t0 = f.tangent[0];
    f.normal.push_back(normalize(hint - t0 * dot(hint, t0)));
    for (int i = 0; i < frameSteps; ++i) {
        Vec3 v1 = f.point[i + 1] - f.point[i];
        double c1 = dot(v1, v1);
        Vec3 r = f.normal[i], t = f.tangent[i];
        if (c1 > 0) {
            r = r - v1 * (2 / c1 * dot(v1, r));
            t = t - v1 * (2 / c1 * dot(v1, t));
        }
        Vec3 v2 = f.tangent[i + 1] - t;
        double c2 = dot(v2, v2);
        if (c2 > 0) r = r - v2 * (2 / c2 * dot(v2, r));
        f.normal.push_back(normalize(r));
    }
    return f;
}

}  // namespace

Shape revolve(std::function<std::array<double, 2>(double t)> profile) {
    return {[profile](double u, double v) {
        auto [r, y] = profile(u);
        return Vec3{r * turnCos(v), y, -r * turnSin(v)};
    }};
}

Shape ellipsoid(Vec3 c, Vec3 r) {
    return {[c, r](double u, double v) {
        double a = pi * u;
        double ring = fsin(a);
        return Vec3{c.x + r.x * ring * turnCos(v), c.y - r.y * fcos(a),
                    c.z - r.z * ring * turnSin(v)};
    }};
}

Shape tube(const Tube& tubeDesc) {
    auto table = std::make_shared<FrameTable>(frames(tubeDesc.spine, tubeDesc.normalHint));
    // Share of the u range taken by each cap, from its rough arc length.
    auto endRadius = [&tubeDesc](double t) {
        double sum = 0;
        for (int k = 0; k < 8; ++k) {
            auto [a, b] = tubeDesc.section(t, k / 8.0);
            sum += std::sqrt(a * a + b * b);
        }
        return sum / 8;
    };
    double bodyLength = 0;
    for (int i = 0; i < frameSteps; ++i) bodyLength += length(table->point[i + 1] - table->point[i]);
    auto capArc = [](double cap, double r) { return pi / 2 * std::sqrt((cap * cap + r * r) / 2); };
    double arc0 = capArc(tubeDesc.capLength0, endRadius(0)), arc1 = capArc(tubeDesc.capLength1, endRadius(1));
    double total = arc0 + bodyLength + arc1;
    double f0 = arc0 / total, f1 = arc1 / total;
    Tube s = tubeDesc;
    return {[s, table, f0, f1](double u, double v) {
        auto frameAt = [&table](double t, Vec3& p, Vec3& tan, Vec3& n) {
            double x = t * frameSteps;
            int i = x >= frameSteps ? frameSteps - 1 : int(x);
            double k = x - i;
            p = lerp(table->point[i], table->point[i + 1], k);
            tan = normalize(lerp(table->tangent[i], table->tangent[i + 1], k));
            n = normalize(lerp(table->normal[i], table->normal[i + 1], k));
        };
        double t, spread = 1, push = 0;
        if (u < f0) {
            double phi = pi / 2 * u / f0;
            t = 0;
            spread = fsin(phi);
            push = -s.capLength0 * fcos(phi);
        } else if (u > 1 - f1) {
            double phi = pi / 2 * (1 - u) / f1;
            t = 1;
            spread = fsin(phi);
            push = s.capLength1 * fcos(phi);
        } else {
            t = (u - f0) / (1 - f0 - f1);
        }
        Vec3 p, tan, n;
        frameAt(t, p, tan, n);
        Vec3 side = cross(tan, n);
        auto [a, b] = s.section(t, v);
        return p + tan * push + side * (a * spread) + n * (b * spread);
    }};
}

std::function<std::array<double, 2>(double, double)> ellipseSection(
    std::function<double(double)> halfWidth, std::function<double(double)> halfHeight) {
    return [halfWidth, halfHeight](double t, double v) {
        return std::array<double, 2>{halfWidth(t) * turnCos(v), halfHeight(t) * turnSin(v)};
    };
}

std::function<std::array<double, 2>(double, double)> circleSection(std::function<double(double)> radius) {
    return ellipseSection(radius, radius);
}

std::function<std::array<double, 2>(double, double)> squircleSection(
    std::function<double(double)> halfWidth, std::function<double(double)> halfHeight, bool boxy) {
    return [halfWidth, halfHeight, boxy](double t, double v) {
        double c = turnCos(v), s = turnSin(v);
        double n = std::sqrt(std::sqrt(c * c * c * c + s * s * s * s));
        if (boxy) {
            double c4 = c * c * c * c, s4 = s * s * s * s;
            n = std::sqrt(std::sqrt(std::sqrt(c4 * c4 + s4 * s4)));
        }
        return std::array<double, 2>{halfWidth(t) * c / n, halfHeight(t) * s / n};
    };
}

std::function<Vec3(double)> segment(Vec3 a, Vec3 b) {
    return [a, b](double t) { return lerp(a, b, t); };
}

std::function<Vec3(double)> bezier(Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
    return [a, b, c, d](double t) {
        double s = 1 - t;
        return a * (s * s * s) + b * (3 * s * s * t) + c * (3 * s * t * t) + d * (t * t * t);
    };
}

std::function<Vec3(double)> polyline(std::vector<Vec3> pts) {
    // Catmull-Rom through the points, uniform in the segment index.
    return [pts](double t) {
        int n = int(pts.size()) - 1;
        double x = t * n;
        int i = x >= n ? n - 1 : int(x);
        double k = x - i;
        Vec3 p0 = pts[i > 0 ? i - 1 : 0], p1 = pts[i], p2 = pts[i + 1], p3 = pts[i + 2 <= n ? i + 2 : n];
        double k2 = k * k, k3 = k2 * k;
        return 0.5 * ((2 * p1) + (p2 - p0) * k + (2 * p0 - 5 * p1 + 4 * p2 - p3) * k2 +
                      (3 * p1 - p0 - 3 * p2 + p3) * k3);
    };
}

Shape torus(double major, double minorRadial, double minorVertical) {
    Shape s{[=](double u, double v) {
        double r = major + minorRadial * turnCos(v);
        return Vec3{r * turnCos(u), minorVertical * turnSin(v), -r * turnSin(u)};
    }};
    s.torus = true;
    return s;
}

Shape transformed(const Shape& s, const Affine& a) {
    Shape r = s;
    r.at = [f = s.at, a](double u, double v) { return a(f(u, v)); };
    return r;
}

ShapeSize measure(const Shape& s) {
    ShapeSize size{};
    arcTable(s, true, &size.profileLength);
    // Girth weighted by where the rings will actually go.
    ArcTable along = arcTable(s, true, nullptr);
    double sum = 0;
    constexpr int rings = 32, around = 64;
    for (int i = 0; i < rings; ++i) {
        double u = along.parameterAt((i + 0.5) / rings);
        Vec3 prev = s.at(u, 0);
        for (int j = 1; j <= around; ++j) {
            Vec3 cur = s.at(u, double(j % around) / around);
            sum += length(cur - prev);
            prev = cur;
        }
    }
    size.girth = sum / rings;
    return size;
}

Mesh meshOf(const Shape& s, int rings, int segments) {
    ArcTable along = arcTable(s, true, nullptr);
    ArcTable around = arcTable(s, false, nullptr);
    Mesh m;
    auto ringIndex = [&](int i, int j) { return (s.torus ? 0 : 1) + i * segments + (j % segments); };
    if (!s.torus) m.points.push_back(s.at(0, 0));
    for (int i = 0; i < rings; ++i) {
        double u = along.parameterAt(s.torus ? double(i) / rings : double(i + 1) / (rings + 1));
        for (int j = 0; j < segments; ++j) m.points.push_back(s.at(u, around.parameterAt(double(j) / segments)));
    }
    int cells = s.torus ? rings : rings - 1;
    for (int i = 0; i < cells; ++i)
        for (int j = 0; j < segments; ++j) {
            int a = ringIndex(i, j), b = ringIndex(i, j + 1);
            int c = ringIndex((i + 1) % rings, j + 1), d = ringIndex((i + 1) % rings, j);
            m.triangles.push_back({a, b, c});
            m.triangles.push_back({a, c, d});
        }
    if (!s.torus) {
        int top = int(m.points.size());
        m.points.push_back(s.at(1, 0));
        for (int j = 0; j < segments; ++j) {
            m.triangles.push_back({0, ringIndex(0, j + 1), ringIndex(0, j)});
            m.triangles.push_back({ringIndex(rings - 1, j), ringIndex(rings - 1, j + 1), top});
        }
    }
    return m;
}

}  // namespace models
