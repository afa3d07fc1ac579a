// A .visual document, packed or plain, through the node tree and render sets, with
// each geometry's sections looked up in a small fixed .primitives file and decoded.
#include "gamedata/indexsection.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/uvmapentry.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualdocument.h"
#include "gamedata/visualgeometry.h"
#include "gamedata/visualnode.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QMessageBox>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void appendWord(QByteArray *out, quint32 value)
{
    char b[4];
    qToLittleEndian(value, b);
    out->append(b, 4);
}

QByteArray padded(const char *name)
{
    QByteArray b(name);
    b.resize(64, '\0');
    return b;
}

// Sections "Hull.vertices" (three xyznuv vertices), "Hull.indices" (one triangle,
// one group), "uv2" (three pairs).
QByteArray fixedPrimitives()
{
    QByteArray vertices = padded("xyznuv");
    appendWord(&vertices, 3);
    for (int i = 0; i < 3 * 8; ++i) {
        const float f = float(i) * 0.25f;
        quint32 word;
        std::memcpy(&word, &f, 4);
        appendWord(&vertices, word);
    }
    QByteArray indices = padded("list");
    appendWord(&indices, 3);
    appendWord(&indices, 1);
    indices.append("\0\0\1\0\2\0", 6); // the groups follow right after
    for (quint32 w : {0u, 1u, 0u, 3u}) {
        appendWord(&indices, w);
    }
    QByteArray uv2;
    for (int i = 0; i < 6; ++i) {
        appendWord(&uv2, 0x3F800000u);
    }
    const QList<QPair<QByteArray, QByteArray>> sections = {
        {"Hull.vertices", vertices}, {"Hull.indices", indices}, {"uv2", uv2}};
    QByteArray file;
    appendWord(&file, 0x42A14E65u);
    QByteArray table;
    for (const auto &s : sections) {
        file.append(s.second);
        file.append(QByteArray((4 - s.second.size() % 4) % 4, '\0'));
        appendWord(&table, quint32(s.second.size()));
        table.append(QByteArray(16, '\0'));
        appendWord(&table, quint32(s.first.size()));
        table.append(s.first);
        table.append(QByteArray((4 - s.first.size() % 4) % 4, '\0'));
    }
    file.append(table);
    appendWord(&file, quint32(table.size()));
    return file;
}

PrimitiveParser *parser = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    parser = new PrimitiveParser;
    if (!parser->parseBytes(fixedPrimitives()) || parser->chunks.size() != 3) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (!parser) {
        LLVMFuzzerInitialize(nullptr, nullptr);
    }
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const QString file = QStringLiteral("vehicles/x/hull.visual");
    const QDomDocument doc = PackedXmlReader::parse(bytes, file);
    VisualNode root;
    const QVector<VisualRenderSetRecord> sets = readVisualDocument(doc, &root);
    for (const VisualRenderSetRecord &set : sets) {
        for (const VisualNode *node : set.nodes) {
            (void)root.findChild(node->identifier);
        }
        for (const VisualGeometryRecord &record : set.geometries) {
            const VisualGeometrySections sections = findGeometrySections(*parser, record, file);
            const VisualGeometry geometry = decodeVisualGeometry(
                record.name(), sections.vertices ? &sections.vertices->data : nullptr,
                sections.uv2 ? &sections.uv2->data : nullptr,
                sections.primitive ? &sections.primitive->data : nullptr);
            std::vector<float> floats(size_t(geometry.vertexLayout.vertexCount)
                                      * size_t(geometry.vertexLayout.floatsPerVertex));
            (void)interleaveVertices(geometry, floats.data(),
                                     qint64(floats.size() * sizeof(float)));
            const IndexSection &indices = geometry.indexLayout;
            QStringList textures;
            for (const VisualGroupRecord &group : record.groups) {
                textures.append(group.material.text());
            }
            QVector<UvMapEntry> entries;
            collectUvTriangles(geometry, indices.use32BitIndices, indices.groups, textures,
                               &entries);
        }
    }
    return 0;
}
