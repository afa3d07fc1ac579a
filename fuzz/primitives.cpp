// A .primitives file through the section table, then every section as an index
// section and as a vertex section (with the file's "uv2" section as second stream),
// and the UV collector over the decoded groups.
#include "gamedata/indexsection.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/uvmapentry.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualgeometry.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QMessageBox>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    PrimitiveParser parser;
    (void)parser.parseBytes(bytes);
    QByteArray uv2;
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        if (chunk->name == QLatin1String("uv2")) {
            uv2 = chunk->data;
        }
    }
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        VisualGeometry geometry;
        const VertexSection layout = inspectVertexSection(chunk->data, uv2);
        std::vector<float> floats(size_t(layout.vertexCount) * size_t(layout.floatsPerVertex));
        (void)decodeVertices(chunk->data, uv2, layout, floats.data(),
            qint64(floats.size() * sizeof(float)), &geometry);
        const IndexSection indices = decodeIndexSection(chunk->data, &geometry);
        QStringList textures;
        for (int i = 0; i < indices.groups.size(); ++i) {
            textures.append(i % 2 ? QStringLiteral("track.dds") : QStringLiteral("hull.dds"));
        }
        QVector<UvMapEntry> entries;
        collectUvTriangles(geometry, indices.use32BitIndices, indices.groups, textures, &entries);
    }
    return 0;
}
