#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/offscreengl.h"
#include "render/textureloader.h"

#include "support/servicestack.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif
#ifndef GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT 0x84FF
#endif

namespace {

const QString kSample = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);
const QString kSource = QStringLiteral(HULLSCOPE_SOURCE_DIR);

bool run(const QString &program, const QStringList &args, const QByteArray &input = {},
         QByteArray *output = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!input.isEmpty()) {
        p.write(input);
    }
    p.closeWriteChannel();
    const bool ok =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output) {
        *output = p.readAllStandardOutput();
    }
    return ok;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int countOf(const QString &haystack, const QString &needle)
{
    return haystack.count(needle);
}

} // namespace

class TestTextureLoaderGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, FileManager, Settings>> mServices;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void programTexturesAndShutdown();
    void namesShareOneCacheEntry();
    void missingAndBrokenFilesAreRetried();
    void findAndNameAndClear();
    void bindAppliesTheChosenFilter();
    void filterQueryLeavesOtherErrorsPending();
    void highDefinitionCompanion_data();
    void highDefinitionCompanion();
    void companionInAnyLetterCase();
    void packagesOnlySwitch();
    void sampleTankTexturesLoad();

private:
    QString mod(const QString &name) const { return mRoot.filePath(QStringLiteral("mod/") + name); }
    QString log() const { return Log::instance()->allText; }
    void clearLog()
    {
        Log::instance()->allText.clear();
        Log::instance()->linesByLevel.clear();
    }
    QString makeDds(const QString &name, int size, bool mips);
    QByteArray packedXml(const QByteArray &plain);
    std::vector<unsigned char> texels(GLuint texture, int level, int *w, int *h);
    GLint levelParameter(GLuint texture, int level, GLenum pname);
    GLint textureParameter(GLuint texture, GLenum pname);

    QTemporaryDir mRoot;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    std::unique_ptr<TextureLoader> mLoader;
};

void TestTextureLoaderGl::initTestCase()
{
    QVERIFY(mRoot.isValid());
    const QString bin = mRoot.filePath(QStringLiteral("bin_x64"));
    const QString data = mRoot.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data) && QDir().mkpath(mod(QString())));
    // The program's "../data/" files resolve against its folder.
    QVERIFY(QDir::setCurrent(bin));
    for (const char *name : {"NoTexture.dds", "grid.dds"}) {
        QVERIFY(QFile::copy(kSource + QStringLiteral("/data/") + QLatin1String(name),
                            data + QLatin1Char('/') + QLatin1String(name)));
    }
    QVERIFY(writeFile(data + QStringLiteral("/settings.cfg"),
                      "<Settings><Version>1</Version><Paths><BrastelPath>none</BrastelPath>"
                      "<ModPath>"
                          + mod(QString()).toUtf8()
                          + "</ModPath></Paths><Common><TextureFilter>Trilinear"
                            "</TextureFilter></Common></Settings>"));
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    mServices = std::make_unique<ServiceStack<Log, FileManager, Settings>>();
    Settings::instance()->modPath = mod(QString());

    HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);

    QImage img(128, 128, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            img.setPixel(x, y, qRgb(x * 2, y * 2, (x ^ y) & 0xFF));
        }
    }
    QVERIFY(img.save(mRoot.filePath(QStringLiteral("source.png"))));
}

void TestTextureLoaderGl::cleanupTestCase()
{
    mLoader.reset();
    mServices.reset();
    if (mContext) {
        mContext->doneCurrent();
    }
}

void TestTextureLoaderGl::init()
{
    QVERIFY(gl);
    mLoader = std::make_unique<TextureLoader>();
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    clearLog();
}

void TestTextureLoaderGl::cleanup()
{
    mLoader.reset();
    if (gl) {
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    }
}

QString TestTextureLoaderGl::makeDds(const QString &name, int size, bool mips)
{
    const QString png = mRoot.filePath(QStringLiteral("source%1.png").arg(size));
    if (!QFile::exists(png)) {
        QImage(mRoot.filePath(QStringLiteral("source.png"))).scaled(size, size).save(png);
    }
    const QString path = mod(name);
    QDir().mkpath(QFileInfo(path).path());
    QStringList args {QStringLiteral("-fast"), QStringLiteral("-bc1")};
    if (!mips) {
        args << QStringLiteral("-nomips");
    }
    args << png << path;
    if (!run(QStringLiteral("nvcompress"), args)) {
        return {};
    }
    return path;
}

QByteArray TestTextureLoaderGl::packedXml(const QByteArray &plain)
{
    const QString in = mRoot.filePath(QStringLiteral("plain.xml"));
    const QString out = mRoot.filePath(QStringLiteral("packed.xml"));
    if (!writeFile(in, plain)
        || !run(QStringLiteral("python3"), {kSource + QStringLiteral("/tools/formats/packedxml.py"),
                                            QStringLiteral("pack"), in, out})) {
        return {};
    }
    return readAll(out);
}

std::vector<unsigned char> TestTextureLoaderGl::texels(GLuint texture, int level, int *w, int *h)
{
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, w);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, h);
    std::vector<unsigned char> out(size_t(*w) * size_t(*h) * 4);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return out;
}

GLint TestTextureLoaderGl::levelParameter(GLuint texture, int level, GLenum pname)
{
    GLint value = -1;
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, level, pname, &value);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

GLint TestTextureLoaderGl::textureParameter(GLuint texture, GLenum pname)
{
    GLint value = -1;
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glGetTexParameteriv(GL_TEXTURE_2D, pname, &value);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

void TestTextureLoaderGl::programTexturesAndShutdown()
{
    const GLuint missing = mLoader->noTexture;
    const GLuint grid = mLoader->gridTexture;
    QVERIFY(missing != 0 && grid != 0 && missing != grid);
    QVERIFY(gl->glIsTexture(missing) && gl->glIsTexture(grid));
    QCOMPARE(mLoader->sharedTextures.size(), 2);
    QVERIFY(mLoader->tankTextures.isEmpty());

    // The missing-texture look is a hard checker, magenta and black squares of 32.
    int w = 0;
    int h = 0;
    const std::vector<unsigned char> t = texels(missing, 0, &w, &h);
    QCOMPARE(w, 256);
    QCOMPARE(h, 256);
    const auto at = [&](int x, int y) { return &t[(size_t(y) * w + x) * 4]; };
    QVERIFY(at(0, 0)[0] < 8 && at(0, 0)[1] < 8 && at(0, 0)[2] < 8);
    QVERIFY(at(40, 0)[0] > 247 && at(40, 0)[1] < 8 && at(40, 0)[2] > 247);
    QVERIFY(at(0, 40)[0] > 247 && at(40, 40)[0] < 8);
    QVERIFY(textureParameter(missing, GL_TEXTURE_MAX_LEVEL) > 0);

    QCOMPARE(mLoader->getSharedTexture(QStringLiteral("../data/grid.dds")), grid);
    const GLuint tank = mLoader->getTexture(QStringLiteral("../data/grid.dds"));
    QVERIFY(tank != grid && gl->glIsTexture(tank));

    clearLog();
    mLoader.reset();
    QVERIFY(!gl->glIsTexture(missing));
    QVERIFY(!gl->glIsTexture(grid));
    QVERIFY(!gl->glIsTexture(tank));
    QVERIFY(log().contains(QStringLiteral("Texture Loader shutdown.")));
    QVERIFY(!TextureLoader::instance());
}

void TestTextureLoaderGl::namesShareOneCacheEntry()
{
    QVERIFY(!makeDds(QStringLiteral("parts/hull.dds"), 64, true).isEmpty());
    const GLuint hull = mLoader->getTexture(QStringLiteral("parts/hull.tga"));
    QVERIFY(hull != 0 && hull != mLoader->noTexture);
    QCOMPARE(mLoader->getTexture(QStringLiteral("parts/hull")), hull);
    QCOMPARE(mLoader->getTexture(QStringLiteral(" parts/hull.dds\n")), hull);
    QCOMPARE(mLoader->getTexture(QStringLiteral("parts/hull.tga ")), hull);
    QCOMPARE(countOf(log(), QStringLiteral("Loading Texture: parts/hull.dds")), 1);
    QCOMPARE(mLoader->tankTextures.keys(), QStringList {QStringLiteral("parts/hull.dds")});
    QCOMPARE(levelParameter(hull, 0, GL_TEXTURE_WIDTH), 64);
    QCOMPARE(textureParameter(hull, GL_TEXTURE_MAX_LEVEL), 6);

    // The shared cache is its own: a second texture, kept apart from the tank's.
    const GLuint shared = mLoader->getSharedTexture(QStringLiteral("parts/hull.tga"));
    QVERIFY(shared != hull && shared != mLoader->noTexture);
    QCOMPARE(mLoader->tankTextures.size(), 1);

    // An empty text names nothing and is not looked up.
    clearLog();
    QCOMPARE(mLoader->getTexture(QStringLiteral("  ")), mLoader->noTexture);
    QVERIFY(log().isEmpty());
}

void TestTextureLoaderGl::missingAndBrokenFilesAreRetried()
{
    for (int round = 1; round <= 2; ++round) {
        QCOMPARE(mLoader->getTexture(QStringLiteral("parts/absent.dds")), mLoader->noTexture);
        QCOMPARE(countOf(log(), QStringLiteral("Loading Texture: parts/absent.dds")), round);
        QCOMPARE(countOf(log(), QStringLiteral("Could not open texture: parts/absent.dds")), round);
    }
    QVERIFY(mLoader->tankTextures.isEmpty());

    const QByteArray good = readAll(makeDds(QStringLiteral("parts/cut.dds"), 64, true));
    QVERIFY(good.size() > 200);
    QVERIFY(writeFile(mod(QStringLiteral("parts/cut.dds")), good.left(good.size() - 1)));
    QVERIFY(writeFile(mod(QStringLiteral("parts/junk.dds")), QByteArray(300, 'x')));
    for (const QString &name :
         {QStringLiteral("parts/cut.dds"), QStringLiteral("parts/junk.dds")}) {
        for (int round = 1; round <= 2; ++round) {
            QCOMPARE(mLoader->getTexture(name), mLoader->noTexture);
            QCOMPARE(countOf(log(), QStringLiteral("Failed to load texture: ") + name), round);
        }
    }
    QVERIFY(mLoader->tankTextures.isEmpty());

    // Once the file is there, the same name loads.
    QVERIFY(writeFile(mod(QStringLiteral("parts/cut.dds")), good));
    const GLuint fixed = mLoader->getTexture(QStringLiteral("parts/cut.dds"));
    QVERIFY(fixed != mLoader->noTexture && gl->glIsTexture(fixed));
}

void TestTextureLoaderGl::findAndNameAndClear()
{
    QVERIFY(!makeDds(QStringLiteral("parts/mask.dds"), 32, true).isEmpty());
    const GLuint mask = mLoader->getTexture(QStringLiteral("parts/mask.dds"));
    QVERIFY(mask != mLoader->noTexture);

    QCOMPARE(mLoader->findTexture(QStringLiteral("parts/mask.dds"), false), mask);
    QCOMPARE(mLoader->findTexture(QStringLiteral("parts\\mask.dds"), false), mask);
    QVERIFY(!log().contains(QStringLiteral("Filename not found in cache:")));
    QCOMPARE(mLoader->textureName(mask), QStringLiteral("parts/mask.dds"));
    QCOMPARE(mLoader->textureName(mLoader->gridTexture), QString());

    clearLog();
    QCOMPARE(mLoader->findTexture(QStringLiteral("parts/other.dds"), false), GLuint(0));
    QVERIFY(Log::instance()->text(Error).contains(
        QStringLiteral("Filename not found in cache:parts/other.dds")));
    QVERIFY(!log().contains(QStringLiteral("Loading Texture:")));
    QCOMPARE(mLoader->findTexture(QStringLiteral("parts/other.dds"), true), mLoader->noTexture);
    QVERIFY(log().contains(QStringLiteral("Loading Texture: parts/other.dds")));

    // A zero entry counts as missing.
    mLoader->tankTextures.insert(QStringLiteral("parts/zero.dds"), 0);
    QCOMPARE(mLoader->findTexture(QStringLiteral("parts/zero.dds"), false), GLuint(0));

    const GLuint missing = mLoader->noTexture;
    const GLuint grid = mLoader->gridTexture;
    mLoader->tankTextures.insert(QStringLiteral("fallback"), missing);
    mLoader->clear();
    QVERIFY(mLoader->tankTextures.isEmpty());
    QVERIFY(!gl->glIsTexture(mask));
    QVERIFY(gl->glIsTexture(missing));
    QVERIFY(gl->glIsTexture(grid));
    QCOMPARE(mLoader->textureName(mask), QString());
}

void TestTextureLoaderGl::bindAppliesTheChosenFilter()
{
    Settings *settings = Settings::instance();
    mLoader->setMaxAnisotropyForTesting([] { return 8.0f; });
    QVERIFY(!makeDds(QStringLiteral("parts/filter.dds"), 32, true).isEmpty());
    const GLuint texture = mLoader->getTexture(QStringLiteral("parts/filter.dds"));

    settings->setTextureFilter(QStringLiteral("Anisotropic 16x"));
    QCOMPARE(mLoader->anisotropy, 8.0f);
    mLoader->bind(3, texture);
    GLint active = 0;
    gl->glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    QCOMPARE(active, GLint(GL_TEXTURE3));
    GLint bound = 0;
    gl->glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    QCOMPARE(GLuint(bound), texture);
    GLint value = 0;
    gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    QCOMPARE(value, GLint(GL_LINEAR_MIPMAP_LINEAR));
    GLfloat aniso = 0;
    gl->glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
    QCOMPARE(aniso, 8.0f);

    // Every bind sets the filter: the texture changes with the next bind only.
    settings->setTextureFilter(QStringLiteral("Bilinear"));
    gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    QCOMPARE(value, GLint(GL_LINEAR));
    mLoader->bind(3, texture);
    gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    QCOMPARE(value, GLint(GL_LINEAR_MIPMAP_NEAREST));
    gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    QCOMPARE(value, GLint(GL_LINEAR));

    settings->setTextureFilter(QStringLiteral("Blurry"));
    QCOMPARE(mLoader->minFilter, GLenum(GL_LINEAR_MIPMAP_NEAREST));
    QCOMPARE(mLoader->anisotropy, 0.0f);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    gl->glActiveTexture(GL_TEXTURE0);
    settings->setTextureFilter(QStringLiteral("Trilinear"));
}

void TestTextureLoaderGl::filterQueryLeavesOtherErrorsPending()
{
    // The implementation's own maximum is read, and an error made before is still
    // there for whoever checks for it.
    Settings *settings = Settings::instance();
    settings->setTextureFilter(QStringLiteral("Anisotropic 4x"));
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    GLfloat maximum = 0.0f;
    gl->glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    QVERIFY(maximum >= 4.0f);
    QCOMPARE(mLoader->anisotropy, 4.0f);

    gl->glEnable(GLenum(0xFFFF));
    mLoader->filterChanged();
    QCOMPARE(mLoader->anisotropy, 4.0f);
    QCOMPARE(gl->glGetError(), GLenum(GL_INVALID_ENUM));
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    settings->setTextureFilter(QStringLiteral("Trilinear"));
}

void TestTextureLoaderGl::highDefinitionCompanion_data()
{
    QTest::addColumn<QString>("mip"); // text of the companion's mip element; "-" no companion
    QTest::addColumn<int>("hdSize");  // HD file written at this size, 0 none, -1 garbage
    QTest::addColumn<int>("width");   // GL level-0 width
    QTest::addColumn<int>("maxLevel");
    QTest::addColumn<QString>("warning"); // expected Warning part, empty none
    QTest::newRow("joined") << "parts/hd/a_hd.dds" << 128 << 128 << 7 << QString();
    QTest::newRow("same size") << "parts/hd/a_hd.dds" << 64 << 64 << 6
                               << "Regular texture is the same size(or larger) than the HD "
                                  "texture, skipping HD texture.";
    QTest::newRow("HD file missing") << "parts/hd/a_hd.dds" << 0 << 64 << 6 << QString();
    QTest::newRow("HD file broken")
        << "parts/hd/a_hd.dds" << -1 << 64 << 6 << "skipping HD texture.";
    QTest::newRow("empty mip text") << "" << 128 << 64 << 6 << QString();
    QTest::newRow("no companion") << "-" << 128 << 64 << 6 << QString();
}

void TestTextureLoaderGl::highDefinitionCompanion()
{
    QFETCH(QString, mip);
    QFETCH(int, hdSize);
    QFETCH(int, width);
    QFETCH(int, maxLevel);
    QFETCH(QString, warning);

    QDir(mod(QStringLiteral("parts/hd"))).removeRecursively();
    const QString regular = makeDds(QStringLiteral("parts/hd/a.dds"), 64, true);
    QVERIFY(!regular.isEmpty());
    QByteArray hdBytes;
    if (hdSize > 0) {
        hdBytes = readAll(makeDds(QStringLiteral("parts/hd/a_hd.dds"), hdSize, false));
        QVERIFY(!hdBytes.isEmpty());
    } else if (hdSize < 0) {
        QVERIFY(writeFile(mod(QStringLiteral("parts/hd/a_hd.dds")), QByteArray(200, '\x11')));
    }
    if (mip != QLatin1String("-")) {
        const QByteArray packed = packedXml("<a.texformat><texture><mip>" + mip.toUtf8()
                                            + "</mip><format>BC1</format></texture>"
                                              "</a.texformat>");
        QVERIFY(!packed.isEmpty());
        QVERIFY(writeFile(mod(QStringLiteral("parts/hd/a.texformat")), packed));
    }

    const GLuint texture = mLoader->getTexture(QStringLiteral("parts/hd/a.DDS"));
    QVERIFY(texture != mLoader->noTexture);
    QCOMPARE(levelParameter(texture, 0, GL_TEXTURE_WIDTH), width);
    QCOMPARE(textureParameter(texture, GL_TEXTURE_MAX_LEVEL), maxLevel);
    const QString warnings = Log::instance()->text(Warning);
    if (warning.isEmpty()) {
        QVERIFY2(!warnings.contains(QStringLiteral("HD texture")), qPrintable(warnings));
    } else {
        QVERIFY2(warnings.contains(warning), qPrintable(warnings));
    }
    QVERIFY(!warnings.contains(QStringLiteral("Failed to load texture")));

    if (width == 128) {
        // The file's blocks go to the GL as they lie, the HD base first.
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        QByteArray level0(levelParameter(texture, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE), '\0');
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        gl->glGetCompressedTexImage(GL_TEXTURE_2D, 0, level0.data());
        QByteArray level1(levelParameter(texture, 1, GL_TEXTURE_COMPRESSED_IMAGE_SIZE), '\0');
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        gl->glGetCompressedTexImage(GL_TEXTURE_2D, 1, level1.data());
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        QCOMPARE(level0, hdBytes.mid(128));
        QCOMPARE(level1, readAll(regular).mid(128, level1.size()));
    }
}

void TestTextureLoaderGl::companionInAnyLetterCase()
{
    // The texture is found whatever the case of its name; its companion must be as well.
    const QString regular = makeDds(QStringLiteral("parts/case/hull.dds"), 64, true);
    QVERIFY(!regular.isEmpty());
    QVERIFY(!makeDds(QStringLiteral("parts/case/hull_hd.dds"), 128, false).isEmpty());
    const QByteArray packed = packedXml("<hull.texformat><texture><mip>parts/case/hull_hd.dds"
                                        "</mip></texture></hull.texformat>");
    QVERIFY(!packed.isEmpty());
    QVERIFY(writeFile(mod(QStringLiteral("parts/case/hull.texformat")), packed));

    const GLuint texture = mLoader->getTexture(QStringLiteral("parts/case/Hull.dds"));
    QVERIFY(texture != mLoader->noTexture);
    QCOMPARE(levelParameter(texture, 0, GL_TEXTURE_WIDTH), 128);
    QCOMPARE(textureParameter(texture, GL_TEXTURE_MAX_LEVEL), 7);
}

void TestTextureLoaderGl::packagesOnlySwitch()
{
    // The same name in the mod folder (32 texels) and in a package (the sample's own size).
    const QString shared = QStringLiteral("vehicles/kastrel/K02_Lynx/Hull_CM.dds");
    QVERIFY(!makeDds(shared, 32, true).isEmpty());
    QVERIFY(!makeDds(QStringLiteral("parts/loose.dds"), 32, true).isEmpty());
    const QString package = kSample + QStringLiteral("/Brastel/res/packages/vehicles_kastrel.pkg");
    QVERIFY(FileManager::instance()->addArchive(package, false));

    struct Switch : TextureLoaderTankHooks
    {
        bool packagesOnly = true;
        bool texturesFromPackagesOnly() const override { return packagesOnly; }
    } tank;
    mLoader->setTankHooks(&tank);
    const GLuint packaged = mLoader->getTexture(shared);
    QVERIFY(packaged != mLoader->noTexture);
    QVERIFY(levelParameter(packaged, 0, GL_TEXTURE_WIDTH) != 32);
    // A texture no package holds is still found through the game-file lookup.
    QVERIFY(mLoader->getTexture(QStringLiteral("parts/loose.dds")) != mLoader->noTexture);

    mLoader->clear();
    tank.packagesOnly = false;
    const GLuint modded = mLoader->getTexture(shared);
    QVERIFY(modded != mLoader->noTexture);
    QCOMPARE(levelParameter(modded, 0, GL_TEXTURE_WIDTH), 32);
    mLoader->clear();
    mLoader->setTankHooks(nullptr);
    QFile::remove(mod(shared));
    FileManager::instance()->closeAll();
}

void TestTextureLoaderGl::sampleTankTexturesLoad()
{
    const QString package = kSample + QStringLiteral("/Brastel/res/packages/vehicles_kastrel.pkg");
    QByteArray listing;
    QVERIFY(run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), package}, {}, &listing));
    QStringList names;
    for (const QByteArray &line : listing.split('\n')) {
        if (line.startsWith("vehicles/kastrel/K02_Lynx/") && line.endsWith(".dds")) {
            names << QString::fromUtf8(line);
        }
    }
    QVERIFY(names.size() >= 6);
    QVERIFY(FileManager::instance()->addArchive(package, false));
    QSet<GLuint> textures;
    for (const QString &name : std::as_const(names)) {
        const GLuint texture = mLoader->getTexture(name);
        QVERIFY2(texture != mLoader->noTexture, qPrintable(name));
        QVERIFY(levelParameter(texture, 0, GL_TEXTURE_WIDTH) > 0);
        textures.insert(texture);
        QCOMPARE(mLoader->textureName(texture), name);
    }
    QCOMPARE(textures.size(), names.size());
    QVERIFY(!Log::instance()->text(Warning).contains(QStringLiteral("texture")));
    FileManager::instance()->closeAll();
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestTextureLoaderGl test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_textureloader_gl.moc"
