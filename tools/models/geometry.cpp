#include "tools/models/geometry.h"

#include <cmath>

namespace models {

double length(Vec3 a) { return std::sqrt(dot(a, a)); }

Vec3 normalize(Vec3 a) {
    double l = length(a);
    return l > 0 ? a * (1.0 / l) : Vec3{0, 0, 0};
}

Vec3 lerp(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }

double fsin(double x) {
    // Reduce to [-pi/2, pi/2], where 13 terms of the series are exact to the
    // last bit of a double.
    x -= std::nearbyint(x / (2 * pi)) * (2 * pi);
    if (x > pi / 2) x = pi - x;
    if (x < -pi / 2) x = -pi - x;
    double x2 = x * x, term = x, sum = x;
    for (int n = 1; n <= 13; ++n) {
        term *= -x2 / ((2.0 * n) * (2.0 * n + 1));
        sum += term;
    }
    return sum;
}

double fcos(double x) { return fsin(x + pi / 2); }
double turnSin(double v) { return fsin(2 * pi * v); }
double turnCos(double v) { return fcos(2 * pi * v); }

double clamp01(double t) { return t < 0 ? 0 : (t > 1 ? 1 : t); }

double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Vec3 Affine::operator()(Vec3 p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + t.x,
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + t.y,
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + t.z};
}

namespace {

Affine rotation(int axis, double degrees) {
    double c = fcos(degrees * pi / 180), s = fsin(degrees * pi / 180);
    int a = (axis + 1) % 3, b = (axis + 2) % 3;
    Affine r;
    r.m[a][a] = c;
    r.m[a][b] = -s;
    r.m[b][a] = s;
    r.m[b][b] = c;
    return r;
}

}  // namespace

Affine rotateX(double degrees) { return rotation(0, degrees); }
Affine rotateY(double degrees) { return rotation(1, degrees); }
Affine rotateZ(double degrees) { return rotation(2, degrees); }

Affine scale(double sx, double sy, double sz) {
    Affine r;
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    return r;
}

Affine translate(Vec3 t) {
    Affine r;
    r.t = t;
    return r;
}

Affine operator*(const Affine& a, const Affine& b) {
    Affine r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] = 0;
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
        }
    r.t = a(b.t);
    return r;
}

}  // namespace models
