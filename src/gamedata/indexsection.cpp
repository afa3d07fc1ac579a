#include "gamedata/indexsection.h"

#include "core/fatalerror.h"
#include "gamedata/visualgeometry.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr qint64 formatNameSize = 64;
constexpr qint64 headerSize = 72; // name, index count, group count
constexpr qint64 groupSize = 16;

quint32 wordAt(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

void appendReversedTriangles(const char *p, qint64 triangles, IndexSection *section,
                             VisualGeometry *geometry)
{
    const bool wide = section->use32BitIndices;
    const int width = section->indexWidth();
    geometry->triangleCount = quint32(triangles);
    section->firstIndex = int(wide ? geometry->indices32.size() : geometry->indices16.size());
    // Grown once and written through plain pointers: appending index by index costs
    // a capacity check each, on the load's path.
    const int added = int(triangles * 3);
    const int base16 = int(geometry->indices16.size());
    geometry->indices16.resize(base16 + added);
    quint16 *out16 = geometry->indices16.data() + base16;
    quint32 *out32 = nullptr;
    if (wide) {
        const int base32 = int(geometry->indices32.size());
        geometry->indices32.resize(base32 + added);
        out32 = geometry->indices32.data() + base32;
    }
    for (qint64 t = 0; t < triangles; ++t, p += 3 * width) {
        // Reversed: the viewer's mirrored x turns the game's winding around.
        for (int k = 0; k < 3; ++k) {
            const char *index = p + (2 - k) * width;
            const quint32 value = wide ? wordAt(index) : qFromLittleEndian<quint16>(index);
            *out16++ = quint16(value);
            if (wide) {
                *out32++ = value;
            }
        }
    }
}

} // namespace

IndexSection decodeIndexSection(const QByteArray &section, VisualGeometry *geometry)
{
    IndexSection result;
    const qint64 size = section.size();
    const char *data = section.constData();
    const QByteArray name = section.left(int(std::min(size, formatNameSize)));
    // Case-sensitive, and anywhere in the padded name, as the game writes it.
    result.use32BitIndices = name.contains("list32");
    const qint64 width = result.indexWidth();

    // Counts are cut to what the section holds; the first shortfall is reported once,
    // named after the read that would have run out.
    const char *shortRead = nullptr;
    qint64 count = 0;
    qint64 groupCount = 0;
    if (size < headerSize) {
        shortRead = "readIntUnsigned()";
    } else {
        count = wordAt(data + 64);
        groupCount = wordAt(data + 68);
        const qint64 fits = (size - headerSize) / width;
        if (count > fits) {
            count = fits;
            shortRead = result.use32BitIndices ? "readIntUnsigned()" : "readShortUnsigned()";
        }
        const qint64 groupsFit = (size - headerSize - count * width) / groupSize;
        if (groupCount > groupsFit) {
            groupCount = groupsFit;
            if (!shortRead) {
                shortRead = "readIntUnsigned()";
            }
        }
    }
    if (shortRead) {
        fatalError(QStringLiteral("Error reading data: ") + QLatin1String(shortRead));
    }
    result.indexCount = quint32(count);
    if (geometry) {
        appendReversedTriangles(data + std::min(size, headerSize), count / 3, &result, geometry);
    }

    result.groups.reserve(int(groupCount));
    for (qint64 i = 0; i < groupCount; ++i) {
        const char *g = data + headerSize + count * width + i * groupSize;
        PrimitiveGroup group;
        group.startIndex = wordAt(g);
        group.primitiveCount = wordAt(g + 4);
        group.startVertex = wordAt(g + 8);
        group.vertexCount = wordAt(g + 12);
        result.groups.append(group);
        result.highestVertex =
            std::max(result.highestVertex, group.startVertex + group.vertexCount);
    }
    return result;
}
