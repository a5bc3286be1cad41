#include <gtest/gtest.h>

#include <algorithm>

#include "assets/textures.h"
#include "render/backdrop.h"
#include "show/camera_path.h"
#include "show/scene_director.h"
#include "tests/gl/feedback.h"
#include "tests/gl/gl_context.h"

namespace {

class BackdropAndPath : public ::testing::Test {
protected:
    void SetUp() override {
        makeOffscreenContext();
        glViewport(0, 0, 640, 480);
        savedFrame = sceneFrame;
        savedPhrase = phraseIndex;
        std::copy(textureNames, textureNames + textureSlotCount, savedNames);
        std::copy(controlX, controlX + controlPointCount, savedX);
        std::copy(controlZ, controlZ + controlPointCount, savedZ);
        sceneFrame = 100;
        for (int p = 0; p < phraseCount; ++p) textureNames[firstPhraseSlot + p] = 40u + p;
    }
    void TearDown() override {
        sceneFrame = savedFrame;
        phraseIndex = savedPhrase;
        std::copy(savedNames, savedNames + textureSlotCount, textureNames);
        std::copy(savedX, savedX + controlPointCount, controlX);
        std::copy(savedZ, savedZ + controlPointCount, controlZ);
    }

    // Whatever a camera left: the backdrop must not depend on it.
    static void loadSomeCameraView() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1.0, 1.0, -0.75, 0.75, 1.0, 5000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(30.0f, 1.0f, 0.0f, 0.0f);
        glTranslatef(-100.0f, -1400.0f, 200.0f);
    }

    int savedFrame = 0, savedPhrase = 0;
    unsigned savedNames[textureSlotCount] = {};
    float savedX[controlPointCount] = {}, savedZ[controlPointCount] = {};
};

TEST_F(BackdropAndPath, BackdropQuadCoversTheViewportWithTheImageCornerAtTheTop) {
    loadSomeCameraView();
    const auto all = captureFeedback([] { drawPhraseBackdrop(); });
    // The quad may reach feedback as one polygon or as two triangles.
    std::vector<FeedbackVertex> corners;
    for (const FeedbackPrimitive& p : all) {
        EXPECT_EQ(static_cast<GLenum>(GL_POLYGON_TOKEN), p.kind);
        corners.insert(corners.end(), p.vertices.begin(), p.vertices.end());
    }
    ASSERT_GE(corners.size(), 4u);
    const struct {
        float x, y, s, t;
    } expected[] = {{0, 0, 0, -0.0625f}, {640, 0, 0.625f, -0.0625f}, {640, 480, 0.625f, -1}, {0, 480, 0, -1}};
    for (const auto& e : expected) {
        bool found = false;
        for (const FeedbackVertex& v : corners) {
            if (std::fabs(v.x - e.x) > 1e-3f || std::fabs(v.y - e.y) > 1e-3f) continue;
            found = true;
            EXPECT_FLOAT_EQ(e.s, v.texture[0]) << "corner " << e.x << ", " << e.y;
            EXPECT_FLOAT_EQ(e.t, v.texture[1]) << "corner " << e.x << ", " << e.y;
        }
        EXPECT_TRUE(found) << "no vertex at window corner " << e.x << ", " << e.y;
    }
    for (const FeedbackVertex& v : corners) {
        EXPECT_TRUE(v.x == 0.0f || v.x == 640.0f) << v.x;
        EXPECT_TRUE(v.y == 0.0f || v.y == 480.0f) << v.y;
    }
}

TEST_F(BackdropAndPath, BackdropFadesByModulatingOnlyOutsideFramesTwelveTo190) {
    const struct {
        int frame;
        float grey;
        GLint mode;
    } cases[] = {{2, 0.1f, GL_MODULATE},      {3, 1.0f / 9, GL_MODULATE},   {11, 1.0f, GL_MODULATE},
                 {12, 1.0f, GL_REPLACE},      {100, 1.0f, GL_REPLACE},      {190, 1.0f, GL_REPLACE},
                 {191, 1.0f, GL_MODULATE},    {199, 1.0f / 9, GL_MODULATE}, {200, 0.1f, GL_MODULATE}};
    for (const auto& c : cases) {
        sceneFrame = c.frame;
        const auto all = captureFeedback([] { drawPhraseBackdrop(); });
        ASSERT_FALSE(all.empty());
        for (const FeedbackPrimitive& p : all)
            for (const FeedbackVertex& v : p.vertices)
                for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(c.grey, v.colour[i]) << "frame " << c.frame;
        GLint mode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        EXPECT_EQ(c.mode, mode) << "frame " << c.frame;
    }
}

TEST_F(BackdropAndPath, BackdropLeavesThePhraseBoundDepthCullingLightingOffAndTheViewRestored) {
    phraseIndex = 3;
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    loadSomeCameraView();
    GLfloat before[16], after[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glMatrixMode(GL_PROJECTION);  // the backdrop picks the modelview itself
    drawPhraseBackdrop();

    GLint bound = 0, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(43, bound);
    EXPECT_EQ(GL_MODELVIEW, mode);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(before[i], after[i]) << "modelview element " << i;
    // The orthographic projection stays: 2/640, 2/480, -1, and the shift to the corner.
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(2.0f / 640, projection[0]);
    EXPECT_FLOAT_EQ(2.0f / 480, projection[5]);
    EXPECT_FLOAT_EQ(-1.0f, projection[10]);
    EXPECT_FLOAT_EQ(-1.0f, projection[12]);
    EXPECT_FLOAT_EQ(-1.0f, projection[13]);
}

TEST_F(BackdropAndPath, PathLineJoinsTheControlPointsOnTheGroundInGrey) {
    const float xs[controlPointCount] = {-150, -50, 0, 80, 150};
    const float zs[controlPointCount] = {100, -20, 60, -150, 10};
    std::copy(xs, xs + controlPointCount, controlX);
    std::copy(zs, zs + controlPointCount, controlZ);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    loadCentredPixelView();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);  // look down on the ground: world z becomes screen y

    const struct {
        int frame;
        float grey;
    } cases[] = {{2, 0.066f}, {11, 0.66f}, {12, 0.6627451f}, {190, 0.6627451f}, {191, 0.66f}, {200, 0.066f}};
    for (const auto& c : cases) {
        sceneFrame = c.frame;
        const auto all = captureFeedback([] { drawPathLine(); });
        ASSERT_EQ(4u, all.size()) << "frame " << c.frame;
        for (int i = 0; i < 4; ++i) {
            const FeedbackPrimitive& segment = all[i];
            EXPECT_TRUE(segment.kind == GL_LINE_TOKEN || segment.kind == GL_LINE_RESET_TOKEN) << segment.kind;
            for (int end = 0; end < 2; ++end) {
                const FeedbackVertex& v = segment.vertices[end];
                EXPECT_NEAR(xs[i + end] + 320.0f, v.x, 1e-3) << "segment " << i;
                EXPECT_NEAR(-zs[i + end] + 240.0f, v.y, 1e-3) << "segment " << i;
                EXPECT_NEAR(0.5, v.z, 1e-6) << "segment " << i;  // y = 0: the ground
                for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(c.grey, v.colour[k]) << "frame " << c.frame;
            }
        }
    }
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

}  // namespace
