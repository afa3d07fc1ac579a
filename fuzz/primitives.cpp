// A .primitives file through the section table, then each section as what it is,
// as the model loader would: "X.vertices" as a vertex section (with the file's "uv2"
// section as second stream) and "X.indices" as the index section of the same
// geometry, then the UV collector over its groups. A section with another name is
// read as a vertex section when its format name is one, else as an index section.
// Reading every section both ways would take a large game model's vertices for a
// huge index list and spend the run's time limit there.
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

namespace {

const PrimitiveChunk *partner(const PrimitiveParser &parser, const QString &name)
{
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        if (chunk->name == name) {
            return chunk;
        }
    }
    return nullptr;
}

void collectUv(const VisualGeometry &geometry, const IndexSection &indices)
{
    QStringList textures;
    for (int i = 0; i < indices.groups.size(); ++i) {
        textures.append(i % 2 ? QStringLiteral("track.dds") : QStringLiteral("hull.dds"));
    }
    QVector<UvMapEntry> entries;
    collectUvTriangles(geometry, indices.use32BitIndices, indices.groups, textures, &entries);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    PrimitiveParser parser;
    (void)parser.parseBytes(bytes);
    QByteArray uv2;
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        if (chunk->name == QLatin1String("uv2")) {
            uv2 = chunk->data;
        }
    }
    const QString verticesSuffix = QStringLiteral(".vertices");
    const QString indicesSuffix = QStringLiteral(".indices");
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        const QString &name = chunk->name;
        const VertexSection layout = inspectVertexSection(chunk->data, uv2);
        const bool vertices =
            name.endsWith(verticesSuffix)
            || (!name.endsWith(indicesSuffix) && layout.format != VertexFormat::Unknown);
        VisualGeometry geometry;
        const PrimitiveChunk *indexChunk = nullptr;
        if (vertices) {
            // Into the record, then from it into the floats the upload writes.
            geometry.vertexLayout = layout;
            if (!decodeVertices(chunk->data, uv2, layout, geometry)) {
                geometry.vertexLayout.vertexCount = 0;
            }
            std::vector<float> floats(size_t(geometry.vertexLayout.vertexCount)
                                      * size_t(layout.floatsPerVertex));
            (void)interleaveVertices(geometry, floats.data(),
                                     qint64(floats.size() * sizeof(float)));
            // The index section of the same geometry, as a .visual names it.
            if (name.endsWith(verticesSuffix)) {
                indexChunk = partner(parser, name.chopped(verticesSuffix.size()) + indicesSuffix);
            }
        } else if (!name.endsWith(indicesSuffix)
                   || !partner(parser, name.chopped(indicesSuffix.size()) + verticesSuffix)) {
            // Read here only when no vertex section takes it up.
            indexChunk = chunk;
        }
        if (indexChunk) {
            const IndexSection indices = decodeIndexSection(indexChunk->data, &geometry);
            collectUv(geometry, indices);
        }
    }
    return 0;
}
