#pragma once

#include "gamedata/primitivegroup.h"
#include "render/glhandle.h"

#include <QByteArray>
#include <QVector>

struct VisualGeometry;

// The GL element buffer of one geometry with its draw ranges. Empty until load();
// move-only. Destroying it with a context current deletes the GL name; without one
// only the CPU side is freed.
class IndexBuffer
{
public:
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
    GlBuffer mBuffer;
    qint64 mByteSize = 0;
};
