#include "gamedata/vertexsection.h"

#include "core/fatalerror.h"
#include "core/log.h"
#include "gamedata/visualgeometry.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr int formatNameSize = 64;
constexpr int headerSize = 68; // name, vertex count

float floatAt(const char *p)
{
    quint32 word = qFromLittleEndian<quint32>(p);
    float f;
    std::memcpy(&f, &word, sizeof f);
    return f;
}

glm::vec3 vec3At(const char *p)
{
    return glm::vec3(floatAt(p), floatAt(p + 4), floatAt(p + 8));
}

glm::vec3 mirrored(glm::vec3 v)
{
    return glm::vec3(-v.x, v.y, v.z);
}

glm::vec3 packedAt(const char *p)
{
    return viewerVector(qFromLittleEndian<quint32>(p));
}

float *put(float *out, glm::vec3 v)
{
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
    return out + 3;
}

float *put(float *out, glm::vec2 v)
{
    out[0] = v.x;
    out[1] = v.y;
    return out + 2;
}

void reportShortRead(const char *what)
{
    fatalError(QStringLiteral("Error reading data: ") + QLatin1String(what));
}

// The upload's vertex loop, one instance per layout so that no vertex asks which.
template <bool Packed, bool WithUv2, bool Skinned>
void interleaveAs(const VisualGeometry &geometry, int count, float *out)
{
    const glm::vec3 *positions = geometry.positions.constData();
    const glm::vec3 *normals = geometry.normals.constData();
    const glm::vec2 *uvs = geometry.uvs.constData();
    const quint32 *tangents = geometry.packedTangents.constData();
    const quint32 *binormals = geometry.packedBinormals.constData();
    const glm::vec2 *uvs2 = geometry.uvs2.constData();
    const glm::vec3 *weights = geometry.boneWeights.constData();
    for (int i = 0; i < count; ++i) {
        out = put(out, positions[i]);
        out = put(out, normals[i]);
        out = put(out, uvs[i]);
        if constexpr (Packed) {
            out = put(out, viewerVector(tangents[i]));
            out = put(out, viewerVector(binormals[i]));
        }
        if constexpr (WithUv2) {
            out = put(out, uvs2[i]);
        }
        if constexpr (Skinned) {
            out = put(out, weights[i]);
        }
    }
}

} // namespace

glm::vec3 unpackVector(quint32 word)
{
    // Shift each field to the top of the word and back, which sign-extends it.
    const qint32 x = qint32(word << 21) >> 21;
    const qint32 y = qint32(word << 10) >> 21;
    const qint32 z = qint32(word) >> 22;
    const float xy = 1.0f / 1023.0f;
    const float zs = 1.0f / 511.0f;
    return glm::vec3(float(x) * xy, float(y) * xy, float(z) * zs);
}

glm::vec3 viewerVector(quint32 word)
{
    return mirrored(unpackVector(word));
}

VertexSection inspectVertexSection(const QByteArray &section, const QByteArray &uv2)
{
    VertexSection layout;
    const int size = int(section.size());
    const QByteArray padded = section.left(formatNameSize);
    const int nul = int(padded.indexOf('\0'));
    layout.formatName = QString::fromLatin1(nul < 0 ? padded : padded.left(nul)).toLower();

    if (layout.formatName == QLatin1String("xyznuv")) {
        layout.format = VertexFormat::Xyznuv;
        layout.stride = 32;
        layout.floatsPerVertex = 8;
        layout.inputs = {{2, 0}, {2, 4}, {1, 1}};
    } else if (layout.formatName == QLatin1String("xyznuvtb")) {
        layout.format = VertexFormat::Xyznuvtb;
        layout.stride = 32;
        layout.floatsPerVertex = 14;
        layout.inputs = {{2, 0}, {2, 4}, {1, 1}, {2, 6}, {2, 5}};
        if (!uv2.isEmpty()) {
            layout.withUv2 = true;
            layout.floatsPerVertex = 16;
            layout.inputs.append({1, 2});
        }
    } else if (layout.formatName == QLatin1String("xyznuviiiwwtb")) {
        layout.format = VertexFormat::Xyznuviiiwwtb;
        layout.stride = 37;
        layout.floatsPerVertex = 17;
        layout.inputs = {{2, 0}, {2, 4}, {1, 1}, {2, 6}, {2, 5}, {2, 7}};
    } else {
        return layout;
    }

    if (size < headerSize) {
        reportShortRead("readInt()");
        return layout;
    }
    const qint32 declared = qFromLittleEndian<qint32>(section.constData() + formatNameSize);
    if (declared <= 0) {
        return layout;
    }
    const qint64 fits = (size - headerSize) / layout.stride;
    qint64 count = declared;
    if (count > fits) {
        count = fits;
        reportShortRead("readFloat()");
    } else if (layout.withUv2 && count > uv2.size() / 8) {
        reportShortRead("readFloat()");
    }
    layout.vertexCount = quint32(count);
    return layout;
}

bool decodeVertices(const QByteArray &section, const QByteArray &uv2, const VertexSection &layout,
                    VisualGeometry &geometry)
{
    const int count = int(layout.vertexCount);
    if (count <= 0 || layout.format == VertexFormat::Unknown) {
        return count <= 0;
    }
    const qint64 held = qint64(section.size()) - headerSize;
    if (held < qint64(count) * layout.stride) {
        logLine(QStringLiteral("Vertex decoder: %1 vertices of %2 bytes need %3 bytes after the "
                               "%4-byte header, the section holds %5")
                    .arg(count)
                    .arg(layout.stride)
                    .arg(qint64(count) * layout.stride)
                    .arg(headerSize)
                    .arg(std::max<qint64>(0, held)),
                Warning);
        return false;
    }
    const bool packed = layout.format != VertexFormat::Xyznuv;
    const bool skinned = layout.format == VertexFormat::Xyznuviiiwwtb;
    const qint64 uv2Pairs = layout.withUv2 ? uv2.size() / 8 : 0;

    // Each array grows by count and is written through a plain pointer: the decode
    // is on the load's path, and appending element by element costs a check each.
    auto grow = [count](auto &vector) {
        const int base = int(vector.size());
        vector.resize(base + count);
        return vector.data() + base;
    };
    glm::vec3 *positions = grow(geometry.positions);
    glm::vec3 *normals = grow(geometry.normals);
    glm::vec2 *uvs = grow(geometry.uvs);
    quint32 *tangents = packed ? grow(geometry.packedTangents) : nullptr;
    quint32 *binormals = packed ? grow(geometry.packedBinormals) : nullptr;
    glm::vec2 *uvs2 = layout.withUv2 ? grow(geometry.uvs2) : nullptr;
    glm::vec3 *weights = skinned ? grow(geometry.boneWeights) : nullptr;
    std::array<quint8, 3> *bones = skinned ? grow(geometry.boneIndices) : nullptr;

    const char *v = section.constData() + headerSize;
    for (int i = 0; i < count; ++i, v += layout.stride) {
        positions[i] = mirrored(vec3At(v));
        if (!packed) {
            // 0 position, 12 normal, 24 u v
            normals[i] = mirrored(vec3At(v + 12));
            uvs[i] = glm::vec2(floatAt(v + 24), floatAt(v + 28));
            continue;
        }
        // 0 position, 12 packed normal, 16 u v, then the skinned format's 24 bone
        // indices and 27 weights, which push tangent and binormal from 24 and 28 to
        // the unaligned 29 and 33.
        const int tb = skinned ? 29 : 24;
        normals[i] = packedAt(v + 12);
        uvs[i] = glm::vec2(floatAt(v + 16), floatAt(v + 20));
        tangents[i] = qFromLittleEndian<quint32>(v + tb);
        binormals[i] = qFromLittleEndian<quint32>(v + tb + 4);
        if (uvs2) {
            uvs2[i] = i < uv2Pairs ? glm::vec2(floatAt(uv2.constData() + 8 * i),
                                               floatAt(uv2.constData() + 8 * i + 4))
                                   : glm::vec2(0.0f);
        }
        if (skinned) {
            const float w0 = float(quint8(v[27])) / 255.0f;
            const float w1 = float(quint8(v[28])) / 255.0f;
            weights[i] = glm::vec3(w0, w1, 1.0f - w0 - w1);
            bones[i] = {quint8(v[24]), quint8(v[25]), quint8(v[26])};
        }
    }
    return true;
}

bool interleaveVertices(const VisualGeometry &geometry, float *out, qint64 outBytes)
{
    const VertexSection &layout = geometry.vertexLayout;
    const int count = int(layout.vertexCount);
    if (count <= 0 || layout.format == VertexFormat::Unknown) {
        return count <= 0;
    }
    const qint64 needed = qint64(count) * layout.floatsPerVertex * qint64(sizeof(float));
    if (!out || outBytes < needed) {
        logLine(QStringLiteral("Vertex upload: %1 vertices of %2 floats need %3 bytes, the output "
                               "holds %4")
                    .arg(count)
                    .arg(layout.floatsPerVertex)
                    .arg(needed)
                    .arg(out ? outBytes : 0),
                Warning);
        return false;
    }
    const bool packed = layout.format != VertexFormat::Xyznuv;
    const bool skinned = layout.format == VertexFormat::Xyznuviiiwwtb;
    // The record's arrays, each of which the layout reads count entries of.
    const qsizetype held[] = {
        geometry.positions.size(),
        geometry.normals.size(),
        geometry.uvs.size(),
        packed ? geometry.packedTangents.size() : count,
        packed ? geometry.packedBinormals.size() : count,
        layout.withUv2 ? geometry.uvs2.size() : count,
        skinned ? geometry.boneWeights.size() : count,
    };
    if (*std::min_element(std::begin(held), std::end(held)) < count) {
        logLine(QStringLiteral("Vertex upload: the layout has %1 vertices, the record holds fewer")
                    .arg(count),
                Warning);
        return false;
    }

    if (!packed) {
        interleaveAs<false, false, false>(geometry, count, out);
    } else if (skinned) {
        interleaveAs<true, false, true>(geometry, count, out);
    } else if (layout.withUv2) {
        interleaveAs<true, true, false>(geometry, count, out);
    } else {
        interleaveAs<true, false, false>(geometry, count, out);
    }
    return true;
}
