#include "tools/models/objects.h"

#include <array>
#include <cmath>

namespace models {

namespace {

using Profile = std::array<double, 2>;

std::function<double(double)> constant(double x) {
    return [x](double) { return x; };
}

std::function<double(double)> taper(double a, double b) {
    return [a, b](double t) { return a + (b - a) * t; };
}

Part part(Shape s, double density = 1) { return {std::move(s), density}; }

// A round tube between points, with rounded ends.
Part limb(std::vector<Vec3> spine, std::function<double(double)> radius, Vec3 hint = {0, 0, 1}) {
    Tube t;
    t.spine = spine.size() == 2 ? segment(spine[0], spine[1]) : polyline(spine);
    t.section = circleSection(radius);
    t.normalHint = hint;
    t.capLength0 = radius(0);
    t.capLength1 = radius(1);
    return part(tube(t));
}

// A closed profile in the (radius, y) half plane through the given points,
// from the axis back to the axis.
std::function<Profile(double)> profileThrough(std::vector<Vec3> rY) {
    auto curve = polyline(rY);
    return [curve](double t) {
        Vec3 p = curve(t);
        return Profile{std::fabs(p.x), p.y};
    };
}

// A flat slab in the xy plane with a rounded rim, its outline star-shaped
// about the origin: rho(v) is the outline's distance from it at turn v.
Shape slab(std::function<double(double v)> rho, double halfDepth) {
    return {[rho, halfDepth](double u, double v) {
        double r = rho(v), round = halfDepth;
        double inner = r - round;
        double radius, z;
        if (u < 0.35) {
            radius = inner * u / 0.35;
            z = -halfDepth;
        } else if (u > 0.65) {
            radius = inner * (1 - u) / 0.35;
            z = halfDepth;
        } else {
            double phi = pi * ((u - 0.35) / 0.3 - 0.5);
            radius = inner + round * fcos(phi);
            z = halfDepth * fsin(phi);
        }
        return Vec3{radius * turnCos(v), radius * turnSin(v), z};
    }};
}

// The outline distance from the origin at turn v of the region |x| <= width(y).
std::function<double(double)> outlineOf(std::function<double(double y)> width, double reach) {
    return [width, reach](double v) {
        double c = turnCos(v), s = turnSin(v);
        double lo = 0, hi = reach;
        for (int i = 0; i < 40; ++i) {
            double mid = (lo + hi) / 2;
            (std::fabs(mid * c) <= width(mid * s) ? lo : hi) = mid;
        }
        return lo;
    };
}

}  // namespace

// Facing +x. A high domed shell over four stout legs, the head raised.
std::vector<Part> tortoise() {
    std::vector<Part> parts;
    auto shell = revolve([](double t) {
        // Plastron, the flared rim, then the dome.
        if (t < 0.3) {
            double k = t / 0.3;
            return Profile{0.92 * k, 0.19 - 0.03 * k * k};
        }
        if (t < 0.4) {
            double phi = pi / 2 * (t - 0.3) / 0.1;
            return Profile{0.92 + 0.09 * fsin(phi), 0.16 + 0.08 * (1 - fcos(phi))};
        }
        double phi = pi / 2 * (t - 0.4) / 0.6;
        double s = fsin(phi);
        return Profile{1.01 * fcos(phi), 0.24 + 0.5 * s * (1.15 - 0.15 * s)};
    });
    parts.push_back(part(transformed(shell, scale(0.56, 1, 0.47))));
    parts.push_back(limb({{0.36, 0.28, 0}, {0.52, 0.36, 0}, {0.64, 0.45, 0}}, taper(0.09, 0.08)));
    parts.push_back(part(tube({segment({0.62, 0.49, 0}, {0.84, 0.44, 0}),
                               ellipseSection(taper(0.1, 0.07), taper(0.095, 0.065)), {0, 1, 0}, 0.09, 0.06})));
    for (int side : {-1, 1}) {
        parts.push_back(limb({{0.30, 0.26, side * 0.25}, {0.37, 0.14, side * 0.38}, {0.40, 0.02, side * 0.42}},
                             [](double t) { return 0.085 - 0.02 * t + 0.02 * t * t * t; }));
        parts.push_back(limb({{-0.30, 0.26, side * 0.24}, {-0.36, 0.14, side * 0.35}, {-0.38, 0.02, side * 0.38}},
                             [](double t) { return 0.09 - 0.015 * t; }));
    }
    parts.push_back(limb({{-0.50, 0.22, 0}, {-0.62, 0.16, 0}}, taper(0.045, 0.015)));
    return parts;
}

// Upright along +y, the soundboard facing +z: body, neck and headstock.
std::vector<Part> guitar() {
    std::vector<Part> parts;
    // Lower and upper bouts as two circles, smoothly joined at the waist.
    auto width = [](double y) {
        auto circle = [](double c, double r, double y) {
            double d = r * r - (y - c) * (y - c);
            return d > 0 ? std::sqrt(d) : 0.0;
        };
        double a = circle(-0.10, 0.20, y), b = circle(0.19, 0.15, y);
        double k = 0.02;
        double m = (a + b + std::sqrt((a - b) * (a - b) + k * k)) / 2 - k / 2;
        return m;
    };
    parts.push_back(part(slab(outlineOf(width, 0.5), 0.055)));
    parts.push_back(part(tube({segment({0, 0.28, 0.035}, {0, 0.78, 0.035}),
                               squircleSection(taper(0.032, 0.026), constant(0.022)), {0, 0, 1}, 0, 0})));
    auto head = transformed(slab(outlineOf([](double y) { return 0.048 - 0.01 * y / 0.1; }, 0.11), 0.012),
                            translate({0, 0.87, 0.025}) * rotateX(-12));
    parts.push_back(part(head));
    for (int side : {-1, 1})
        for (int k = 0; k < 3; ++k) {
            double y = 0.83 + 0.05 * k;
            double z = 0.025 - (y - 0.87) * 0.21;
            parts.push_back(limb({{side * 0.03, y, z}, {side * 0.085, y, z}}, constant(0.011), {0, 1, 0}));
        }
    parts.push_back(part(transformed(torus(0.052, 0.01, 0.008), translate({0, 0.13, 0.055}) * rotateX(90))));
    parts.push_back(part(tube({segment({-0.075, -0.17, 0.058}, {0.075, -0.17, 0.058}),
                               squircleSection(constant(0.016), constant(0.008), true), {0, 0, 1}, 0.005, 0.005})));
    return parts;
}

// A curved ringed trunk under a crown of arching fronds and a few coconuts.
std::vector<Part> palmTree() {
    std::vector<Part> parts;
    Vec3 top{0.28, 1.02, 0.05};
    auto trunk = bezier({0, 0, 0}, {-0.06, 0.45, 0}, {0.05, 0.80, 0.02}, top);
    parts.push_back(part(tube({trunk,
                               circleSection([](double t) {
                                   double ring = 0.5 + 0.5 * fcos(2 * pi * 15 * t);
                                   return (0.065 - 0.015 * t + 0.045 * (1 - smoothstep(0, 0.12, t))) *
                                          (1 + 0.08 * ring * ring);
                               }),
                               {1, 0, 0}, 0, 0.03})));
    parts.push_back(part(ellipsoid(top + Vec3{0, 0.01, 0}, {0.075, 0.06, 0.075})));
    constexpr int fronds = 9;
    for (int k = 0; k < fronds; ++k) {
        double a = (k + 0.3 * (k % 2)) / fronds;
        Vec3 out{turnCos(a), 0, turnSin(a)};
        double rise = 0.25 + 0.2 * ((k * 5) % 3);
        double reach = 0.62 + 0.08 * ((k * 7) % 3);
        auto spine = [top, out, rise, reach](double t) {
            return top + out * (reach * t) + Vec3{0, rise * t - (rise + 0.45) * t * t, 0};
        };
        Tube leaf;
        leaf.spine = spine;
        leaf.normalHint = {0, 1, 0};
        leaf.section = [](double t, double v) {
            double w = 0.008 + 0.13 * fsin(pi * std::sqrt(t)) * (1 - 0.3 * t);
            double a = w * turnCos(v);
            // A keeled blade: thin, its halves raised into a shallow V.
            return std::array<double, 2>{a, 0.008 * turnSin(v) + 0.35 * std::fabs(a)};
        };
        leaf.capLength0 = 0.01;
        leaf.capLength1 = 0.02;
        parts.push_back(part(tube(leaf)));
    }
    for (int k = 0; k < 4; ++k) {
        double a = (k + 0.5) / 4;
        parts.push_back(part(ellipsoid(top + Vec3{0.075 * turnCos(a), -0.075, 0.075 * turnSin(a)}, {0.05, 0.058, 0.05})));
    }
    return parts;
}

// Facing +x, walking: the near foreleg lifted.
std::vector<Part> horse() {
    std::vector<Part> parts;
    parts.push_back(part(tube({bezier({-0.42, 0.72, 0}, {-0.15, 0.66, 0}, {0.12, 0.66, 0}, {0.32, 0.74, 0}),
                               ellipseSection([](double t) { return 0.13 + 0.03 * fsin(pi * t); },
                                              [](double t) { return 0.16 + 0.03 * fsin(pi * t); }),
                               {0, 1, 0}, 0.13, 0.12})));
    parts.push_back(part(tube({bezier({0.24, 0.78, 0}, {0.38, 0.92, 0}, {0.44, 1.04, 0}, {0.50, 1.12, 0}),
                               ellipseSection(taper(0.075, 0.05), taper(0.13, 0.07)), {-1, 1, 0}, 0, 0.04})));
    parts.push_back(part(tube({bezier({0.49, 1.15, 0}, {0.56, 1.10, 0}, {0.66, 0.98, 0}, {0.74, 0.90, 0}),
                               ellipseSection(taper(0.062, 0.045), taper(0.08, 0.055)), {1, 1, 0}, 0.06, 0.05})));
    for (int side : {-1, 1})
        parts.push_back(limb({{0.49, 1.17, side * 0.03}, {0.47, 1.27, side * 0.045}},
                             [](double t) { return 0.022 * (1 - 0.8 * t); }));
    parts.push_back(part(tube({bezier({0.48, 1.20, 0}, {0.40, 1.10, 0}, {0.32, 0.98, 0}, {0.22, 0.88, 0}),
                               ellipseSection(constant(0.016), constant(0.04)), {1, 1, 0}, 0.02, 0.02})));
    auto legRadius = [](double upper) {
        return [upper](double t) { return 0.03 + (upper - 0.03) * (1 - smoothstep(0, 0.45, t)) + 0.012 * smoothstep(0.85, 1, t); };
    };
    parts.push_back(limb({{0.24, 0.66, 0.08}, {0.27, 0.44, 0.09}, {0.27, 0.28, 0.09}, {0.28, 0.08, 0.09}, {0.29, 0.015, 0.09}},
                         legRadius(0.06)));
    parts.push_back(limb({{0.24, 0.66, -0.08}, {0.32, 0.45, -0.09}, {0.38, 0.31, -0.09}, {0.31, 0.18, -0.09}, {0.32, 0.12, -0.09}},
                         legRadius(0.06)));
    for (int side : {-1, 1}) {
        double lift = side > 0 ? 0 : 0.06;
        parts.push_back(limb({{-0.32, 0.68, side * 0.08}, {-0.28 - lift, 0.46, side * 0.09}, {-0.40 - lift, 0.30, side * 0.09},
                              {-0.37 - lift, 0.08, side * 0.09}, {-0.36 - lift, 0.015, side * 0.09}},
                             legRadius(0.085)));
    }
    parts.push_back(part(tube({bezier({-0.50, 0.80, 0}, {-0.62, 0.78, 0}, {-0.66, 0.56, 0}, {-0.63, 0.30, 0}),
                               circleSection([](double t) { return 0.03 + 0.035 * fsin(pi * (0.2 + 0.7 * t)); }),
                               {0, 1, 0}, 0.02, 0.03})));
    return parts;
}

// Nose to +z, wings along x, standing on its three wheels.
std::vector<Part> aeroplane() {
    std::vector<Part> parts;
    parts.push_back(part(tube({polyline({{0, 0.62, -1.25}, {0, 0.5, -0.7}, {0, 0.45, 0}, {0, 0.45, 0.6}, {0, 0.43, 1.0}}),
                               circleSection([](double t) { return 0.05 + 0.13 * smoothstep(0, 0.45, t); }),
                               {0, 1, 0}, 0.04, 0.24})));
    // A wing-like blade from root to tip; the chord lies along `chordAxis`.
    auto blade = [](Vec3 root, Vec3 tip, double rootChord, double tipChord, double thickness, Vec3 hint) {
        Tube t;
        t.spine = segment(root, tip);
        t.normalHint = hint;
        t.section = [=](double s, double v) {
            double chord = rootChord + (tipChord - rootChord) * s;
            double c = turnCos(v), sn = turnSin(v);
            // Round leading edge towards +chord, thin trailing edge.
            return std::array<double, 2>{0.5 * chord * c, thickness * chord * sn * (0.75 + 0.35 * c)};
        };
        t.capLength0 = 0.01;
        t.capLength1 = 0.02;
        return part(tube(t));
    };
    for (int side : {-1, 1}) {
        parts.push_back(blade({0, 0.38, 0.1}, {side * 1.25, 0.52, -0.38}, 0.62, 0.2, 0.07, {0, side * 1.0, 0}));
        parts.push_back(blade({0, 0.58, -0.98}, {side * 0.48, 0.62, -1.2}, 0.32, 0.13, 0.07, {0, side * 1.0, 0}));
        parts.push_back(part(tube({segment({side * 0.46, 0.31, -0.12}, {side * 0.46, 0.31, 0.42}),
                                   circleSection([](double t) { return 0.085 - 0.02 * t * t; }), {0, 1, 0}, 0.09, 0.02})));
    }
    parts.push_back(blade({0, 0.58, -0.92}, {0, 1.18, -1.28}, 0.5, 0.2, 0.07, {1, 0, 0}));
    auto wheel = [&parts](Vec3 at) {
        parts.push_back(part(transformed(torus(0.045, 0.026, 0.026), translate(at) * rotateZ(90))));
        parts.push_back(limb({at, at + Vec3{0, 0.3, 0}}, constant(0.014), {1, 0, 0}));
    };
    wheel({0, 0.07, 0.72});
    wheel({0.28, 0.07, -0.05});
    wheel({-0.28, 0.07, -0.05});
    return parts;
}

// A plump gored envelope over a basket hung from four ropes, moored to the ground.
std::vector<Part> balloon() {
    std::vector<Part> parts;
    Shape envelope{[](double u, double v) {
        double r, y;
        if (u < 0.08) {  // the closed mouth
            r = 0.15 * u / 0.08;
            y = 0.47;
        } else if (u < 0.5) {
            double q = (u - 0.08) / 0.42;
            r = 0.15 + 0.41 * (0.6 * q + 0.4 * (1 - (1 - q) * (1 - q)));
            y = 0.47 + 0.5 * q;
        } else {
            double phi = pi / 2 * (u - 0.5) / 0.5;
            r = 0.56 * fcos(phi);
            y = 0.97 + 0.52 * fsin(phi);
        }
        // Twelve gores bulging between their seams.
        double gore = std::fabs(fsin(12 * pi * v));
        r *= 1 + 0.035 * gore * smoothstep(0.47, 0.65, y);
        return Vec3{r * turnCos(v), y, -r * turnSin(v)};
    }};
    parts.push_back(part(envelope));
    parts.push_back(part(tube({segment({0, 0, 0}, {0, 0.17, 0}),
                               squircleSection(constant(0.13), constant(0.13), true), {1, 0, 0}, 0, 0})));
    parts.push_back(part(transformed(torus(0.125, 0.018, 0.018), translate({0, 0.17, 0}))));
    parts.push_back(limb({{0, 0.34, 0}, {0, 0.40, 0}}, constant(0.045), {1, 0, 0}));
    for (int k = 0; k < 4; ++k) {
        double a = (k + 0.5) / 4;
        Vec3 low{0.17 * turnCos(a), 0.17, 0.17 * turnSin(a)}, high{0.15 * turnCos(a), 0.49, 0.15 * turnSin(a)};
        parts.push_back(limb({low, high}, constant(0.007), {1, 0, 0}));
    }
    // Four mooring ropes from the envelope's waist out to pegs: they give the
    // model the breadth its scene was made for, more than the balloon's own.
    for (int k = 0; k < 4; ++k) {
        Vec3 out{turnCos(k / 4.0), 0, turnSin(k / 4.0)};
        Vec3 peg = out * 0.78;
        parts.push_back(limb({out * 0.46 + Vec3{0, 0.85, 0}, peg + Vec3{0, 0.06, 0}}, constant(0.008)));
        parts.push_back(limb({peg + Vec3{0, 0.015, 0}, peg + Vec3{0, 0.07, 0}}, constant(0.015), {1, 0, 0}));
    }
    return parts;
}

// A round-bellied jug, its lip drawn into a spout at +x, the handle at -x.
std::vector<Part> pitcher() {
    std::vector<Part> parts;
    auto profile = profileThrough({{0, 0, 0}, {0.10, 0, 0}, {0.165, 0.01, 0}, {0.215, 0.12, 0}, {0.235, 0.27, 0},
                                   {0.215, 0.42, 0}, {0.172, 0.55, 0}, {0.17, 0.64, 0}, {0.195, 0.72, 0},
                                   {0.18, 0.745, 0}, {0.165, 0.70, 0}, {0.15, 0.64, 0}, {0.08, 0.615, 0}, {0, 0.61, 0}});
    parts.push_back(part({[profile](double u, double v) {
        auto [r, y] = profile(u);
        double c = turnCos(v);
        double c2 = c * c, toward = c > 0 ? c2 * c2 * c2 * c2 : 0;
        double lip = smoothstep(0.5, 0.745, y) * toward;
        return Vec3{(r + 0.13 * lip) * c, y + 0.04 * lip, -r * turnSin(v)};
    }}));
    parts.push_back(part(tube({bezier({-0.15, 0.62, 0}, {-0.40, 0.70, 0}, {-0.38, 0.28, 0}, {-0.20, 0.20, 0}),
                               ellipseSection(constant(0.03), constant(0.045)), {0, 0, 1}, 0.03, 0.03})));
    return parts;
}

}  // namespace models
