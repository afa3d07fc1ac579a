#pragma once

#include "gamedata/indexsection.h"
#include "gamedata/vertexsection.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <array>

// The CPU-side record of one geometry of a .visual file, decoded before any GL
// object exists: the GL upload takes it, and the OBJ export, the UV maps and the
// collision shapes read it. Positions and normals are in viewer space (x negated);
// every triangle's index order is reversed. The mesh that loaded
// the file owns the record.
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
    // Each vertex's tangent and binormal as the file packs them, packed-vector formats
    // only; viewerVector unpacks one into viewer space. Kept packed: a third of the
    // memory, and only the upload reads them.
    QVector<quint32> packedTangents;
    QVector<quint32> packedBinormals;
    // How the vertex section was read, and so the GPU layout of its vertices; format
    // Unknown without a section or with one of an unknown format.
    VertexSection vertexLayout;
    // The index section's width, count (cut to what it holds) and draw ranges.
    IndexSection indexLayout;
};

// Decodes the sections of one geometry into a new record named name. A null section
// is one the .primitives file lacks: it adds nothing. A vertex section of an unknown
// format is an Error line ("Vertex format not supported:" and the name) and adds no
// vertices; short sections are cut as decodeVertices and decodeIndexSection say.
[[nodiscard]] VisualGeometry decodeVisualGeometry(const QString &name, const QByteArray *vertices,
                                                  const QByteArray *uv2, const QByteArray *indices);
