#pragma once

#include "gamedata/primitivegroup.h"
#include "render/glhandle.h"

#include <QVector>

struct VisualGeometry;

// The GL element buffer of one geometry with its draw ranges. Empty until load();
// move-only. Destroying it with a context current deletes the GL name; without one
// only the CPU side is freed.
class IndexBuffer
{
public:
    // Takes the draw ranges and width of a decoded record (decodeVisualGeometry) and,
    // with a context current, uploads its reversed indices: the section's index count
    // x width bytes, the whole triangles followed by zeros. A buffer of no indices is
    // created but never mapped.
    void load(const VisualGeometry &geometry);
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
