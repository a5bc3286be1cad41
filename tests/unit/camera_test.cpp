#include <gtest/gtest.h>

#include "camera/camera.h"
#include "platform/fake/platform_fake.h"

TEST(Camera, SetupLeavesTheStartingViewpoint) {
    Camera c;
    c.setup(60.0f, 640.0f, 480.0f);
    EXPECT_FLOAT_EQ(1.3333334f, c.aspect);
    EXPECT_EQ(640, c.viewportWidth);
    EXPECT_EQ(480, c.viewportHeight);
    EXPECT_NEAR(0.15425146f, c.fovCosine, 1e-7f);  // the half angle taken as radians
    EXPECT_FLOAT_EQ(-2000.0f, c.position.x);
    EXPECT_FLOAT_EQ(1400.0f, c.position.y);
    EXPECT_FLOAT_EQ(-2000.0f, c.position.z);
    EXPECT_FLOAT_EQ(-40.0f, c.yaw);
    EXPECT_FLOAT_EQ(0.0f, c.pitch);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(i % 4 == 0 ? 1.0f : 0.0f, c.matrix[i]) << "element " << i;
}

TEST(Camera, FastInverseSquareRootOfTwentyFive) {
    EXPECT_NEAR(0.19968977, fastInvSqrt(25.0f), 5e-8);
    EXPECT_NEAR(5.0077679, 1.0 / fastInvSqrt(25.0f), 5e-7);
    // Large enough that a zero step stays zero after the scaling.
    EXPECT_GT(fastInvSqrt(0.0f), 1e19);
}

// Up held moves the eye by about 25.04 units toward -z for one update; Up and
// Down together, or no key, leave it where it is.
TEST(Camera, ArrowKeysShiftTheEyeAlongZByTheScaledStep) {
    struct Case {
        std::vector<unsigned> held;
        float expectedDz;
        float expectedYaw;
    };
    const Case cases[] = {
        {{platform::vkUp}, -25.038839f, -40.0f},
        {{platform::vkDown}, 25.038839f, -40.0f},
        {{platform::vkUp, platform::vkDown}, 0.0f, -40.0f},
        {{}, 0.0f, -40.0f},
        {{platform::vkLeft}, 0.0f, -34.0f},
        {{platform::vkRight}, 0.0f, -46.0f},
    };
    for (const Case& k : cases) {
        platform::fake::Script script;
        script.heldKeys = k.held;
        platform::fake::reset(script);
        Camera c;
        c.setup(60.0f, 640.0f, 480.0f);
        c.update();
        EXPECT_NEAR(-2000.0f + k.expectedDz, c.position.z, 1e-3f) << "keys held: " << k.held.size();
        EXPECT_FLOAT_EQ(-2000.0f, c.position.x);
        EXPECT_FLOAT_EQ(1400.0f, c.position.y);
        EXPECT_FLOAT_EQ(k.expectedYaw, c.yaw);
    }
    platform::fake::reset();
}

TEST(Camera, PitchIsBroughtBackWithinPlusMinusNinety) {
    platform::fake::reset();
    Camera c;
    c.setup(60.0f, 640.0f, 480.0f);
    c.pitch = -120.0f;
    c.update();
    EXPECT_FLOAT_EQ(-90.0f, c.pitch);
    c.pitch = 95.0f;
    c.update();
    EXPECT_FLOAT_EQ(90.0f, c.pitch);
    c.pitch = 45.0f;
    c.update();
    EXPECT_FLOAT_EQ(45.0f, c.pitch);
}

TEST(Vector3, TransformUsesTheOldComponents) {
    const Matrix3 identity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const Matrix3 rotate = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    Vector3 v(1, 2, 3);
    v.transform(identity);
    EXPECT_EQ(1.0f, v.x);
    EXPECT_EQ(2.0f, v.y);
    EXPECT_EQ(3.0f, v.z);
    v.transform(rotate);
    EXPECT_EQ(2.0f, v.x);
    EXPECT_EQ(3.0f, v.y);
    EXPECT_EQ(1.0f, v.z);
    Vector3 sum(1, 1, 1);
    (sum += v) += Vector3(0.5f, 0, 0);
    EXPECT_EQ(3.5f, sum.x);
    EXPECT_EQ(4.0f, sum.y);
    EXPECT_EQ(2.0f, sum.z);
}
