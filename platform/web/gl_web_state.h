// What the three parts of the web OpenGL layer share: its state, one
// OpenGL 1.1 context's worth, and the few steps one part asks of another.
// gl_web_matrices.cpp keeps the matrices and GLU; gl_web_primitives.cpp takes
// glBegin/glEnd blocks into batches, culled and clipped, and says when they
// are drawn; gl_web_shaders.cpp draws them with its shaders, lights and
// textures.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace glweb {

// ---------------------------------------------------------------- matrices

// Column-major, as OpenGL keeps them; single precision, as Mesa does.
struct Matrix {
    float m[16];
};

constexpr Matrix identityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

constexpr int modelviewStackDepth = 32;  // OpenGL's minimum is 32
constexpr int otherStackDepth = 4;       // projection and texture: 2 at least

struct MatrixStack {
    std::vector<Matrix> entries{identityMatrix};
    int depthLimit;
    explicit MatrixStack(int limit) : depthLimit(limit) {}
    Matrix& top() { return entries.back(); }
};

// ------------------------------------------------------- vertices, buckets

enum class Primitive { triangles, lines, points };

struct Vertex {
    float position[3];  // eye space
    float normal[3];    // eye space
    float texCoord[2];
    std::uint16_t colour[4];  // 0..1 as 0..65535
};

struct ClipPosition {
    float x, y, z, w;
};

struct BucketKey {
    GLuint texture;  // 0: untextured
    GLenum textureMode;
    bool textureHasAlpha;
    Primitive primitive;
    bool operator==(const BucketKey& o) const {
        return texture == o.texture && textureMode == o.textureMode &&
               textureHasAlpha == o.textureHasAlpha && primitive == o.primitive;
    }
};

struct Bucket {
    BucketKey key;
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;
};

// ---------------------------------------------------------------- textures

struct Texture {
    GLuint webglName = 0;
    bool hasImage = false;  // level 0
    bool hasAlpha = false;
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
};

// ------------------------------------------------------------------ state

struct Light {
    float ambient[4], diffuse[4], specular[4];
    float position[4];  // eye space, as given under the modelview of the moment
};

struct Material {
    float ambient[4], diffuse[4], specular[4], emission[4];
    float shininess;
};

struct State {
    bool live = false;  // a WebGL context is current and the shaders exist
    bool inBlock = false;

    MatrixStack modelview{modelviewStackDepth};
    MatrixStack projection{otherStackDepth};
    MatrixStack textureMatrix{otherStackDepth};
    GLenum matrixMode = GL_MODELVIEW;
    float normalMatrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    bool normalMatrixStale = false;

    // Current vertex attributes.
    float colour[4] = {1, 1, 1, 1};
    std::uint16_t packedColour[4] = {65535, 65535, 65535, 65535};
    float normal[3] = {0, 0, 1};
    float eyeNormal[3] = {0, 0, 1};
    bool eyeNormalStale = true;
    float texCoord[2] = {0, 0};
    float transformedTexCoord[2] = {0, 0};
    bool textureMatrixIsIdentity = true;

    // Capabilities.
    bool depthTest = false, cullFace = false, scissorTest = false;
    bool lighting = false, light0 = false, colourMaterial = false, normalize = false;
    bool texturing = false;

    GLenum frontFace = GL_CCW;
    GLenum colourMaterialMode = GL_AMBIENT_AND_DIFFUSE;
    GLenum textureMode = GL_MODULATE;
    int viewport[4] = {0, 0, 0, 0};
    int scissor[4] = {0, 0, 0, 0};

    float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    Light light{{0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 1, 0}};
    Material material{{0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, 0};

    GLuint boundTexture = 0;
    GLuint nextTextureName = 1;
    std::unordered_map<GLuint, Texture> textures;
    int unpackAlignment = 4, unpackRowLength = 0, unpackSkipRows = 0, unpackSkipPixels = 0;

    // Waiting to be drawn: buckets in the order they were first used since
    // the last draw. Buckets live on, so their arrays keep their capacity.
    std::vector<Bucket> buckets;
    std::vector<std::size_t> waiting;
    bool anythingWaiting = false;
    // The block between glBegin and glEnd, kept apart from the buckets until
    // glEnd: a draw in the middle of it (glMaterialfv and glColor are legal
    // there, and a material change draws what waits) cannot lose any of it.
    BucketKey blockKey{};
    GLenum blockMode = 0;
    std::vector<Vertex> blockVertices;
    std::vector<ClipPosition> blockClip;
    std::vector<std::uint32_t> blockIndices;
    std::vector<std::int32_t> blockRemap;
    unsigned drawing = 0;  // counts the drawings of what waits
};

extern State state;

// --- Asked of one part by another.

// Anything the buckets share is about to change: what waits is drawn first
// (gl_web_primitives.cpp).
void beforeSharedChange();
// The current colour becomes the material while colour material is on.
void keepTrackedColour();
// The current normal and texture coordinate, through the matrices of the
// moment (gl_web_matrices.cpp).
void refreshEyeNormal();
void refreshTexCoord();
// A bucket drawn by the shader variant it needs (gl_web_shaders.cpp).
void drawBucket(Bucket& bucket);
bool textureComplete(const Texture& t);

// False the first time for a flag, true ever after: a warning goes out once.
inline bool warnedOnce(bool& flag) {
    const bool was = flag;
    flag = true;
    return was;
}

}  // namespace glweb
