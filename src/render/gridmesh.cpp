#include "render/gridmesh.h"

#include "core/log.h"
#include "render/glerror.h"
#include "render/internal/glcore.h"
#include "render/matrixstack.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cstring>

namespace {

// "iGeneric0" of the shader attribute table.
constexpr GLuint colourAttribute = 7;

const glm::vec3 red(1.0f, 0.2f, 0.2f);
const glm::vec3 blue(0.3f, 0.3f, 1.0f);
const glm::vec3 grey(0.1f, 0.1f, 0.1f);

} // namespace

QVector<LineVertex> gridVertices(int cells)
{
    QVector<LineVertex> v;
    if (cells < 0) {
        return v;
    }
    v.reserve(4 * (cells + 1));
    const float n = float(cells);
    for (int i = 0; i <= cells; ++i) {
        const float x = float(i);
        // Only an even grid has a line through its centre.
        const bool middle = cells % 2 == 0 && i == cells / 2;
        const glm::vec3 alongZ = middle ? red : grey;
        const glm::vec3 alongX = middle ? blue : grey;
        v.append({glm::vec3(x, 0.0f, 0.0f), alongZ});
        v.append({glm::vec3(x, 0.0f, n), alongZ});
        v.append({glm::vec3(0.0f, 0.0f, x), alongX});
        v.append({glm::vec3(n, 0.0f, x), alongX});
    }
    return v;
}

glm::vec3 gridOffset(int cells)
{
    return glm::vec3(-float(cells) / 2.0f, 0.01f, -float(cells) / 2.0f);
}

void GridMesh::create(int cells, GLuint gridProgram)
{
    logLine(QStringLiteral("Creating grid mesh."), Info);
    checkGlError(QStringLiteral("Gridmesh A"));
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    program = gridProgram;
    const QVector<LineVertex> vertices = gridVertices(cells);
    mVertexCount = int(vertices.size());
    const GLsizeiptr bytes = GLsizeiptr(vertices.size()) * GLsizeiptr(sizeof(LineVertex));

    mVertexArray = GlVertexArray::generate();
    mBuffer = GlBuffer::generate();
    gl->glBindVertexArray(mVertexArray);
    gl->glBindBuffer(GL_ARRAY_BUFFER, mBuffer);
    gl->glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STATIC_DRAW);
    if (void *mapped = gl->glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY)) {
        std::memcpy(mapped, vertices.constData(), size_t(bytes));
        gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, lineVertexStride, nullptr);
    gl->glEnableVertexAttribArray(colourAttribute);
    gl->glVertexAttribPointer(colourAttribute, 3, GL_FLOAT, GL_FALSE, lineVertexStride,
                              reinterpret_cast<const void *>(qintptr(lineVertexColourOffset)));
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    checkGlError(QStringLiteral("Gridmesh"));

    offset = gridOffset(cells);
}

void GridMesh::draw()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    MatrixStack *stack = MatrixStack::instance();
    if (!gl || !stack || mVertexArray == 0) {
        return;
    }
    gl->glUseProgram(program);
    const glm::mat4 m = stack->projection * stack->view * glm::translate(glm::mat4(1.0f), offset);
    gl->glUniformMatrix4fv(gl->glGetUniformLocation(program, "mvp"), 1, GL_FALSE,
                           glm::value_ptr(m));
    gl->glBindVertexArray(mVertexArray);
    gl->glDrawArrays(GL_LINES, 0, mVertexCount);
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
}
