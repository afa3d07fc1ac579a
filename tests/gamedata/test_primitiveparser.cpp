#include "gamedata/indexsection.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualgeometry.h"

#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "gamedata/writerfixtures.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <glm/gtc/epsilon.hpp>

#include <memory>
#include <vector>

namespace {

const QMap<QString, QString> &fixtureExpressions()
{
    static const QMap<QString, QString> e = {
        {"two", "P.write_primitives([('a.vertices', b'abcdefgh'), ('b', b'xyz')])"},
        {"odd94", "P.write_primitives([('a', bytes(range(94))), ('b', b'0123456789')])"},
        {"bit31", "P.write_primitives([('a', b'abcd'), ('b', b'efgh')], bit31=True)"},
        {"longName", "P.write_primitives([('a', b'abcd'), ('x' * 4097, b'efgh')])"},
        {"name4096", "P.write_primitives([('a', b'abcd'), ('x' * 4096, b'efgh')])"},
        {"pastTable", "P.write_primitives([('a', b'abcd'), ('b', b'efgh', 400)])"},
        {"tableLow", "P.write_primitives([('a', b'abcd')], table_length=1000)"},
        {"tableZero", "P.write_primitives([('a', b'abcd')], table_length=0)"},
        {"badMagic", "P.write_primitives([('a', b'abcd')], magic=0x12345678)"},
        {"table1", "struct.pack('<I', P.MAGIC) + bytes(8) + struct.pack('<I', 1)"},
        {"table7", "struct.pack('<I', P.MAGIC) + bytes(8) + struct.pack('<I', 7)"},
        {"idx16", "P.index_section([0, 1, 2, 3, 4, 5], groups=[(0, 1, 0, 3), (3, 1, 3, 4)])"},
        {"idx32", "P.index_section([0, 1, 70000], fmt='list32')"},
        {"idxUpper", "P.index_section([0, 1, 2], fmt='LIST32')"},
        {"idxPadded", "P.index_section([0, 1, 2], fmt='tri list32')"},
        {"idx7", "P.index_section([0, 1, 2, 3, 4, 5, 6], groups=[])"},
        {"idxCountHuge", "P.index_section([0, 1, 2], count=0xFFFFFFFF, groups=[])"},
        {"idx32CountHuge", "P.index_section([0, 1, 2], count=0x40000001, fmt='list32', groups=[])"},
        {"idxGroupsHuge",
         "(lambda b: b[:68] + struct.pack('<I', 1000) + b[72:])(P.index_section([0, 1, 2]))"},
        {"xyznuv", "P.vertex_section('xyznuv', [((1, 2, 3), (0.6, 0, 0.8), (0.25, 0.75))])"},
        {"XYZNUV", "P.vertex_section('xyznuv', [((1, 2, 3), (0.6, 0, 0.8), (0.25, 0.75))], "
                   "format_name='XYZNUV')"},
        {"tb",
         "P.vertex_section('xyznuvtb', [dict(pos=(1, 2, 3), normal=(1, 0, 0), uv=(0.5, 0.25), "
         "tangent=(0, 1, 0), binormal=(0, 0, 1)), dict(pos=(4, 5, 6), normal=(0, 1, 0), "
         "uv=(1.5, -2), tangent=(1, 0, 0), binormal=(0, -1, 0))])"},
        {"uv2", "P.uv2_section([(7, 8), (9, 10)])"},
        {"uv2Short", "P.uv2_section([(7, 8)])"},
        {"skinned", "P.vertex_section('xyznuviiiwwtb', [dict(pos=(1, 2, 3), normal=(0, 1, 0), "
                    "uv=(0, 1), bones=(3, 4, 5), weights=(255, 0), tangent=(1, 0, 0), "
                    "binormal=(0, 0, 1)), dict(pos=(0, 0, 0), normal=(0, 0, 1), uv=(0, 0), "
                    "bones=(6, 7, 8), weights=(0, 0), tangent=(0, 1, 0), binormal=(-1, 0, 0))])"},
        {"countHuge", "P.vertex_section('xyznuv', [((1, 2, 3), (0, 0, 1), (0, 0))], count=1000)"},
        {"countNegative", "P.vertex_section('xyznuv', [((1, 2, 3), (0, 0, 1), (0, 0))], count=-5)"},
        {"countZero", "P.vertex_section('xyznuvtb', [], count=0)"},
        {"unknown", "b'abc'.ljust(64, b'\\0') + struct.pack('<i', 1) + bytes(32)"},
        {"name64", "b'xyznuv' * 10 + b'abcd' + struct.pack('<i', 1) + bytes(32)"},
        {"invariant", "P.vertex_section('xyznuv', [((0, 0, 0), (0.70710678, 0, -0.70710678), "
                      "(0.1, 0.2)), ((0, 1, 0), (0.70710678, 0, -0.70710678), (0.3, 0.4)), "
                      "((1, 0, 1), (0.70710678, 0, -0.70710678), (0.5, 0.6))])"},
        {"invariantTb", "P.vertex_section('xyznuvtb', [dict(pos=(0, 0, 0), "
                        "normal=(0.70710678, 0, -0.70710678), uv=(0.1, 0.2)), dict(pos=(0, 1, 0), "
                        "normal=(0.70710678, 0, -0.70710678), uv=(0.3, 0.4)), dict(pos=(1, 0, 1), "
                        "normal=(0.70710678, 0, -0.70710678), uv=(0.5, 0.6))])"},
        {"invariantIndices", "P.index_section([0, 1, 2])"},
    };
    return e;
}

bool near(glm::vec3 a, glm::vec3 b, float eps = 1e-6f)
{
    return glm::all(glm::epsilonEqual(a, b, eps));
}

} // namespace

Q_DECLARE_METATYPE(glm::vec3)

class TestPrimitiveParser : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    QMap<QString, QByteArray> mFiles;
    QStringList mBoxes;

    QByteArray file(const QString &name) const { return mFiles.value(name); }
    QString warnings() const { return mLog->text(Warning); }

    // Decodes a vertex section into a record, and the record into the floats its
    // upload writes.
    std::vector<float> decode(const QByteArray &section, const QByteArray &uv2,
                              VertexSection *layout, VisualGeometry *geometry)
    {
        *layout = inspectVertexSection(section, uv2);
        geometry->vertexLayout = *layout;
        (void)decodeVertices(section, uv2, *layout, *geometry);
        std::vector<float> out(size_t(layout->vertexCount) * size_t(layout->floatsPerVertex));
        (void)interleaveVertices(*geometry, out.data(), qint64(out.size() * sizeof(float)));
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
        QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
        mLog = std::make_unique<Log>();
        mFiles = buildWithWriters(fixtureExpressions());
        QCOMPARE(mFiles.size(), fixtureExpressions().size());
    }

    void init()
    {
        mBoxes.clear();
        resetFatalErrorState();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request.text.section(QLatin1Char('\n'), 0, 0));
            return int(QMessageBox::Ok);
        });
    }

    void cleanup() { setMessageBoxHandler({}); }

    void sectionTable_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<QByteArray>>("data");
        QTest::addColumn<QString>("warning");
        using L = QList<QByteArray>;
        QTest::newRow("two sections")
            << "two" << true << QStringList {"a.vertices", "b"} << L {"abcdefgh", "xyz"} << "";
        QByteArray ramp(94, '\0');
        for (int i = 0; i < 94; ++i) {
            ramp[i] = char(i);
        }
        QTest::newRow("94-byte block, next at 96")
            << "odd94" << true << QStringList {"a", "b"} << L {ramp, "0123456789"} << "";
        QTest::newRow("bit 31 of lengths cleared")
            << "bit31" << true << QStringList {"a", "b"} << L {"abcd", "efgh"} << "";
        QTest::newRow("name of 4096 bytes")
            << "name4096" << true << QStringList {"a", QString(4096, QLatin1Char('x'))}
            << L {"abcd", "efgh"} << "";
        QTest::newRow("name of 4097 bytes, first kept")
            << "longName" << false << QStringList {"a"} << L {"abcd"}
            << "PrimitiveParser: section 1 (table entry at 0x28) has a name of 4097 bytes, more "
               "than "
               "the 4096 allowed";
        QTest::newRow("block past the table")
            << "pastTable" << false << QStringList {"a"} << L {"abcd"}
            << "PrimitiveParser: section 1 (table entry at 0x28): block at 0x8 needs 400 bytes, 4 "
               "remain before the section table at 0xc";
        QTest::newRow("table before offset 4")
            << "tableLow" << false << QStringList {} << L {}
            << "PrimitiveParser: section table of 1000 bytes (length word at 0x24) needs more than "
               "the 32 bytes between the magic and that word";
        QTest::newRow("table length 0")
            << "tableZero" << false << QStringList {} << L {}
            << "PrimitiveParser: section table length word at 0x24 is 0";
        QTest::newRow("table length 1") << "table1" << true << QStringList {} << L {} << "";
        QTest::newRow("table length 7") << "table7" << true << QStringList {} << L {} << "";
        QTest::newRow("wrong magic")
            << "badMagic" << false << QStringList {} << L {} << "Binary header incorrect.";
        QTest::newRow("empty") << "" << false << QStringList {} << L {}
                               << "Binary header incorrect.";
    }

    void sectionTable()
    {
        QFETCH(QString, fixture);
        QFETCH(bool, ok);
        QFETCH(QStringList, names);
        QFETCH(QList<QByteArray>, data);
        QFETCH(QString, warning);
        const int before = warning.isEmpty() ? 0 : warnings().count(warning);

        PrimitiveParser parser;
        QCOMPARE(parser.parseBytes(file(fixture)), ok);
        QCOMPARE(parser.chunks.size(), names.size());
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(parser.chunks.at(i)->name, names.at(i));
            QCOMPARE(parser.chunks.at(i)->data, data.at(i));
            QCOMPARE(parser.chunks.at(i)->length, quint32(data.at(i).size()));
        }
        if (!warning.isEmpty()) {
            QCOMPARE(warnings().count(warning), before + 1);
        }
        QVERIFY(mBoxes.isEmpty());

        // Every cut of a valid file ends without a crash and keeps whole sections only.
        if (fixture == QLatin1String("two")) {
            const QByteArray whole = file(fixture);
            for (int size = 0; size < whole.size(); ++size) {
                PrimitiveParser cut;
                (void)cut.parseBytes(whole.left(size));
                for (const PrimitiveChunk *chunk : std::as_const(cut.chunks)) {
                    QCOMPARE(chunk->data.size(), int(chunk->length));
                }
            }
        }
    }

    void deviceAndLookup()
    {
        QByteArray bytes = file(QStringLiteral("two"));
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        buffer.seek(5);
        PrimitiveParser parser;
        QVERIFY(parser.parse(&buffer));
        // The sections keep the file's bytes when the caller's array changes.
        bytes.fill('Q');
        QCOMPARE(parser.findChunk(QStringLiteral("b"))->data, QByteArray("xyz"));
        QVERIFY(!parser.findChunk(QStringLiteral("B")));
        QVERIFY(warnings().contains(QStringLiteral("Could not locate data chunk: B")));
        // A new parse drops the old sections.
        QVERIFY(!parser.parseBytes(QByteArray("nope")));
        QVERIFY(parser.chunks.isEmpty());
    }

    void loadThroughModelPath()
    {
        QFile out(mRoot.path() + QStringLiteral("/hull.primitives"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file(QStringLiteral("two")));
        out.close();
        FileManager files;
        PrimitiveParser parser;
        QVERIFY(parser.load(mRoot.path() + QStringLiteral("/hull.model")));
        QCOMPARE(parser.chunks.size(), 2);
        QVERIFY(!parser.load(mRoot.path() + QStringLiteral("/missing.model")));
        QVERIFY(warnings().contains(QStringLiteral("Failed loading: ") + mRoot.path()
                                    + QStringLiteral("/missing.primitives")));
    }

    void indexSection_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<bool>("wide");
        QTest::addColumn<QList<quint32>>("indices");
        QTest::addColumn<quint32>("triangles");
        QTest::addColumn<int>("groups");
        QTest::addColumn<quint32>("highestVertex");
        QTest::addColumn<QString>("box");
        using I = QList<quint32>;
        QTest::newRow("16-bit, two groups")
            << "idx16" << false << I {2, 1, 0, 5, 4, 3} << 2u << 2 << 7u << "";
        QTest::newRow("list32") << "idx32" << true << I {70000, 1, 0} << 1u << 1 << 70001u << "";
        QTest::newRow("LIST32 is 16-bit")
            << "idxUpper" << false << I {2, 1, 0} << 1u << 1 << 3u << "";
        QTest::newRow("list32 inside the name")
            << "idxPadded" << true << I {2, 1, 0} << 1u << 1 << 3u << "";
        QTest::newRow("7 indices, no groups")
            << "idx7" << false << I {2, 1, 0, 5, 4, 3} << 2u << 0 << 0u << "";
        QTest::newRow("count past the section") << "idxCountHuge" << false << I {2, 1, 0} << 1u << 0
                                                << 0u << "Error reading data: readShortUnsigned()";
        QTest::newRow("32-bit count past the section")
            << "idx32CountHuge" << true << I {2, 1, 0} << 1u << 0 << 0u
            << "Error reading data: readIntUnsigned()";
        QTest::newRow("group count past the section")
            << "idxGroupsHuge" << false << I {2, 1, 0} << 1u << 1 << 3u
            << "Error reading data: readIntUnsigned()";
    }

    void indexSection()
    {
        QFETCH(QString, fixture);
        QFETCH(bool, wide);
        QFETCH(QList<quint32>, indices);
        QFETCH(quint32, triangles);
        QFETCH(int, groups);
        QFETCH(quint32, highestVertex);
        QFETCH(QString, box);

        VisualGeometry geometry;
        const IndexSection section = decodeIndexSection(file(fixture), &geometry);
        QCOMPARE(section.use32BitIndices, wide);
        QCOMPARE(geometry.triangleCount, triangles);
        QCOMPARE(geometry.indices16.size(), indices.size());
        for (int i = 0; i < indices.size(); ++i) {
            QCOMPARE(geometry.indices16.at(i), quint16(indices.at(i)));
        }
        if (wide) {
            QCOMPARE(QList<quint32>(geometry.indices32.begin(), geometry.indices32.end()), indices);
        } else {
            QVERIFY(geometry.indices32.isEmpty());
        }
        QCOMPARE(section.groups.size(), groups);
        QCOMPARE(section.highestVertex, highestVertex);
        QCOMPARE(mBoxes, box.isEmpty() ? QStringList() : QStringList {box});
    }

    void indexGroupsFollowTheIndices()
    {
        VisualGeometry geometry;
        const IndexSection section = decodeIndexSection(file(QStringLiteral("idx16")), &geometry);
        QCOMPARE(section.groups.at(1).startIndex, 3u);
        QCOMPARE(section.groups.at(1).primitiveCount, 1u);
        QCOMPARE(section.groups.at(1).startVertex, 3u);
        QCOMPARE(section.groups.at(1).vertexCount, 4u);
        QCOMPARE(section.indexCount, 6u);
    }

    void truncatedIndexSections()
    {
        const QByteArray whole = file(QStringLiteral("idx16"));
        for (int size = 0; size < whole.size(); ++size) {
            mBoxes.clear();
            VisualGeometry geometry;
            const IndexSection section = decodeIndexSection(whole.left(size), &geometry);
            QVERIFY(mBoxes.size() <= 1);
            QVERIFY(qint64(section.indexCount) * 2 + 72 <= qMax(size, 72));
            QCOMPARE(geometry.indices16.size(), int(geometry.triangleCount) * 3);
        }
    }

    void packedVectors_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<glm::vec3>("vector");
        QTest::newRow("zero") << 0u << glm::vec3(0.0f);
        QTest::newRow("x 1023") << 0x000003FFu << glm::vec3(1.0f, 0.0f, 0.0f);
        QTest::newRow("x -1024 unclamped") << 0x00000400u << glm::vec3(-1024.0f / 1023.0f, 0, 0);
        QTest::newRow("y 1023") << 0x001FF800u << glm::vec3(0.0f, 1.0f, 0.0f);
        QTest::newRow("z 511") << 0x7FC00000u << glm::vec3(0.0f, 0.0f, 1.0f);
        QTest::newRow("z -512") << 0x80000000u << glm::vec3(0.0f, 0.0f, -512.0f / 511.0f);
        QTest::newRow("all -1") << 0xFFFFFFFFu
                                << glm::vec3(-1.0f / 1023.0f, -1.0f / 1023.0f, -1.0f / 511.0f);
    }

    void packedVectors()
    {
        QFETCH(quint32, word);
        QFETCH(glm::vec3, vector);
        QVERIFY(near(unpackVector(word), vector));
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("uv2");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("floats");
        QTest::addColumn<int>("inputs");
        QTest::addColumn<quint32>("vertices");
        QTest::addColumn<QString>("box");
        QTest::newRow("xyznuv") << "xyznuv"
                                << ""
                                << "xyznuv" << 8 << 3 << 1u << "";
        QTest::newRow("XYZNUV") << "XYZNUV"
                                << ""
                                << "xyznuv" << 8 << 3 << 1u << "";
        QTest::newRow("xyznuv ignores uv2") << "xyznuv"
                                            << "uv2"
                                            << "xyznuv" << 8 << 3 << 1u << "";
        QTest::newRow("xyznuvtb") << "tb"
                                  << ""
                                  << "xyznuvtb" << 14 << 5 << 2u << "";
        QTest::newRow("xyznuvtb uv2") << "tb"
                                      << "uv2"
                                      << "xyznuvtb" << 16 << 6 << 2u << "";
        QTest::newRow("uv2 short")
            << "tb"
            << "uv2Short"
            << "xyznuvtb" << 16 << 6 << 2u << "Error reading data: readFloat()";
        QTest::newRow("skinned") << "skinned"
                                 << ""
                                 << "xyznuviiiwwtb" << 17 << 6 << 2u << "";
        QTest::newRow("count past the section")
            << "countHuge"
            << ""
            << "xyznuv" << 8 << 3 << 1u << "Error reading data: readFloat()";
        QTest::newRow("negative count") << "countNegative"
                                        << ""
                                        << "xyznuv" << 8 << 3 << 0u << "";
        QTest::newRow("zero count") << "countZero"
                                    << ""
                                    << "xyznuvtb" << 14 << 5 << 0u << "";
        QTest::newRow("unknown") << "unknown"
                                 << ""
                                 << "abc" << 0 << 0 << 0u << "";
        QTest::newRow("64-byte name")
            << "name64"
            << ""
            << "xyznuvxyznuvxyznuvxyznuvxyznuvxyznuvxyznuvxyznuvxyznuvxyznuvabcd" << 0 << 0 << 0u
            << "";
        QTest::newRow("header cut") << "xyznuv-cut"
                                    << ""
                                    << "xyznuv" << 8 << 3 << 0u << "Error reading data: readInt()";
    }

    void layouts()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, uv2);
        QFETCH(QString, format);
        QFETCH(int, floats);
        QFETCH(int, inputs);
        QFETCH(quint32, vertices);
        QFETCH(QString, box);
        const QByteArray section = fixture == QLatin1String("xyznuv-cut")
                                       ? file(QStringLiteral("xyznuv")).left(66)
                                       : file(fixture);
        VertexSection layout;
        VisualGeometry geometry;
        const std::vector<float> out = decode(section, file(uv2), &layout, &geometry);
        QCOMPARE(layout.formatName, format);
        QCOMPARE(layout.floatsPerVertex, floats);
        QCOMPARE(layout.inputs.size(), inputs);
        QCOMPARE(layout.vertexCount, vertices);
        QCOMPARE(geometry.positions.size(), int(vertices));
        QCOMPARE(geometry.uvs2.size(), layout.withUv2 ? int(vertices) : 0);
        QCOMPARE(mBoxes, box.isEmpty() ? QStringList() : QStringList {box});
        QCOMPARE(out.size(), size_t(vertices) * size_t(floats));
    }

    void vertexValues()
    {
        VertexSection layout;
        VisualGeometry geometry;
        std::vector<float> out = decode(file(QStringLiteral("xyznuv")), {}, &layout, &geometry);
        QCOMPARE(out, (std::vector<float> {-1, 2, 3, -0.6f, 0, 0.8f, 0.25f, 0.75f}));
        QVERIFY(near(geometry.positions.at(0), glm::vec3(-1, 2, 3)));
        QVERIFY(near(geometry.normals.at(0), glm::vec3(-0.6f, 0, 0.8f)));
        QCOMPARE(geometry.uvs.at(0), glm::vec2(0.25f, 0.75f));
        QVERIFY(geometry.packedTangents.isEmpty() && geometry.packedBinormals.isEmpty());

        // Tangent and binormal (locations 6, 5) follow u v; the second stream is last.
        VisualGeometry tb;
        out = decode(file(QStringLiteral("tb")), file(QStringLiteral("uv2")), &layout, &tb);
        const float *v1 = out.data() + 16;
        QVERIFY(near(glm::vec3(v1[0], v1[1], v1[2]), glm::vec3(-4, 5, 6)));
        QVERIFY(near(glm::vec3(v1[3], v1[4], v1[5]), glm::vec3(0, 1, 0), 1e-3f));
        QCOMPARE(v1[6], 1.5f);
        QCOMPARE(v1[7], -2.0f);
        QVERIFY(near(glm::vec3(v1[8], v1[9], v1[10]), glm::vec3(-1, 0, 0), 1e-3f));
        QVERIFY(near(glm::vec3(v1[11], v1[12], v1[13]), glm::vec3(0, -1, 0), 1e-3f));
        QCOMPARE(v1[14], 9.0f);
        QCOMPARE(v1[15], 10.0f);
        QCOMPARE(tb.uvs2.at(1), glm::vec2(9, 10));
        QVERIFY(near(viewerVector(tb.packedTangents.at(1)), glm::vec3(-1, 0, 0), 1e-3f));
        QVERIFY(near(viewerVector(tb.packedBinormals.at(1)), glm::vec3(0, -1, 0), 1e-3f));
        QVERIFY(near(tb.normals.at(0), glm::vec3(-1, 0, 0), 1e-3f));
        QCOMPARE(layout.inputs.at(3).location, 6u);
        QCOMPARE(layout.inputs.at(4).location, 5u);
        QCOMPARE(layout.inputs.at(5).location, 2u);

        // A stream shorter than the vertices gives zeros for the rest.
        VisualGeometry shortStream;
        out = decode(file(QStringLiteral("tb")), file(QStringLiteral("uv2Short")), &layout,
                     &shortStream);
        QCOMPARE(shortStream.uvs2, (QVector<glm::vec2> {{7, 8}, {0, 0}}));

        // Skinned: tangent and binormal at their unaligned offsets 29 and 33, weights last.
        VisualGeometry skinned;
        out = decode(file(QStringLiteral("skinned")), {}, &layout, &skinned);
        QVERIFY(near(glm::vec3(out[8], out[9], out[10]), glm::vec3(-1, 0, 0), 1e-3f));
        QVERIFY(near(glm::vec3(out[11], out[12], out[13]), glm::vec3(0, 0, 1), 1e-3f));
        QCOMPARE(glm::vec3(out[14], out[15], out[16]), glm::vec3(1, 0, 0));
        QCOMPARE(glm::vec3(out[31], out[32], out[33]), glm::vec3(0, 0, 1));
        QVERIFY(
            near(glm::vec3(out[17 + 11], out[17 + 12], out[17 + 13]), glm::vec3(1, 0, 0), 1e-3f));
        QVERIFY(near(viewerVector(skinned.packedTangents.at(0)), glm::vec3(-1, 0, 0), 1e-3f));
        QVERIFY(near(viewerVector(skinned.packedBinormals.at(0)), glm::vec3(0, 0, 1), 1e-3f));
        QCOMPARE(skinned.boneWeights, (QVector<glm::vec3> {{1, 0, 0}, {0, 0, 1}}));
        QCOMPARE(skinned.boneIndices.at(0), (std::array<quint8, 3> {3, 4, 5}));
        QCOMPARE(skinned.boneIndices.at(1), (std::array<quint8, 3> {6, 7, 8}));
        QVERIFY(mBoxes.size() == 1); // the short stream above only
    }

    // A counter-clockwise game triangle with its normal stays consistent after the
    // mirror and the reversal: a missed mirror or reversal anywhere breaks this.
    void conversionKeepsFacing_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<float>("eps");
        QTest::newRow("float normals") << "invariant" << 1e-5f;
        QTest::newRow("packed normals") << "invariantTb" << 3e-3f;
    }

    void conversionKeepsFacing()
    {
        QFETCH(QString, fixture);
        QFETCH(float, eps);
        VertexSection layout;
        VisualGeometry geometry;
        (void)decode(file(fixture), {}, &layout, &geometry);
        (void)decodeIndexSection(file(QStringLiteral("invariantIndices")), &geometry);
        const glm::vec3 a = geometry.positions.at(geometry.indices16.at(0));
        const glm::vec3 b = geometry.positions.at(geometry.indices16.at(1));
        const glm::vec3 c = geometry.positions.at(geometry.indices16.at(2));
        const glm::vec3 facing = glm::normalize(glm::cross(b - a, c - a));
        QVERIFY(near(facing, glm::normalize(geometry.normals.at(0)), eps));
        QCOMPARE(geometry.uvs.at(2), glm::vec2(0.5f, 0.6f));
    }

    // Neither the decoder nor the upload writes what it has no room for, or reads a
    // vertex the section or the record lacks.
    void decoderKeepsToItsBounds()
    {
        const QByteArray section = file(QStringLiteral("xyznuv"));
        VisualGeometry geometry;
        geometry.vertexLayout = inspectVertexSection(section, {});
        QVERIFY(!decodeVertices(section.left(68 + 31), {}, geometry.vertexLayout, geometry));
        QVERIFY(warnings().contains(
            QStringLiteral("Vertex decoder: 1 vertices of 32 bytes need 32 "
                           "bytes after the 68-byte header, the section holds 31")));
        QVERIFY(geometry.positions.isEmpty() && geometry.uvs.isEmpty());

        std::vector<float> out(8, 99.0f);
        QVERIFY(!interleaveVertices(geometry, out.data(), 8 * 4));
        QVERIFY(warnings().contains(
            QStringLiteral("Vertex upload: the layout has 1 vertices, the record holds fewer")));
        QVERIFY(decodeVertices(section, {}, geometry.vertexLayout, geometry));
        QCOMPARE(geometry.positions.size(), 1);
        QVERIFY(!interleaveVertices(geometry, out.data(), 7 * 4));
        QVERIFY(warnings().contains(QStringLiteral(
            "Vertex upload: 1 vertices of 8 floats need 32 bytes, the output holds 28")));
        QCOMPARE(out, std::vector<float>(8, 99.0f));
        QVERIFY(interleaveVertices(geometry, out.data(), 8 * 4));
        QCOMPARE(out.front(), -1.0f);
    }

    // One geometry's sections into one record; a section the file lacks adds nothing,
    // an unknown format is reported and adds no vertices.
    void geometryRecord()
    {
        const QByteArray vertices = file(QStringLiteral("tb"));
        const QByteArray uv2 = file(QStringLiteral("uv2"));
        const QByteArray indices = file(QStringLiteral("idx16"));
        const VisualGeometry whole =
            decodeVisualGeometry(QStringLiteral("Hull"), &vertices, &uv2, &indices);
        QCOMPARE(whole.name, QStringLiteral("Hull"));
        QCOMPARE(whole.vertexLayout.floatsPerVertex, 16);
        QCOMPARE(whole.packedTangents.size(), 2);
        QCOMPARE(whole.uvs2.size(), 2);
        QCOMPARE(whole.indices16, (QVector<quint16> {2, 1, 0, 5, 4, 3}));
        QCOMPARE(whole.indexLayout.groups.size(), 2);
        QCOMPARE(whole.indexLayout.indexCount, 6u);

        const VisualGeometry noSections = decodeVisualGeometry({}, nullptr, nullptr, nullptr);
        QCOMPARE(noSections.vertexLayout.format, VertexFormat::Unknown);
        QVERIFY(noSections.positions.isEmpty() && noSections.indices16.isEmpty());
        QVERIFY(!mLog->text(Error).contains(QStringLiteral("Vertex format not supported:")));

        const QByteArray unknown = file(QStringLiteral("unknown"));
        const VisualGeometry unknownFormat = decodeVisualGeometry({}, &unknown, nullptr, &indices);
        QVERIFY(mLog->text(Error).contains(QStringLiteral("Vertex format not supported:abc")));
        QVERIFY(unknownFormat.positions.isEmpty());
        QCOMPARE(unknownFormat.triangleCount, 2u);
        QVERIFY(mBoxes.isEmpty());
    }

    void truncatedVertexSections()
    {
        const QByteArray whole = file(QStringLiteral("skinned"));
        for (int size = 0; size < whole.size(); ++size) {
            mBoxes.clear();
            VertexSection layout;
            VisualGeometry geometry;
            (void)decode(whole.left(size), {}, &layout, &geometry);
            QVERIFY(mBoxes.size() <= 1);
            QVERIFY(qint64(layout.vertexCount) * 37 + 68 <= qMax(size, 68));
        }
    }
};

QTEST_GUILESS_MAIN(TestPrimitiveParser)
#include "test_primitiveparser.moc"
