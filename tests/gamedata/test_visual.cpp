#include "gamedata/indexsection.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/uvmapentry.h"
#include "gamedata/vectortext.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualdocument.h"
#include "gamedata/visualgeometry.h"
#include "gamedata/visualnode.h"

#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "gamedata/writerfixtures.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <glm/gtc/matrix_transform.hpp>

#include <clocale>
#include <memory>
#include <vector>

namespace {

const char *visualText = R"(<root>
 <node>
  <identifier> Scene Root </identifier>
  <transform><row0>1 0 0</row0><row1>0 1 0</row1><row2>0 0 1</row2><row3>0 0 0</row3></transform>
  <node>
   <identifier>Hull</identifier>
   <transform><row0>0 0 1</row0><row1>0 1 0</row1><row2>1 0 0</row2><row3>5 6 7</row3></transform>
   <node><identifier>HP_TurretJoint</identifier></node>
   <wrapper><node><identifier>Hidden</identifier></node></wrapper>
  </node>
  <node><identifier>hp_turretjoint</identifier></node>
 </node>
 <renderSet>
  <treatAsWorldSpaceObject>True</treatAsWorldSpaceObject>
  <node> Scene Root </node>
  <node>HP_ turret Joint</node>
  <node>Nobody</node>
  <geometry>
   <vertices> Hull.vertices </vertices>
   <primitive>Hull.indices</primitive>
   <stream>uv2</stream>
   <primitiveGroup>3<material><identifier>12x</identifier></material></primitiveGroup>
   <primitiveGroup>none<material><identifier>7</identifier></material></primitiveGroup>
  </geometry>
 </renderSet>
 <renderSet>
  <treatAsWorldSpaceObject>false</treatAsWorldSpaceObject>
  <node>hull</node>
  <geometry><vertices>Gun.vertices</vertices><primitive>Gun.indices</primitive><stream>uv3</stream></geometry>
  <geometry><vertices>Missing.vertices</vertices><primitive>Missing.indices</primitive></geometry>
 </renderSet>
</root>)";

QDomDocument plainDocument(const QString &text)
{
    return PackedXmlReader::parse(text.toUtf8(), QStringLiteral("vehicles/a/hull.model"));
}

// A geometry with one quad strip of uvs and the given triangles in order.
VisualGeometry uvGeometry(int triangles, bool wide)
{
    VisualGeometry g;
    for (int i = 0; i < triangles * 3; ++i) {
        g.uvs.append(glm::vec2(float(i) / 100.0f, 0.5f));
        g.indices16.append(quint16(i));
        if (wide) {
            g.indices32.append(quint32(i));
        }
    }
    g.triangleCount = quint32(triangles);
    return g;
}

} // namespace

Q_DECLARE_METATYPE(glm::vec3)

class TestVisual : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    QMap<QString, QByteArray> mFiles;
    QString warnings() const { return mLog->text(Warning); }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
        QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
        mLog = std::make_unique<Log>();
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        mFiles = buildWithWriters({
            {"packed", QStringLiteral("pack_text(%1)")
                           .arg(QString::fromLatin1(QByteArray("'''") + visualText + "'''"))},
            {"primitives",
             "P.write_primitives([('Hull.vertices', P.vertex_section('xyznuv', [((0,0,0),(0,0,1),"
             "(0,0))])), ('Hull.indices', P.index_section([0, 0, 0])), ('uv2', P.uv2_section([(1, "
             "2)])), ('Gun.vertices', b''), ('Gun.indices', b'')])"},
        });
        QCOMPARE(mFiles.size(), 2);
    }

    void cleanupTestCase() { setMessageBoxHandler({}); }

    void nodeTree()
    {
        VisualNode root;
        const QVector<VisualRenderSetRecord> sets =
            readVisualDocument(plainDocument(QString::fromLatin1(visualText)), &root);
        QCOMPARE(sets.size(), 2);
        QCOMPARE(root.identifier, QStringLiteral("Scene Root"));
        // Only direct "node" children count: "Hidden" sits under another element.
        QCOMPARE(int(root.children.size()), 2);
        const VisualNode *hull = root.children.at(0).get();
        QCOMPARE(hull->identifier, QStringLiteral("Hull"));
        QCOMPARE(int(hull->children.size()), 1);
        QCOMPARE(hull->translation, glm::vec3(-5, 6, 7));
        QCOMPARE(hull->scale, glm::vec3(0, 1, 0));
        const glm::mat4 expected =
            glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(-5, 6, 7)), glm::vec3(0, 1, 0));
        QCOMPARE(hull->localTransform, expected);
        QCOMPARE(hull->localTransform * glm::vec4(1, 1, 1, 1), glm::vec4(-5, 7, 7, 1));

        // No transform: zero translation and zero scale, everything at the origin.
        const VisualNode *joint = hull->children.at(0).get();
        QCOMPARE(joint->translation, glm::vec3(0.0f));
        QCOMPARE(joint->scale, glm::vec3(0.0f));
        QCOMPARE(joint->localTransform * glm::vec4(3, 4, 5, 1), glm::vec4(0, 0, 0, 1));

        // Depth-first, pre-order: the joint under Hull comes before the later sibling.
        QCOMPARE(root.findChild(QStringLiteral("HP_TURRETJOINT")), joint);
        QVERIFY(!root.findChild(QStringLiteral("Scene Root")));
        QVERIFY(!root.findChild(QStringLiteral("Hidden")));
        QCOMPARE(hull->findChild(QStringLiteral("hp_turretjoint")), joint);

        root.clear();
        QVERIFY(root.identifier.isEmpty());
        QVERIFY(root.children.empty());
        QCOMPARE(root.localTransform, glm::mat4(1.0f));
    }

    void renderSets_data()
    {
        QTest::addColumn<bool>("packed");
        QTest::newRow("plain") << false;
        QTest::newRow("packed") << true;
    }

    void renderSets()
    {
        QFETCH(bool, packed);
        const QDomDocument doc =
            packed ? PackedXmlReader::parse(mFiles.value(QStringLiteral("packed")),
                                            QStringLiteral("vehicles/a/hull.model"))
                   : plainDocument(QString::fromLatin1(visualText));
        VisualNode root;
        const QVector<VisualRenderSetRecord> sets = readVisualDocument(doc, &root);
        QCOMPARE(sets.size(), 2);
        const VisualRenderSetRecord &first = sets.at(0);
        QVERIFY(first.treatAsWorldSpaceObject);
        QVERIFY(!sets.at(1).treatAsWorldSpaceObject);
        // " Scene Root " is looked up as "SceneRoot": no node has that name, so the
        // root stands in; the root itself would have matched "Scene Root".
        QCOMPARE(first.nodes.size(), 3);
        QCOMPARE(first.nodes.at(0), &root);
        QCOMPARE(first.nodes.at(1)->identifier, QStringLiteral("HP_TurretJoint"));
        QCOMPARE(first.nodes.at(2), &root);
        QCOMPARE(sets.at(1).nodes.at(0)->identifier, QStringLiteral("Hull"));

        QCOMPARE(first.geometries.size(), 1);
        const VisualGeometryRecord &g = first.geometries.at(0);
        QCOMPARE(g.vertices, QStringLiteral("Hull.vertices"));
        QCOMPARE(g.name(), QStringLiteral("Hull"));
        QCOMPARE(g.primitive, QStringLiteral("Hull.indices"));
        QCOMPARE(g.stream, QStringLiteral("uv2"));
        QCOMPARE(g.groups.size(), 2);
        // Own value "3"; the material's "12x" and "7" do not count.
        QCOMPARE(g.groups.at(0).groupIndex, 3);
        QCOMPARE(g.groups.at(1).groupIndex, 0);
        QCOMPARE(g.groups.at(0)
                     .material.firstChildElement(QStringLiteral("identifier"))
                     .text()
                     .trimmed(),
                 QStringLiteral("12x"));
        QCOMPARE(sets.at(1).geometries.size(), 2);
    }

    void bindRoot()
    {
        VisualNode root;
        root.identifier = QStringLiteral("SceneRoot");
        auto child = std::make_unique<VisualNode>();
        child->identifier = QStringLiteral("sceneroot");
        root.children.push_back(std::move(child));
        QCOMPARE(bindVisualNode(&root, QStringLiteral("SCENEROOT")), &root);
        QCOMPARE(bindVisualNode(&root, QStringLiteral("x")), &root);
    }

    void groupIndex_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<int>("index");
        QTest::newRow("own 3, material 12x") << "<g>3<material>12x</material></g>" << 3;
        QTest::newRow("digits inside text") << "<g>ab12cd3</g>" << 12;
        QTest::newRow("no digits") << "<g>x<material>5</material></g>" << 0;
        QTest::newRow("empty") << "<g/>" << 0;
        QTest::newRow("too long") << "<g>99999999999</g>" << 0;
        QTest::newRow("text after material") << "<g><material>5</material>8</g>" << 8;
    }

    void groupIndex()
    {
        QFETCH(QString, xml);
        QFETCH(int, index);
        QDomDocument doc;
        QVERIFY(bool(doc.setContent(xml)));
        QCOMPARE(primitiveGroupIndex(doc.documentElement()), index);
    }

    void geometrySections()
    {
        PrimitiveParser parser;
        QVERIFY(parser.parseBytes(mFiles.value(QStringLiteral("primitives"))));
        VisualNode root;
        const QVector<VisualRenderSetRecord> sets =
            readVisualDocument(plainDocument(QString::fromLatin1(visualText)), &root);
        const QString file = QStringLiteral("vehicles/a/hull.visual");

        const VisualGeometrySections hull =
            findGeometrySections(parser, sets.at(0).geometries.at(0), file);
        QVERIFY(hull.vertices && hull.primitive && hull.uv2);
        QCOMPARE(hull.uv2->name, QStringLiteral("uv2"));

        // Another stream name is ignored without a word.
        const QString before = warnings();
        const VisualGeometrySections gun =
            findGeometrySections(parser, sets.at(1).geometries.at(0), file);
        QVERIFY(gun.vertices && gun.primitive && !gun.uv2);
        QCOMPARE(warnings(), before);

        const VisualGeometrySections missing =
            findGeometrySections(parser, sets.at(1).geometries.at(1), file);
        QVERIFY(!missing.vertices && !missing.primitive && !missing.uv2);
        QVERIFY(
            warnings().contains(QStringLiteral("Could not locate data chunk: Missing.vertices")));
        QVERIFY(
            warnings().contains(QStringLiteral("Could not locate data chunk: Missing.indices")));

        // A uv2 stream whose section is missing.
        PrimitiveParser noStream;
        QVERIFY(noStream.parseBytes(mFiles.value(QStringLiteral("primitives"))));
        delete noStream.chunks.takeAt(2);
        const VisualGeometrySections lone =
            findGeometrySections(noStream, sets.at(0).geometries.at(0), file);
        QVERIFY(lone.vertices && !lone.uv2);
        QVERIFY(warnings().contains(
            QStringLiteral("Visual file: vehicles/a/hull.visual contains a stream tag: uv2 but no "
                           "stream chunk exists by that name in the primitive file.")));
    }

    void notXml()
    {
        VisualNode root;
        root.identifier = QStringLiteral("old");
        const QVector<VisualRenderSetRecord> sets =
            readVisualDocument(plainDocument(QStringLiteral("<a><b></a>")), &root);
        QVERIFY(sets.isEmpty());
        QVERIFY(root.identifier.isEmpty());
        QVERIFY(root.children.empty());
        QCOMPARE(root.scale, glm::vec3(0.0f));
        QCOMPARE(root.translation, glm::vec3(0.0f));
    }

    void uvCollection_data()
    {
        QTest::addColumn<QString>("texture");
        QTest::addColumn<int>("triangles");
        QTest::addColumn<bool>("kept");
        QTest::newRow("10 triangles") << "vehicles/a/hull_AM.dds" << 10 << true;
        QTest::newRow("9 triangles") << "vehicles/a/hull_AM.dds" << 9 << false;
        QTest::newRow("track texture") << "vehicles/a/tracks/track_AM.dds" << 40 << false;
        QTest::newRow("TRACK in capitals") << "vehicles/a/TRACKS.dds" << 40 << false;
        QTest::newRow("no texture") << "" << 12 << true;
    }

    void uvCollection()
    {
        QFETCH(QString, texture);
        QFETCH(int, triangles);
        QFETCH(bool, kept);
        const VisualGeometry g = uvGeometry(triangles, false);
        QVector<UvMapEntry> entries;
        collectUvTriangles(g, false, {{0, quint32(triangles), 0, quint32(triangles * 3)}},
                           {texture}, &entries);
        QCOMPARE(entries.size(), kept ? 1 : 0);
        if (kept) {
            QCOMPARE(entries.at(0).texture, texture);
            QCOMPARE(entries.at(0).points.size(), triangles * 3);
        }
    }

    void uvGroupsAndWrapping()
    {
        VisualGeometry g = uvGeometry(30, true);
        // Group 1 starts at index 30: its first point is uvs[30].
        g.uvs[30] = glm::vec2(1.25f, 0.5f);
        g.uvs[31] = glm::vec2(-0.5f, 0.5f);
        g.uvs[32] = glm::vec2(1.5f, -0.25f);
        g.uvs[33] = glm::vec2(1.0f, 1.0f);
        // 32-bit sections walk indices32: a 16-bit copy would point elsewhere.
        g.indices16[30] = 0;
        const QVector<PrimitiveGroup> groups = {{0, 10, 0, 30}, {30, 10, 30, 30}, {60, 10, 60, 30}};
        QVector<UvMapEntry> entries;
        collectUvTriangles(g, true, groups, {"a.dds", "b.dds", "c.dds", "d.dds"}, &entries);
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(1).texture, QStringLiteral("b.dds"));
        QCOMPARE(entries.at(1).points.at(0), glm::vec2(0.25f, 0.5f));
        QCOMPARE(entries.at(1).points.at(1), glm::vec2(-0.5f, 0.5f));
        QCOMPARE(entries.at(1).points.at(2), glm::vec2(0.5f, 0.75f));
        QCOMPARE(entries.at(1).points.at(3), glm::vec2(1.0f, 1.0f));
        QCOMPARE(entries.at(0).points.at(0), g.uvs.at(0));
        QCOMPARE(entries.at(2).points.at(0), g.uvs.at(60));

        // Ranges past the indices or vertices are cut, never read.
        VisualGeometry small = uvGeometry(10, false);
        small.indices16[3] = 999;
        entries.clear();
        collectUvTriangles(small, false, {{3, 50, 0, 30}}, {"x.dds"}, &entries);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).points.size(), 8 * 3);
        QVERIFY(!warnings().contains(QStringLiteral("UV collection: ")));
    }

    // A crafted section whose 37,499 groups each claim the same 6,666 triangles of
    // its 20,000 indices: only what the indices can hold once is walked and kept.
    void uvOverlappingGroups()
    {
        QProcess gunzip;
        gunzip.start(
            QStringLiteral("gzip"),
            {QStringLiteral("-dc"),
             QStringLiteral(HULLSCOPE_SOURCE_DIR "/tests/gamedata/data/uv-20000.primitives.gz")});
        QVERIFY(gunzip.waitForFinished(30000) && gunzip.exitCode() == 0);
        PrimitiveParser parser;
        QVERIFY(parser.parseBytes(gunzip.readAllStandardOutput()));
        const QByteArray section = parser.chunks.at(0)->data;
        VisualGeometry geometry;
        const VertexSection layout = inspectVertexSection(section, {});
        QVERIFY(decodeVertices(section, {}, layout, geometry));
        const IndexSection indices = decodeIndexSection(section, &geometry);
        QCOMPARE(indices.groups.size(), 37499);
        QCOMPARE(geometry.indices16.size(), 19998);

        QVector<UvMapEntry> entries;
        collectUvTriangles(geometry, false, indices.groups,
                           QStringList(indices.groups.size(), QStringLiteral("hull.dds")),
                           &entries);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).points.size(), 19998);
        QCOMPARE(warnings().count(QStringLiteral("UV collection: ")), 1);
        QVERIFY(warnings().contains(QStringLiteral(
            "UV collection: group 1 of 37499 (19998 indices from index 0) would take "
            "the indices walked to 39996, more than the 19998 the geometry holds")));
    }

    void vec3Text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<glm::vec3>("value");
        QTest::newRow("two numbers") << "1 2" << glm::vec3(0.0f);
        QTest::newRow("spaces and exponent") << " 1.5 -2 3e1 " << glm::vec3(1.5f, -2.0f, 30.0f);
        QTest::newRow("tabs and lines") << "\t0.25\n+4\r\n-0.5" << glm::vec3(0.25f, 4.0f, -0.5f);
        QTest::newRow("no blank before a sign") << "1-2-3" << glm::vec3(1.0f, -2.0f, -3.0f);
        QTest::newRow("trailing text") << "1 2 3 abc" << glm::vec3(1.0f, 2.0f, 3.0f);
        QTest::newRow("letter in the middle") << "1 x 3" << glm::vec3(0.0f);
        QTest::newRow("comma decimals") << "1,5 2 3" << glm::vec3(0.0f);
        QTest::newRow("empty") << "" << glm::vec3(0.0f);
        QTest::newRow("lone sign") << "1 - 3" << glm::vec3(0.0f);
    }

    void vec3Text()
    {
        QFETCH(QString, text);
        QFETCH(glm::vec3, value);
        QCOMPARE(parseVec3(text), value);
        // A comma-decimal process locale must not change what is read.
        const char *locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
        for (const char *name : locales) {
            if (std::setlocale(LC_NUMERIC, name)) {
                QCOMPARE(parseVec3(text), value);
                std::setlocale(LC_NUMERIC, "C");
                break;
            }
        }
    }

    // NaN, inf and numbers past the float range read as missing, with one Warning.
    void nonFiniteVectorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("finite");
        QTest::newRow("nan") << "1e38 nan 0" << false;
        QTest::newRow("inf") << "inf 0 -inf" << false;
        QTest::newRow("past float range") << "0 1e39 0" << false;
        QTest::newRow("largest float") << "3.4e38 -3.4e38 0" << true;
        QTest::newRow("nan in a missing vector") << "nan 1" << true;
    }

    void nonFiniteVectorText()
    {
        QFETCH(QString, text);
        QFETCH(bool, finite);
        const QString warning = QStringLiteral("Vector text \"") + text
                                + QStringLiteral("\": a number is not finite; read as zeros");
        const int before = warnings().count(warning);
        const glm::vec3 v = parseVec3(text);
        QVERIFY(!glm::any(glm::isnan(v)) && !glm::any(glm::isinf(v)));
        QCOMPARE(vectorTextIsFinite(text, 3), finite);
        QCOMPARE(warnings().count(warning), before + (finite ? 0 : 1));
        if (!finite) {
            QCOMPARE(v, glm::vec3(0.0f));
            QCOMPARE(parseVec2(text), glm::vec2(0.0f));
            QCOMPARE(parseVec4(text + QStringLiteral(" 1")), glm::vec4(0.0f));
        }
    }

    void matrixRows()
    {
        QDomDocument doc;
        QVERIFY(bool(doc.setContent(QStringLiteral(
            "<transform><row0> 1 2 3 </row0><row1>4 5 6</row1><row3>7 8 9</row3></transform>"))));
        const glm::mat4 m = parseMatrix(doc.documentElement());
        QCOMPARE(m[0], glm::vec4(1, 2, 3, 0));
        QCOMPARE(m[1], glm::vec4(4, 5, 6, 0));
        QCOMPARE(m[2], glm::vec4(0, 0, 0, 0));
        QCOMPARE(m[3], glm::vec4(-7, 8, 9, 1));
    }
};

QTEST_GUILESS_MAIN(TestVisual)
#include "test_visual.moc"
