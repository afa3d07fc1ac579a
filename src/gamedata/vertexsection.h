#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

struct VisualGeometry;

enum class VertexFormat { Unknown, Xyznuv, Xyznuvtb, Xyznuviiiwwtb };

// One shader input of the decoded vertex: attribute type (1 = vec2, 2 = vec3) and the
// shader attribute location (0 iVertPos, 1 iTexCoord0, 2 iTexCoord1, 4 iNormal,
// 5 iBinormal, 6 iTangent, 7 iGeneric0).
struct VertexInput
{
    quint32 type = 0;
    quint32 location = 0;
};

// The layout of a vertex section and of the floats it decodes to.
// Section: 64-byte zero-padded format name (any letter case), i32 vertex count,
// the vertices. Formats: "xyznuv" (stride 32), "xyznuvtb" (32, packed normal,
// tangent, binormal), "xyznuviiiwwtb" (37, also 3 bone index and 2 weight bytes).
struct VertexSection
{
    VertexFormat format = VertexFormat::Unknown;
    QString formatName; // lower case, up to the first NUL
    // The vertex count, cut to the vertices the section holds; 0 for a count of 0 or less.
    quint32 vertexCount = 0;
    int stride = 0;
    // Floats per decoded vertex: 8, 14 (16 with a second stream) or 17.
    int floatsPerVertex = 0;
    // A second (u, v) stream is decoded (only with "xyznuvtb").
    bool withUv2 = false;
    QVector<VertexInput> inputs;
};

// Reads the header of a vertex section and picks the layout. A count larger than the
// section holds is cut, and a uv2 stream shorter than the vertices is reported,
// each as one short read through fatalError. An unknown format gives Unknown with
// no vertices and no inputs (the caller reports it).
[[nodiscard]] VertexSection inspectVertexSection(const QByteArray &section, const QByteArray &uv2);

// Appends the vertices of the section to the record: positions, normals, (u, v)
// pairs, and by format the packed tangents and binormals, the uv2 pairs (missing
// ones are 0), bone weights and bone indices. x of positions and normals is negated. A section
// shorter than layout asks for appends nothing, logs one Warning line and answers false; a layout
// with no vertices answers true.
bool decodeVertices(const QByteArray &section, const QByteArray &uv2, const VertexSection &layout,
                    VisualGeometry &geometry);

// Writes the record's vertices as the GPU takes them: vertexLayout.vertexCount x
// floatsPerVertex interleaved floats, in the order of vertexLayout.inputs (position,
// normal, u v, then tangent, binormal, the second u v or the three weights), every
// vector with its x negated. outBytes
// is the room at out: when it, or the record, holds fewer than the layout asks for,
// nothing is written, a Warning line says why and the result is false.
bool interleaveVertices(const VisualGeometry &geometry, float *out, qint64 outBytes);

// A packed vector: z signed 10 bits (22-31), y and x signed 11 bits (11-21, 0-10),
// scaled by 1/511 and 1/1023; not renormalised and not mirrored.
[[nodiscard]] glm::vec3 unpackVector(quint32 word);

// A packed vector in viewer space: unpackVector with x negated.
[[nodiscard]] glm::vec3 viewerVector(quint32 word);
