#pragma once

#include "render/glhandle.h"
#include "render/vertexattribute.h"

#include <QList>

// A GL vertex buffer with its vertex array, laid out by an attribute list.
// Empty until create(); move-only. Destroying it with a context current deletes the
// GL names; without one only the CPU side is freed.
class VertexBuffer
{
public:
    VertexBuffer() = default;
    ~VertexBuffer();
    VertexBuffer(const VertexBuffer &) = delete;
    VertexBuffer &operator=(const VertexBuffer &) = delete;
    VertexBuffer(VertexBuffer &&other) noexcept;
    VertexBuffer &operator=(VertexBuffer &&other) noexcept;

    // The sum of the attribute byte sizes.
    quint32 vertexSize() const;
    // Takes ownership of the records (earlier ones not in the list are deleted) and
    // sets stride to the vertex size.
    void setAttributes(const QList<VertexAttribute *> &list);
    // Needs a current context. Allocates vertexCount vertices of data (null: the
    // caller maps the buffer and fills it) and records the layout in the vertex
    // array. Leaves vertex array 0 and array buffer 0 bound, the arrays disabled.
    void create(quint32 vertexCount, const void *data);
    void bind();
    void unbind();
    // Deletes the GL names (only while a context is current) and forgets them.
    void destroy();

    GlBuffer vbo;
    GlVertexArray vao;
    quint32 stride = 0;
    quint32 vertexCount = 0;
    quint32 byteSize = 0;
    QList<VertexAttribute *> attributes; // owned
};
