#include <gtest/gtest.h>

#include <algorithm>

#include "assets/models.h"
#include "camera/camera.h"
#include "render/can_field.h"
#include "show/scene_director.h"
#include "tests/gl/feedback.h"
#include "tests/gl/gl_context.h"

namespace {

class CanFieldDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        makeOffscreenContext();
        loadCentredPixelView();
        savedPosition = camera.position;
        savedScale = sceneScale;
        savedStep = vertexStep;
        std::copy(AngleTable, AngleTable + angleTableSize, savedAngles);
    }
    void TearDown() override {
        camera.position = savedPosition;
        sceneScale = savedScale;
        vertexStep = savedStep;
        std::copy(savedAngles, savedAngles + angleTableSize, AngleTable);
    }

    Vector3 savedPosition;
    float savedScale = 0.0f, savedStep = 0.0f;
    float savedAngles[angleTableSize] = {};
};

TEST_F(CanFieldDrawing, PlaceCanTranslatesToTheScaledVertexAndTruncatesTheDistance) {
    sceneScale = 0.0f;  // every pivot at the origin, whatever the model
    const struct {
        Vector3 eye;
        int distance;
    } cases[] = {{{300.0f, 400.0f, 0.0f}, 500}, {{0.0f, 0.0f, 299.9f}, 299}, {{0.0f, -5000.0f, 0.0f}, 5000}};
    for (const auto& c : cases) {
        camera.position = c.eye;
        glLoadIdentity();
        EXPECT_EQ(c.distance, placeCan(0));
    }

    sceneScale = 1000.0f;
    camera.position = Vector3(0.0f, 0.0f, 0.0f);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    const int d = placeCan(0);
    const float* v = modelVertex(0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(1.0f + i + 1000.0f * v[i], m[12 + i], 1e-3) << "axis " << i;
    EXPECT_NEAR(1000.0 * std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), d, 1.0);
}

TEST_F(CanFieldDrawing, SwitchesDepthCullingAndLightingOnAndRestoresTheModelview) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glRotatef(20.0f, 0.0f, 1.0f, 0.0f);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    drawCanField();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(before[i], after[i]) << "element " << i;
}

// One can at the origin with all angles 0: moved by (10, 10, 50), then turned
// upright, it spans y = -50..50 around an axis at x = 10, z = 10; a far camera
// gets the prism, a near one the round can.
TEST_F(CanFieldDrawing, ASingleCanStandsUprightOffItsPivotWithDetailByDistance) {
    if (modelVertexCount() == 0) GTEST_SKIP() << "the current scene's model has no vertices";
    sceneScale = 0.0f;
    vertexStep = 1e9f;  // past the end: the walk stops after vertex 0
    std::fill(AngleTable, AngleTable + angleTableSize, 0.0f);
    for (float eyeZ : {10000.0f, 100.0f}) {
        camera.position = Vector3(0.0f, 0.0f, eyeZ);
        const auto all = captureFeedback([] { drawCanField(); });
        ASSERT_FALSE(all.empty());
        float low = 1e9f, high = -1e9f;
        for (const FeedbackPrimitive& p : all) {
            for (const FeedbackVertex& v : p.vertices) {
                const float x = v.x - 320.0f, y = v.y - 240.0f, z = (0.5f - v.z) * 400.0f;
                EXPECT_NEAR(10.0, x, 20.001);
                EXPECT_NEAR(10.0, z, 20.001);
                low = std::min(low, y);
                high = std::max(high, y);
            }
        }
        EXPECT_NEAR(-50.0, low, 1e-3);
        EXPECT_NEAR(50.0, high, 1e-3);
        // Culling keeps only the faces turned to the viewer: at most the whole
        // prism far away, always more than that close by.
        if (eyeZ > 5000.0f)
            EXPECT_LE(all.size(), 12u);
        else
            EXPECT_GT(all.size(), 12u);
    }
}

}  // namespace
