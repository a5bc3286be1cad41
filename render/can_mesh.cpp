#include "render/can_mesh.h"

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "assets/textures.h"
#include "show/camera_path.h"

namespace {

constexpr float radius = 20.0f;
constexpr float bottomZ = 0.0f;    // the end with the bottom image
constexpr float topZ = -100.0f;    // the end with the top image
constexpr double halfTurn = 3.141592;  // not quite pi: the seam overshoots a little
constexpr float fullTurnBound = 6.283f;
// 1 / (2 * halfTurn): the label wraps once, ending just past s = 1.
constexpr double sideTextureFactor = 0.15915497620314795;
constexpr float labelHeight = 0.7421875f;  // 95/128: the rows of the image the label uses
constexpr float endTextureCentre = 0.5f;
// Kept as two factors and multiplied in this order, as the rim texture is formed.
constexpr double endTextureRadius = 0.5;
constexpr double endTextureShrink = 0.96;
// The fans close on the rim point at angle 0 but with this texture corner,
// not the rim formula's (0.98, 0.5): the last wedge is stretched toward it.
constexpr float closingS = 1.0f;
constexpr float closingT = 0.0f;
constexpr float baseGrey = 0.7f;

// Outside this range the mesh is not drawn: below it the step exceeds a full
// turn and gives no shape, above it the float angle would take very long to
// pass the bound, or never move at all.
constexpr float minDetail = 0.5f;
constexpr float maxDetail = 1000.0f;
// Room for the field's seven details and a few more; past that a mesh is
// built afresh on every call.
constexpr std::size_t maxTabulatedDetails = 16;

struct SideVertex {
    float normal[3];
    float s, t;
    float position[3];
};

struct FanVertex {
    float s, t;
    float position[3];
};

// Everything a can of one detail hands to OpenGL, in emission order.
struct CanMesh {
    float detail = 0.0f;
    std::vector<SideVertex> side;     // six per segment
    std::vector<FanVertex> topRim;    // angle rising from 0
    std::vector<FanVertex> bottomRim;  // angle falling from the bound
};

void rimPoint(float angle, float z, float* p) {
    p[0] = static_cast<float>(radius * std::sin(static_cast<double>(angle)));
    p[1] = static_cast<float>(radius * std::cos(static_cast<double>(angle)));
    p[2] = z;
}

void addSideVertex(std::vector<SideVertex>& side, const float* p, float s, float t) {
    SideVertex v{{p[0], p[1], p[2]}, s, t, {p[0], p[1], p[2]}};
    // The normal points from the centre of the z = 0 end, so it tilts toward
    // -z at the other end instead of being radial.
    normalize3(v.normal);
    side.push_back(v);
}

void addRimVertex(std::vector<FanVertex>& rim, float angle, float z) {
    const double c = std::cos(static_cast<double>(angle));
    const double s = std::sin(static_cast<double>(angle));
    FanVertex v{};
    // s follows cos (the rim point's y), t follows sin (its x).
    v.s = static_cast<float>(c * endTextureRadius * endTextureShrink + endTextureCentre);
    v.t = static_cast<float>(s * endTextureRadius * endTextureShrink + endTextureCentre);
    rimPoint(angle, z, v.position);
    rim.push_back(v);
}

CanMesh buildMesh(float detail) {
    CanMesh mesh;
    mesh.detail = detail;
    const float step = static_cast<float>(halfTurn / detail);

    float a = 0.0f;
    do {
        const float a2 = a + step;
        float pa[3], pb[3], pc[3], pd[3];
        rimPoint(a, topZ, pa);
        rimPoint(a, bottomZ, pb);
        rimPoint(a2, bottomZ, pc);
        rimPoint(a2, topZ, pd);
        const float u0 = static_cast<float>(a * sideTextureFactor);
        const float u1 = static_cast<float>(a2 * sideTextureFactor);
        addSideVertex(mesh.side, pa, u0, 0.0f);
        addSideVertex(mesh.side, pb, u0, labelHeight);
        addSideVertex(mesh.side, pc, u1, labelHeight);
        addSideVertex(mesh.side, pc, u1, labelHeight);
        addSideVertex(mesh.side, pd, u1, 0.0f);
        addSideVertex(mesh.side, pa, u0, 0.0f);
        a = a2;
    } while (a < fullTurnBound);

    // Rising on the top end and falling on the bottom one: both fans face outward.
    float b = 0.0f;
    do {
        addRimVertex(mesh.topRim, b, topZ);
        b = b + step;
    } while (b < fullTurnBound);

    float c = fullTurnBound;
    do {
        addRimVertex(mesh.bottomRim, c, bottomZ);
        c = c - step;
    } while (c > 0.0f);
    return mesh;
}

// The mesh for detail, built on first use; the stream is the same as building
// it on every call.
const CanMesh& meshFor(float detail) {
    static std::vector<CanMesh> tabulated;
    static CanMesh scratch;
    for (const CanMesh& mesh : tabulated)
        if (mesh.detail == detail) return mesh;
    if (tabulated.size() < maxTabulatedDetails) {
        tabulated.push_back(buildMesh(detail));
        return tabulated.back();
    }
    scratch = buildMesh(detail);
    return scratch;
}

void drawFan(const std::vector<FanVertex>& rim, float z, float normalZ) {
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0.0f, 0.0f, normalZ);
    glTexCoord2f(endTextureCentre, endTextureCentre);
    glVertex3f(0.0f, 0.0f, z);
    for (const FanVertex& v : rim) {
        glTexCoord2f(v.s, v.t);
        glVertex3f(v.position[0], v.position[1], v.position[2]);
    }
    glTexCoord2f(closingS, closingT);
    glVertex3f(0.0f, radius, z);
    glEnd();
}

}  // namespace

void drawCan(float detail) {
    if (!(detail >= minDetail && detail <= maxDetail)) return;
    const CanMesh& mesh = meshFor(detail);

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureNames[canLabelSlot]);
    // Stays in force for both ends.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // The scene's fade to and from black: hyperbolic, and both tests are made.
    glColor3f(baseGrey, baseGrey, baseGrey);
    const int f = sceneFrame;
    if (f < fadeInEnd) {
        const float c = baseGrey / static_cast<float>(fadeInEnd - f);
        glColor3f(c, c, c);
    }
    if (f > fadeOutStart) {
        const float c = baseGrey / static_cast<float>(f - fadeOutStart);
        glColor3f(c, c, c);
    }
    glFrontFace(GL_CCW);

    glBegin(GL_TRIANGLES);
    for (const SideVertex& v : mesh.side) {
        glNormal3fv(v.normal);
        glTexCoord2f(v.s, v.t);
        glVertex3fv(v.position);
    }
    glEnd();

    glBindTexture(GL_TEXTURE_2D, textureNames[canTopSlot]);
    drawFan(mesh.topRim, topZ, -1.0f);
    glBindTexture(GL_TEXTURE_2D, textureNames[canBottomSlot]);
    drawFan(mesh.bottomRim, bottomZ, 1.0f);
}

void normalize3(float* v) {
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f || std::isnan(length)) length = 1.0f;  // a zero vector stays zero
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}
