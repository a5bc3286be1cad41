#include "render/frame.h"

#include <GL/gl.h>

#include "app/shell.h"
#include "camera/camera.h"
#include "platform/platform.h"
#include "render/backdrop.h"
#include "render/can_field.h"
#include "show/camera_path.h"

namespace {

constexpr float lightHeight = 800.0f;  // world units, whatever the camera's height

constexpr GLfloat modelAmbient[] = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr GLfloat lightAmbient[] = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr GLfloat lightDiffuse[] = {0.2f, 0.2f, 0.2f, 1.0f};
// Above 1 on purpose: OpenGL clamps only the final lit colour.
constexpr GLfloat lightSpecular[] = {1.5f, 1.5f, 1.5f, 1.0f};
constexpr GLfloat materialSpecular[] = {0.99f, 0.99f, 0.99f, 1.0f};
constexpr GLint materialShininess = 96;

}  // namespace

float lightPosition[4] = {0.0f, lightHeight, 0.0f, 1.0f};  // w = 1: a positional light

void renderFrame() {
    composeFrame();
    platform::swapBuffers(deviceContext);
}

void composeFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawPhraseBackdrop();
    camera.apply();
    updateLight();
    drawPathLine();
    drawCanField();
    // The show's state moves on only after the drawing: each frame shows the
    // state computed at the end of the previous one.
    updateCameraPath();
    camera.update();
}

void setupLighting() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMateriali(GL_FRONT, GL_SHININESS, materialShininess);
    glClearColor(0.99f, 1.0f, 1.0f, 1.0f);
}

void updateLight() {
    // Given under the camera's view alone, so the position is in world units.
    lightPosition[0] = camera.position.x;
    lightPosition[2] = camera.position.z;
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
}
