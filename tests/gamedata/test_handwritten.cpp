// Files written byte by byte from the format layouts, not by the project's writers,
// so that a misreading shared by a writer and its reader still shows.
#include "gamedata/indexsection.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualdocument.h"
#include "gamedata/visualgeometry.h"
#include "gamedata/visualnode.h"

#include "core/dialogs.h"
#include "core/fatalerror.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray padded(const char *name, int size)
{
    return QByteArray(name).leftJustified(size, '\0');
}

// A packed .visual: one node "Hull" with a 12-float transform, one render set with
// a Boolean, a node name and one geometry of three section names and a 1-byte
// Integer group. Descriptor words: end offset in bits 0-27, type in bits 28-31.
QByteArray packedVisual()
{
    // Magic, one skipped byte, the name table ended by an empty name.
    static const char names[] = "node\0identifier\0transform\0renderSet\0geometry\0vertices\0"
                                "primitive\0primitiveGroup\0treatAsWorldSpaceObject\0stream\0\0";
    QByteArray b = h("454ea162 00") + QByteArray(names, sizeof names - 1);
    // Root: 2 children, own value an empty String; node ends at 70, renderSet at 158.
    b += h("0200 00000010  0000 46000000  0300 9e000000");
    // node (70 bytes): identifier String "Hull" (end 4), transform 48 bytes of Floats (end 52).
    b += h("0200 00000010  0100 04000010  0200 34000030") + "Hull";
    b += h("00000040 00000000 00000000  00000000 00000040 00000000"
           "00000000 00000000 00000040  0000a040 0000c040 0000e040");
    // renderSet (88 bytes): node String "Hull" (end 4), treatAsWorldSpaceObject
    // Boolean 1 (end 5), geometry Element (end 64).
    b += h("0300 00000010  0000 04000010  0800 05000040  0400 40000000") + "Hull" + h("01");
    // geometry (59 bytes): vertices, primitive, stream Strings (ends 13, 25, 28),
    // primitiveGroup Integer of one byte (end 29).
    b += h("0400 00000010  0500 0d000010  0600 19000010  0900 1c000010  0700 1d000020");
    b += QByteArray("Hull.verticesHull.indicesuv2") + h("00");
    return b;
}

// A .primitives file: "Hull.vertices" (3 xyznuvtb vertices, 164 bytes), "Hull.indices"
// (94 bytes, so the next block is padded to 96; bit 31 set on its table length) and
// "uv2" (3 pairs), then the 104-byte section table and its length.
QByteArray primitivesFile()
{
    QByteArray b = h("654ea142");
    b += padded("xyznuvtb", 64) + h("03000000");
    // position, packed normal, u v, packed tangent, packed binormal
    b += h("0000803f 00000040 00004040  0000c07f  0000003f 0000803e  ff030000  00f81f00");
    b += h("000080c0 00000000 0000003f  01040000  0000803f 00000000  00000000  00000000");
    b += h("00000000 00000000 00000000  00004080  00000000 0000803f  00000000  00000000");
    b += padded("list", 64) + h("03000000 01000000  0000 0100 0200");
    b += h("00000000 01000000 00000000 03000000") + h("0000");
    b += h("0000003f 0000003f  0000803e 0000403f  0000803f 00000000");
    b += h("a4000000") + QByteArray(16, '\0') + h("0d000000") + padded("Hull.vertices", 16);
    b += h("5e000080") + QByteArray(16, '\0') + h("0c000000") + "Hull.indices";
    b += h("18000000") + QByteArray(16, '\0') + h("03000000") + padded("uv2", 4);
    b += h("68000000");
    return b;
}

QString ownText(const QDomNode &element)
{
    return element.firstChild().toText().data();
}

} // namespace

class TestHandWritten : public QObject
{
    Q_OBJECT

private:
    int mBoxes = 0;

private slots:
    void initTestCase()
    {
        setMessageBoxHandler([this](const MessageBoxRequest &) {
            ++mBoxes;
            return int(QMessageBox::Ok);
        });
    }

    void init()
    {
        mBoxes = 0;
        resetFatalErrorState();
    }

    void cleanupTestCase() { setMessageBoxHandler({}); }

    void packedVisualDocument()
    {
        int plain = -1;
        bool failed = true;
        const QDomDocument doc = PackedXmlReader::parse(
            packedVisual(), QStringLiteral("vehicles/a/hull.model"), &plain, &failed);
        QCOMPARE(plain, -1);
        QVERIFY(!failed);
        const QDomElement root = doc.documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("hull.visual"));
        // Each element with children starts with its own (here empty) value.
        QCOMPARE(root.childNodes().size(), 3);
        QVERIFY(root.firstChild().isText());
        QCOMPARE(ownText(root), QString());

        const QDomElement node = root.childNodes().at(1).toElement();
        QCOMPARE(node.tagName(), QStringLiteral("node"));
        QCOMPARE(ownText(node.firstChildElement(QStringLiteral("identifier"))),
                 QStringLiteral("Hull"));
        const QDomNodeList rows = node.firstChildElement(QStringLiteral("transform")).childNodes();
        QCOMPARE(rows.size(), 4);
        const QStringList rowTexts {"2 0 0", "0 2 0", "0 0 2", "5 6 7"};
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(rows.at(r).toElement().tagName(), QStringLiteral("row%1").arg(r));
            QCOMPARE(ownText(rows.at(r)), rowTexts.at(r));
        }

        const QDomElement set = root.childNodes().at(2).toElement();
        QCOMPARE(set.tagName(), QStringLiteral("renderSet"));
        QCOMPARE(set.childNodes().size(), 4);
        QCOMPARE(ownText(set.firstChildElement(QStringLiteral("treatAsWorldSpaceObject"))),
                 QStringLiteral("true"));
        const QDomElement geometry = set.firstChildElement(QStringLiteral("geometry"));
        QCOMPARE(geometry.childNodes().size(), 5);
        QCOMPARE(ownText(geometry.firstChildElement(QStringLiteral("vertices"))),
                 QStringLiteral("Hull.vertices"));
        QCOMPARE(ownText(geometry.firstChildElement(QStringLiteral("primitive"))),
                 QStringLiteral("Hull.indices"));
        QCOMPARE(ownText(geometry.firstChildElement(QStringLiteral("stream"))),
                 QStringLiteral("uv2"));
        QCOMPARE(ownText(geometry.firstChildElement(QStringLiteral("primitiveGroup"))),
                 QStringLiteral("0"));

        VisualNode tree;
        const QVector<VisualRenderSetRecord> sets = readVisualDocument(doc, &tree);
        QCOMPARE(tree.identifier, QStringLiteral("Hull"));
        QCOMPARE(tree.translation, glm::vec3(-5, 6, 7));
        QCOMPARE(tree.scale, glm::vec3(2, 2, 2));
        QCOMPARE(sets.size(), 1);
        QVERIFY(sets.at(0).treatAsWorldSpaceObject);
        QCOMPARE(sets.at(0).nodes, QVector<VisualNode *> {&tree});
        QCOMPARE(sets.at(0).geometries.size(), 1);
        const VisualGeometryRecord &record = sets.at(0).geometries.at(0);
        QCOMPARE(record.name(), QStringLiteral("Hull"));
        QCOMPARE(record.stream, QStringLiteral("uv2"));
        QCOMPARE(record.groups.size(), 1);
        QCOMPARE(record.groups.at(0).groupIndex, 0);
        QCOMPARE(mBoxes, 0);

        // Every cut of the file reads to its end without a crash.
        const QByteArray whole = packedVisual();
        for (int size = 5; size < whole.size(); ++size) {
            bool cut = false;
            (void)PackedXmlReader::parse(whole.left(size), QStringLiteral("x"), nullptr, &cut);
            QVERIFY(cut);
        }
    }

    void primitivesSections()
    {
        const QByteArray bytes = primitivesFile();
        QCOMPARE(bytes.size(), 396);
        PrimitiveParser parser;
        QVERIFY(parser.parseBytes(bytes));
        QCOMPARE(parser.chunks.size(), 3);
        QCOMPARE(parser.chunks.at(0)->length, 164u);
        QCOMPARE(parser.chunks.at(1)->length, 94u);
        QCOMPARE(parser.chunks.at(2)->data, bytes.mid(264, 24));

        // The sections the hand-written .visual names.
        VisualNode tree;
        const QDomDocument doc =
            PackedXmlReader::parse(packedVisual(), QStringLiteral("hull.visual"));
        const QVector<VisualRenderSetRecord> sets = readVisualDocument(doc, &tree);
        const VisualGeometrySections sections = findGeometrySections(
            parser, sets.at(0).geometries.at(0), QStringLiteral("hull.visual"));
        QVERIFY(sections.vertices && sections.primitive && sections.uv2);

        const VisualGeometry geometry =
            decodeVisualGeometry(QStringLiteral("Hull"), &sections.vertices->data,
                                 &sections.uv2->data, &sections.primitive->data);
        const VertexSection &layout = geometry.vertexLayout;
        QCOMPARE(layout.format, VertexFormat::Xyznuvtb);
        QCOMPARE(layout.vertexCount, 3u);
        QCOMPARE(layout.floatsPerVertex, 16);
        std::vector<float> out(48);
        QVERIFY(interleaveVertices(geometry, out.data(), qint64(out.size() * sizeof(float))));
        // Position, normal, u v, tangent, binormal (x of each vector negated), uv2.
        // clang-format off
        const std::vector<float> expected {
            -1, 2, 3,     0, 0, 1,   0.5f, 0.25f,   -1, 0, 0,   0, 1, 0,   0.5f, 0.5f,
            4, 0, 0.5f,   1, 0, 0,   1, 0,          0, 0, 0,    0, 0, 0,   0.25f, 0.75f,
            0, 0, 0,      0, 0, -1,  0, 1,          0, 0, 0,    0, 0, 0,   1, 0 };
        // clang-format on
        for (size_t i = 0; i < expected.size(); ++i) {
            QVERIFY2(std::abs(out[i] - expected[i]) <= 1e-6f,
                     qPrintable(QStringLiteral("float %1: %2").arg(i).arg(out[i])));
        }
        QCOMPARE(geometry.uvs2.at(1), glm::vec2(0.25f, 0.75f));
        QVERIFY(glm::distance(viewerVector(geometry.packedTangents.at(0)), glm::vec3(-1, 0, 0))
                <= 1e-6f);
        QVERIFY(glm::distance(viewerVector(geometry.packedBinormals.at(0)), glm::vec3(0, 1, 0))
                <= 1e-6f);

        const IndexSection &indices = geometry.indexLayout;
        QVERIFY(!indices.use32BitIndices);
        QCOMPARE(indices.indexCount, 3u);
        QCOMPARE(geometry.indices16, (QVector<quint16> {2, 1, 0}));
        QCOMPARE(geometry.triangleCount, 1u);
        QCOMPARE(indices.groups.size(), 1);
        QCOMPARE(indices.groups.at(0).primitiveCount, 1u);
        QCOMPARE(indices.groups.at(0).vertexCount, 3u);
        QCOMPARE(indices.highestVertex, 3u);
        QCOMPARE(mBoxes, 0);
    }
};

QTEST_GUILESS_MAIN(TestHandWritten)
#include "test_handwritten.moc"
