// The web OpenGL layer's matrices: the three stacks, the calls that change
// them, and GLU's perspective and camera. Vertices and normals go through
// them as they arrive (gl_web_primitives.cpp).
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "platform/web/gl_web_state.h"

using namespace glweb;

namespace {

Matrix product(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            r.m[column * 4 + row] = a.m[row] * b.m[column * 4] + a.m[4 + row] * b.m[column * 4 + 1] +
                                    a.m[8 + row] * b.m[column * 4 + 2] +
                                    a.m[12 + row] * b.m[column * 4 + 3];
    return r;
}

// OpenGL's rotation about a unit axis: u u^T + cos (I - u u^T) + sin [u]x.
// An axis along x, y or z is used as given, so its entries come out exact.
Matrix rotation(double degrees, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    Matrix r = identityMatrix;
    if (length == 0.0) return r;
    const float c = static_cast<float>(std::cos(degrees * M_PI / 180.0));
    const float s = static_cast<float>(std::sin(degrees * M_PI / 180.0));
    const float u[3] = {static_cast<float>(x / length), static_cast<float>(y / length),
                        static_cast<float>(z / length)};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[j * 4 + i] = u[i] * u[j] + c * ((i == j ? 1.0f : 0.0f) - u[i] * u[j]);
    // The cross-product matrix, row i column j.
    r.m[1 * 4 + 0] -= s * u[2];
    r.m[2 * 4 + 0] += s * u[1];
    r.m[0 * 4 + 1] += s * u[2];
    r.m[2 * 4 + 1] -= s * u[0];
    r.m[0 * 4 + 2] -= s * u[1];
    r.m[1 * 4 + 2] += s * u[0];
    return r;
}

Matrix fromDoubles(const double* d) {
    Matrix r;
    for (int i = 0; i < 16; ++i) r.m[i] = static_cast<float>(d[i]);
    return r;
}

// The inverse transpose of the upper 3 x 3, which takes normals to eye space.
void normalMatrixOf(const Matrix& mv, float* n) {
    const float* m = mv.m;
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6],
                i = m[10];
    const float cofactors[9] = {e * i - f * h, f * g - d * i, d * h - e * g,
                                c * h - b * i, a * i - c * g, b * g - a * h,
                                b * f - c * e, c * d - a * f, a * e - b * d};
    const float determinant = a * cofactors[0] + b * cofactors[1] + c * cofactors[2];
    const float k = determinant == 0.0f ? 0.0f : 1.0f / determinant;
    // Row r of the inverse transpose is row r of the cofactor matrix over the
    // determinant; stored as n[row * 3 + column].
    for (int r = 0; r < 9; ++r) n[r] = cofactors[r] * k;
}

}  // namespace

namespace glweb {

void refreshEyeNormal() {
    if (state.normalMatrixStale) {
        normalMatrixOf(state.modelview.top(), state.normalMatrix);
        state.normalMatrixStale = false;
    }
    const float* n = state.normal;
    const float* k = state.normalMatrix;
    for (int r = 0; r < 3; ++r) state.eyeNormal[r] = k[r * 3] * n[0] + k[r * 3 + 1] * n[1] + k[r * 3 + 2] * n[2];
    state.eyeNormalStale = false;
}

void refreshTexCoord() {
    const float s = state.texCoord[0], t = state.texCoord[1];
    if (state.textureMatrixIsIdentity) {
        state.transformedTexCoord[0] = s;
        state.transformedTexCoord[1] = t;
        return;
    }
    // (s, t, 0, 1) through the texture matrix; q divided out per vertex.
    const float* m = state.textureMatrix.top().m;
    const float q = m[3] * s + m[7] * t + m[15];
    const float k = q == 0.0f ? 1.0f : 1.0f / q;
    state.transformedTexCoord[0] = (m[0] * s + m[4] * t + m[12]) * k;
    state.transformedTexCoord[1] = (m[1] * s + m[5] * t + m[13]) * k;
}

}  // namespace glweb

namespace {

MatrixStack& currentStack() {
    switch (state.matrixMode) {
        case GL_PROJECTION: return state.projection;
        case GL_TEXTURE: return state.textureMatrix;
        default: return state.modelview;
    }
}

// Every change of a matrix goes through here.
void changeMatrix(const Matrix& to) {
    if (state.matrixMode == GL_PROJECTION) beforeSharedChange();
    currentStack().top() = to;
    if (state.matrixMode == GL_MODELVIEW) {
        state.normalMatrixStale = true;
        state.eyeNormalStale = true;
    } else if (state.matrixMode == GL_TEXTURE) {
        const float* m = to.m;
        bool identity = true;
        for (int i = 0; i < 16; ++i) identity = identity && m[i] == identityMatrix.m[i];
        state.textureMatrixIsIdentity = identity;
        refreshTexCoord();
    }
}

void multiply(const Matrix& by) { changeMatrix(product(currentStack().top(), by)); }

}  // namespace

extern "C" {

// ------------------------------------------------------------- matrices

void glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION || mode == GL_TEXTURE) state.matrixMode = mode;
}

void glLoadIdentity() { changeMatrix(identityMatrix); }

void glPushMatrix() {
    MatrixStack& stack = currentStack();
    if (static_cast<int>(stack.entries.size()) < stack.depthLimit) stack.entries.push_back(stack.top());
}

void glPopMatrix() {
    MatrixStack& stack = currentStack();
    if (stack.entries.size() < 2) return;
    const Matrix below = stack.entries[stack.entries.size() - 2];
    changeMatrix(below);  // draws what waits first, if it must
    stack.entries.pop_back();
}

void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
    multiply(rotation(angle, x, y, z));
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    Matrix t = identityMatrix;
    t.m[12] = static_cast<float>(x);
    t.m[13] = static_cast<float>(y);
    t.m[14] = static_cast<float>(z);
    multiply(t);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    double d[16] = {};
    d[0] = 2.0 / (right - left);
    d[5] = 2.0 / (top - bottom);
    d[10] = -2.0 / (zFar - zNear);
    d[12] = -(right + left) / (right - left);
    d[13] = -(top + bottom) / (top - bottom);
    d[14] = -(zFar + zNear) / (zFar - zNear);
    d[15] = 1.0;
    multiply(fromDoubles(d));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double half = fovy / 2.0 * M_PI / 180.0;
    const double sine = std::sin(half);
    if (zFar == zNear || sine == 0.0 || aspect == 0.0) return;
    const double f = std::cos(half) / sine;
    double d[16] = {};
    d[0] = f / aspect;
    d[5] = f;
    d[10] = -(zFar + zNear) / (zFar - zNear);
    d[11] = -1.0;
    d[14] = -2.0 * zNear * zFar / (zFar - zNear);
    multiply(fromDoubles(d));
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    float f[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                  static_cast<float>(centreZ - eyeZ)};
    const float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    auto normalizeVector = [](float* v) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length == 0.0f) return;
        v[0] /= length, v[1] /= length, v[2] /= length;
    };
    normalizeVector(f);
    float s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    normalizeVector(s);
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    // Rows s, u and -f: the eye looks down its own -z.
    Matrix m = identityMatrix;
    for (int i = 0; i < 3; ++i) {
        m.m[i * 4 + 0] = s[i];
        m.m[i * 4 + 1] = u[i];
        m.m[i * 4 + 2] = -f[i];
    }
    multiply(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

}  // extern "C"
