// OpenGL 1.1's fixed-function pipeline, as far as the show uses it, on WebGL 1:
// its glBegin/glEnd blocks, gathered into batches.
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
#include <GL/gl.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <cstdio>

#include "platform/web/gl_web.h"
#include "platform/web/gl_web_state.h"

namespace glweb {
State state;
}  // namespace glweb

using namespace glweb;

namespace {

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

}  // namespace

namespace glweb {

void beforeSharedChange() {
    if (state.anythingWaiting) drawWaiting();
}

// The colour stays in the material once colour material goes off or tracks
// another colour.
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

}  // namespace glweb

namespace {

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

}  // namespace

void glweb::flush() { drawWaiting(); }

extern "C" {

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
    state.blockKey = key;
    state.blockMode = mode;
    state.blockVertices.clear();
    state.blockClip.clear();
    state.inBlock = true;
}

void glEnd() {
    if (!state.inBlock) return;
    state.inBlock = false;
    Bucket& bucket = bucketFor(state.blockKey);
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

}  // extern "C"
