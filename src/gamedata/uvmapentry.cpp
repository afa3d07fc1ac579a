#include "gamedata/uvmapentry.h"

#include "core/log.h"
#include "gamedata/visualgeometry.h"

#include <algorithm>
#include <cmath>

namespace {

glm::vec2 wrapped(glm::vec2 uv)
{
    if (uv.x > 1.0f || uv.y > 1.0f) {
        return glm::vec2(uv.x - std::floor(uv.x), uv.y - std::floor(uv.y));
    }
    return uv;
}

// Thin groups (decals, small fittings) only clutter the map.
constexpr quint32 minTriangles = 10;

} // namespace

void collectUvTriangles(const VisualGeometry &geometry, bool use32BitIndices,
                        const QVector<PrimitiveGroup> &groups, const QStringList &textures,
                        QVector<UvMapEntry> *entries)
{
    const qint64 indexCount =
        use32BitIndices ? geometry.indices32.size() : geometry.indices16.size();
    const qint64 vertexCount = geometry.uvs.size();
    const int records = int(std::min(groups.size(), textures.size()));
    // The groups of a sound file share out the index list, so together they walk no
    // more indices than it holds; overlapping groups could make the work, and the
    // points kept, grow as groups times indices.
    qint64 walked = 0;
    for (int k = 0; k < records; ++k) {
        const PrimitiveGroup &group = groups.at(k);
        if (textures.at(k).contains(QLatin1String("track"), Qt::CaseInsensitive)
            || group.primitiveCount < minTriangles) {
            continue;
        }
        // A range reaching past the indices is cut to its whole triangles.
        const qint64 first = group.startIndex;
        const qint64 last = std::min(first + 3 * qint64(group.primitiveCount), indexCount);
        const qint64 span = last > first ? (last - first) / 3 * 3 : 0;
        if (walked + span > indexCount) {
            logLine(QStringLiteral("UV collection: group %1 of %2 (%3 indices from index %4) would "
                                   "take the indices walked to %5, more than the %6 the geometry "
                                   "holds; it and the groups after it are left out")
                        .arg(k)
                        .arg(records)
                        .arg(span)
                        .arg(first)
                        .arg(walked + span)
                        .arg(indexCount),
                    Warning);
            return;
        }
        walked += span;
        UvMapEntry entry;
        entry.texture = textures.at(k);
        entry.points.reserve(int(span));
        for (qint64 i = first; i + 3 <= last; i += 3) {
            quint32 v[3];
            for (int c = 0; c < 3; ++c) {
                v[c] = use32BitIndices ? geometry.indices32.at(int(i + c))
                                       : geometry.indices16.at(int(i + c));
            }
            if (v[0] >= vertexCount || v[1] >= vertexCount || v[2] >= vertexCount) {
                continue;
            }
            for (quint32 index : v) {
                entry.points.append(wrapped(geometry.uvs.at(int(index))));
            }
        }
        entries->append(entry);
    }
}
