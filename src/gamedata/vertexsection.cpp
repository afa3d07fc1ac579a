#include "gamedata/vertexsection.h"

#include "core/fatalerror.h"
#include "core/log.h"
#include "gamedata/visualgeometry.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

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
    return mirrored(unpackVector(qFromLittleEndian<quint32>(p)));
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
                    float *out, qint64 outBytes, VisualGeometry *geometry)
{
    const int count = int(layout.vertexCount);
    if (count <= 0 || layout.format == VertexFormat::Unknown) {
        return count <= 0;
    }
    const qint64 needed = qint64(count) * layout.floatsPerVertex * qint64(sizeof(float));
    if (!out || outBytes < needed) {
        logLine(QStringLiteral("Vertex decoder: %1 vertices of %2 floats need %3 bytes, the output "
                               "holds %4")
                    .arg(count)
                    .arg(layout.floatsPerVertex)
                    .arg(needed)
                    .arg(out ? outBytes : 0),
                Warning);
        return false;
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
    const bool skinned = layout.format == VertexFormat::Xyznuviiiwwtb;
    const qint64 uv2Pairs = layout.withUv2 ? uv2.size() / 8 : 0;

    glm::vec3 *positions = nullptr;
    glm::vec3 *normals = nullptr;
    glm::vec2 *uvs = nullptr;
    glm::vec2 *uvs2 = nullptr;
    glm::vec3 *weights = nullptr;
    std::array<quint8, 3> *bones = nullptr;
    if (geometry) {
        const int base = int(geometry->positions.size());
        geometry->positions.resize(base + count);
        geometry->normals.resize(int(geometry->normals.size()) + count);
        geometry->uvs.resize(int(geometry->uvs.size()) + count);
        positions = geometry->positions.data() + base;
        normals = geometry->normals.data() + geometry->normals.size() - count;
        uvs = geometry->uvs.data() + geometry->uvs.size() - count;
        if (layout.withUv2) {
            geometry->uvs2.resize(int(geometry->uvs2.size()) + count);
            uvs2 = geometry->uvs2.data() + geometry->uvs2.size() - count;
        }
        if (skinned) {
            geometry->boneWeights.resize(int(geometry->boneWeights.size()) + count);
            geometry->boneIndices.resize(int(geometry->boneIndices.size()) + count);
            weights = geometry->boneWeights.data() + geometry->boneWeights.size() - count;
            bones = geometry->boneIndices.data() + geometry->boneIndices.size() - count;
        }
    }

    const char *v = section.constData() + headerSize;
    for (int i = 0; i < count; ++i, v += layout.stride) {
        const glm::vec3 position = mirrored(vec3At(v));
        glm::vec3 normal;
        glm::vec2 uv;
        out = put(out, position);
        if (layout.format == VertexFormat::Xyznuv) {
            // 0 position, 12 normal, 24 u v
            normal = mirrored(vec3At(v + 12));
            uv = glm::vec2(floatAt(v + 24), floatAt(v + 28));
            out = put(out, normal);
            out = put(out, uv);
        } else {
            // 0 position, 12 packed normal, 16 u v, then the skinned format's
            // 24 bone indices and 27 weights, which push tangent and binormal from
            // 24 and 28 to the unaligned 29 and 33.
            const int tb = skinned ? 29 : 24;
            normal = packedAt(v + 12);
            uv = glm::vec2(floatAt(v + 16), floatAt(v + 20));
            out = put(out, normal);
            out = put(out, uv);
            out = put(out, packedAt(v + tb));
            out = put(out, packedAt(v + tb + 4));
            if (layout.withUv2) {
                glm::vec2 second(0.0f);
                if (i < uv2Pairs) {
                    second = glm::vec2(floatAt(uv2.constData() + 8 * i),
                                       floatAt(uv2.constData() + 8 * i + 4));
                }
                out = put(out, second);
                if (uvs2) {
                    uvs2[i] = second;
                }
            }
            if (skinned) {
                const float w0 = float(quint8(v[27])) / 255.0f;
                const float w1 = float(quint8(v[28])) / 255.0f;
                const glm::vec3 w(w0, w1, 1.0f - w0 - w1);
                out = put(out, w);
                if (weights) {
                    weights[i] = w;
                    bones[i] = {quint8(v[24]), quint8(v[25]), quint8(v[26])};
                }
            }
        }
        if (positions) {
            positions[i] = position;
            normals[i] = normal;
            uvs[i] = uv;
        }
    }
    return true;
}
