// The web OpenGL layer's shaders and textures: fixed function's lighting,
// colour material and texture modes as one shader pair, built in variants,
// that draws the batches gl_web_primitives.cpp gathers; the lights and the
// material as its uniforms; OpenGL's textures as WebGL's, their images
// converted as Mesa keeps them.
#include <GL/gl.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/web/gl_web.h"
#include "platform/web/gl_web_state.h"

using namespace glweb;

namespace {

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

// What the layer made in the WebGL context, and what WebGL has in use.
struct WebglObjects {
    Program programs[variantCount];
    bool programFailed[variantCount] = {};
    GLuint programInUse = 0;
    GLuint vertexBuffer = 0, indexBuffer = 0;
    GLuint webglTexture = ~0u;  // what WebGL has bound, to skip repeats
};

WebglObjects webgl;

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

// True when WebGL reports `status` of a shader or program; otherwise says
// what it would not do, with WebGL's log, on standard error.
bool webglDid(GLuint object, GLenum status, void (*getValue)(GLuint, GLenum, GLint*),
              void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*), const char* what) {
    GLint ok = 0;
    getValue(object, status, &ok);
    if (ok) return true;
    char log[1024] = "";
    getLog(object, sizeof log, nullptr, log);
    std::fprintf(stderr, "kelvora: WebGL would not %s: %s\n", what, log);
    return false;
}

GLuint compileShader(GLenum kind, const std::string& defines, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    const char* parts[] = {defines.c_str(), source};
    emscripten_glShaderSource(shader, 2, parts, nullptr);
    emscripten_glCompileShader(shader);
    return webglDid(shader, GL_COMPILE_STATUS, emscripten_glGetShaderiv, emscripten_glGetShaderInfoLog,
                    "compile a shader")
               ? shader
               : 0;
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
    if (!webglDid(program, GL_LINK_STATUS, emscripten_glGetProgramiv, emscripten_glGetProgramInfoLog,
                  "link the shaders"))
        return {};
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
    if (webgl.webglTexture == webglName) return;
    emscripten_glBindTexture(GL_TEXTURE_2D, webglName);
    webgl.webglTexture = webglName;
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
    Program& program = webgl.programs[variantIndex(v)];
    if (program.id == 0 && !webgl.programFailed[variantIndex(v)]) {
        program = buildProgram(v);
        webgl.programFailed[variantIndex(v)] = program.id == 0;
    }
    return program.id != 0 ? &program : nullptr;
}

}  // namespace

namespace glweb {

void drawBucket(Bucket& bucket) {
    const BucketKey& key = bucket.key;
    const ShaderVariant variant{state.lighting, key.texture == 0 ? noTexture : textureCode(key.textureMode),
                                key.texture != 0 && key.textureHasAlpha};
    Program* program = programFor(variant);
    if (program == nullptr) return;
    if (webgl.programInUse != program->id) {
        emscripten_glUseProgram(program->id);
        webgl.programInUse = program->id;
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

bool textureComplete(const Texture& t) {
    const bool needsMipmaps = t.minFilter != GL_NEAREST && t.minFilter != GL_LINEAR;
    return t.hasImage && !needsMipmaps;
}

}  // namespace glweb

namespace {

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

}  // namespace

// ============================================================ the layer

namespace glweb {

bool start() {
    // OpenGL 1.1's initial state, whatever ran before.
    state = State{};
    webgl = WebglObjects{};
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
    emscripten_glGenBuffers(1, &webgl.vertexBuffer);
    emscripten_glGenBuffers(1, &webgl.indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, webgl.vertexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, webgl.indexBuffer);
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

}  // namespace glweb

extern "C" {

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
    // Given inside a block, the material holds for the whole block (OpenGL
    // changes it from the next vertex on).
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
