#include "render/vertexbuffer.h"

#include "core/log.h"
#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

#include <limits>
#include <utility>

// Core since GL 3.3; the 3.2 headers may lack them.
#ifndef GL_INT_2_10_10_10_REV
#define GL_INT_2_10_10_10_REV 0x8D9F
#endif
#ifndef GL_UNSIGNED_INT_2_10_10_10_REV
#define GL_UNSIGNED_INT_2_10_10_10_REV 0x8368
#endif

quint32 vertexAttributeBytes(quint32 type)
{
    static const quint32 bytes[] = {4, 8, 12, 16, 1, 4, 4};
    return type < 7 ? bytes[type] : 0;
}

int vertexAttributeComponents(quint32 type)
{
    static const int components[] = {1, 2, 3, 4, 1, 4, 4};
    return type < 7 ? components[type] : 0;
}

GLenum vertexAttributeGlType(quint32 type)
{
    switch (type) {
    case 0:
    case 1:
    case 2:
    case 3: return GL_FLOAT;
    case 4: return GL_UNSIGNED_BYTE;
    case 5: return GL_UNSIGNED_INT_2_10_10_10_REV;
    case 6: return GL_INT_2_10_10_10_REV;
    default: return 0;
    }
}

VertexBuffer::~VertexBuffer()
{
    qDeleteAll(attributes);
}

// The attribute records are owned through a plain list: the source must let go of
// them, and an assigned-to buffer must free its own.
VertexBuffer::VertexBuffer(VertexBuffer &&other) noexcept
    : vbo(std::move(other.vbo))
    , vao(std::move(other.vao))
    , stride(other.stride)
    , vertexCount(other.vertexCount)
    , byteSize(other.byteSize)
    , attributes(std::exchange(other.attributes, {}))
{
}

VertexBuffer &VertexBuffer::operator=(VertexBuffer &&other) noexcept
{
    if (this != &other) {
        qDeleteAll(attributes);
        attributes = std::exchange(other.attributes, {});
        vbo = std::move(other.vbo);
        vao = std::move(other.vao);
        stride = other.stride;
        vertexCount = other.vertexCount;
        byteSize = other.byteSize;
    }
    return *this;
}

quint32 VertexBuffer::vertexSize() const
{
    quint32 size = 0;
    for (const VertexAttribute *a : attributes) {
        size += vertexAttributeBytes(a->type);
    }
    return size;
}

void VertexBuffer::setAttributes(const QList<VertexAttribute *> &list)
{
    for (VertexAttribute *old : std::as_const(attributes)) {
        if (!list.contains(old)) {
            delete old;
        }
    }
    attributes = list;
    stride = vertexSize();
}

void VertexBuffer::create(quint32 count, const void *data)
{
    if (attributes.isEmpty()) {
        logLine(QStringLiteral("Internal engine problem: No vertex attribute set for "
                               "vertex buffer"),
                Error);
    }
    destroy();
    const quint64 bytes = quint64(vertexSize()) * count;
    if (bytes > std::numeric_limits<quint32>::max()) {
        logLine(QStringLiteral("Vertex buffer of %1 vertices of %2 bytes is too large")
                    .arg(count)
                    .arg(vertexSize()),
                Error);
        count = 0;
    }
    vertexCount = count;
    byteSize = vertexSize() * count;

    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    vbo = GlBuffer::generate();
    vao = GlVertexArray::generate();
    gl->glBindBuffer(GL_ARRAY_BUFFER, vbo);
    gl->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(byteSize), data, GL_STATIC_DRAW);
    bind();
    quintptr offset = 0;
    for (const VertexAttribute *a : std::as_const(attributes)) {
        gl->glVertexAttribPointer(a->location, vertexAttributeComponents(a->type),
                                  vertexAttributeGlType(a->type), GL_FALSE, GLsizei(stride),
                                  reinterpret_cast<const void *>(offset));
        offset += vertexAttributeBytes(a->type);
    }
    unbind();
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void VertexBuffer::bind()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    gl->glBindVertexArray(vao);
    for (const VertexAttribute *a : std::as_const(attributes)) {
        gl->glEnableVertexAttribArray(a->location);
    }
}

void VertexBuffer::unbind()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    for (const VertexAttribute *a : std::as_const(attributes)) {
        gl->glDisableVertexAttribArray(a->location);
    }
    gl->glBindVertexArray(0);
}

void VertexBuffer::destroy()
{
    vbo.reset();
    vao.reset();
}
