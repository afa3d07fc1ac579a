#pragma once

#include "render/glhandle.h"

#include <glm/glm.hpp>

// One vertex of the line and marker programs: attribute 0 the position, attribute
// 1 the colour (red, green, blue in 0..1).
struct LineVertex
{
    glm::vec3 position {0.0f};
    glm::vec3 colour {0.0f};
};

static_assert(sizeof(LineVertex) == 24, "LineVertex is uploaded as 24 packed bytes");

constexpr int lineVertexStride = 24;
constexpr int lineVertexColourOffset = 12;

using GLenum = unsigned int;

// The vertex array of the line and marker programs over a new buffer of count
// vertices (data may be null for a buffer filled later); replaces what the two
// handles held. Needs a current context.
void createLineVertexArray(GlVertexArray &vertexArray, GlBuffer &buffer, const LineVertex *data,
                           int count, GLenum usage);
// One draw of the line program: the matrix goes to "ModelViewProj".
void drawLineVertices(GLuint program, GLuint vertexArray, GLenum mode, int count,
                      const glm::mat4 &modelViewProj);
