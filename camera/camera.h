// The one viewpoint of the show: a small vector class, the camera's nine-float
// matrix and the camera, which loads the OpenGL projection and view each frame.
#pragma once

// Row-major 3 x 3 matrix: element (row r, column c) at index 3r + c.
using Matrix3 = float[9];

class Vector3 {
public:
    Vector3() = default;
    Vector3(float x, float y, float z);
    Vector3(const Vector3& other);
    virtual ~Vector3();

    Vector3& operator=(Vector3 other);
    Vector3& operator+=(Vector3 other);
    // In place: (x, y, z) becomes m times (x, y, z) as a column.
    Vector3& transform(const Matrix3& m);

    float x = 0.0f;
    float y = 0.0f;  // up
    float z = 0.0f;
};

class Camera {
public:
    virtual ~Camera();

    // fov in degrees; width and height of the viewport in pixels.
    void setup(float fov, float width, float height);
    // A new viewport size (a resized window); the view itself is kept.
    void setViewport(int width, int height);
    // Viewport, projection and view of the frame; leaves GL_MODELVIEW current.
    void apply() const;
    // Arrow keys: Up and Down shift the eye along z, Left and Right turn the yaw.
    void update();

    Vector3 position;      // eye, world units
    float yaw = 0.0f;      // degrees
    float pitch = 0.0f;    // degrees, held within [-90, 90]
    float roll = 0.0f;     // degrees
    float fov = 0.0f;      // vertical field of view, degrees
    float fovCosine = 0.0f;
    float aspect = 0.0f;
    Matrix3 matrix = {};
    int viewportWidth = 0;
    int viewportHeight = 0;
};

// The show's single camera.
extern Camera camera;

// About 1 / sqrt(v): the bit trick and one Newton step, left unrounded (double)
// because the caller takes its reciprocal.
double fastInvSqrt(float v);
