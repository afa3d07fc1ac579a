#pragma once

#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <array>

// The CPU-side record of one geometry of a .visual file, read by the OBJ export,
// the UV maps and the collision shapes. Positions and normals are in viewer space
// (x negated); every triangle's index order is reversed. The mesh that loaded the
// file owns the record.
struct VisualGeometry
{
    QString name;                               // vertices section name without ".vertices"
    QVector<glm::vec3> boneWeights;             // skinned format only
    QVector<std::array<quint8, 3>> boneIndices; // skinned format only
    QVector<glm::vec3> positions;
    QVector<glm::vec3> normals;
    QVector<glm::vec2> uvs;
    QVector<glm::vec2> uvs2; // only with a "uv2" stream
    // Every index, truncated to 16 bits in a 32-bit section; use indices32 there.
    QVector<quint16> indices16;
    QVector<quint32> indices32; // only for 32-bit index sections
    QString extra0;
    QString extra1;
    QString extra2;
    quint32 triangleCount = 0; // index count / 3
};
