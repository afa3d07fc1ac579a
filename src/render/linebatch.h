#pragma once

#include "render/linevertex.h"

#include <QColor>
#include <QVector>

#include <glm/glm.hpp>

// Coloured line segments collected during a frame (the armour ray, debug lines)
// and drawn in one call. Empty until init(); move-only, safe to destroy without a
// context.
class LineBatch
{
public:
    // Needs a current context; lineProgram takes the matrix "ModelViewProj".
    void init(GLuint lineProgram);
    // Two vertices per segment; the colour's alpha is dropped.
    void addLine(const glm::vec3 &from, const glm::vec3 &to, const QColor &colour);
    void clear();
    // Uploads and draws all segments with MatrixStack projection x view; nothing
    // at all when there are none.
    void draw();

    GLuint program = 0;
    GlBuffer buffer;
    GlVertexArray vertexArray;
    QVector<LineVertex> vertices;
};
