#pragma once

#include "render/linevertex.h"

#include <QColor>
#include <QVector>

#include <glm/glm.hpp>

// The solid sphere of radius 0.04 around the origin, 22 slices by 22 stacks,
// two counter-clockwise (seen from outside) triangles per patch: 2904 vertices in
// one colour.
[[nodiscard]] QVector<LineVertex> markerSphereVertices(const QColor &colour);

// The small sphere that marks the armour hit point. Empty until build(); move-only,
// safe to destroy without a context.
class DiscMarker
{
public:
    // Needs a current context; lineProgram takes the matrix "ModelViewProj".
    void build(const QColor &colour, GLuint lineProgram);
    // World position of the centre.
    void setPosition(const glm::vec3 &p);
    void draw();

    GLuint program = 0;
    GlBuffer buffer;
    GlVertexArray vertexArray;
    glm::mat4 model {1.0f};
    QVector<LineVertex> vertices;
};
