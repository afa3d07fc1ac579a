#pragma once

#include "gamedata/primitivegroup.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <glm/glm.hpp>

struct VisualGeometry;

// Texture-space triangles of one texture: every three points form one triangle.
struct UvMapEntry
{
    QVector<glm::vec2> points;
    QString texture; // game path of the texture
};

// Appends one entry per kept primitive group of one geometry. textures holds the
// diffuse texture name of each group record, in the order of groups. A group is
// skipped when its texture name contains "track" (any case) or it has fewer than
// 10 triangles. Group k takes its primitiveCount triangles from its startIndex,
// from indices32 when use32BitIndices, else indices16; a u or v above 1 replaces
// both by their fractional parts. Once the kept groups together would walk more
// indices than the geometry holds (overlapping groups), collection stops there
// with one Warning line.
void collectUvTriangles(const VisualGeometry &geometry, bool use32BitIndices,
                        const QVector<PrimitiveGroup> &groups, const QStringList &textures,
                        QVector<UvMapEntry> *entries);
