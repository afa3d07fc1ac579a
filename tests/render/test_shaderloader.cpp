#include "render/shaderloader.h"
#include "render/shaderprogram.h"

#include <QDir>
#include <QFile>
#include <QTest>

// The texts, tables and files behind the shader programs; no GL needed.
class TestShaderLoader : public QObject
{
    Q_OBJECT

private slots:
    void insertDefines_data();
    void insertDefines();
    void sourcesOfEveryProgram_data();
    void sourcesOfEveryProgram();
    void namesOutsideTheTableAreEmpty();
    void linkOrderCoversEveryProgramOnce();
    void registeredNamesAreFixed();
    void unregisteredUniformAnswersMinusOne();
    void shippedFilesStartWithTheVersionLine();
};

void TestShaderLoader::insertDefines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("defines");
    QTest::addColumn<QString>("expected");

    const QString file = QStringLiteral("#version 150\nin vec3 iVertPos;\nvoid main() {}\n");
    QTest::newRow("none") << file << QStringList() << file;
    QTest::newRow("two in order") << file
                                  << QStringList {QStringLiteral("LIGHTING_BUMP"),
                                                  QStringLiteral("DUAL_TEXTURE")}
                                  << QStringLiteral(
                                         "#version 150\n#define LIGHTING_BUMP\n#define DUAL_TEXTURE"
                                         "\nin vec3 iVertPos;\nvoid main() {}\n");
    QTest::newRow("one") << file << QStringList {QStringLiteral("GRID")}
                         << QStringLiteral("#version 150\n#define GRID\nin vec3 iVertPos;\n"
                                           "void main() {}\n");
    // An unreadable file gives an empty text; the defines still go in without a crash.
    QTest::newRow("empty text") << QString() << QStringList {QStringLiteral("GRID")}
                                << QStringLiteral("\n#define GRID");
}

void TestShaderLoader::insertDefines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, defines);
    QFETCH(QString, expected);
    QCOMPARE(ShaderLoader::insertDefines(text, defines), expected);
}

void TestShaderLoader::sourcesOfEveryProgram_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("vertex");
    QTest::addColumn<QStringList>("vertexDefines");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QStringList>("fragmentDefines");

    const QString bump = QStringLiteral("LIGHTING_BUMP");
    const QString basic = QStringLiteral("LIGHTING_BASIC");
    const QString dual = QStringLiteral("DUAL_TEXTURE");
    const QString alpha = QStringLiteral("ALPHA_STATIC");
    const QString grid = QStringLiteral("GRID");
    const QString lv = QStringLiteral("/lighting.vert"), lf = QStringLiteral("/lighting.frag");
    const QString pv = QStringLiteral("/pbs.vert"), pf = QStringLiteral("/pbs.frag");
    const QString nv = QStringLiteral("/noLighting.vert"), nf = QStringLiteral("/noLighting.frag");
    const QString cv = QStringLiteral("/collision.vert"), cf = QStringLiteral("/collision.frag");

    auto row = [](int id, const char *name, const QString &v, const QStringList &vd,
                  const QString &f, const QStringList &fd) {
        QTest::newRow(name) << id << QString::fromLatin1(name) << v << vd << f << fd;
    };
    row(0, "Bumped", lv, {bump}, lf, {bump});
    row(1, "BumpedDual", lv, {bump, dual}, lf, {bump, dual});
    row(2, "BumpedPbs", pv, {}, pf, {});
    row(3, "BumpedPbsDual", pv, {dual}, pf, {dual});
    row(4, "Grid", nv, {grid}, nf, {grid});
    row(5, "LightingOnly", lv, {basic}, lf, {basic});
    row(6, "LightingOnlyAlpha", lv, {bump}, lf, {basic, alpha});
    row(7, "NoLighting", nv, {}, nf, {});
    row(8, "NoLightingDual", nv, {dual}, nf, {dual});
    row(9, "NoLightingAlpha", nv, {}, nf, {alpha});
    row(10, "Wireframe", QStringLiteral("/wireframe.vert"), {}, QStringLiteral("/wireframe.frag"),
        {});
    row(11, "CollisionLighting", cv, {basic}, cf, {basic});
    row(12, "CollisionNoLighting", cv, {}, cf, {});
    row(13, "Depth", QStringLiteral("/depth.vert"), {}, QStringLiteral("/depth.frag"), {});
    row(14, "Font", QStringLiteral("/font.vert"), {}, QStringLiteral("/font.frag"), {});
}

void TestShaderLoader::sourcesOfEveryProgram()
{
    QFETCH(int, id);
    QFETCH(QString, name);
    QFETCH(QString, vertex);
    QFETCH(QStringList, vertexDefines);
    QFETCH(QString, fragment);
    QFETCH(QStringList, fragmentDefines);

    QCOMPARE(ShaderLoader::shaderName(ShaderId(id)), name);
    const ShaderSource source = ShaderLoader::shaderSource(ShaderId(id));
    QCOMPARE(source.vertexFile, vertex);
    QCOMPARE(source.vertexDefines, vertexDefines);
    QCOMPARE(source.fragmentFile, fragment);
    QCOMPARE(source.fragmentDefines, fragmentDefines);
}

void TestShaderLoader::namesOutsideTheTableAreEmpty()
{
    QCOMPARE(ShaderLoader::shaderName(ShaderId(15)), QString());
    QCOMPARE(ShaderLoader::shaderName(ShaderId(-1)), QString());
}

void TestShaderLoader::linkOrderCoversEveryProgramOnce()
{
    const QVector<ShaderId> expected = {ShaderId(8),  ShaderId(0),  ShaderId(1),  ShaderId(4),
                                        ShaderId(5),  ShaderId(6),  ShaderId(7),  ShaderId(9),
                                        ShaderId(10), ShaderId(12), ShaderId(11), ShaderId(13),
                                        ShaderId(14), ShaderId(2),  ShaderId(3)};
    QCOMPARE(ShaderLoader::linkOrder(), expected);
}

void TestShaderLoader::registeredNamesAreFixed()
{
    const QStringList attributes = ShaderLoader::attributeNames();
    QCOMPARE(attributes.size(), 11);
    QCOMPARE(attributes.at(0), QStringLiteral("iVertPos"));
    QCOMPARE(attributes.at(4), QStringLiteral("iNormal"));
    QCOMPARE(attributes.at(6), QStringLiteral("iTangent"));
    QCOMPARE(attributes.at(10), QStringLiteral("iGeneric3"));

    QStringList uniforms = ShaderLoader::uniformNames();
    QCOMPARE(uniforms.size(), 36);
    QCOMPARE(uniforms.removeDuplicates(), 0);
    QCOMPARE(uniforms.first(), QStringLiteral("diffuseMap0"));
    QCOMPARE(uniforms.last(), QStringLiteral("detailMap"));
    QVERIFY(!uniforms.contains(QStringLiteral("mvp")));
}

void TestShaderLoader::unregisteredUniformAnswersMinusOne()
{
    // 0 is a real location; an unknown name must never alias the uniform there.
    ShaderProgram program(QStringLiteral("Grid"));
    QCOMPARE(program.uniform(QStringLiteral("mvp")), -1);
    program.uniform(QStringLiteral("alphaRef")) = 3;
    QCOMPARE(program.uniform(QStringLiteral("alphaRef")), 3);
    // Without a linked program a registration finds nothing, and replaces the entry.
    program.addUniform(QStringLiteral("alphaRef"));
    QCOMPARE(program.uniform(QStringLiteral("alphaRef")), -1);
}

void TestShaderLoader::shippedFilesStartWithTheVersionLine()
{
    const QString folder = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
    const QStringList names = {"lighting", "pbs",  "noLighting", "wireframe", "collision",
                               "depth",    "font", "camoSaver",  "line"};
    QStringList files;
    for (const QString &name : names) {
        files << name + QStringLiteral(".vert") << name + QStringLiteral(".frag");
    }
    QCOMPARE(files.size(), 18);
    for (const QString &file : files) {
        QFile f(folder + QLatin1Char('/') + file);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
        const QByteArray bytes = f.readAll();
        QVERIFY2(bytes.startsWith("#version 150\n"), qPrintable(file));
        QVERIFY2(!bytes.contains('\r'), qPrintable(file));
    }
}

QTEST_GUILESS_MAIN(TestShaderLoader)
#include "test_shaderloader.moc"
