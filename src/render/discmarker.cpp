#include "render/discmarker.h"

#include "render/internal/glcore.h"
#include "render/matrixstack.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

constexpr float radius = 0.04f;
constexpr int slices = 22;
constexpr int halfStacks = 11;
constexpr float pi = 3.14159265358979f;

glm::vec3 spherePoint(float phi, float theta)
{
    return glm::vec3(radius * std::cos(phi) * std::sin(theta), radius * std::sin(phi),
                     radius * std::cos(phi) * std::cos(theta));
}

} // namespace

QVector<LineVertex> markerSphereVertices(const QColor &colour)
{
    const glm::vec3 rgb(float(colour.redF()), float(colour.greenF()), float(colour.blueF()));
    QVector<LineVertex> v;
    v.reserve(slices * 2 * halfStacks * 6);
    for (int i = 0; i < slices; ++i) {
        const float theta1 = float(i) * 2.0f * pi / float(slices);
        const float theta2 = float(i + 1) * 2.0f * pi / float(slices);
        for (int j = -halfStacks; j < halfStacks; ++j) {
            const float phi1 = float(j) * pi / float(2 * halfStacks);
            const float phi2 = float(j + 1) * pi / float(2 * halfStacks);
            const glm::vec3 a = spherePoint(phi1, theta1);
            const glm::vec3 b = spherePoint(phi1, theta2);
            const glm::vec3 c = spherePoint(phi2, theta2);
            const glm::vec3 d = spherePoint(phi2, theta1);
            for (const glm::vec3 &p : {a, b, c, a, c, d}) {
                v.append({p, rgb});
            }
        }
    }
    return v;
}

void DiscMarker::build(const QColor &colour, GLuint lineProgram)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    program = lineProgram;
    vertices = markerSphereVertices(colour);
    createLineVertexArray(vertexArray, buffer, vertices.constData(), int(vertices.size()),
                          GL_STATIC_DRAW);
}

void DiscMarker::setPosition(const glm::vec3 &p)
{
    model = glm::translate(glm::mat4(1.0f), p);
}

void DiscMarker::draw()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    MatrixStack *stack = MatrixStack::instance();
    if (!gl || !stack || vertexArray == 0) {
        return;
    }
    drawLineVertices(program, vertexArray, GL_TRIANGLES, int(vertices.size()),
                     stack->projection * stack->view * model);
}
