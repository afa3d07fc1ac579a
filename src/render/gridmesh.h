#pragma once

#include "render/glhandle.h"
#include "render/linevertex.h"

#include <QVector>

#include <glm/glm.hpp>

// The vertices of an n x n ground grid, one unit per cell, in grid space (0..n):
// for each i = 0..n a line along z at x = i and one along x at z = i. The two
// middle lines of an even grid are red (along z) and blue (along x), all others grey.
[[nodiscard]] QVector<LineVertex> gridVertices(int cells);
// Centres the grid on the origin and lifts it just above the ground plane.
[[nodiscard]] glm::vec3 gridOffset(int cells);

// The ground grid as GL lines: position at attribute 0, colour at attribute 7.
// Empty until create(); move-only, safe to destroy without a context.
class GridMesh
{
public:
    // Needs a current context. gridProgram is the linked "Grid" program; its matrix
    // uniform is "mvp".
    void create(int cells, GLuint gridProgram);
    // Draws with MatrixStack projection x view x translate(offset).
    void draw();

    GLuint buffer() const { return mBuffer; }
    // 0 for an empty grid, a moved-from one included.
    int vertexCount() const { return mVertexArray.isEmpty() ? 0 : mVertexCount; }

    glm::vec3 offset {0.0f};
    GLuint program = 0;

private:
    GlBuffer mBuffer;
    GlVertexArray mVertexArray;
    int mVertexCount = 0;
};
