// What a piece of drawing code hands to OpenGL, caught in feedback mode:
// window coordinates, colour and texture coordinates per vertex, primitive by
// primitive in the order they were issued.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

struct FeedbackVertex {
    float x, y, z, w;  // window coordinates; z is the depth 0..1
    float colour[4];
    float texture[4];
};

struct FeedbackPrimitive {
    GLenum kind;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POINT_TOKEN, ...
    std::vector<FeedbackVertex> vertices;
};

inline std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw) {
    constexpr int valuesPerVertex = 12;  // GL_4D_COLOR_TEXTURE in RGBA mode
    static std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPrimitive> primitives;
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    auto readVertex = [&](GLint at) {
        FeedbackVertex v{};
        const GLfloat* p = buffer.data() + at;
        v.x = p[0], v.y = p[1], v.z = p[2], v.w = p[3];
        for (int i = 0; i < 4; ++i) v.colour[i] = p[4 + i], v.texture[i] = p[8 + i];
        return v;
    };
    GLint i = 0;
    while (i < used) {
        FeedbackPrimitive primitive{static_cast<GLenum>(buffer[i++]), {}};
        int count = 0;
        switch (primitive.kind) {
            case GL_POLYGON_TOKEN: count = static_cast<int>(buffer[i++]); break;
            case GL_LINE_TOKEN:
            case GL_LINE_RESET_TOKEN: count = 2; break;
            case GL_PASS_THROUGH_TOKEN: ++i; break;
            default: count = 1; break;  // points, bitmaps and pixel rectangles
        }
        for (int k = 0; k < count; ++k, i += valuesPerVertex) primitive.vertices.push_back(readVertex(i));
        primitives.push_back(primitive);
    }
    return primitives;
}

// Twice the signed area on screen: positive for counter-clockwise.
inline float signedArea(const FeedbackPrimitive& p) {
    float sum = 0.0f;
    for (std::size_t k = 0; k < p.vertices.size(); ++k) {
        const FeedbackVertex& a = p.vertices[k];
        const FeedbackVertex& b = p.vertices[(k + 1) % p.vertices.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum;
}
