// The DXT1 writer, the bake's output path and the bake's draw on an offscreen
// context. Written files are read back with NVIDIA's and ImageMagick's tools only.
#include "render/camobake.h"
#include "render/shaderloader.h"
#include "render/textureloader.h"

#include "offscreengl.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <vector>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

// A DDS decoded by nvdecompress and turned into an image by ImageMagick.
QImage decodeWithTools(const QString &dds)
{
    run(QStringLiteral("nvdecompress"), {dds});
    QString tga = dds;
    tga.replace(QStringLiteral(".dds"), QStringLiteral(".tga"));
    const QString png = dds + QStringLiteral(".png");
    run(QStringLiteral("convert"), {tga, png});
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

// The bytes a DXT1 chain takes: 8 per 4 x 4 block, every level down to 1 x 1.
qint64 dxt1Bytes(int width, int height, int levels)
{
    qint64 bytes = 0;
    for (int level = 0; level < levels; ++level) {
        bytes += qint64((width + 3) / 4) * ((height + 3) / 4) * 8;
        width = qMax(1, width / 2);
        height = qMax(1, height / 2);
    }
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FailingDevice : public QIODevice
{
public:
    FailingDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

GLuint upload(QOpenGLFunctions_3_2_Core *gl, int width, int height,
              const std::vector<quint32> &rgba)
{
    GLuint texture = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     rgba.data());
    // The loader's bind sets its trilinear filter: the chain must be complete.
    gl->glGenerateMipmap(GL_TEXTURE_2D);
    return texture;
}

} // namespace

class TestCamoBakeGl : public QObject
{
    Q_OBJECT

    QTemporaryDir mTemp;

private slots:
    void outputStaysInTheModFolder_data()
    {
        QTest::addColumn<QString>("mod");
        QTest::addColumn<QString>("game");
        QTest::addColumn<QString>("expected");
        QTest::newRow("game path") << "/m/od"
                                   << "vehicles/a/Hull_AM.dds"
                                   << "/m/od/vehicles/a/Hull_AM.dds";
        QTest::newRow("backslashes, dots") << "/m/od/"
                                           << "vehicles\\a\\.\\b\\..\\x.dds"
                                           << "/m/od/vehicles/a/x.dds";
        QTest::newRow("non-ASCII") << "/m/Möd"
                                   << "vehicles/ä.dds"
                                   << "/m/Möd/vehicles/ä.dds";
        QTest::newRow("climbs out") << "/m/od"
                                    << "vehicles/../../x.dds"
                                    << "";
        QTest::newRow("sibling folder") << "/m/od"
                                        << "../od2/x.dds"
                                        << "";
        QTest::newRow("absolute") << "/m/od"
                                  << "/etc/x.dds"
                                  << "";
        QTest::newRow("no mod folder") << ""
                                       << "vehicles/x.dds"
                                       << "";
    }

    void outputStaysInTheModFolder()
    {
        QFETCH(QString, mod);
        QFETCH(QString, game);
        QFETCH(QString, expected);
        QCOMPARE(bakeOutputPath(mod, game), QDir::toNativeSeparators(expected));
    }

    void ddsFileKeepsColoursLayoutAndMips()
    {
        // Red on the left, blue on the right, in memory order B, G, R, A.
        const int width = 64;
        const int height = 32;
        std::vector<quint8> bgra(std::size_t(width * height * 4));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                quint8 *p = &bgra[std::size_t((y * width + x) * 4)];
                p[0] = x < width / 2 ? 0 : 255;
                p[1] = 0;
                p[2] = x < width / 2 ? 255 : 0;
                p[3] = 255;
            }
        }
        const QString path = mTemp.filePath(QStringLiteral("Wäll.dds"));
        QVERIFY(saveDdsFile(path, bgra.data(), width, height, true));
        const QString info = run(QStringLiteral("nvddsinfo"), {path});
        QVERIFY2(info.contains(QStringLiteral("FourCC: 'DXT1'")), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("Width: 64")), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("Height: 32")), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("Mipmap count: 7")), qPrintable(info));
        QCOMPARE(QFileInfo(path).size(), 128 + dxt1Bytes(width, height, 7));

        const QImage decoded = decodeWithTools(path);
        QCOMPARE(decoded.size(), QSize(width, height));
        QCOMPARE(QColor(decoded.pixel(4, 4)), QColor(255, 0, 0));
        QCOMPARE(QColor(decoded.pixel(60, 28)), QColor(0, 0, 255));

        const QString single = mTemp.filePath(QStringLiteral("single.dds"));
        QVERIFY(saveDdsFile(single, bgra.data(), width, height, false));
        QCOMPARE(QFileInfo(single).size(), 128 + dxt1Bytes(width, height, 1));
    }

    void failedWritesLeaveTheOldFile()
    {
        const QString dir = mTemp.filePath(QStringLiteral("failures"));
        QVERIFY(QDir().mkpath(dir));
        const QString path = dir + QStringLiteral("/old.dds");
        const QByteArray old("the user's own file");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        const quint32 pixel[16] = {};
        QVERIFY(!saveDdsFile(path, pixel, 0, 0, true));
        QVERIFY(!saveDdsFile(path, pixel, 4, 0, true));
        QVERIFY(!saveDdsFile(path, nullptr, 4, 4, true));
        QCOMPARE(readAll(path), old);
        FailingDevice failing;
        QVERIFY(!saveDdsFile(failing, pixel, 4, 4, true));
        const QString folder = dir + QStringLiteral("/folder.dds");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!saveDdsFile(folder, pixel, 4, 4, true));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden),
                 QStringList {QStringLiteral("old.dds")});
    }

    void bakeDrawsTheCamouflageOutsideTheMask()
    {
        std::unique_ptr<QOpenGLContext> context;
        std::unique_ptr<QOffscreenSurface> surface;
        QOpenGLFunctions_3_2_Core *gl = nullptr;
        HULLSCOPE_REQUIRE_OFFSCREEN_GL(context, surface, gl);
        ShaderLoader shaders(nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150"));
        QVERIFY(shaders.buildShaders());
        TextureLoader textures(nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data"));
        // Texel for texel, so that every probe below is exact.
        textures.minFilter = GL_NEAREST;
        textures.magFilter = GL_NEAREST;
        textures.anisotropy = 0.0f;

        // Diffuse: grey, its first row (t = 0) green. Mask: white on the left half.
        // Camouflage: full red channel everywhere.
        const int w = 8;
        const int h = 4;
        std::vector<quint32> diffuse(w * h, 0xff808080u);
        for (int x = 0; x < w; ++x) {
            diffuse[std::size_t(x)] = 0xff00ff00u;
        }
        std::vector<quint32> mask(w * h);
        for (int i = 0; i < w * h; ++i) {
            mask[std::size_t(i)] = i % w < w / 2 ? 0xffffffffu : 0xff000000u;
        }
        textures.tankTextures.insert(QStringLiteral("d.dds"), upload(gl, w, h, diffuse));
        textures.tankTextures.insert(QStringLiteral("m.dds"), upload(gl, w, h, mask));
        const std::vector<quint32> red(16, 0x000000ffu);
        const GLuint camo = upload(gl, 4, 4, red);

        CamoBakeJob job;
        job.diffusePath = QStringLiteral("d.dds");
        job.exclusionPath = QStringLiteral("m.dds");
        job.camoTexture = camo;
        job.tiling = glm::vec4(1, 1, 0, 0);
        job.colors[0] = glm::vec4(0, 0, 255, 255); // pure blue, full strength
        QVERIFY(createBakeFramebuffer(job, w, h));
        createBakeQuad(job);
        gl->glViewport(0, 0, w, h);
        QVERIFY(job.framebuffer->bind());
        renderBake(job);
        std::vector<quint32> out(w * h);
        gl->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
        job.framebuffer->release();
        // Little-endian RGBA words: 0xAABBGGRR.
        QCOMPARE(out[0], 0xffff0000u);                      // camouflaged: blue
        QCOMPARE(out[w - 1], 0xff00ff00u);                  // excluded, first row: green
        QCOMPARE(out[std::size_t(w * h - 1)], 0xff808080u); // excluded: grey
        QCOMPARE(out[std::size_t(w * (h - 1))], 0xffff0000u);
        gl->glDeleteTextures(1, &camo);
        job = CamoBakeJob();
    }
};

QTEST_MAIN(TestCamoBakeGl)
#include "test_camobake_gl.moc"
