#include "camera/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"

Camera camera;

namespace {

// Where Camera::setup puts the eye and how it heads.
constexpr float setupX = -2000.0f;
constexpr float setupHeight = 1400.0f;
constexpr float setupZ = -2000.0f;
constexpr float setupYaw = -40.0f;

// Arrow-key effects per frame.
constexpr float keyMoveZ = 5.0f;     // world units along z, before the length scaling
constexpr float keyTurnYaw = 6.0f;   // degrees
constexpr float pitchLimit = 90.0f;  // degrees

// Near plane as a float widened to double, as the projection has always used it.
constexpr double nearPlane = static_cast<double>(0.1f);
constexpr double farPlane = 90000000.0;

}  // namespace

Vector3::Vector3(float x, float y, float z) : x(x), y(y), z(z) {}
Vector3::Vector3(const Vector3& other) : x(other.x), y(other.y), z(other.z) {}
Vector3::~Vector3() = default;

Vector3& Vector3::operator=(Vector3 other) {
    x = other.x;
    y = other.y;
    z = other.z;
    return *this;
}

Vector3& Vector3::operator+=(Vector3 other) {
    x += other.x;
    y += other.y;
    z += other.z;
    return *this;
}

Vector3& Vector3::transform(const Matrix3& m) {
    const float ox = x, oy = y, oz = z;
    x = m[0] * ox + m[1] * oy + m[2] * oz;
    y = m[3] * ox + m[4] * oy + m[5] * oz;
    z = m[6] * ox + m[7] * oy + m[8] * oz;
    return *this;
}

double fastInvSqrt(float v) {
    std::int32_t i;
    std::memcpy(&i, &v, sizeof i);
    i = 0x5F3759DF - (i >> 1);
    float y;
    std::memcpy(&y, &i, sizeof y);
    return y * (1.5 - 0.5 * v * y * y);
}

Camera::~Camera() = default;

void Camera::setup(float fieldOfView, float width, float height) {
    fov = fieldOfView;
    // The half angle is taken as radians, not degrees; nothing reads the result
    // for the picture, but it is kept as it has always been computed.
    fovCosine = static_cast<float>(std::cos(fieldOfView * 0.5));
    viewportWidth = static_cast<int>(width);
    viewportHeight = static_cast<int>(height);
    aspect = width / height;
    position = Vector3(setupX, setupHeight, setupZ);
    yaw = setupYaw;
    pitch = 0.0f;
    roll = 0.0f;
    for (int i = 0; i < 9; ++i) matrix[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

void Camera::setViewport(int width, int height) {
    viewportWidth = width;
    viewportHeight = height;
    aspect = static_cast<float>(width) / static_cast<float>(height);
}

void Camera::apply() const {
    glViewport(0, 0, viewportWidth, viewportHeight);
    glScissor(0, 0, viewportWidth, viewportHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The centre sits on the scene's vertical axis at the eye's own height, so
    // the view is always level.
    gluLookAt(position.x, position.y, position.z, 0.0, position.y, 0.0, 0.0, 1.0, 0.0);
}

void Camera::update() {
    Vector3 movement;
    // The order of the queries matters: each one clears that key's
    // "pressed since the last query" state.
    if (platform::asyncKeyState(platform::vkUp)) movement.z -= keyMoveZ;
    if (platform::asyncKeyState(platform::vkDown)) movement.z += keyMoveZ;
    if (platform::asyncKeyState(platform::vkLeft)) yaw += keyTurnYaw;
    if (platform::asyncKeyState(platform::vkRight)) yaw -= keyTurnYaw;

    Vector3 step = movement;
    step.transform(matrix);
    const float lengthSquared = step.x * step.x + step.y * step.y + step.z * step.z;
    // Scales the step by about its own length rather than normalising it: Up
    // moves the eye 25.04 units, not 5. A zero step stays zero.
    const double scale = 1.0 / fastInvSqrt(lengthSquared);
    step.x = static_cast<float>(step.x * scale);
    step.y = static_cast<float>(step.y * scale);
    step.z = static_cast<float>(step.z * scale);
    position += step;

    if (pitch < -pitchLimit)
        pitch = -pitchLimit;
    else if (pitch > pitchLimit)
        pitch = pitchLimit;
}
