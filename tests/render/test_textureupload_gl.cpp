#include "core/log.h"
#include "gamedata/image.h"
#include "render/offscreengl.h"
#include "render/textureupload.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(ImageFormat)

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values) {
        b.append(char(v));
    }
    return b;
}

QByteArray u16s(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values) {
        char le[2];
        qToLittleEndian(std::uint16_t(v), le);
        b.append(le, 2);
    }
    return b;
}

QByteArray u32s(std::initializer_list<std::uint32_t> values)
{
    QByteArray b;
    for (std::uint32_t v : values) {
        char le[4];
        qToLittleEndian(v, le);
        b.append(le, 4);
    }
    return b;
}

QByteArray floats(std::initializer_list<float> values)
{
    QByteArray b;
    for (float v : values) {
        b.append(reinterpret_cast<const char *>(&v), sizeof v);
    }
    return b;
}

// A one-level image whose first texel is given; the rest of level 0 repeats it.
Image flatImage(ImageFormat format, int width, int height, const QByteArray &texel)
{
    Image image;
    image.width = width;
    image.height = height;
    image.format = format;
    image.pixels = texel.repeated(width * height);
    return image;
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const char *kVertex = R"(#version 150
void main()
{
    // One triangle that covers the viewport.
    vec2 p = vec2((gl_VertexID & 1) * 4.0 - 1.0, (gl_VertexID & 2) * 2.0 - 1.0);
    gl_Position = vec4(p, 0.0, 1.0);
}
)";

const char *kFetch2D = R"(#version 150
uniform sampler2D tex;
uniform int lod;
out vec4 colour;
void main() { colour = texelFetch(tex, ivec2(gl_FragCoord.xy), lod); }
)";

const char *kFetch3D = R"(#version 150
uniform sampler3D tex;
uniform int lod;
uniform int layer;
out vec4 colour;
void main() { colour = texelFetch(tex, ivec3(ivec2(gl_FragCoord.xy), layer), lod); }
)";

const char *kCube = R"(#version 150
uniform samplerCube tex;
uniform float lod;
uniform vec3 direction;
out vec4 colour;
void main() { colour = textureLod(tex, direction, lod); }
)";

} // namespace

class TestTextureUploadGl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void uncompressedFormats_data();
    void uncompressedFormats();
    void compressedFormats_data();
    void compressedFormats();
    void cubeMapsUploadSixFacesPerLevel();
    void volumeAndOneHighImages();
    void highDefinitionJoin();
    void highDefinitionMismatch_data();
    void highDefinitionMismatch();
    void refusedImages();

private:
    GLuint program(const char *fragment);
    // Draws the texture into a float target of w x h and reads it back, RGBA per texel.
    std::vector<float> sample(GLuint program, GLenum target, GLuint texture, int w, int h, int lod,
                              int layer = 0, const float *direction = nullptr);
    QString nvcompressFile(const QString &flag, const QString &name);
    GLint levelWidth(GLenum target, GLuint texture, GLenum levelTarget, int level);
    GLint maxLevel(GLenum target, GLuint texture);
    QByteArray compressedLevel(GLuint texture, int level);

    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    GLuint mVao = 0;
    GLuint mFetch2D = 0;
    GLuint mFetch3D = 0;
    GLuint mCube = 0;
    QString mSourcePng;
};

void TestTextureUploadGl::initTestCase()
{
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    mLog = std::make_unique<Log>();

    HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);
    gl->glGenVertexArrays(1, &mVao);
    mFetch2D = program(kFetch2D);
    mFetch3D = program(kFetch3D);
    mCube = program(kCube);
    QVERIFY(mFetch2D && mFetch3D && mCube);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

    QImage img(37, 21, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(((unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u)) & 0x3Fu);
            img.setPixel(x, y,
                         qRgba((x * 7 + n) & 0xFF, (y * 12 + n) & 0xFF, (x * y + 3 * n) & 0xFF,
                               (255 - x * 6) & 0xFF));
        }
    }
    mSourcePng = mRoot.filePath(QStringLiteral("source.png"));
    QVERIFY(img.save(mSourcePng));
}

void TestTextureUploadGl::cleanupTestCase()
{
    if (gl) {
        gl->glDeleteProgram(mFetch2D);
        gl->glDeleteProgram(mFetch3D);
        gl->glDeleteProgram(mCube);
        gl->glDeleteVertexArrays(1, &mVao);
        mContext->doneCurrent();
    }
}

void TestTextureUploadGl::init()
{
    if (gl) {
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    }
}

GLuint TestTextureUploadGl::program(const char *fragment)
{
    const GLuint p = gl->glCreateProgram();
    for (auto [type, text] : {std::pair<GLenum, const char *>(GL_VERTEX_SHADER, kVertex),
                              std::pair<GLenum, const char *>(GL_FRAGMENT_SHADER, fragment)}) {
        const GLuint shader = gl->glCreateShader(type);
        gl->glShaderSource(shader, 1, &text, nullptr);
        gl->glCompileShader(shader);
        gl->glAttachShader(p, shader);
        gl->glDeleteShader(shader);
    }
    gl->glBindFragDataLocation(p, 0, "colour");
    gl->glLinkProgram(p);
    GLint linked = 0;
    gl->glGetProgramiv(p, GL_LINK_STATUS, &linked);
    return linked ? p : 0;
}

std::vector<float> TestTextureUploadGl::sample(GLuint prog, GLenum target, GLuint texture, int w,
                                               int h, int lod, int layer, const float *direction)
{
    GLuint colour = 0;
    GLuint fbo = 0;
    gl->glGenTextures(1, &colour);
    gl->glBindTexture(GL_TEXTURE_2D, colour);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, w, h, 0, GL_RGBA, GL_FLOAT, nullptr);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    gl->glGenFramebuffers(1, &fbo);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    std::vector<float> out(size_t(w) * h * 4, -1.0f);
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        gl->glViewport(0, 0, w, h);
        gl->glUseProgram(prog);
        gl->glActiveTexture(GL_TEXTURE0);
        gl->glBindTexture(target, texture);
        gl->glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
        gl->glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl->glUniform1i(gl->glGetUniformLocation(prog, "tex"), 0);
        if (direction) {
            gl->glUniform1f(gl->glGetUniformLocation(prog, "lod"), float(lod));
            gl->glUniform3fv(gl->glGetUniformLocation(prog, "direction"), 1, direction);
        } else {
            gl->glUniform1i(gl->glGetUniformLocation(prog, "lod"), lod);
            gl->glUniform1i(gl->glGetUniformLocation(prog, "layer"), layer);
        }
        gl->glBindVertexArray(mVao);
        gl->glDrawArrays(GL_TRIANGLES, 0, 3);
        gl->glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, out.data());
        gl->glBindVertexArray(0);
        gl->glBindTexture(target, 0);
        gl->glUseProgram(0);
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    gl->glDeleteFramebuffers(1, &fbo);
    gl->glDeleteTextures(1, &colour);
    return out;
}

GLint TestTextureUploadGl::levelWidth(GLenum target, GLuint texture, GLenum levelTarget, int level)
{
    GLint width = -1;
    gl->glBindTexture(target, texture);
    gl->glGetTexLevelParameteriv(levelTarget, level, GL_TEXTURE_WIDTH, &width);
    gl->glBindTexture(target, 0);
    return width;
}

GLint TestTextureUploadGl::maxLevel(GLenum target, GLuint texture)
{
    GLint value = -1;
    gl->glBindTexture(target, texture);
    gl->glGetTexParameteriv(target, GL_TEXTURE_MAX_LEVEL, &value);
    gl->glBindTexture(target, 0);
    return value;
}

QByteArray TestTextureUploadGl::compressedLevel(GLuint texture, int level)
{
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    GLint size = 0;
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
    QByteArray data(size, '\0');
    if (size > 0) {
        gl->glGetCompressedTexImage(GL_TEXTURE_2D, level, data.data());
    }
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return data;
}

QString TestTextureUploadGl::nvcompressFile(const QString &flag, const QString &name)
{
    const QString path = mRoot.filePath(name);
    if (!QFile::exists(path)) {
        run(QStringLiteral("nvcompress"), {QStringLiteral("-fast"), flag, mSourcePng, path});
    }
    return path;
}

void TestTextureUploadGl::uncompressedFormats_data()
{
    QTest::addColumn<ImageFormat>("format");
    QTest::addColumn<QByteArray>("texel");
    QTest::addColumn<QVector<float>>("expected");

    const float b = 1.0f / 255.0f;
    QTest::newRow("R8") << ImageFormat::R8 << bytes({51}) << QVector<float> {51 * b, 0, 0, 1};
    QTest::newRow("RG8") << ImageFormat::RG8 << bytes({51, 102})
                         << QVector<float> {51 * b, 102 * b, 0, 1};
    QTest::newRow("RGB8") << ImageFormat::RGB8 << bytes({51, 102, 204})
                          << QVector<float> {51 * b, 102 * b, 204 * b, 1};
    QTest::newRow("RGBA8") << ImageFormat::RGBA8 << bytes({51, 102, 204, 17})
                           << QVector<float> {51 * b, 102 * b, 204 * b, 17 * b};
    QTest::newRow("R16") << ImageFormat::R16 << u16s({65535}) << QVector<float> {1, 0, 0, 1};
    QTest::newRow("RG16") << ImageFormat::RG16 << u16s({0, 65535}) << QVector<float> {0, 1, 0, 1};
    QTest::newRow("RGBA16") << ImageFormat::RGBA16 << u16s({65535, 0, 65535, 0})
                            << QVector<float> {1, 0, 1, 0};
    QTest::newRow("R16F") << ImageFormat::R16F << u16s({0x4100}) << QVector<float> {2.5f, 0, 0, 1};
    QTest::newRow("RG16F") << ImageFormat::RG16F << u16s({0x3C00, 0xC000})
                           << QVector<float> {1, -2, 0, 1};
    QTest::newRow("RGBA16F") << ImageFormat::RGBA16F << u16s({0x3800, 0x3C00, 0x4000, 0x3400})
                             << QVector<float> {0.5f, 1, 2, 0.25f};
    QTest::newRow("R32F") << ImageFormat::R32F << floats({3.25f})
                          << QVector<float> {3.25f, 0, 0, 1};
    QTest::newRow("RG32F") << ImageFormat::RG32F << floats({-1.5f, 7})
                           << QVector<float> {-1.5f, 7, 0, 1};
    QTest::newRow("RGB32F") << ImageFormat::RGB32F << floats({1, 2, 3})
                            << QVector<float> {1, 2, 3, 1};
    QTest::newRow("RGBA32F") << ImageFormat::RGBA32F << floats({0.5f, 100, -3, 0.75f})
                             << QVector<float> {0.5f, 100, -3, 0.75f};
    // 1.0 = mantissa 256 x 2^(16 - 15 - 9); green and blue 0.
    QTest::newRow("RGB9E5") << ImageFormat::RGB9E5 << u32s({256u | (16u << 27)})
                            << QVector<float> {1, 0, 0, 1};
    // Red 1.0 (exponent 15 in bits 6..10), green 0, blue 2.0 (exponent 16 in bits 27..31).
    QTest::newRow("RG11B10F") << ImageFormat::RG11B10F << u32s({(15u << 6) | (16u << 27)})
                              << QVector<float> {1, 0, 2, 1};
    // Packed layouts arrive as RGBA8.
    QTest::newRow("RGB565") << ImageFormat::RGB565 << u16s({0xF81F}) << QVector<float> {1, 0, 1, 1};
    QTest::newRow("RGBA4") << ImageFormat::RGBA4 << u16s({0x8F30})
                           << QVector<float> {1, 3 * 17 * b, 0, 8 * 17 * b};
    QTest::newRow("RGB10A2") << ImageFormat::RGB10A2 << u32s({1023u | (3u << 30)})
                             << QVector<float> {1, 0, 0, 1};
    // 128 and 64 x 2^(129 - 136): 1.0 and 0.5, then bytes.
    QTest::newRow("RGBE8") << ImageFormat::RGBE8 << bytes({128, 64, 0, 129})
                           << QVector<float> {1, 128 * b, 0, 1};
}

void TestTextureUploadGl::uncompressedFormats()
{
    if (!gl) {
        QSKIP("no context");
    }
    QFETCH(ImageFormat, format);
    QFETCH(QByteArray, texel);
    QFETCH(QVector<float>, expected);

    const Image image = flatImage(format, 3, 2, texel);
    QCOMPARE(glTextureTarget(image), GLenum(GL_TEXTURE_2D));
    const GLuint texture = uploadTexture(image);
    QVERIFY(texture != 0);
    QCOMPARE(maxLevel(GL_TEXTURE_2D, texture), 0);
    const std::vector<float> texels = sample(mFetch2D, GL_TEXTURE_2D, texture, 3, 2, 0);
    gl->glDeleteTextures(1, &texture);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
    for (int i = 0; i < 6; ++i) {
        for (int c = 0; c < 4; ++c) {
            const float got = texels[size_t(i * 4 + c)];
            QVERIFY2(std::abs(got - expected[c]) <= 1.0f / 512,
                     qPrintable(QStringLiteral("texel %1 channel %2: %3, expected %4")
                                    .arg(i)
                                    .arg(c)
                                    .arg(got)
                                    .arg(expected[c])));
        }
    }
}

void TestTextureUploadGl::compressedFormats_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<ImageFormat>("format");
    QTest::newRow("DXT1") << "-bc1" << ImageFormat::DXT1;
    QTest::newRow("DXT3") << "-bc2" << ImageFormat::DXT3;
    QTest::newRow("DXT5") << "-bc3" << ImageFormat::DXT5;
    QTest::newRow("ATI1N") << "-bc4" << ImageFormat::ATI1N;
    QTest::newRow("ATI2N") << "-bc5" << ImageFormat::ATI2N;
}

void TestTextureUploadGl::compressedFormats()
{
    if (!gl) {
        QSKIP("no context");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("nvcompress")).isEmpty()) {
        QSKIP("nvcompress is not installed");
    }
    QFETCH(QString, flag);
    QFETCH(ImageFormat, format);

    const QByteArray file = readAll(nvcompressFile(flag, flag.mid(1) + QStringLiteral(".dds")));
    std::optional<Image> image = Image::loadDds(file);
    QVERIFY(image);
    QCOMPARE(image->format, format);
    QCOMPARE(image->mipCount, 6);
    const GLuint texture = uploadTexture(*image);
    QVERIFY(texture != 0);
    QCOMPARE(maxLevel(GL_TEXTURE_2D, texture), 5);
    // The GL holds the file's blocks as they are.
    for (int level = 0; level < 6; ++level) {
        QCOMPARE(compressedLevel(texture, level),
                 file.mid(128 + int(image->levelOffset(level)), int(image->levelSize(level))));
    }
    const std::vector<float> gpu = sample(mFetch2D, GL_TEXTURE_2D, texture, 37, 21, 0);
    const std::vector<float> small = sample(mFetch2D, GL_TEXTURE_2D, texture, 4, 2, 3);
    gl->glDeleteTextures(1, &texture);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

    // The GL's decode against the CPU one, which rounds end points differently.
    Image cpu = *image;
    QVERIFY(cpu.uncompress());
    const int channels = imageChannels(cpu.format);
    int worst = 0;
    for (int i = 0; i < 37 * 21; ++i) {
        for (int c = 0; c < channels; ++c) {
            // RGTC2 decodes the first block into red; the CPU decode puts the
            // second block into its first channel.
            const int cpuChannel = format == ImageFormat::ATI2N ? 1 - c : c;
            const int cpuValue = std::uint8_t(cpu.pixels.at(i * channels + cpuChannel));
            const int gpuValue = int(std::lround(gpu[size_t(i * 4 + c)] * 255.0f));
            worst = std::max(worst, std::abs(cpuValue - gpuValue));
        }
        if (format == ImageFormat::DXT1 && gpu[size_t(i * 4 + 3)] != 1.0f) {
            // Transparent texels come only from black three-colour-mode indices.
            QCOMPARE(gpu[size_t(i * 4)], 0.0f);
        }
    }
    QVERIFY2(worst <= 8, qPrintable(QStringLiteral("worst difference %1").arg(worst)));
    // Level 3 (4x2) is there too.
    QVERIFY(small[0] >= 0.0f);
    const qsizetype level3 = qsizetype(cpu.levelOffset(3));
    QVERIFY(std::abs(int(std::lround(small[0] * 255))
                     - std::uint8_t(cpu.pixels.at(level3 + (format == ImageFormat::ATI2N ? 1 : 0))))
            <= 8);
}

void TestTextureUploadGl::cubeMapsUploadSixFacesPerLevel()
{
    if (!gl) {
        QSKIP("no context");
    }
    // Hand-built RGBA8 cube, 4x4 with three levels, one colour per face and level.
    Image cube;
    cube.width = cube.height = 4;
    cube.depth = 0;
    cube.mipCount = 3;
    cube.format = ImageFormat::RGBA8;
    for (int level = 0; level < 3; ++level) {
        for (int face = 0; face < 6; ++face) {
            const int pixels = (4 >> level) * (4 >> level);
            cube.pixels += bytes({face * 40, level * 100, 255 - face * 40, 255}).repeated(pixels);
        }
    }
    QCOMPARE(glTextureTarget(cube), GLenum(GL_TEXTURE_CUBE_MAP));
    const GLuint texture = uploadTexture(cube);
    QVERIFY(texture != 0);
    QCOMPARE(maxLevel(GL_TEXTURE_CUBE_MAP, texture), 2);
    const float directions[6][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                    {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    for (int level = 0; level < 3; ++level) {
        for (int face = 0; face < 6; ++face) {
            QCOMPARE(levelWidth(GL_TEXTURE_CUBE_MAP, texture,
                                GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face), level),
                     GLint(4 >> level));
            const std::vector<float> texel =
                sample(mCube, GL_TEXTURE_CUBE_MAP, texture, 1, 1, level, 0, directions[face]);
            QCOMPARE(int(std::lround(texel[0] * 255)), face * 40);
            QCOMPARE(int(std::lround(texel[1] * 255)), level * 100);
            QCOMPARE(int(std::lround(texel[2] * 255)), 255 - face * 40);
        }
    }
    gl->glDeleteTextures(1, &texture);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

    // A DXT1 cube map that nvcompress wrote from six nvassemble faces.
    if (QStandardPaths::findExecutable(QStringLiteral("nvassemble")).isEmpty()) {
        QSKIP("nvassemble is not installed");
    }
    QStringList faces;
    for (int f = 0; f < 6; ++f) {
        QImage face(8, 8, QImage::Format_RGB32);
        face.fill(qRgb(f * 40, 200, 255 - f * 40));
        faces << mRoot.filePath(QStringLiteral("face%1.png").arg(f));
        QVERIFY(face.save(faces.last()));
    }
    const QString assembled = mRoot.filePath(QStringLiteral("cube.dds"));
    const QString compressed = mRoot.filePath(QStringLiteral("cube-dxt1.dds"));
    QVERIFY(run(QStringLiteral("nvassemble"), QStringList {QStringLiteral("-cube")} + faces
                                                  + QStringList {QStringLiteral("-o"), assembled}));
    QVERIFY(run(QStringLiteral("nvcompress"),
                {QStringLiteral("-fast"), QStringLiteral("-bc1"), assembled, compressed}));
    const std::optional<Image> dxt1 = Image::loadDds(readAll(compressed));
    QVERIFY(dxt1);
    const GLuint dxt1Texture = uploadTexture(*dxt1);
    QVERIFY(dxt1Texture != 0);
    QCOMPARE(maxLevel(GL_TEXTURE_CUBE_MAP, dxt1Texture), 3);
    for (int face = 0; face < 6; ++face) {
        for (int level = 0; level < 4; ++level) {
            const std::vector<float> texel =
                sample(mCube, GL_TEXTURE_CUBE_MAP, dxt1Texture, 1, 1, level, 0, directions[face]);
            QVERIFY(std::abs(int(std::lround(texel[0] * 255)) - face * 40) <= 8);
            QVERIFY(std::abs(int(std::lround(texel[2] * 255)) - (255 - face * 40)) <= 8);
        }
    }
    gl->glDeleteTextures(1, &dxt1Texture);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestTextureUploadGl::volumeAndOneHighImages()
{
    if (!gl) {
        QSKIP("no context");
    }
    Image volume;
    volume.width = volume.height = 2;
    volume.depth = 2;
    volume.mipCount = 2;
    volume.format = ImageFormat::RGBA8;
    volume.pixels = bytes({10, 0, 0, 255}).repeated(4) + bytes({20, 0, 0, 255}).repeated(4)
                    + bytes({30, 0, 0, 255});
    QCOMPARE(glTextureTarget(volume), GLenum(GL_TEXTURE_3D));
    const GLuint texture = uploadTexture(volume);
    QVERIFY(texture != 0);
    QCOMPARE(maxLevel(GL_TEXTURE_3D, texture), 1);
    QCOMPARE(int(std::lround(sample(mFetch3D, GL_TEXTURE_3D, texture, 2, 2, 0, 1)[0] * 255)), 20);
    QCOMPARE(int(std::lround(sample(mFetch3D, GL_TEXTURE_3D, texture, 1, 1, 1, 0)[0] * 255)), 30);
    gl->glDeleteTextures(1, &texture);

    // One texel high still goes up as 2D, where every user binds it.
    const Image line = flatImage(ImageFormat::RGB8, 5, 1, bytes({1, 2, 3}));
    QCOMPARE(glTextureTarget(line), GLenum(GL_TEXTURE_2D));
    const GLuint lineTexture = uploadTexture(line);
    QVERIFY(lineTexture != 0);
    QCOMPARE(levelWidth(GL_TEXTURE_2D, lineTexture, GL_TEXTURE_2D, 0), 5);
    QCOMPARE(int(std::lround(sample(mFetch2D, GL_TEXTURE_2D, lineTexture, 5, 1, 0)[18] * 255)), 3);
    gl->glDeleteTextures(1, &lineTexture);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestTextureUploadGl::highDefinitionJoin()
{
    if (!gl) {
        QSKIP("no context");
    }
    // Regular 8x8 DXT1 with four levels, HD 16x16 with one level: five GL levels.
    Image regular;
    regular.width = regular.height = 8;
    regular.mipCount = 4;
    regular.format = ImageFormat::DXT1;
    for (int i = 0; i < 4 + 1 + 1 + 1; ++i) {
        regular.pixels += bytes({0x00, 0xF8, 0x00, 0xF8, i, 0, 0, 0});
    }
    Image hd;
    hd.width = hd.height = 16;
    hd.format = ImageFormat::DXT1;
    hd.pixels = bytes({0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0}).repeated(16);
    const GLuint texture = uploadTexture(regular, hd);
    QVERIFY(texture != 0);
    QCOMPARE(levelWidth(GL_TEXTURE_2D, texture, GL_TEXTURE_2D, 0), 16);
    QCOMPARE(levelWidth(GL_TEXTURE_2D, texture, GL_TEXTURE_2D, 1), 8);
    QCOMPARE(levelWidth(GL_TEXTURE_2D, texture, GL_TEXTURE_2D, 4), 1);
    QCOMPARE(maxLevel(GL_TEXTURE_2D, texture), 4);
    QCOMPARE(compressedLevel(texture, 0), hd.pixels);
    QCOMPARE(compressedLevel(texture, 1), regular.pixels.left(32));
    QCOMPARE(compressedLevel(texture, 4), regular.pixels.right(8));
    gl->glDeleteTextures(1, &texture);
    QVERIFY(mLog->text(Warning).isEmpty());

    // HD mips are reported, and the join goes on with the HD base level.
    Image hdWithMips = hd;
    hdWithMips.mipCount = 2;
    hdWithMips.pixels += hd.pixels.left(32);
    const GLuint withMips = uploadTexture(regular, hdWithMips);
    QVERIFY(withMips != 0);
    QVERIFY(mLog->text(Warning).contains(
        QLatin1String("HD texture has mip maps, this texture should only contain base level 0 "
                      "and no further mip maps.")));
    QCOMPARE(levelWidth(GL_TEXTURE_2D, withMips, GL_TEXTURE_2D, 0), 16);
    QCOMPARE(maxLevel(GL_TEXTURE_2D, withMips), 4);
    gl->glDeleteTextures(1, &withMips);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestTextureUploadGl::highDefinitionMismatch_data()
{
    QTest::addColumn<int>("hdSize");
    QTest::addColumn<ImageFormat>("hdFormat");
    QTest::addColumn<QString>("warning");
    const QString notLarger = QStringLiteral(
        "Regular texture is the same size(or larger) than the HD texture, skipping HD texture.");
    const QString mismatch = QStringLiteral("skipping HD texture.");
    QTest::newRow("same size") << 8 << ImageFormat::DXT1 << notLarger;
    QTest::newRow("smaller") << 4 << ImageFormat::DXT1 << notLarger;
    QTest::newRow("not twice") << 12 << ImageFormat::DXT1 << mismatch;
    QTest::newRow("four times") << 32 << ImageFormat::DXT1 << mismatch;
    QTest::newRow("other block format") << 16 << ImageFormat::DXT5 << mismatch;
    QTest::newRow("uncompressed") << 16 << ImageFormat::RGBA8 << mismatch;
}

void TestTextureUploadGl::highDefinitionMismatch()
{
    if (!gl) {
        QSKIP("no context");
    }
    QFETCH(int, hdSize);
    QFETCH(ImageFormat, hdFormat);
    QFETCH(QString, warning);

    Image regular;
    regular.width = regular.height = 8;
    regular.mipCount = 4;
    regular.format = ImageFormat::DXT1;
    regular.pixels = bytes({0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0}).repeated(7);
    Image hd;
    hd.width = hd.height = hdSize;
    hd.format = hdFormat;
    hd.pixels = QByteArray(int(hd.levelSize(0)), '\0');

    const int linesBefore = mLog->text(Warning).count(QLatin1Char('\n'));
    const GLuint texture = uploadTexture(regular, hd);
    QVERIFY(texture != 0);
    const QString log = mLog->text(Warning);
    QCOMPARE(log.count(QLatin1Char('\n')), linesBefore + 1);
    QVERIFY2(log.trimmed().endsWith(warning), qPrintable(log));
    // The regular chain alone, complete.
    QCOMPARE(levelWidth(GL_TEXTURE_2D, texture, GL_TEXTURE_2D, 0), 8);
    QCOMPARE(maxLevel(GL_TEXTURE_2D, texture), 3);
    QCOMPARE(compressedLevel(texture, 0), regular.pixels.left(32));
    gl->glDeleteTextures(1, &texture);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

void TestTextureUploadGl::refusedImages()
{
    if (!gl) {
        QSKIP("no context");
    }
    QCOMPARE(uploadTexture(flatImage(ImageFormat::RGBA8S, 2, 2, bytes({1, 2, 3, 4}))), 0u);
    QCOMPARE(uploadTexture(flatImage(ImageFormat::D24S8, 2, 2, bytes({1, 2, 3, 4}))), 0u);
    Image cut = flatImage(ImageFormat::RGBA8, 4, 4, bytes({1, 2, 3, 4}));
    cut.mipCount = 3;
    QCOMPARE(uploadTexture(cut), 0u);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
}

QTEST_MAIN(TestTextureUploadGl)
#include "test_textureupload_gl.moc"
