#include "render/objexport.h"

#include "gamedata/visualgeometry.h"

#include "core/log.h"

#include <QDir>
#include <QDirIterator>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

Q_DECLARE_METATYPE(glm::vec4)

namespace {

VisualGeometry triangle()
{
    VisualGeometry g;
    g.name = QStringLiteral("Hull");
    g.positions = {glm::vec3(0.0f, 0.0f, 0.0f), glm::vec3(1.0f, 0.0f, 0.0f),
                   glm::vec3(0.0f, 1.0f, 0.0f)};
    const glm::vec3 n = glm::normalize(glm::vec3(1.0f, 1.0f, 0.0f));
    g.normals = {n, n, glm::vec3(0.0f, 0.0f, 1.0f)};
    g.uvs = {glm::vec2(0.0f, 0.0f), glm::vec2(1.0f, 0.0f), glm::vec2(0.25f, 0.5f)};
    g.indices16 = {0, 1, 2};
    g.triangleCount = 1;
    return g;
}

// A closed unit cube, 4 vertices per face with outward normals, counter-clockwise
// seen from outside.
VisualGeometry cube()
{
    VisualGeometry g;
    g.name = QStringLiteral("Cube");
    const glm::vec3 axes[3] = {glm::vec3(1, 0, 0), glm::vec3(0, 1, 0), glm::vec3(0, 0, 1)};
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {-1.0f, 1.0f}) {
            const glm::vec3 n = axes[axis] * side;
            const glm::vec3 u = axes[(axis + 1) % 3] * side;
            const glm::vec3 v = axes[(axis + 2) % 3];
            const quint16 base = quint16(g.positions.size());
            for (const glm::vec2 c :
                 {glm::vec2(-1, -1), glm::vec2(1, -1), glm::vec2(1, 1), glm::vec2(-1, 1)}) {
                g.positions.append(n + u * c.x + v * c.y);
                g.normals.append(n);
                g.uvs.append((c + 1.0f) * 0.5f);
            }
            g.indices16 << base << quint16(base + 1) << quint16(base + 2) << base
                        << quint16(base + 2) << quint16(base + 3);
        }
    }
    g.triangleCount = quint32(g.indices16.size() / 3);
    return g;
}

QByteArray readAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The non-blank lines of a dump element, each simplified.
QStringList rows(const QDomElement &element)
{
    QStringList lines;
    for (const QString &line : element.text().split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            lines.append(line.simplified());
        }
    }
    return lines;
}

} // namespace

class TestObjExport : public QObject
{
    Q_OBJECT

private slots:
    void numberText_data()
    {
        QTest::addColumn<glm::vec4>("value");
        QTest::addColumn<QString>("text");
        // Qt writes a negative zero without its sign.
        QTest::newRow("six significant digits") << glm::vec4(0.1234567f, 1234567.0f, -0.0f, 1.0f)
                                                << QStringLiteral("0.123457 1.23457e+06 0 1");
        QTest::newRow("small and negative") << glm::vec4(-2.5f, 0.0001f, 1e-05f, 100000.0f)
                                            << QStringLiteral("-2.5 0.0001 1e-05 100000");
    }
    void numberText()
    {
        QFETCH(glm::vec4, value);
        QFETCH(QString, text);
        QCOMPARE(vec4ToString(value), text);
        QCOMPARE(vec2ToString(glm::vec2(value)), text.section(QLatin1Char(' '), 0, 1));
    }

    void textOfOneTriangle()
    {
        // Stretched along x: positions scale up, normals lean away from the stretch.
        const glm::mat4 placement =
            glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(10.0f, 0.0f, -1.0f)),
                       glm::vec3(2.0f, 1.0f, 1.0f));
        const QString expected = QStringLiteral("#Hullscope Obj Exporter\n"
                                                "# Vertices\n"
                                                "v 10 0 -1 1\n"
                                                "v 12 0 -1 1\n"
                                                "v 10 1 -1 1\n"
                                                "# Normals\n"
                                                "vn 0.447214 0.894427 0\n"
                                                "vn 0.447214 0.894427 0\n"
                                                "vn 0 0 1\n"
                                                "# Texture Coords\n"
                                                "vt 0 0\n"
                                                "vt 1 0\n"
                                                "vt 0.25 -0.5\n"
                                                "g Hull\n"
                                                "# Faces\n"
                                                "f 1/1/1 2/2/2 3/3/3\n");
        QCOMPARE(objText(triangle(), placement), expected);
    }

    void mirroredNormalsStayOutside()
    {
        VisualGeometry g = triangle();
        g.normals = {glm::vec3(1, 0, 0), glm::vec3(0, 1, 0), glm::vec3(0, 0, 1)};
        const QString text = objText(g, glm::scale(glm::mat4(1.0f), glm::vec3(-3.0f, 1.0f, 1.0f)));
        QVERIFY2(text.contains(QStringLiteral("# Normals\nvn -1 0 0\nvn 0 1 0\nvn 0 0 1\n")),
                 qPrintable(text));
    }

    void flatteningPlacementGivesFiniteNormals()
    {
        // A zero scale (a node without transform) has no inverse.
        VisualGeometry g = triangle();
        g.normals = {glm::vec3(0, 0, 1), glm::vec3(0, 0, 1), glm::vec3(0, 0, 0)};
        const QString text = objText(g, glm::scale(glm::mat4(1.0f), glm::vec3(1.0f, 1.0f, 0.0f)));
        QVERIFY2(!text.contains(QLatin1String("nan")) && !text.contains(QLatin1String("inf")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("vn 0 0 1\nvn 0 0 1\nvn 0 0 0\n")), qPrintable(text));
    }

    void facesOf32BitSections()
    {
        VisualGeometry g = triangle();
        // A 32-bit section: the 16-bit list holds the indices cut to 16 bits.
        g.indices32 = {70000, 1, 65536};
        g.indices16 = {quint16(70000), 1, 0};
        const QString text = objText(g, glm::mat4(1.0f));
        QVERIFY2(
            text.endsWith(QStringLiteral("# Faces\nf 70001/70001/70001 2/2/2 65537/65537/65537\n")),
            qPrintable(text));
    }

    void geometryWithoutTextureCoordinates()
    {
        VisualGeometry g = triangle();
        g.uvs.clear();
        g.normals.clear();
        const QString text = objText(g, glm::mat4(1.0f));
        QVERIFY(text.contains(QStringLiteral("# Normals\n# Texture Coords\ng Hull\n# Faces\n"
                                             "f 1/1/1 2/2/2 3/3/3\n")));
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("model") << QStringLiteral("vehicles/a/T/normal/lod0/Hull.model") << 1
                               << QStringLiteral("/mod/vehicles/a/T/normal/lod0/Hull_1.obj");
        QTest::newRow("backslashes") << QStringLiteral("vehicles\\a\\Hull.model") << 0
                                     << QStringLiteral("/mod/vehicles/a/Hull_0.obj");
        QTest::newRow("only .model goes") << QStringLiteral("vehicles/a/Hull.visual") << 0
                                          << QStringLiteral("/mod/vehicles/a/Hull.visual_0.obj");
    }
    void fileNames()
    {
        QFETCH(QString, path);
        QFETCH(int, index);
        QFETCH(QString, name);
        QCOMPARE(objFileName(QStringLiteral("/mod"), path, index), QDir::toNativeSeparators(name));
    }

    void writesOneFilePerGeometry()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("vehicles/a")));
        VisualGeometry first = triangle();
        VisualGeometry second = cube();
        const glm::mat4 placement = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 2.0f, 0.0f));
        QVERIFY(writeObjFiles(dir.path(), QStringLiteral("vehicles/a/Hull.model"),
                              {&first, &second}, placement));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("vehicles/a/Hull_0.obj"))),
                 objText(first, placement).toUtf8());
        QCOMPARE(readAll(dir.filePath(QStringLiteral("vehicles/a/Hull_1.obj"))),
                 objText(second, placement).toUtf8());
        QCOMPARE(QDir(dir.filePath(QStringLiteral("vehicles/a"))).entryList(QDir::Files).size(), 2);
    }

    // The folders of the model's path are made below the folder; nothing is written
    // outside it, nor anywhere without a folder.
    void makesFoldersOnlyInsideTheFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        VisualGeometry g = triangle();
        QVERIFY(writeObjFiles(dir.path(), QStringLiteral("vehicles\\a/Hull.model"), {&g},
                              glm::mat4(1.0f)));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("vehicles/a/Hull_0.obj"))),
                 objText(g, glm::mat4(1.0f)).toUtf8());

        const QString inner = dir.filePath(QStringLiteral("mod"));
        QVERIFY(QDir().mkpath(inner));
        QVERIFY(
            !writeObjFiles(inner, QStringLiteral("../escaped/Hull.model"), {&g}, glm::mat4(1.0f)));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("escaped"))));
        // A sibling whose name starts with the folder's is outside it too.
        QVERIFY(!writeObjFiles(inner, QStringLiteral("../mod2/Hull.model"), {&g}, glm::mat4(1.0f)));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("mod2"))));

        QVERIFY(!writeObjFiles(QString(), QStringLiteral("tmp/hullscope-objexport/Hull.model"),
                               {&g}, glm::mat4(1.0f)));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/hullscope-objexport")));
    }

    // Model paths come from game files; the export stays inside its folder.
    void refusesFilesOutsideTheFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("inside");
        const QString reproducer =
            QStringLiteral("../Brastel/res/vehicles/velmora/V04_Warden/normal/lod0/Hull.model");
        QTest::newRow("climbs into the game") << "mod" << reproducer << false;
        QTest::newRow("climbs with backslashes")
            << "mod" << QString(reproducer).replace(QLatin1Char('/'), QLatin1Char('\\')) << false;
        QTest::newRow("sibling sharing the prefix") << "mod"
                                                    << "../mod2/Hull.model" << false;
        QTest::newRow("no folder") << ""
                                   << "Brastel/Hull.model" << false;
        QTest::newRow("climbs and comes back") << "mod"
                                               << "vehicles/../../mod/Brastel/Hull.model" << true;
    }

    void refusesFilesOutsideTheFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QFETCH(bool, inside);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString lod = QStringLiteral("Brastel/res/vehicles/velmora/V04_Warden/normal/lod0");
        for (const QString &sub : {lod, QStringLiteral("mod/Brastel"), QStringLiteral("mod2"),
                                   QStringLiteral("bin_x64")}) {
            QVERIFY(QDir(dir.path()).mkpath(sub));
        }
        // The log file goes beside the program's folder.
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("bin_x64"))));
        Log log;
        QVERIFY(QDir::setCurrent(cwd));
        VisualGeometry g = triangle();
        const QString base = folder.isEmpty() ? QString() : dir.filePath(folder);
        const bool written = writeObjFiles(base, path, {&g}, glm::mat4(1.0f));

        QCOMPARE(written, inside);
        QDirIterator it(dir.path(), {QStringLiteral("*.obj")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext()) {
            files.append(QDir(dir.path()).relativeFilePath(it.next()));
        }
        QCOMPARE(files,
                 inside ? QStringList {QStringLiteral("mod/Brastel/Hull_0.obj")} : QStringList());
        QCOMPARE(log.text(Warning), inside
                                        ? QString()
                                        : "[ Warning ] Refusing to export outside the mod folder: "
                                              + QDir::toNativeSeparators(path) + "\r\n");
    }

    void stopsAtFirstUnwritableFileAndKeepsEarlierOnes()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A folder in the way of the second file.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Hull_1.obj")));
        VisualGeometry a = triangle();
        VisualGeometry b = triangle();
        VisualGeometry c = triangle();
        QVERIFY(!writeObjFiles(dir.path(), QStringLiteral("Hull.model"), {&a, &b, &c},
                               glm::mat4(1.0f)));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("Hull_0.obj"))),
                 objText(a, glm::mat4(1.0f)).toUtf8());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Hull_2.obj"))));
    }

    void assimpReadsTheExport()
    {
        const QString assimp = QStandardPaths::findExecutable(QStringLiteral("assimp"));
        if (assimp.isEmpty()) {
            QSKIP("assimp is not installed");
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        VisualGeometry g = cube();
        const glm::mat4 placement = glm::rotate(
            glm::scale(glm::mat4(1.0f), glm::vec3(1.0f, 3.0f, 0.5f)), 0.7f, glm::vec3(0, 1, 1));
        QVERIFY(writeObjFiles(dir.path(), QStringLiteral("Cube.model"), {&g}, placement));

        QProcess process;
        process.start(assimp, {QStringLiteral("dump"), dir.filePath(QStringLiteral("Cube_0.obj")),
                               dir.filePath(QStringLiteral("cube.assxml")), QStringLiteral("-x")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QFile dump(dir.filePath(QStringLiteral("cube.assxml")));
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QDomDocument doc;
        QVERIFY(doc.setContent(&dump));
        const QDomElement mesh = doc.documentElement()
                                     .firstChildElement(QStringLiteral("Scene"))
                                     .firstChildElement(QStringLiteral("MeshList"))
                                     .firstChildElement(QStringLiteral("Mesh"));
        QVERIFY(!mesh.isNull());
        // The reader unrolls shared corners: three vertices and normals per face.
        QCOMPARE(
            mesh.firstChildElement(QStringLiteral("FaceList")).attribute(QStringLiteral("num")),
            QStringLiteral("12"));
        QCOMPARE(
            mesh.firstChildElement(QStringLiteral("Positions")).attribute(QStringLiteral("num")),
            QStringLiteral("36"));
        QCOMPARE(mesh.firstChildElement(QStringLiteral("Normals")).attribute(QStringLiteral("num")),
                 QStringLiteral("36"));

        // Every normal as read back points away from the placed cube's centre.
        const QStringList positions = rows(mesh.firstChildElement(QStringLiteral("Positions")));
        const QStringList normals = rows(mesh.firstChildElement(QStringLiteral("Normals")));
        QCOMPARE(positions.size(), 36);
        QCOMPARE(normals.size(), 36);
        for (int i = 0; i < 36; ++i) {
            const QStringList p = positions[i].split(QLatin1Char(' '));
            const QStringList n = normals[i].split(QLatin1Char(' '));
            QCOMPARE(p.size(), 3);
            QCOMPARE(n.size(), 3);
            const glm::vec3 pv(p[0].toFloat(), p[1].toFloat(), p[2].toFloat());
            const glm::vec3 nv(n[0].toFloat(), n[1].toFloat(), n[2].toFloat());
            QVERIFY(std::abs(glm::length(nv) - 1.0f) < 1e-3f);
            QVERIFY2(glm::dot(pv, nv) > 0.0f,
                     qPrintable(positions[i] + QStringLiteral(" / ") + normals[i]));
        }
    }
};

QTEST_GUILESS_MAIN(TestObjExport)
#include "test_objexport.moc"
