#include <gtest/gtest.h>

#include "show/camera_path.h"
#include "show/random.h"
#include "show/scene_director.h"
#include "tests/gl/gl_context.h"

// What the update hands to OpenGL is what the next frame is cleared with,
// including the scene change at the end, where the ramp below zero is black.
TEST(CameraPathClearColour, UpdateLeavesTheNextFramesColourInOpenGL) {
    makeOffscreenContext();
    initPathNodes();
    seedRandom(5);
    sceneIndex = 7;
    phraseIndex = 0;
    chooseScene();

    struct Case {
        int frameBefore;
        float red;
        float greenBlue;
    };
    for (const Case c : {Case{2, 0.1f, 0.1f}, Case{10, 0.9f, 0.9f}, Case{11, 0.99f, 1.0f},
                         Case{189, 0.99f, 1.0f}, Case{190, 0.9f, 0.9f}, Case{199, 0.0f, 0.0f},
                         Case{200, 0.0f, 0.0f}}) {
        sceneFrame = c.frameBefore;
        updateCameraPath();
        GLfloat colour[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
        EXPECT_NEAR(c.red, colour[0], 1e-6f) << "update from frame " << c.frameBefore;
        EXPECT_NEAR(c.greenBlue, colour[1], 1e-6f) << "update from frame " << c.frameBefore;
        EXPECT_NEAR(c.greenBlue, colour[2], 1e-6f) << "update from frame " << c.frameBefore;
        EXPECT_EQ(1.0f, colour[3]);
    }
    EXPECT_EQ(firstSceneFrame, sceneFrame);
}
