#include "render/backdrop.h"

#include <GL/gl.h>

#include "assets/textures.h"
#include "show/camera_path.h"
#include "show/scene_director.h"

namespace {

// The backdrop's own screen space: one unit per pixel of the 640 x 480 view.
constexpr double screenWidth = 640.0;
constexpr double screenHeight = 480.0;
// A 640 x 480 picture in the corner of a 1024 x 512 image: 640/1024 of the
// columns, 480/512 of the rows. t runs negative and relies on the texture
// repeating, so the image's first row lands at the top of the screen.
constexpr float imageRight = 0.625f;
constexpr float imageBottom = -0.0625f;
constexpr float imageTop = -1.0f;

constexpr float pathGrey = 0.6627451f;      // 169/255
constexpr float pathFadeBrightest = 0.66f;  // a little below the steady grey

// The divisor of the fade at scene frame f, or 0 outside the fades. The tests
// are strict, so a fading divisor is never below 1.
int fadeDivisor(int f) {
    if (f < fadeInEnd) return fadeInEnd - f;
    if (f > fadeOutStart) return f - fadeOutStart;
    return 0;
}

}  // namespace

void drawPhraseBackdrop() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // Switched back on by the can field later in the frame.
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, screenWidth, 0.0, screenHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);

    glColor3f(1.0f, 1.0f, 1.0f);
    if (const int divisor = fadeDivisor(sceneFrame); divisor != 0) {
        const float c = 1.0f / static_cast<float>(divisor);
        glColor3f(c, c, c);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    glBindTexture(GL_TEXTURE_2D, textureNames[firstPhraseSlot + phraseIndex]);

    const float right = static_cast<float>(screenWidth);
    const float top = static_cast<float>(screenHeight);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, imageBottom);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(imageRight, imageBottom);
    glVertex3f(right, 0.0f, 0.0f);
    glTexCoord2f(imageRight, imageTop);
    glVertex3f(right, top, 0.0f);
    glTexCoord2f(0.0f, imageTop);
    glVertex3f(0.0f, top, 0.0f);
    glEnd();
    glPopMatrix();
}

void drawPathLine() {
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(pathGrey, pathGrey, pathGrey);
    if (const int divisor = fadeDivisor(sceneFrame); divisor != 0) {
        const float c = pathFadeBrightest / static_cast<float>(divisor);
        glColor3f(c, c, c);
    }
    // Straight segments between the control points on the ground, not the
    // curve the camera flies.
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < controlPointCount; ++i) glVertex3f(controlX[i], 0.0f, controlZ[i]);
    glEnd();
}
