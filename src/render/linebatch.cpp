#include "render/linebatch.h"

#include "render/internal/glcore.h"
#include "render/matrixstack.h"

#include <QOpenGLFunctions_3_2_Core>

void LineBatch::init(GLuint lineProgram)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    program = lineProgram;
    createLineVertexArray(vertexArray, buffer, nullptr, 1, GL_DYNAMIC_DRAW);
}

void LineBatch::addLine(const glm::vec3 &from, const glm::vec3 &to, const QColor &colour)
{
    const glm::vec3 rgb(float(colour.redF()), float(colour.greenF()), float(colour.blueF()));
    vertices.append({from, rgb});
    vertices.append({to, rgb});
}

void LineBatch::clear()
{
    vertices.clear();
}

void LineBatch::draw()
{
    if (vertices.isEmpty()) {
        return;
    }
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    MatrixStack *stack = MatrixStack::instance();
    if (!gl || !stack || vertexArray == 0) {
        return;
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size()) * lineVertexStride,
                     vertices.constData(), GL_DYNAMIC_DRAW);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    drawLineVertices(program, vertexArray, GL_LINES, int(vertices.size()),
                     stack->projection * stack->view);
}
