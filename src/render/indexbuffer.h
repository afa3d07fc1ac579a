#pragma once

#include "gamedata/primitivegroup.h"

#include <QByteArray>
#include <QVector>

using GLuint = unsigned int;

struct VisualGeometry;

// The GL element buffer of one geometry with its draw ranges. Empty until load();
// move-only. Destroying it with a context current deletes the GL name; without one
// only the CPU side is freed.
class IndexBuffer
{
public:
    IndexBuffer() = default;
    ~IndexBuffer();
    IndexBuffer(const IndexBuffer &) = delete;
    IndexBuffer &operator=(const IndexBuffer &) = delete;
    IndexBuffer(IndexBuffer &&other) noexcept;
    IndexBuffer &operator=(IndexBuffer &&other) noexcept;

    // Decodes an index section into geometry (reversed triangles, triangle count)
    // and the groups, and, with a context current, uploads the indices: index count
    // x width bytes, the whole triangles followed by zeros. An empty buffer is
    // neither created nor mapped.
    void load(const QByteArray &section, VisualGeometry *geometry);
    // Deletes the GL name (only while a context is current) and forgets it.
    void destroy();

    GLuint buffer() const { return mBuffer; }
    qint64 byteSize() const { return mByteSize; }

    QVector<PrimitiveGroup> groups;
    quint32 highestVertex = 0;
    bool use32BitIndices = false;

private:
    GLuint mBuffer = 0;
    qint64 mByteSize = 0;
};
