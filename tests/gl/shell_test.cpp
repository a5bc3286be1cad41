// The viewport the shell sets, on a real offscreen context.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "camera/camera.h"
#include "gl_context.h"

namespace {

std::vector<int> viewport() {
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

}  // namespace

TEST(ShellViewport, SizeMessagesSetTheViewportUntilTheCameraResetsIt) {
    makeOffscreenContext();
    wndProc(nullptr, platform::msgSize, 0, 800 | (600 << 16));
    EXPECT_EQ((std::vector<int>{0, 0, 800, 600}), viewport());
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);

    // A height of 0 is taken as 1.
    wndProc(nullptr, platform::msgSize, 0, 640);
    EXPECT_EQ((std::vector<int>{0, 0, 640, 1}), viewport());

    // Every frame draws with the camera's own 640 x 480.
    Camera c;
    c.setup(60.0f, 640.0f, 480.0f);
    c.apply();
    EXPECT_EQ((std::vector<int>{0, 0, 640, 480}), viewport());
}
