#include "render/linevertex.h"

#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/type_ptr.hpp>

void createLineVertexArray(GlVertexArray &vertexArray, GlBuffer &buffer, const LineVertex *data,
                           int count, GLenum usage)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    buffer = GlBuffer::generate();
    vertexArray = GlVertexArray::generate();
    gl->glBindVertexArray(vertexArray);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count) * lineVertexStride, data, usage);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, lineVertexStride, nullptr);
    gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, lineVertexStride,
                              reinterpret_cast<const void *>(qintptr(lineVertexColourOffset)));
    gl->glEnableVertexAttribArray(0);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void drawLineVertices(GLuint program, GLuint vertexArray, GLenum mode, int count,
                      const glm::mat4 &modelViewProj)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    gl->glUseProgram(program);
    gl->glUniformMatrix4fv(gl->glGetUniformLocation(program, "ModelViewProj"), 1, GL_FALSE,
                           glm::value_ptr(modelViewProj));
    gl->glBindVertexArray(vertexArray);
    gl->glEnableVertexAttribArray(0);
    gl->glEnableVertexAttribArray(1);
    gl->glDrawArrays(mode, 0, count);
    gl->glUseProgram(0);
    gl->glDisableVertexAttribArray(1);
    gl->glDisableVertexAttribArray(0);
    gl->glBindVertexArray(0);
}
