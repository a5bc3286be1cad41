#include "tests/web/gl_scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <vector>

namespace {

// A label with gradients and checks, an RGBA top, a backdrop image, and a
// texture that never gets an image.
enum { labelTexture, topTexture, backdropTexture, emptyTexture, textureCount };
GLuint textures[textureCount];

constexpr float turn = 6.2831853f;

void upload(int which, int width, int height, bool alpha, const std::vector<unsigned char>& pixels) {
    glBindTexture(GL_TEXTURE_2D, textures[which]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    if (pixels.empty()) return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, alpha ? GL_RGBA : GL_RGB5, width, height, 0, alpha ? GL_RGBA : GL_RGB,
                 GL_UNSIGNED_BYTE, pixels.data());
}

// A closed cylinder as the show's cans are, but with a quad strip for its
// side: per-vertex normals on the side, one normal before each end's fan.
void drawCylinder(float grey, int segments) {
    const float radius = 20, top = -100;
    glColor3f(grey, grey, grey);
    glBindTexture(GL_TEXTURE_2D, textures[labelTexture]);
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= segments; ++i) {
        const float a = turn * i / segments;
        const float normal[3] = {std::sin(a), std::cos(a), 0};
        glNormal3fv(normal);
        glTexCoord2f(static_cast<float>(i) / segments, 0);
        glVertex3f(radius * normal[0], radius * normal[1], top);
        glTexCoord2f(static_cast<float>(i) / segments, 0.74f);
        glVertex3f(radius * normal[0], radius * normal[1], 0);
    }
    glEnd();
    glBindTexture(GL_TEXTURE_2D, textures[topTexture]);
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0, 0, -1);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0, 0, top);
    for (int i = 0; i <= segments; ++i) {
        const float a = turn * i / segments;
        glTexCoord2f(0.5f + 0.48f * std::cos(a), 0.5f + 0.48f * std::sin(a));
        glVertex3f(radius * std::sin(a), radius * std::cos(a), top);
    }
    glEnd();
    // No image: drawn untextured, in the colour the material takes from it.
    glBindTexture(GL_TEXTURE_2D, textures[emptyTexture]);
    glColor3f(0.9f, 0.5f, 0.2f);
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0, 0, 1);
    for (int i = segments; i >= 0; --i) {
        const float a = turn * i / segments;
        glVertex3f(radius * std::sin(a), radius * std::cos(a), 0);
    }
    glEnd();
}

}  // namespace

void setUpScene() {
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glGenTextures(textureCount, textures);
    std::vector<unsigned char> label(256 * 128 * 3), top(64 * 64 * 4), backdrop(1024 * 512 * 3);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) {
            unsigned char* p = &label[(y * 256 + x) * 3];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y * 2);
            p[2] = ((x / 16 + y / 16) & 1) ? 230 : 20;
        }
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            unsigned char* p = &top[(y * 64 + x) * 4];
            p[0] = static_cast<unsigned char>(255 - x * 4);
            p[1] = static_cast<unsigned char>(y * 4);
            p[2] = static_cast<unsigned char>(x * y);
            p[3] = 128;
        }
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 1024; ++x) {
            unsigned char* p = &backdrop[(y * 1024 + x) * 3];
            p[0] = static_cast<unsigned char>(x * 255 / 1023);
            p[1] = static_cast<unsigned char>(y * 255 / 511);
            p[2] = ((x ^ y) & 8) ? 200 : 90;
        }
    upload(labelTexture, 256, 128, false, label);
    upload(topTexture, 64, 64, true, top);
    upload(backdropTexture, 1024, 512, false, backdrop);
    upload(emptyTexture, 0, 0, false, {});

    // The show's light and material.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    const float modelAmbient[4] = {0.5f, 0.5f, 0.5f, 1}, ambient[4] = {0.5f, 0.5f, 0.5f, 1},
                diffuse[4] = {0.2f, 0.2f, 0.2f, 1}, specular[4] = {1.5f, 1.5f, 1.5f, 1},
                position[4] = {0, 800, 0, 1}, materialSpecular[4] = {0.99f, 0.99f, 0.99f, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMateriali(GL_FRONT, GL_SHININESS, 96);
}

void drawScene() {
    glClearColor(0.99f, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // A backdrop as the show's, faded: its texture repeats into negative t.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, sceneWidth, 0, sceneHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glColor3f(0.6f, 0.6f, 0.6f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, textures[backdropTexture]);
    glBegin(GL_QUADS);
    glTexCoord2f(0, -0.0625f);
    glVertex3f(0, 0, 0);
    glTexCoord2f(0.625f, -0.0625f);
    glVertex3f(sceneWidth, 0, 0);
    glTexCoord2f(0.625f, -1);
    glVertex3f(sceneWidth, sceneHeight, 0);
    glTexCoord2f(0, -1);
    glVertex3f(0, sceneHeight, 0);
    glEnd();
    glPopMatrix();

    // The camera, and the light given under its view.
    glViewport(0, 0, sceneWidth, sceneHeight);
    glScissor(0, 0, sceneWidth, sceneHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, static_cast<double>(sceneWidth) / sceneHeight, 1, 10000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(120, 90, 330, 0, 90, 0, 0, 1, 0);
    const float light[4] = {120, 800, 330, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, light);

    // An unlit line on the ground.
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.6627451f, 0.6627451f, 0.6627451f);
    glBegin(GL_LINE_STRIP);
    const float lineX[5] = {-200, -50, 60, 150, 230}, lineZ[5] = {100, -30, 80, -60, 20};
    for (int i = 0; i < 5; ++i) glVertex3f(lineX[i], 0, lineZ[i]);
    glEnd();

    // Fifteen lit, textured cylinders, turned and placed as the show's cans.
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glFrontFace(GL_CCW);
    for (int k = 0; k < 15; ++k) {
        glPushMatrix();
        glTranslated(-160 + (k % 5) * 80, 20 + (k / 5) * 70, -(k / 5) * 60);
        glRotated(90 + k * 37 % 360, 1, 0, 0);
        glRotated(k * 53 % 360, 0, 1, 0);
        glRotated(k * 71 % 360, 0, 0, 1);
        glTranslated(10, 10, 50);
        drawCylinder(k % 2 ? 0.7f : 0.35f, 8 + k * 4);
        glPopMatrix();
    }

    // Colour material off: the material keeps the last colour it took.
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0.6f, 0.8f);
    glVertex3f(-250, 200, -100);
    glVertex3f(-150, 200, -100);
    glVertex3f(-200, 280, -100);
    glEnd();

    // A material given inside a block, while the triangle above still waits
    // to be drawn: a layer that draws what waits there must keep this block.
    const float emission[4] = {0.1f, 0.45f, 0.15f, 1};
    glBegin(GL_TRIANGLES);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glNormal3f(0, 0.6f, 0.8f);
    glVertex3f(40, 200, -100);
    glVertex3f(180, 200, -100);
    glVertex3f(110, 280, -100);
    glEnd();
}
