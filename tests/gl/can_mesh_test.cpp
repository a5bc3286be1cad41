#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "assets/textures.h"
#include "render/can_mesh.h"
#include "show/camera_path.h"
#include "tests/gl/feedback.h"
#include "tests/gl/gl_context.h"

namespace {

// Window coordinates back to the can's own: the view below maps x and y one to
// one around the centre of the 640 x 480 window and z (-200..200) to depth.
float objectX(const FeedbackVertex& v) { return v.x - 320.0f; }
float objectY(const FeedbackVertex& v) { return v.y - 240.0f; }
float objectZ(const FeedbackVertex& v) { return (0.5f - v.z) * 400.0f; }
float angleOf(const FeedbackVertex& v) {
    const float a = std::atan2(objectX(v), objectY(v));
    return a < 0.0f ? a + 6.2831853f : a;
}

constexpr float topZ = -100.0f;

class CanMeshDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        makeOffscreenContext();
        loadCentredPixelView();
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        savedFrame = sceneFrame;
        sceneFrame = 100;
        for (int slot : {canBottomSlot, canTopSlot, canLabelSlot}) {
            savedNames[slot] = textureNames[slot];
            textureNames[slot] = 20u + slot;
        }
    }
    void TearDown() override {
        sceneFrame = savedFrame;
        for (int slot : {canBottomSlot, canTopSlot, canLabelSlot}) textureNames[slot] = savedNames[slot];
        for (int i = 0; i < 3; ++i) glDisable(GL_LIGHT0 + i);
        glDisable(GL_LIGHTING);
    }

    // The primitives of one can, split into side, top fan and bottom fan by
    // the order of emission (the side first, then the z = -100 end).
    struct Parts {
        std::vector<FeedbackPrimitive> side, top, bottom;
    };
    static Parts split(const std::vector<FeedbackPrimitive>& all) {
        Parts parts;
        for (const FeedbackPrimitive& p : all) {
            bool allTop = true, allBottom = true;
            for (const FeedbackVertex& v : p.vertices) {
                allTop = allTop && std::fabs(objectZ(v) - topZ) < 1e-2f;
                allBottom = allBottom && std::fabs(objectZ(v)) < 1e-2f;
            }
            (allTop ? parts.top : allBottom ? parts.bottom : parts.side).push_back(p);
        }
        return parts;
    }

    int savedFrame = 0;
    unsigned savedNames[textureSlotCount] = {};
};

TEST_F(CanMeshDrawing, TrianglesPerDetailHalfOnTheSideAQuarterOnEachEnd) {
    const struct {
        float detail;
        int triangles;
    } cases[] = {{50, 400}, {35, 280}, {10, 80}, {5, 40}, {3, 24}, {2, 16}, {1.5f, 12}};
    for (const auto& c : cases) {
        const auto all = captureFeedback([&] { drawCan(c.detail); });
        EXPECT_EQ(c.triangles, static_cast<int>(all.size())) << "detail " << c.detail;
        for (const FeedbackPrimitive& p : all) EXPECT_EQ(3u, p.vertices.size()) << "detail " << c.detail;
        const Parts parts = split(all);
        EXPECT_EQ(c.triangles / 2, static_cast<int>(parts.side.size())) << "detail " << c.detail;
        EXPECT_EQ(c.triangles / 4, static_cast<int>(parts.top.size())) << "detail " << c.detail;
        EXPECT_EQ(c.triangles / 4, static_cast<int>(parts.bottom.size())) << "detail " << c.detail;
    }
}

TEST_F(CanMeshDrawing, AtOneAndAHalfTheSideIsATriangularPrismWithTheLabelWrappedOnce) {
    const Parts parts = split(captureFeedback([] { drawCan(1.5f); }));
    ASSERT_EQ(6u, parts.side.size());
    const float corners[] = {0.0f, 2.0944f, 4.1888f};
    const float labelS[] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f};
    for (int segment = 0; segment < 3; ++segment) {
        // Vertex 1 of the first triangle of a segment is A: angle a, z = -100, texture (u0, 0).
        const FeedbackVertex& a = parts.side[2 * segment].vertices[0];
        EXPECT_NEAR(corners[segment], angleOf(a), 1e-4) << "segment " << segment;
        EXPECT_NEAR(20.0, std::hypot(objectX(a), objectY(a)), 1e-3);
        EXPECT_NEAR(topZ, objectZ(a), 1e-2);
        EXPECT_NEAR(labelS[segment], a.texture[0], 1e-5) << "segment " << segment;
        EXPECT_FLOAT_EQ(0.0f, a.texture[1]);
        // Vertex 2 is B, same angle at z = 0 with the label's height as t.
        const FeedbackVertex& b = parts.side[2 * segment].vertices[1];
        EXPECT_NEAR(0.0, objectZ(b), 1e-2);
        EXPECT_FLOAT_EQ(0.7421875f, b.texture[1]);
    }
    // The seam: the last segment ends a hair past a full turn, s a hair past 1.
    const FeedbackVertex& lastC = parts.side[4].vertices[2];
    EXPECT_NEAR(1.0, lastC.texture[0], 1e-6);
    EXPECT_NEAR(0.0, objectX(lastC), 1e-3);
    EXPECT_NEAR(20.0, objectY(lastC), 1e-3);
}

TEST_F(CanMeshDrawing, EndFansStartWhereTheAngleLoopsStartAndCloseOnTheImageCorner) {
    const Parts parts = split(captureFeedback([] { drawCan(50.0f); }));
    ASSERT_EQ(100u, parts.top.size());
    ASSERT_EQ(100u, parts.bottom.size());
    for (const auto* fan : {&parts.top, &parts.bottom}) {
        const FeedbackVertex& centre = fan->front().vertices[0];
        EXPECT_NEAR(0.0, objectX(centre), 1e-4);
        EXPECT_NEAR(0.0, objectY(centre), 1e-4);
        EXPECT_FLOAT_EQ(0.5f, centre.texture[0]);
        EXPECT_FLOAT_EQ(0.5f, centre.texture[1]);
        const FeedbackVertex& closing = fan->back().vertices[2];
        EXPECT_NEAR(0.0, objectX(closing), 1e-4);
        EXPECT_NEAR(20.0, objectY(closing), 1e-4);
        EXPECT_FLOAT_EQ(1.0f, closing.texture[0]);
        EXPECT_FLOAT_EQ(0.0f, closing.texture[1]);
    }
    // Top: rising from angle 0, where the rim formula gives texture (0.98, 0.5).
    const FeedbackVertex& topFirst = parts.top.front().vertices[1];
    EXPECT_NEAR(0.0, objectX(topFirst), 1e-4);
    EXPECT_NEAR(0.98, topFirst.texture[0], 1e-6);
    EXPECT_NEAR(0.5, topFirst.texture[1], 1e-6);
    // Bottom: falling from 6.283, just short of a full turn ...
    const FeedbackVertex& bottomFirst = parts.bottom.front().vertices[1];
    EXPECT_NEAR(-0.0037, objectX(bottomFirst), 1e-4);
    EXPECT_NEAR(20.0, objectY(bottomFirst), 1e-4);
    // ... so its last rim vertex lies about 0.000185 short of one step.
    const FeedbackVertex& bottomLast = parts.bottom.back().vertices[1];
    EXPECT_NEAR(0.06283184 - 0.000185, angleOf(bottomLast), 2e-5);
}

TEST_F(CanMeshDrawing, FacesWindOutwardUnderCounterClockwiseFronts) {
    // Seen from +z the z = 0 end faces the viewer and the z = -100 end away.
    Parts parts = split(captureFeedback([] { drawCan(10.0f); }));
    for (const FeedbackPrimitive& p : parts.bottom) EXPECT_GT(signedArea(p), 0.0f);
    for (const FeedbackPrimitive& p : parts.top) EXPECT_LT(signedArea(p), 0.0f);

    // Turned a quarter about y the side is seen from across: a side triangle
    // winds counter-clockwise exactly when it lies on the near half.
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    const auto all = captureFeedback([] { drawCan(10.0f); });
    ASSERT_EQ(80u, all.size());
    for (int i = 0; i < 40; ++i) {
        const FeedbackPrimitive& p = all[i];
        const float depth = (p.vertices[0].z + p.vertices[1].z + p.vertices[2].z) / 3.0f;
        EXPECT_EQ(depth < 0.5f, signedArea(p) > 0.0f) << "side triangle " << i << " depth " << depth;
    }
}

// Three white directional lights along x, y and z, coloured red, green and
// blue, turn a vertex's normal into its lit colour: the positive parts of the
// normal with the lights as given, the negative ones with the lights reversed.
TEST_F(CanMeshDrawing, SideNormalsTiltTowardMinusZAtTheTopAndAreRadialAtTheBottom) {
    const GLfloat none[] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glEnable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    auto lightUp = [&](float sign) {
        for (int i = 0; i < 3; ++i) {
            GLfloat direction[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            GLfloat colour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            direction[i] = sign;
            colour[i] = 1.0f;
            glLightfv(GL_LIGHT0 + i, GL_POSITION, direction);
            glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, colour);
            glLightfv(GL_LIGHT0 + i, GL_AMBIENT, none);
            glLightfv(GL_LIGHT0 + i, GL_SPECULAR, none);
            glEnable(GL_LIGHT0 + i);
        }
        return captureFeedback([] { drawCan(5.0f); });
    };
    const auto positive = lightUp(1.0f);
    const auto negative = lightUp(-1.0f);
    ASSERT_EQ(40u, positive.size());
    ASSERT_EQ(40u, negative.size());
    for (std::size_t i = 0; i < positive.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            const FeedbackVertex& v = positive[i].vertices[k];
            float normal[3];
            for (int c = 0; c < 3; ++c) normal[c] = v.colour[c] - negative[i].vertices[k].colour[c];
            const float s = objectX(v) / 20.0f, c = objectY(v) / 20.0f;
            float expected[3];
            if (i >= 20) {  // the ends: one normal per fan, along the axis
                expected[0] = expected[1] = 0.0f;
                expected[2] = i < 30 ? -1.0f : 1.0f;
            } else if (objectZ(v) < -50.0f) {
                expected[0] = 0.196116f * s, expected[1] = 0.196116f * c, expected[2] = -0.980581f;
            } else {
                expected[0] = s, expected[1] = c, expected[2] = 0.0f;
            }
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_NEAR(expected[axis], normal[axis], 2e-3) << "triangle " << i << " vertex " << k << " axis " << axis;
        }
    }
}

TEST_F(CanMeshDrawing, GreyFadesHyperbolicallyInAndOutWithTheSceneFrame) {
    const struct {
        int frame;
        float grey;
    } cases[] = {{2, 0.07f},   {3, 0.0778f},  {6, 0.1167f},  {10, 0.35f},  {11, 0.7f}, {12, 0.7f},
                 {100, 0.7f},  {190, 0.7f},   {191, 0.7f},   {192, 0.35f}, {199, 0.0778f}, {200, 0.07f}};
    for (const auto& c : cases) {
        sceneFrame = c.frame;
        const auto all = captureFeedback([] { drawCan(1.5f); });
        ASSERT_FALSE(all.empty());
        for (const FeedbackPrimitive& p : all)
            for (const FeedbackVertex& v : p.vertices)
                for (int i = 0; i < 3; ++i) ASSERT_NEAR(c.grey, v.colour[i], 5e-5) << "frame " << c.frame;
    }
}

TEST_F(CanMeshDrawing, LeavesTexturingModulateCounterClockwiseAndTheBottomImageBound) {
    glFrontFace(GL_CW);
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, 0);
    drawCan(35.0f);

    GLint frontFace = 0, envMode = 0, bound = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GL_CCW, frontFace);
    EXPECT_EQ(GL_MODULATE, envMode);
    EXPECT_EQ(static_cast<GLint>(textureNames[canBottomSlot]), bound);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    GLfloat normal[3], texture[4], colour[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texture);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(0.0f, normal[0]);
    EXPECT_FLOAT_EQ(0.0f, normal[1]);
    EXPECT_FLOAT_EQ(1.0f, normal[2]);
    EXPECT_FLOAT_EQ(1.0f, texture[0]);
    EXPECT_FLOAT_EQ(0.0f, texture[1]);
    EXPECT_FLOAT_EQ(0.7f, colour[0]);
}

// A detail the mesh cannot be built from is skipped rather than drawn as
// garbage or looped on for ever.
TEST_F(CanMeshDrawing, UnusableDetailsDrawNothing) {
    for (float detail : {0.0f, -3.0f, 0.25f, 1e6f, std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity()}) {
        EXPECT_TRUE(captureFeedback([&] { drawCan(detail); }).empty()) << "detail " << detail;
    }
}

}  // namespace
