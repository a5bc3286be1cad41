// OpenGL 1.1's fixed-function pipeline, as far as the show uses it, on WebGL 1.
//
// Each glBegin/glEnd block is taken into arrays on the spot: positions and
// normals go to eye space with the modelview matrix of the moment, so blocks
// drawn under different matrices can share one draw. The arrays are kept in
// buckets (texture, texture mode, kind of primitive) and drawn by one shader
// pair, which does the lighting, colour material and texturing of fixed
// function (compiled in variants without the parts a draw does not use),
// when anything that the buckets share changes, on glClear and on
// glweb::flush. With the depth test on, blocks of different buckets may be
// drawn out of order (the depth test hides the difference); with it off, a
// block of another bucket first draws what is waiting.
#include "platform/web/gl_web.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// ---------------------------------------------------------------- matrices

// Column-major, as OpenGL keeps them; single precision, as Mesa does.
struct Matrix {
    float m[16];
};

constexpr Matrix identityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

Matrix product(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            r.m[column * 4 + row] = a.m[row] * b.m[column * 4] + a.m[4 + row] * b.m[column * 4 + 1] +
                                    a.m[8 + row] * b.m[column * 4 + 2] +
                                    a.m[12 + row] * b.m[column * 4 + 3];
    return r;
}

// OpenGL's rotation about a unit axis: u u^T + cos (I - u u^T) + sin [u]x.
// An axis along x, y or z is used as given, so its entries come out exact.
Matrix rotation(double degrees, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    Matrix r = identityMatrix;
    if (length == 0.0) return r;
    const float c = static_cast<float>(std::cos(degrees * M_PI / 180.0));
    const float s = static_cast<float>(std::sin(degrees * M_PI / 180.0));
    const float u[3] = {static_cast<float>(x / length), static_cast<float>(y / length),
                        static_cast<float>(z / length)};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[j * 4 + i] = u[i] * u[j] + c * ((i == j ? 1.0f : 0.0f) - u[i] * u[j]);
    // The cross-product matrix, row i column j.
    r.m[1 * 4 + 0] -= s * u[2];
    r.m[2 * 4 + 0] += s * u[1];
    r.m[0 * 4 + 1] += s * u[2];
    r.m[2 * 4 + 1] -= s * u[0];
    r.m[0 * 4 + 2] -= s * u[1];
    r.m[1 * 4 + 2] += s * u[0];
    return r;
}

Matrix fromDoubles(const double* d) {
    Matrix r;
    for (int i = 0; i < 16; ++i) r.m[i] = static_cast<float>(d[i]);
    return r;
}

// The inverse transpose of the upper 3 x 3, which takes normals to eye space.
void normalMatrixOf(const Matrix& mv, float* n) {
    const float* m = mv.m;
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6],
                i = m[10];
    const float cofactors[9] = {e * i - f * h, f * g - d * i, d * h - e * g,
                                c * h - b * i, a * i - c * g, b * g - a * h,
                                b * f - c * e, c * d - a * f, a * e - b * d};
    const float determinant = a * cofactors[0] + b * cofactors[1] + c * cofactors[2];
    const float k = determinant == 0.0f ? 0.0f : 1.0f / determinant;
    // Row r of the inverse transpose is row r of the cofactor matrix over the
    // determinant; stored as n[row * 3 + column].
    for (int r = 0; r < 9; ++r) n[r] = cofactors[r] * k;
}

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

// Mesa keeps GL_RGB5 at five bits a channel and widens a texel by repeating
// its top bits; the texel values are those of 8-bit data made the same way.
std::uint8_t throughFiveBits(std::uint8_t v) {
    const unsigned q = (v * 31u * 2u + 255u) / (255u * 2u);  // nearest; no ties occur
    return static_cast<std::uint8_t>((q << 3) | (q >> 2));
}

// ---------------------------------------------------------------- programs

struct Uniforms {
    GLint projection, lightOn, normalizeNormals, lightPosition, lightAmbient, lightDiffuse,
        lightSpecular, sceneAmbient, materialAmbient, materialDiffuse, materialSpecular,
        materialEmission, shininess, colourMaterial;
};

// The shader pair is built in variants, each with only the work its draws
// need (SwiftShader runs every branch of a shader): lit or not, and the
// texture mode with or without the texture's alpha.
enum TextureCode { noTexture, modulate, replace, decal, textureCodes };
struct ShaderVariant {
    bool lit;
    TextureCode texture;
    bool textureAlpha;
    bool operator==(const ShaderVariant&) const = default;
};
struct Program {
    GLuint id = 0;
    Uniforms uniforms{};
    unsigned drawnAt = 0;  // the drawing its shared uniforms were set for
};
constexpr std::size_t variantCount = 2 * textureCodes * 2;
std::size_t variantIndex(const ShaderVariant& v) {
    return (v.lit ? 1 : 0) * textureCodes * 2 + v.texture * 2 + (v.textureAlpha ? 1 : 0);
}

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
    GLenum shadeModel = GL_SMOOTH;
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
    // The block between glBegin and glEnd, before it goes to its bucket.
    Bucket* block = nullptr;
    GLenum blockMode = 0;
    std::vector<Vertex> blockVertices;
    std::vector<ClipPosition> blockClip;
    std::vector<std::uint32_t> blockIndices;
    std::vector<std::int32_t> blockRemap;

    // WebGL objects.
    Program programs[variantCount];
    bool programFailed[variantCount] = {};
    GLuint programInUse = 0;
    unsigned drawing = 0;  // counts the drawings of what waits
    GLuint vertexBuffer = 0, indexBuffer = 0;
    GLuint webglTexture = ~0u;  // what WebGL has bound, to skip repeats
};

State state;

// --------------------------------------------------------------- shaders

constexpr const char* vertexShaderSource = R"(
attribute vec3 position;
attribute vec3 normal;
attribute vec2 texCoord;
attribute vec4 colour;
uniform mat4 projection;
uniform bool lightOn;
uniform bool normalizeNormals;
uniform vec4 lightPosition;
uniform vec4 lightAmbient;
uniform vec4 lightDiffuse;
uniform vec4 lightSpecular;
uniform vec4 sceneAmbient;
uniform vec4 materialAmbient;
uniform vec4 materialDiffuse;
uniform vec4 materialSpecular;
uniform vec4 materialEmission;
uniform float shininess;
// 1 where the current colour stands for the material's ambient, diffuse,
// specular and emission colour.
uniform vec4 colourMaterial;
varying vec4 fragmentColour;
varying vec2 fragmentTexCoord;

void main() {
    gl_Position = projection * vec4(position, 1.0);
    gl_PointSize = 1.0;
    fragmentTexCoord = texCoord;
#if !LIGHTING
    fragmentColour = colour;
#else
    vec4 ambient = mix(materialAmbient, colour, colourMaterial.x);
    vec4 diffuse = mix(materialDiffuse, colour, colourMaterial.y);
    vec4 specular = mix(materialSpecular, colour, colourMaterial.z);
    vec4 emission = mix(materialEmission, colour, colourMaterial.w);
    vec3 c = emission.rgb + sceneAmbient.rgb * ambient.rgb;
    if (lightOn) {
        vec3 n = normalizeNormals ? normalize(normal) : normal;
        vec3 l = normalize(lightPosition.w == 0.0 ? lightPosition.xyz : lightPosition.xyz - position);
        float nDotL = dot(n, l);
        c += lightAmbient.rgb * ambient.rgb + max(nDotL, 0.0) * lightDiffuse.rgb * diffuse.rgb;
        // The viewer is at infinity: the half vector uses the z axis.
        if (nDotL > 0.0) {
            float nDotH = max(dot(n, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);
            float highlight = shininess == 0.0 ? 1.0 : (nDotH > 0.0 ? pow(nDotH, shininess) : 0.0);
            c += highlight * lightSpecular.rgb * specular.rgb;
        }
    }
    // Only the sum is clamped, as fixed function does.
    fragmentColour = vec4(clamp(c, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
#endif
}
)";

constexpr const char* fragmentShaderSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D image;
varying vec4 fragmentColour;
varying vec2 fragmentTexCoord;

void main() {
    vec4 c = fragmentColour;
#if TEXTURE_MODE != NO_TEXTURE
    vec4 t = texture2D(image, fragmentTexCoord);
#if !TEXTURE_ALPHA
    t.a = 1.0;
#endif
#if TEXTURE_MODE == MODULATE
    c *= t;
#elif TEXTURE_MODE == REPLACE
    c.rgb = t.rgb;
#if TEXTURE_ALPHA
    c.a = t.a;
#endif
#else
    c.rgb = mix(c.rgb, t.rgb, t.a);
#endif
#endif
    gl_FragColor = c;
}
)";

enum Attribute : GLuint { positionAttribute, normalAttribute, texCoordAttribute, colourAttribute };

GLuint compileShader(GLenum kind, const std::string& defines, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    const char* parts[] = {defines.c_str(), source};
    emscripten_glShaderSource(shader, 2, parts, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "kelvora: WebGL would not compile a shader: %s\n", log);
        return 0;
    }
    return shader;
}

Program buildProgram(const ShaderVariant& v) {
    const std::string defines = "#define LIGHTING " + std::to_string(v.lit ? 1 : 0) +
                                "\n#define NO_TEXTURE 0\n#define MODULATE 1\n#define REPLACE 2\n"
                                "#define TEXTURE_MODE " + std::to_string(static_cast<int>(v.texture)) +
                                "\n#define TEXTURE_ALPHA " + std::to_string(v.textureAlpha ? 1 : 0) + "\n";
    const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, defines, vertexShaderSource);
    const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, defines, fragmentShaderSource);
    if (vertexShader == 0 || fragmentShader == 0) return {};
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, vertexShader);
    emscripten_glAttachShader(program, fragmentShader);
    emscripten_glBindAttribLocation(program, positionAttribute, "position");
    emscripten_glBindAttribLocation(program, normalAttribute, "normal");
    emscripten_glBindAttribLocation(program, texCoordAttribute, "texCoord");
    emscripten_glBindAttribLocation(program, colourAttribute, "colour");
    emscripten_glLinkProgram(program);
    emscripten_glDeleteShader(vertexShader);
    emscripten_glDeleteShader(fragmentShader);
    GLint ok = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        emscripten_glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "kelvora: WebGL would not link the shaders: %s\n", log);
        return {};
    }
    auto at = [program](const char* name) { return emscripten_glGetUniformLocation(program, name); };
    Program built;
    built.id = program;
    built.uniforms = Uniforms{at("projection"),       at("lightOn"),          at("normalizeNormals"),
                              at("lightPosition"),    at("lightAmbient"),     at("lightDiffuse"),
                              at("lightSpecular"),    at("sceneAmbient"),     at("materialAmbient"),
                              at("materialDiffuse"),  at("materialSpecular"), at("materialEmission"),
                              at("shininess"),        at("colourMaterial")};
    return built;
}

// --------------------------------------------------------------- drawing

TextureCode textureCode(GLenum mode) {
    switch (mode) {
        case GL_REPLACE: return replace;
        case GL_DECAL: return decal;
        default: return modulate;
    }
}

void bindWebglTexture(GLuint webglName) {
    if (state.webglTexture == webglName) return;
    emscripten_glBindTexture(GL_TEXTURE_2D, webglName);
    state.webglTexture = webglName;
}

// What every bucket of a drawing shares, for one program.
void setSharedUniforms(const Program& program) {
    const Uniforms& u = program.uniforms;
    emscripten_glUniformMatrix4fv(u.projection, 1, GL_FALSE, state.projection.top().m);
    if (!state.lighting) return;
    const Light& l = state.light;
    const Material& m = state.material;
    emscripten_glUniform1i(u.lightOn, state.light0);
    emscripten_glUniform1i(u.normalizeNormals, state.normalize);
    float p[4] = {l.position[0], l.position[1], l.position[2], l.position[3]};
    if (p[3] != 0.0f) p[0] /= p[3], p[1] /= p[3], p[2] /= p[3], p[3] = 1.0f;
    emscripten_glUniform4fv(u.lightPosition, 1, p);
    emscripten_glUniform4fv(u.lightAmbient, 1, l.ambient);
    emscripten_glUniform4fv(u.lightDiffuse, 1, l.diffuse);
    emscripten_glUniform4fv(u.lightSpecular, 1, l.specular);
    emscripten_glUniform4fv(u.sceneAmbient, 1, state.sceneAmbient);
    emscripten_glUniform4fv(u.materialAmbient, 1, m.ambient);
    emscripten_glUniform4fv(u.materialDiffuse, 1, m.diffuse);
    emscripten_glUniform4fv(u.materialSpecular, 1, m.specular);
    emscripten_glUniform4fv(u.materialEmission, 1, m.emission);
    emscripten_glUniform1f(u.shininess, m.shininess);
    const GLenum mode = state.colourMaterialMode;
    float tracks[4] = {0, 0, 0, 0};
    if (state.colourMaterial) {
        tracks[0] = mode == GL_AMBIENT || mode == GL_AMBIENT_AND_DIFFUSE;
        tracks[1] = mode == GL_DIFFUSE || mode == GL_AMBIENT_AND_DIFFUSE;
        tracks[2] = mode == GL_SPECULAR;
        tracks[3] = mode == GL_EMISSION;
    }
    emscripten_glUniform4fv(u.colourMaterial, 1, tracks);
}

// The variant for a bucket, built on first use; null if WebGL refused it.
Program* programFor(const ShaderVariant& v) {
    Program& program = state.programs[variantIndex(v)];
    if (program.id == 0 && !state.programFailed[variantIndex(v)]) {
        program = buildProgram(v);
        state.programFailed[variantIndex(v)] = program.id == 0;
    }
    return program.id != 0 ? &program : nullptr;
}

void drawBucket(Bucket& bucket) {
    const BucketKey& key = bucket.key;
    const ShaderVariant variant{state.lighting, key.texture == 0 ? noTexture : textureCode(key.textureMode),
                                key.texture != 0 && key.textureHasAlpha};
    Program* program = programFor(variant);
    if (program == nullptr) return;
    if (state.programInUse != program->id) {
        emscripten_glUseProgram(program->id);
        state.programInUse = program->id;
    }
    if (program->drawnAt != state.drawing) {
        setSharedUniforms(*program);
        program->drawnAt = state.drawing;
    }
    if (key.texture != 0) bindWebglTexture(state.textures[key.texture].webglName);
    emscripten_glBufferData(GL_ARRAY_BUFFER, bucket.vertices.size() * sizeof(Vertex),
                            bucket.vertices.data(), GL_STREAM_DRAW);
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER, bucket.indices.size() * sizeof(std::uint32_t),
                            bucket.indices.data(), GL_STREAM_DRAW);
    const GLenum mode = key.primitive == Primitive::triangles ? GL_TRIANGLES
                        : key.primitive == Primitive::lines   ? GL_LINES
                                                              : GL_POINTS;
    emscripten_glDrawElements(mode, static_cast<GLsizei>(bucket.indices.size()), GL_UNSIGNED_INT,
                              nullptr);
}

void drawWaiting() {
    if (!state.anythingWaiting) return;
    if (state.live) {
        ++state.drawing;
        for (std::size_t i : state.waiting) {
            Bucket& bucket = state.buckets[i];
            if (!bucket.indices.empty()) drawBucket(bucket);
        }
    }
    for (std::size_t i : state.waiting) {
        state.buckets[i].vertices.clear();
        state.buckets[i].indices.clear();
    }
    state.waiting.clear();
    state.anythingWaiting = false;
}

// Anything the buckets share is about to change: what waits is drawn first.
void beforeSharedChange() {
    if (state.anythingWaiting) drawWaiting();
}

// Keeps a viewport or scissor rectangle; false when it is already so, and
// what is batched is drawn first only when it changes.
bool changeRectangle(int (&rectangle)[4], GLint x, GLint y, GLsizei width, GLsizei height) {
    const int wanted[4] = {x, y, width, height};
    if (std::equal(wanted, wanted + 4, rectangle)) return false;
    beforeSharedChange();
    std::copy(wanted, wanted + 4, rectangle);
    return true;
}

Bucket& bucketFor(const BucketKey& key) {
    for (std::size_t i : state.waiting)
        if (state.buckets[i].key == key) return state.buckets[i];
    // Without the depth test the order of drawing shows: a new bucket may
    // not overtake the ones waiting.
    if (!state.depthTest) beforeSharedChange();
    std::size_t found = state.buckets.size();
    for (std::size_t i = 0; i < state.buckets.size(); ++i)
        if (state.buckets[i].key == key) found = i;
    if (found == state.buckets.size()) state.buckets.push_back(Bucket{key, {}, {}});
    state.waiting.push_back(found);
    return state.buckets[found];
}

bool textureComplete(const Texture& t) {
    const bool needsMipmaps = t.minFilter != GL_NEAREST && t.minFilter != GL_LINEAR;
    return t.hasImage && !needsMipmaps;
}

Primitive primitiveOf(GLenum mode) {
    switch (mode) {
        case GL_POINTS: return Primitive::points;
        case GL_LINES:
        case GL_LINE_STRIP:
        case GL_LINE_LOOP: return Primitive::lines;
        default: return Primitive::triangles;
    }
}

// The block's vertices as the pieces WebGL draws, in OpenGL's order and with
// its winding; an unfinished last piece is dropped, as OpenGL drops it.
void indexBlock(std::vector<std::uint32_t>& out, GLenum mode, std::uint32_t first, std::uint32_t n) {
    auto add = [&out, first](std::uint32_t a, std::uint32_t b) {
        out.push_back(first + a);
        out.push_back(first + b);
    };
    auto triangle = [&out, first](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        out.push_back(first + a);
        out.push_back(first + b);
        out.push_back(first + c);
    };
    switch (mode) {
        case GL_POINTS:
            for (std::uint32_t i = 0; i < n; ++i) out.push_back(first + i);
            break;
        case GL_LINES:
            for (std::uint32_t i = 0; i + 1 < n; i += 2) add(i, i + 1);
            break;
        case GL_LINE_STRIP:
        case GL_LINE_LOOP:
            for (std::uint32_t i = 0; i + 1 < n; ++i) add(i, i + 1);
            if (mode == GL_LINE_LOOP && n > 2) add(n - 1, 0);
            break;
        case GL_TRIANGLES:
            for (std::uint32_t i = 0; i + 2 < n; i += 3) triangle(i, i + 1, i + 2);
            break;
        case GL_TRIANGLE_STRIP:
            for (std::uint32_t i = 0; i + 2 < n; ++i)
                if (i % 2 == 0) triangle(i, i + 1, i + 2);
                else triangle(i + 1, i, i + 2);
            break;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (std::uint32_t i = 1; i + 1 < n; ++i) triangle(0, i, i + 1);
            break;
        case GL_QUADS:
            for (std::uint32_t i = 0; i + 3 < n; i += 4) {
                triangle(i, i + 1, i + 2);
                triangle(i, i + 2, i + 3);
            }
            break;
        case GL_QUAD_STRIP:
            // Quad k has the corners 2k, 2k+1, 2k+3, 2k+2 in turn.
            for (std::uint32_t i = 0; i + 3 < n; i += 2) {
                triangle(i, i + 1, i + 3);
                triangle(i, i + 3, i + 2);
            }
            break;
        default: break;
    }
}

// Pieces that WebGL would clip away whole or cull are not sent: most of the
// can field's triangles face away or lie outside the view.

// A piece with every corner beyond one side of the view draws nothing.
bool outsideView(const ClipPosition* clip, const std::uint32_t* piece, std::size_t corners) {
    bool right = true, left = true, top = true, bottom = true, far = true, near = true;
    for (std::size_t c = 0; c < corners; ++c) {
        const ClipPosition& v = clip[piece[c]];
        right = right && v.x > v.w;
        left = left && v.x < -v.w;
        top = top && v.y > v.w;
        bottom = bottom && v.y < -v.w;
        far = far && v.z > v.w;
        near = near && v.z < -v.w;
    }
    return right || left || top || bottom || far || near;
}

// Signed window area of a triangle in pixels, positive counter-clockwise; 0
// when a corner is behind the eye (WebGL then decides).
float faces(const ClipPosition& a, const ClipPosition& b, const ClipPosition& c, float areaScale) {
    if (!(a.w > 0.0f && b.w > 0.0f && c.w > 0.0f)) return 0.0f;
    const float determinant = a.x * (b.y * c.w - c.y * b.w) - a.y * (b.x * c.w - c.x * b.w) +
                              a.w * (b.x * c.y - c.x * b.y);
    return determinant / (a.w * b.w * c.w) * areaScale;
}

// Square pixels: a triangle facing away by less is left to WebGL, whose
// snapped corners may see it otherwise.
constexpr float cullMargin = 0.05f;

std::uint16_t packChannel(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 65535;
    return static_cast<std::uint16_t>(v * 65535.0f + 0.5f);
}

void setColour(float r, float g, float b, float a) {
    const float c[4] = {r, g, b, a};
    for (int i = 0; i < 4; ++i) {
        state.colour[i] = c[i];
        state.packedColour[i] = packChannel(c[i]);
    }
}

// The current colour becomes the material while colour material is on: it
// stays there once colour material goes off or tracks another colour.
void keepTrackedColour() {
    if (!state.colourMaterial) return;
    Material& m = state.material;
    auto copy = [](float* to) {
        for (int i = 0; i < 4; ++i) to[i] = state.colour[i];
    };
    switch (state.colourMaterialMode) {
        case GL_AMBIENT: copy(m.ambient); break;
        case GL_DIFFUSE: copy(m.diffuse); break;
        case GL_SPECULAR: copy(m.specular); break;
        case GL_EMISSION: copy(m.emission); break;
        default: copy(m.ambient), copy(m.diffuse); break;
    }
}

void refreshEyeNormal() {
    if (state.normalMatrixStale) {
        normalMatrixOf(state.modelview.top(), state.normalMatrix);
        state.normalMatrixStale = false;
    }
    const float* n = state.normal;
    const float* k = state.normalMatrix;
    for (int r = 0; r < 3; ++r) state.eyeNormal[r] = k[r * 3] * n[0] + k[r * 3 + 1] * n[1] + k[r * 3 + 2] * n[2];
    state.eyeNormalStale = false;
}

void refreshTexCoord() {
    const float s = state.texCoord[0], t = state.texCoord[1];
    if (state.textureMatrixIsIdentity) {
        state.transformedTexCoord[0] = s;
        state.transformedTexCoord[1] = t;
        return;
    }
    // (s, t, 0, 1) through the texture matrix; q divided out per vertex.
    const float* m = state.textureMatrix.top().m;
    const float q = m[3] * s + m[7] * t + m[15];
    const float k = q == 0.0f ? 1.0f : 1.0f / q;
    state.transformedTexCoord[0] = (m[0] * s + m[4] * t + m[12]) * k;
    state.transformedTexCoord[1] = (m[1] * s + m[5] * t + m[13]) * k;
}

MatrixStack& currentStack() {
    switch (state.matrixMode) {
        case GL_PROJECTION: return state.projection;
        case GL_TEXTURE: return state.textureMatrix;
        default: return state.modelview;
    }
}

// Every change of a matrix goes through here.
void changeMatrix(const Matrix& to) {
    if (state.matrixMode == GL_PROJECTION) beforeSharedChange();
    currentStack().top() = to;
    if (state.matrixMode == GL_MODELVIEW) {
        state.normalMatrixStale = true;
        state.eyeNormalStale = true;
    } else if (state.matrixMode == GL_TEXTURE) {
        const float* m = to.m;
        bool identity = true;
        for (int i = 0; i < 16; ++i) identity = identity && m[i] == identityMatrix.m[i];
        state.textureMatrixIsIdentity = identity;
        refreshTexCoord();
    }
}

void multiply(const Matrix& by) { changeMatrix(product(currentStack().top(), by)); }

void setCapability(GLenum cap, bool on) {
    auto shared = [on](bool& flag) {
        if (flag == on) return false;
        beforeSharedChange();
        flag = on;
        return true;
    };
    switch (cap) {
        case GL_DEPTH_TEST:
            if (shared(state.depthTest) && state.live) (on ? emscripten_glEnable : emscripten_glDisable)(cap);
            break;
        case GL_CULL_FACE:
            if (shared(state.cullFace) && state.live) (on ? emscripten_glEnable : emscripten_glDisable)(cap);
            break;
        case GL_SCISSOR_TEST:
            if (shared(state.scissorTest) && state.live) (on ? emscripten_glEnable : emscripten_glDisable)(cap);
            break;
        case GL_LIGHTING: shared(state.lighting); break;
        case GL_LIGHT0: shared(state.light0); break;
        case GL_NORMALIZE: shared(state.normalize); break;
        case GL_COLOR_MATERIAL:
            if (!on && state.colourMaterial) {
                beforeSharedChange();
                keepTrackedColour();
            }
            shared(state.colourMaterial);
            break;
        case GL_TEXTURE_2D: state.texturing = on; break;  // part of the bucket
        default: break;  // nothing else the show switches changes its picture
    }
}

void setVector(float* to, const GLfloat* from) {
    for (int i = 0; i < 4; ++i) to[i] = from[i];
}

// The pixels of an image as WebGL takes them, tightly packed, from client
// memory laid out by the unpack settings.
bool convertImage(std::vector<std::uint8_t>& out, int width, int height, GLenum format,
                  const void* pixels, bool fiveBits) {
    const int from = format == GL_RGBA ? 4 : 3;
    const int rowPixels = state.unpackRowLength > 0 ? state.unpackRowLength : width;
    const int alignment = state.unpackAlignment;
    const std::size_t rowBytes = ((static_cast<std::size_t>(rowPixels) * from + alignment - 1) / alignment) * alignment;
    const auto* base = static_cast<const std::uint8_t*>(pixels) +
                       static_cast<std::size_t>(state.unpackSkipRows) * rowBytes +
                       static_cast<std::size_t>(state.unpackSkipPixels) * from;
    out.resize(static_cast<std::size_t>(width) * height * from);
    std::uint8_t* o = out.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = base + y * rowBytes;
        for (int i = 0; i < width * from; ++i) *o++ = fiveBits ? throughFiveBits(row[i]) : row[i];
    }
    return true;
}

Texture& textureNamed(GLuint name) {
    Texture& t = state.textures[name];
    if (t.webglName == 0 && state.live) emscripten_glGenTextures(1, &t.webglName);
    return t;
}

// Texture calls act on the bound texture in WebGL too.
Texture& boundTextureForChange() {
    beforeSharedChange();
    Texture& t = textureNamed(state.boundTexture);
    if (state.live) bindWebglTexture(t.webglName);
    return t;
}

bool warnedOnce(bool& flag) {
    const bool was = flag;
    flag = true;
    return was;
}

}  // namespace

// ============================================================ the layer

namespace glweb {

bool start() {
    // OpenGL 1.1's initial state, whatever ran before.
    state = State{};
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context == 0) {
        std::fprintf(stderr, "kelvora: no WebGL context is current\n");
        return false;
    }
    if (!emscripten_webgl_enable_extension(context, "OES_element_index_uint")) {
        std::fprintf(stderr, "kelvora: this WebGL has no 32-bit indices (OES_element_index_uint)\n");
        return false;
    }
    // The show's two most used variants, built now so that a WebGL which
    // refuses the shaders is found at once.
    if (programFor({true, modulate, false}) == nullptr || programFor({false, replace, false}) == nullptr)
        return false;
    emscripten_glGenBuffers(1, &state.vertexBuffer);
    emscripten_glGenBuffers(1, &state.indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, state.vertexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, state.indexBuffer);
    const GLsizei stride = sizeof(Vertex);
    emscripten_glVertexAttribPointer(positionAttribute, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(Vertex, position)));
    emscripten_glVertexAttribPointer(normalAttribute, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(Vertex, normal)));
    emscripten_glVertexAttribPointer(texCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(Vertex, texCoord)));
    emscripten_glVertexAttribPointer(colourAttribute, 4, GL_UNSIGNED_SHORT, GL_TRUE, stride,
                                     reinterpret_cast<void*>(offsetof(Vertex, colour)));
    for (GLuint a : {positionAttribute, normalAttribute, texCoordAttribute, colourAttribute})
        emscripten_glEnableVertexAttribArray(a);
    // WebGL starts where OpenGL does, except for these.
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // images are repacked tightly
    emscripten_glDisable(GL_DITHER);  // Mesa does not dither at 8 bits a channel
    emscripten_glGetIntegerv(GL_VIEWPORT, state.viewport);
    emscripten_glGetIntegerv(GL_SCISSOR_BOX, state.scissor);
    state.live = true;
    return true;
}

void flush() { drawWaiting(); }

}  // namespace glweb

extern "C" {

// ------------------------------------------------------------- matrices

void glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION || mode == GL_TEXTURE) state.matrixMode = mode;
}

void glLoadIdentity() { changeMatrix(identityMatrix); }

void glPushMatrix() {
    MatrixStack& stack = currentStack();
    if (static_cast<int>(stack.entries.size()) < stack.depthLimit) stack.entries.push_back(stack.top());
}

void glPopMatrix() {
    MatrixStack& stack = currentStack();
    if (stack.entries.size() < 2) return;
    const Matrix below = stack.entries[stack.entries.size() - 2];
    changeMatrix(below);  // draws what waits first, if it must
    stack.entries.pop_back();
}

void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
    multiply(rotation(angle, x, y, z));
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    Matrix t = identityMatrix;
    t.m[12] = static_cast<float>(x);
    t.m[13] = static_cast<float>(y);
    t.m[14] = static_cast<float>(z);
    multiply(t);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    double d[16] = {};
    d[0] = 2.0 / (right - left);
    d[5] = 2.0 / (top - bottom);
    d[10] = -2.0 / (zFar - zNear);
    d[12] = -(right + left) / (right - left);
    d[13] = -(top + bottom) / (top - bottom);
    d[14] = -(zFar + zNear) / (zFar - zNear);
    d[15] = 1.0;
    multiply(fromDoubles(d));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double half = fovy / 2.0 * M_PI / 180.0;
    const double sine = std::sin(half);
    if (zFar == zNear || sine == 0.0 || aspect == 0.0) return;
    const double f = std::cos(half) / sine;
    double d[16] = {};
    d[0] = f / aspect;
    d[5] = f;
    d[10] = -(zFar + zNear) / (zFar - zNear);
    d[11] = -1.0;
    d[14] = -2.0 * zNear * zFar / (zFar - zNear);
    multiply(fromDoubles(d));
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    float f[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                  static_cast<float>(centreZ - eyeZ)};
    const float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    auto normalizeVector = [](float* v) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length == 0.0f) return;
        v[0] /= length, v[1] /= length, v[2] /= length;
    };
    normalizeVector(f);
    float s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    normalizeVector(s);
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    // Rows s, u and -f: the eye looks down its own -z.
    Matrix m = identityMatrix;
    for (int i = 0; i < 3; ++i) {
        m.m[i * 4 + 0] = s[i];
        m.m[i * 4 + 1] = u[i];
        m.m[i * 4 + 2] = -f[i];
    }
    multiply(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

// ------------------------------------------------------ begin, end, vertices

void glBegin(GLenum mode) {
    if (state.inBlock) return;
    BucketKey key{0, GL_MODULATE, false, primitiveOf(mode)};
    if (state.texturing) {
        const auto t = state.textures.find(state.boundTexture);
        // An incomplete texture leaves the block untextured, as in OpenGL 1.1.
        if (t != state.textures.end() && textureComplete(t->second)) {
            key.texture = state.boundTexture;
            key.textureMode = state.textureMode;
            key.textureHasAlpha = t->second.hasAlpha;
        }
    }
    state.block = &bucketFor(key);
    state.blockMode = mode;
    state.blockVertices.clear();
    state.blockClip.clear();
    state.inBlock = true;
}

void glEnd() {
    if (!state.inBlock) return;
    state.inBlock = false;
    Bucket& bucket = *state.block;
    state.block = nullptr;
    const std::size_t n = state.blockVertices.size();
    std::vector<std::uint32_t>& pieces = state.blockIndices;
    pieces.clear();
    indexBlock(pieces, state.blockMode, 0, static_cast<std::uint32_t>(n));
    const std::size_t corners = bucket.key.primitive == Primitive::triangles ? 3
                                : bucket.key.primitive == Primitive::lines   ? 2
                                                                             : 1;
    const bool culling = state.cullFace && corners == 3;
    const float frontSign = state.frontFace == GL_CCW ? 1.0f : -1.0f;
    // Window area per unit of the clip-space determinant over w0 w1 w2.
    const float areaScale = static_cast<float>(state.viewport[2]) * static_cast<float>(state.viewport[3]) / 8.0f;
    std::vector<std::int32_t>& remap = state.blockRemap;
    remap.assign(n, -1);
    const ClipPosition* clip = state.blockClip.data();
    for (std::size_t p = 0; p + corners <= pieces.size(); p += corners) {
        const std::uint32_t* piece = &pieces[p];
        if (outsideView(clip, piece, corners)) continue;
        if (culling && faces(clip[piece[0]], clip[piece[1]], clip[piece[2]], areaScale) * frontSign < -cullMargin)
            continue;
        for (std::size_t c = 0; c < corners; ++c) {
            const std::uint32_t i = piece[c];
            if (remap[i] < 0) {
                remap[i] = static_cast<std::int32_t>(bucket.vertices.size());
                bucket.vertices.push_back(state.blockVertices[i]);
            }
            bucket.indices.push_back(static_cast<std::uint32_t>(remap[i]));
        }
        state.anythingWaiting = true;
    }
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!state.inBlock) return;
    if (state.eyeNormalStale) refreshEyeNormal();
    const float* m = state.modelview.top().m;
    Vertex v;
    // The modelview matrices the show builds are affine: eye w stays 1.
    v.position[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
    v.position[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
    v.position[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
    for (int i = 0; i < 3; ++i) v.normal[i] = state.eyeNormal[i];
    v.texCoord[0] = state.transformedTexCoord[0];
    v.texCoord[1] = state.transformedTexCoord[1];
    for (int i = 0; i < 4; ++i) v.colour[i] = state.packedColour[i];
    state.blockVertices.push_back(v);
    const float* p = state.projection.top().m;
    const float* e = v.position;
    state.blockClip.push_back({p[0] * e[0] + p[4] * e[1] + p[8] * e[2] + p[12],
                               p[1] * e[0] + p[5] * e[1] + p[9] * e[2] + p[13],
                               p[2] * e[0] + p[6] * e[1] + p[10] * e[2] + p[14],
                               p[3] * e[0] + p[7] * e[1] + p[11] * e[2] + p[15]});
}

void glVertex3fv(const GLfloat* v) { glVertex3f(v[0], v[1], v[2]); }

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    state.normal[0] = x;
    state.normal[1] = y;
    state.normal[2] = z;
    state.eyeNormalStale = true;
}

void glNormal3fv(const GLfloat* v) { glNormal3f(v[0], v[1], v[2]); }

void glTexCoord2f(GLfloat s, GLfloat t) {
    state.texCoord[0] = s;
    state.texCoord[1] = t;
    refreshTexCoord();
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { setColour(r, g, b, 1.0f); }

// -------------------------------------------------------- lights, material

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (light != GL_LIGHT0) return;  // the layer lights with one light
    Light& l = state.light;
    switch (pname) {
        case GL_AMBIENT: beforeSharedChange(); setVector(l.ambient, params); break;
        case GL_DIFFUSE: beforeSharedChange(); setVector(l.diffuse, params); break;
        case GL_SPECULAR: beforeSharedChange(); setVector(l.specular, params); break;
        case GL_POSITION: {
            beforeSharedChange();
            const float* m = state.modelview.top().m;
            for (int r = 0; r < 4; ++r)
                l.position[r] = m[r] * params[0] + m[4 + r] * params[1] + m[8 + r] * params[2] +
                                m[12 + r] * params[3];
            break;
        }
        default: break;  // attenuation and spotlight keep OpenGL's defaults
    }
}

void glLightModelfv(GLenum pname, const GLfloat* params) {
    if (pname != GL_LIGHT_MODEL_AMBIENT) return;  // one-sided, viewer at infinity
    beforeSharedChange();
    setVector(state.sceneAmbient, params);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    if (face == GL_BACK) return;  // back faces are never lit: lighting is one-sided
    beforeSharedChange();
    Material& m = state.material;
    switch (pname) {
        case GL_AMBIENT: setVector(m.ambient, params); break;
        case GL_DIFFUSE: setVector(m.diffuse, params); break;
        case GL_SPECULAR: setVector(m.specular, params); break;
        case GL_EMISSION: setVector(m.emission, params); break;
        case GL_AMBIENT_AND_DIFFUSE:
            setVector(m.ambient, params);
            setVector(m.diffuse, params);
            break;
        case GL_SHININESS:
            m.shininess = params[0] < 0.0f ? 0.0f : params[0] > 128.0f ? 128.0f : params[0];
            break;
        default: break;
    }
}

void glMateriali(GLenum face, GLenum pname, GLint param) {
    const GLfloat value[4] = {static_cast<GLfloat>(param), 0, 0, 0};
    if (pname == GL_SHININESS) glMaterialfv(face, pname, value);
}

void glColorMaterial(GLenum face, GLenum mode) {
    (void)face;  // back faces are never lit
    if (mode == state.colourMaterialMode) return;
    beforeSharedChange();
    keepTrackedColour();
    state.colourMaterialMode = mode;
}

// ------------------------------------------------------------ capabilities

void glEnable(GLenum cap) { setCapability(cap, true); }

void glDisable(GLenum cap) { setCapability(cap, false); }

void glFrontFace(GLenum mode) {
    if (mode == state.frontFace) return;
    beforeSharedChange();
    state.frontFace = mode;
    if (state.live) emscripten_glFrontFace(mode);
}

void glShadeModel(GLenum mode) {
    static bool warned = false;
    state.shadeModel = mode;
    if (mode == GL_FLAT && !warnedOnce(warned))
        std::fprintf(stderr, "kelvora: flat shading is drawn smooth in the browser\n");
}

void glHint(GLenum target, GLenum mode) {
    // WebGL interpolates with perspective, as GL_NICEST asks; nothing else is hinted.
    (void)target;
    (void)mode;
}

// ------------------------------------------------------------ frame buffer

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (changeRectangle(state.viewport, x, y, width, height) && state.live)
        emscripten_glViewport(x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (changeRectangle(state.scissor, x, y, width, height) && state.live)
        emscripten_glScissor(x, y, width, height);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (state.live) emscripten_glClearColor(r, g, b, a);
}

void glClear(GLbitfield mask) {
    drawWaiting();
    if (state.live) emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

// ---------------------------------------------------------------- textures

void glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) {
        names[i] = state.nextTextureName++;
        textureNamed(names[i]);
    }
}

void glBindTexture(GLenum target, GLuint name) {
    if (target != GL_TEXTURE_2D) return;
    state.boundTexture = name;
    if (name != 0) textureNamed(name);
    if (name >= state.nextTextureName) state.nextTextureName = name + 1;
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (target != GL_TEXTURE_2D) return;
    Texture& t = boundTextureForChange();
    if (pname == GL_TEXTURE_MIN_FILTER) t.minFilter = static_cast<GLenum>(param);
    if (state.live) emscripten_glTexParameteri(target, pname, param);
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    if (target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE) state.textureMode = static_cast<GLenum>(param);
}

void glPixelStorei(GLenum pname, GLint param) {
    switch (pname) {
        case GL_UNPACK_ALIGNMENT:
            if (param == 1 || param == 2 || param == 4 || param == 8) state.unpackAlignment = param;
            break;
        case GL_UNPACK_ROW_LENGTH: state.unpackRowLength = param; break;
        case GL_UNPACK_SKIP_ROWS: state.unpackSkipRows = param; break;
        case GL_UNPACK_SKIP_PIXELS: state.unpackSkipPixels = param; break;
        default: break;  // nothing is read back
    }
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    static bool warned = false;
    if (target != GL_TEXTURE_2D || border != 0 || width <= 0 || height <= 0) return;
    const bool formatKnown = (format == GL_RGB || format == GL_RGBA) && type == GL_UNSIGNED_BYTE;
    bool withAlpha = false, fiveBits = false;
    switch (internalFormat) {
        case 3: case GL_RGB: case GL_RGB8: break;
        case GL_RGB5: fiveBits = true; break;
        case 4: case GL_RGBA: case GL_RGBA8: withAlpha = true; break;
        default: return;
    }
    if (!formatKnown || level != 0) {
        if (!warnedOnce(warned))
            std::fprintf(stderr, "kelvora: the browser draws only 8-bit RGB and RGBA level-0 textures\n");
        return;
    }
    Texture& t = boundTextureForChange();
    t.hasImage = true;
    t.hasAlpha = withAlpha;
    if (!state.live) return;
    const GLenum webglFormat = withAlpha ? GL_RGBA : GL_RGB;
    std::vector<std::uint8_t> data;
    // Image channels the texture lacks are dropped, missing alpha is opaque.
    std::vector<std::uint8_t> packed;
    if (pixels != nullptr) {
        convertImage(packed, width, height, format, pixels, fiveBits);
        const int from = format == GL_RGBA ? 4 : 3, to = withAlpha ? 4 : 3;
        if (from == to) {
            data.swap(packed);
        } else {
            data.resize(static_cast<std::size_t>(width) * height * to);
            for (std::size_t p = 0; p < static_cast<std::size_t>(width) * height; ++p)
                for (int c = 0; c < to; ++c) data[p * to + c] = c < from ? packed[p * from + c] : 255;
        }
    }
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, webglFormat, width, height, 0, webglFormat,
                            GL_UNSIGNED_BYTE, pixels != nullptr ? data.data() : nullptr);
}

}  // extern "C"
