#include "render/linebatch.h"

#include "render/internal/glcore.h"
#include "render/matrixstack.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/type_ptr.hpp>

#include <utility>

LineBatch::~LineBatch()
{
    destroy();
}

LineBatch::LineBatch(LineBatch &&other) noexcept
    : program(other.program)
    , buffer(std::exchange(other.buffer, 0))
    , vertexArray(std::exchange(other.vertexArray, 0))
    , vertices(std::move(other.vertices))
{
}

LineBatch &LineBatch::operator=(LineBatch &&other) noexcept
{
    if (this != &other) {
        destroy();
        program = other.program;
        buffer = std::exchange(other.buffer, 0);
        vertexArray = std::exchange(other.vertexArray, 0);
        vertices = std::move(other.vertices);
    }
    return *this;
}

void LineBatch::destroy()
{
    if (buffer == 0 && vertexArray == 0) {
        return;
    }
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        gl->glDeleteBuffers(1, &buffer);
        gl->glDeleteVertexArrays(1, &vertexArray);
    }
    buffer = 0;
    vertexArray = 0;
}

void LineBatch::init(GLuint lineProgram)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    destroy();
    program = lineProgram;
    gl->glGenBuffers(1, &buffer);
    gl->glGenVertexArrays(1, &vertexArray);
    gl->glBindVertexArray(vertexArray);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glBufferData(GL_ARRAY_BUFFER, lineVertexStride, nullptr, GL_DYNAMIC_DRAW);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, lineVertexStride, nullptr);
    gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, lineVertexStride,
                              reinterpret_cast<const void *>(qintptr(lineVertexColourOffset)));
    gl->glEnableVertexAttribArray(0);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
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
    gl->glUseProgram(program);
    const glm::mat4 m = stack->projection * stack->view;
    gl->glUniformMatrix4fv(gl->glGetUniformLocation(program, "ModelViewProj"), 1, GL_FALSE,
                           glm::value_ptr(m));
    gl->glBindVertexArray(vertexArray);
    gl->glEnableVertexAttribArray(0);
    gl->glEnableVertexAttribArray(1);
    gl->glDrawArrays(GL_LINES, 0, GLsizei(vertices.size()));
    gl->glUseProgram(0);
    gl->glDisableVertexAttribArray(1);
    gl->glDisableVertexAttribArray(0);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}
