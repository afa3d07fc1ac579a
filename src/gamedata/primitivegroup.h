#pragma once

#include <QtGlobal>

// One draw range of an index section, as the 16 bytes of the file hold it.
struct PrimitiveGroup
{
    quint32 startIndex = 0;     // first index of the range
    quint32 primitiveCount = 0; // triangles
    quint32 startVertex = 0;    // lowest vertex the range uses
    quint32 vertexCount = 0;    // vertices from startVertex on
};

static_assert(sizeof(PrimitiveGroup) == 16, "a primitive group is 16 bytes in the file");
