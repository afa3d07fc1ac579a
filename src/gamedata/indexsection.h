#pragma once

#include "gamedata/primitivegroup.h"

#include <QByteArray>
#include <QVector>

struct VisualGeometry;

// What an index section holds besides the indices themselves.
// Layout: 64-byte zero-padded format name (containing "list32": 32-bit indices,
// else 16-bit), u32 index count, u32 group count, the indices, the 16-byte groups.
struct IndexSection
{
    bool use32BitIndices = false;
    // The index count, cut to the indices the section holds.
    quint32 indexCount = 0;
    QVector<PrimitiveGroup> groups;
    // The largest startVertex + vertexCount over the groups, 0 without groups.
    quint32 highestVertex = 0;
    // Where this section's indices begin in the geometry's index arrays.
    int firstIndex = 0;

    int indexWidth() const { return use32BitIndices ? 4 : 2; }
};

// Decodes an index section: appends the triangles with their order reversed (c, b, a)
// to geometry->indices16 (truncated to 16 bits) and, for 32-bit sections, to
// geometry->indices32, and sets geometry->triangleCount. Counts larger than the
// section are cut to what it holds, with one short-read report through fatalError.
[[nodiscard]] IndexSection decodeIndexSection(const QByteArray &section, VisualGeometry *geometry);
