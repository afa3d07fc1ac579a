#include "core/filemanager.h"
#include "gamedata/ddshelpers.h"
#include "gamedata/image.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

Q_DECLARE_METATYPE(ImageFormat)

namespace {

// Header fields of a DDS file built by hand, for layouts no tool writes.
struct DdsSpec
{
    std::uint32_t width = 4;
    std::uint32_t height = 4;
    std::uint32_t depth = 0;
    std::uint32_t mips = 0;
    QByteArray fourCC;      // four letters, empty for none
    std::uint32_t code = 0; // numeric FourCC when fourCC is empty
    std::uint32_t bitCount = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // r, g, b, a
    std::uint32_t caps2 = 0;
    int dxgi = -1; // >= 0 adds the DX10 header
};

void putU32(QByteArray &b, int offset, std::uint32_t v)
{
    qToLittleEndian(v, b.data() + offset);
}

QByteArray ddsFile(const DdsSpec &s, const QByteArray &payload)
{
    QByteArray b(128, '\0');
    std::memcpy(b.data(), "DDS ", 4);
    putU32(b, 4, 124);
    putU32(b, 12, s.height);
    putU32(b, 16, s.width);
    putU32(b, 24, s.depth);
    putU32(b, 28, s.mips);
    putU32(b, 76, 32);
    if (s.dxgi >= 0) {
        std::memcpy(b.data() + 84, "DX10", 4);
    } else if (!s.fourCC.isEmpty()) {
        std::memcpy(b.data() + 84, s.fourCC.constData(), 4);
    } else {
        putU32(b, 84, s.code);
    }
    putU32(b, 88, s.bitCount);
    for (int i = 0; i < 4; ++i) {
        putU32(b, 92 + 4 * i, s.masks[i]);
    }
    putU32(b, 112, s.caps2);
    if (s.dxgi >= 0) {
        QByteArray dx10(20, '\0');
        putU32(dx10, 0, std::uint32_t(s.dxgi));
        putU32(dx10, 4, 3);
        putU32(dx10, 12, 1);
        b += dx10;
    }
    return b + payload;
}

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i) {
        b[i] = char((i * 37 + 11) & 0xFF);
    }
    return b;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values) {
        b.append(char(v));
    }
    return b;
}

std::uint8_t at(const Image &image, qsizetype i)
{
    return std::uint8_t(image.pixels.at(i));
}

// The 37x21 picture the tool fixtures are made from: gradients with a hashed
// speckle, so that blocks differ and their end points matter.
QImage sourcePicture()
{
    QImage img(37, 21, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(((unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u)) & 0x3Fu);
            img.setPixel(x, y,
                         qRgba((x * 7 + n) & 0xFF, (y * 12 + n) & 0xFF, (x * y + 3 * n) & 0xFF,
                               (255 - x * 6) & 0xFF));
        }
    }
    return img;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return false;
    }
    if (out) {
        *out = p.readAllStandardOutput();
    }
    return true;
}

// ImageMagick's decode of level 0 as 8-bit RGBA.
QByteArray magickRgba(const QString &path)
{
    QByteArray out;
    if (!run(QStringLiteral("convert"),
             {path + QStringLiteral("[0]"), QStringLiteral("-depth"), QStringLiteral("8"),
              QStringLiteral("rgba:-")},
             &out)) {
        return {};
    }
    return out;
}

int maxChannelDifference(const Image &rgba, const QByteArray &reference, int channels)
{
    int worst = 0;
    const qsizetype count = qsizetype(rgba.width) * rgba.height;
    for (qsizetype i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int a = at(rgba, i * 4 + c);
            const int b = std::uint8_t(reference.at(i * 4 + c));
            worst = std::max(worst, std::abs(a - b));
        }
    }
    return worst;
}

} // namespace

class TestDdsCodec : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void formatMapping_data();
    void formatMapping();
    void derivedHeaderFields();
    void levelSizes();
    void malformed_data();
    void malformed();
    void mipCountBeyondChainIsCut();
    void cubeFaceMajorBecomesLevelMajor();
    void legacyChannelOrder();

    void colourBlocks_data();
    void colourBlocks();
    void alphaBlocks();
    void explicitAlphaAndChannelOrder();
    void blocksClipAtEdge();

    void unpackConstants();
    void rgb10a2BothLayouts();
    void halfFloats_data();
    void halfFloats();
    void convertRules();

    void toolFixtures_data();
    void toolFixtures();
    void toolCubeMaps();

    void textureSize();
    void textureSizeSharesDecoderChecks();
    void thumbnail();
    void gameFileHelpers();

private:
    QTemporaryDir mDir;
    QString mSourcePng;
    bool mHaveNvcompress = false;
    bool mHaveMagick = false;
};

void TestDdsCodec::initTestCase()
{
    QVERIFY(mDir.isValid());
    mSourcePng = mDir.filePath(QStringLiteral("source.png"));
    QVERIFY(sourcePicture().save(mSourcePng));
    mHaveNvcompress = !QStandardPaths::findExecutable(QStringLiteral("nvcompress")).isEmpty();
    mHaveMagick = !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty();
}

void TestDdsCodec::formatMapping_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ImageFormat>("format");

    const auto fourCC = [](const char *code, ImageFormat f) {
        DdsSpec s;
        s.fourCC = code;
        QTest::newRow(code) << ddsFile(s, pattern(256)) << f;
    };
    fourCC("DXT1", ImageFormat::DXT1);
    fourCC("DXT3", ImageFormat::DXT3);
    fourCC("DXT5", ImageFormat::DXT5);
    fourCC("ATI1", ImageFormat::ATI1N);
    fourCC("ATI2", ImageFormat::ATI2N);
    fourCC("DXT2", ImageFormat::None);
    fourCC("DXT4", ImageFormat::None);

    const struct
    {
        std::uint32_t code;
        ImageFormat f;
    } codes[] = {
        {36, ImageFormat::RGBA16}, {34, ImageFormat::RG16},     {111, ImageFormat::R16F},
        {112, ImageFormat::RG16F}, {113, ImageFormat::RGBA16F}, {114, ImageFormat::R32F},
        {115, ImageFormat::RG32F}, {116, ImageFormat::RGBA32F}, {117, ImageFormat::None},
    };
    for (const auto &c : codes) {
        DdsSpec s;
        s.code = c.code;
        QTest::addRow("code %u", c.code) << ddsFile(s, pattern(256)) << c.f;
    }

    const struct
    {
        int dxgi;
        ImageFormat f;
    } dxgi[] = {
        {2, ImageFormat::RGBA32F},
        {6, ImageFormat::RGB32F},
        {10, ImageFormat::RGBA16F},
        {11, ImageFormat::RGBA16},
        {16, ImageFormat::RG32F},
        {24, ImageFormat::RGB10A2},
        {26, ImageFormat::RG11B10F},
        {28, ImageFormat::RGBA8},
        {34, ImageFormat::RG16F},
        {35, ImageFormat::RG16},
        {41, ImageFormat::R32F},
        {49, ImageFormat::RG8},
        {54, ImageFormat::R16F},
        {56, ImageFormat::R16},
        {61, ImageFormat::R8},
        {67, ImageFormat::RGB9E5},
        {71, ImageFormat::DXT1},
        {74, ImageFormat::DXT3},
        {77, ImageFormat::DXT5},
        {80, ImageFormat::ATI1N},
        {83, ImageFormat::ATI2N},
        // sRGB, BC6H, BC7 and typeless variants are not supported.
        {29, ImageFormat::None},
        {72, ImageFormat::None},
        {95, ImageFormat::None},
        {98, ImageFormat::None},
        {27, ImageFormat::None},
        {0, ImageFormat::None},
    };
    for (const auto &d : dxgi) {
        DdsSpec s;
        s.dxgi = d.dxgi;
        QTest::addRow("dxgi %d", d.dxgi) << ddsFile(s, pattern(256)) << d.f;
    }

    const struct
    {
        const char *name;
        std::uint32_t bits, r, g, b, a;
        ImageFormat f;
    } masks[] = {
        {"L8", 8, 0xFF, 0, 0, 0, ImageFormat::R8},
        {"A4R4G4B4", 16, 0xF00, 0xF0, 0xF, 0xF000, ImageFormat::RGBA4},
        {"A8L8", 16, 0xFF, 0, 0, 0xFF00, ImageFormat::RG8},
        {"R5G6B5", 16, 0xF800, 0x07E0, 0x1F, 0, ImageFormat::RGB565},
        {"X1R5G5B5", 16, 0x7C00, 0x03E0, 0x1F, 0, ImageFormat::None},
        {"A1R5G5B5", 16, 0x7C00, 0x03E0, 0x1F, 0x8000, ImageFormat::None},
        {"L16", 16, 0xFFFF, 0, 0, 0, ImageFormat::R16},
        {"R8G8B8", 24, 0xFF0000, 0xFF00, 0xFF, 0, ImageFormat::RGB8},
        {"A8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, ImageFormat::RGBA8},
        {"A2R10G10B10", 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, ImageFormat::RGB10A2},
        {"12 bits", 12, 0xF00, 0xF0, 0xF, 0, ImageFormat::None},
        {"no bits", 0, 0, 0, 0, 0, ImageFormat::None},
    };
    for (const auto &m : masks) {
        DdsSpec s;
        s.bitCount = m.bits;
        s.masks[0] = m.r;
        s.masks[1] = m.g;
        s.masks[2] = m.b;
        s.masks[3] = m.a;
        QTest::newRow(m.name) << ddsFile(s, pattern(256)) << m.f;
    }
}

void TestDdsCodec::formatMapping()
{
    QFETCH(QByteArray, file);
    QFETCH(ImageFormat, format);

    QString error;
    const std::optional<Image> image = Image::loadDds(file, &error);
    if (format == ImageFormat::None) {
        QVERIFY(!image);
        QVERIFY(error.contains(QLatin1String("not supported")));
        return;
    }
    QVERIFY2(image, qPrintable(error));
    QCOMPARE(image->format, format);
    // Pixel data starts right after the header, or after the DX10 extension.
    const int start = file.mid(84, 4) == "DX10" ? 148 : 128;
    const bool reordered = format == ImageFormat::RGB8 || format == ImageFormat::RGBA8
                           || format == ImageFormat::RGB10A2;
    if (!reordered) {
        QCOMPARE(image->pixels, file.mid(start, int(image->levelSize(0))));
    }
}

void TestDdsCodec::derivedHeaderFields()
{
    DdsSpec s;
    s.fourCC = "DXT1";
    std::optional<Image> image = Image::loadDds(ddsFile(s, pattern(8)));
    QVERIFY(image);
    QCOMPARE(image->mipCount, 1); // 0 in the header: no mips
    QCOMPARE(image->depth, 1);    // 0 in the header: a flat image
    QCOMPARE(image->arraySize, 1);
    QVERIFY(!image->isCube());

    s.depth = 3;
    image = Image::loadDds(ddsFile(s, pattern(24)));
    QVERIFY(image);
    QCOMPARE(image->depth, 3);
    QCOMPARE(image->pixels.size(), 24);

    s.caps2 = 0xFE00; // cube map with every face
    image = Image::loadDds(ddsFile(s, pattern(48)));
    QVERIFY(image);
    QCOMPARE(image->depth, 0);
    QVERIFY(image->isCube());
    QCOMPARE(image->pixels.size(), 48);
}

void TestDdsCodec::levelSizes()
{
    Image dxt1;
    dxt1.width = 250;
    dxt1.height = 100;
    dxt1.format = ImageFormat::DXT1;
    dxt1.mipCount = 8;
    QCOMPARE(dxt1.levelSize(0), std::int64_t(63 * 25 * 8));
    // 125x50, 62x25, 31x12, 15x6, 7x3, 3x1, 1x1 (the last level of 250 wide).
    const std::int64_t expected = (63 * 25 + 32 * 13 + 16 * 7 + 8 * 3 + 4 * 2 + 2 + 1 + 1) * 8;
    QCOMPARE(dxt1.getMipMappedSize(0, 8), expected);
    QCOMPARE(dxt1.getMipMappedSize(0, 20), expected); // the sum stops at the chain's end
    QCOMPARE(dxt1.getPixelCount(0, 2), std::int64_t(250 * 100 + 125 * 50));
    QCOMPARE(dxt1.levelOffset(1), std::int64_t(63 * 25 * 8));

    // A 250x100 file with a full chain is exactly this long.
    DdsSpec s;
    s.width = 250;
    s.height = 100;
    s.mips = 8;
    s.fourCC = "DXT1";
    std::optional<Image> image = Image::loadDds(ddsFile(s, pattern(int(expected))));
    QVERIFY(image);
    QCOMPARE(image->mipCount, 8);
    QVERIFY(!Image::loadDds(ddsFile(s, pattern(int(expected - 1)))));

    Image volume;
    volume.width = 8;
    volume.height = 4;
    volume.depth = 2;
    volume.format = ImageFormat::RGBA16F;
    QCOMPARE(volume.levelSize(0), std::int64_t(8 * 4 * 2 * 8));
    QCOMPARE(volume.levelSize(1), std::int64_t(4 * 2 * 1 * 8));

    Image cube;
    cube.width = cube.height = 8;
    cube.depth = 0;
    cube.format = ImageFormat::DXT5;
    QCOMPARE(cube.levelSize(0), std::int64_t(6 * 4 * 16));
    QCOMPARE(cube.levelSize(3), std::int64_t(6 * 16));
}

void TestDdsCodec::malformed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");

    DdsSpec s;
    s.fourCC = "DXT1";
    const QByteArray good = ddsFile(s, pattern(8));
    QTest::newRow("empty") << QByteArray() << "needs 128 bytes, 0 found";
    QTest::newRow("header cut") << good.left(127) << "needs 128 bytes, 127 found";
    QByteArray badMagic = good;
    badMagic[3] = 'X';
    QTest::newRow("bad magic") << badMagic << "magic";
    QTest::newRow("no pixels") << good.left(128) << "needs 8 bytes for 1 levels, 0 remain";
    QTest::newRow("pixels cut") << good.left(135) << "needs 8 bytes for 1 levels, 7 remain";

    DdsSpec dx10;
    dx10.dxgi = 71;
    QTest::newRow("DX10 header cut") << ddsFile(dx10, {}).left(140) << "needs 20 bytes, 12 remain";
    QTest::newRow("DX10 no pixels") << ddsFile(dx10, {}) << "at 0x94 needs 8 bytes";

    const auto sized = [&](const char *name, std::uint32_t w, std::uint32_t h, std::uint32_t d,
                           const char *error) {
        DdsSpec t = s;
        t.width = w;
        t.height = h;
        t.depth = d;
        QTest::newRow(name) << ddsFile(t, pattern(64)) << error;
    };
    sized("zero width", 0, 4, 0, "size 0x4x1 is outside");
    sized("zero height", 4, 0, 0, "size 4x0x1 is outside");
    sized("too wide", 16385, 4, 0, "size 16385x4x1 is outside");
    sized("huge", 0xFFFFFFFFu, 0xFFFFFFFFu, 0, "is outside");
    sized("too deep", 4, 4, 0x80000000u, "size 4x4x2147483648 is outside");
    // Sizes that would overflow 32 bits: 16384 x 16384 x 16384 blocks of 8 bytes.
    sized("largest volume", 16384, 16384, 16384, "needs 2199023255552 bytes");

    DdsSpec cube = s;
    cube.caps2 = 0x200;
    QTest::newRow("cube one face") << ddsFile(cube, pattern(8)) << "needs 48 bytes";

    DdsSpec rgba;
    rgba.width = 2;
    rgba.height = 2;
    rgba.mips = 2;
    rgba.bitCount = 32;
    rgba.masks[0] = 0xFF0000;
    QTest::newRow("second level missing")
        << ddsFile(rgba, pattern(16)) << "needs 20 bytes for 2 levels, 16 remain";
}

void TestDdsCodec::malformed()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);

    QString text;
    QVERIFY(!Image::loadDds(file, &text));
    QVERIFY2(text.contains(error), qPrintable(text));
}

void TestDdsCodec::mipCountBeyondChainIsCut()
{
    DdsSpec s;
    s.width = 8;
    s.height = 2;
    s.mips = 200;
    s.bitCount = 8;
    // 8x2, 4x1, 2x1, 1x1: four levels, 23 bytes.
    std::optional<Image> image = Image::loadDds(ddsFile(s, pattern(23)));
    QVERIFY(image);
    QCOMPARE(image->mipCount, 4);
    QCOMPARE(image->pixels, pattern(23));

    s.mips = 0xFFFFFFFFu;
    image = Image::loadDds(ddsFile(s, pattern(23)));
    QVERIFY(image);
    QCOMPARE(image->mipCount, 4);

    QVERIFY(!Image::loadDds(ddsFile(s, pattern(22))));
}

void TestDdsCodec::cubeFaceMajorBecomesLevelMajor()
{
    // 4x4 RGBA8 cube with three levels; each face level is filled with one byte
    // naming its face and level.
    DdsSpec s;
    s.dxgi = 28;
    s.mips = 3;
    s.caps2 = 0xFE00;
    const int levelBytes[3] = {64, 16, 4};
    QByteArray payload;
    for (int face = 0; face < 6; ++face) {
        for (int level = 0; level < 3; ++level) {
            payload += QByteArray(levelBytes[level], char(face * 16 + level));
        }
    }
    const std::optional<Image> image = Image::loadDds(ddsFile(s, payload));
    QVERIFY(image);
    QVERIFY(image->isCube());
    QCOMPARE(image->mipCount, 3);
    QCOMPARE(image->pixels.size(), payload.size());
    qsizetype pos = 0;
    for (int level = 0; level < 3; ++level) {
        QCOMPARE(image->levelOffset(level), std::int64_t(pos));
        for (int face = 0; face < 6; ++face) {
            QCOMPARE(image->pixels.mid(pos, levelBytes[level]),
                     QByteArray(levelBytes[level], char(face * 16 + level)));
            pos += levelBytes[level];
        }
    }
}

void TestDdsCodec::legacyChannelOrder()
{
    DdsSpec s;
    s.width = 1;
    s.height = 1;

    // BGR in memory (blue mask 0xFF) becomes RGB.
    s.bitCount = 24;
    s.masks[0] = 0xFF0000;
    s.masks[2] = 0xFF;
    std::optional<Image> image = Image::loadDds(ddsFile(s, bytes({1, 2, 3})));
    QVERIFY(image);
    QCOMPARE(image->pixels, bytes({3, 2, 1}));

    // RGB in memory (blue mask 0xFF0000) stays.
    s.masks[0] = 0xFF;
    s.masks[2] = 0xFF0000;
    image = Image::loadDds(ddsFile(s, bytes({1, 2, 3})));
    QVERIFY(image);
    QCOMPARE(image->pixels, bytes({1, 2, 3}));

    // BGRA with an alpha mask keeps its alpha.
    s.bitCount = 32;
    s.masks[0] = 0xFF0000;
    s.masks[2] = 0xFF;
    s.masks[3] = 0xFF000000;
    image = Image::loadDds(ddsFile(s, bytes({1, 2, 3, 4})));
    QVERIFY(image);
    QCOMPARE(image->pixels, bytes({3, 2, 1, 4}));

    // X8R8G8B8: the padding byte must not become a transparent alpha.
    s.masks[3] = 0;
    image = Image::loadDds(ddsFile(s, bytes({1, 2, 3, 0})));
    QVERIFY(image);
    QCOMPARE(image->pixels, bytes({3, 2, 1, 255}));

    // DX10 RGBA8 is in memory order already.
    DdsSpec dx10;
    dx10.width = dx10.height = 1;
    dx10.dxgi = 28;
    image = Image::loadDds(ddsFile(dx10, bytes({1, 2, 3, 0})));
    QVERIFY(image);
    QCOMPARE(image->pixels, bytes({1, 2, 3, 0}));
}

void TestDdsCodec::colourBlocks_data()
{
    QTest::addColumn<ImageFormat>("format");
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("texels"); // the four index values as RGB

    // c0 = 0xF800 (red 248), c1 = 0x001F (blue 248); indices 0, 1, 2, 3 in row 0.
    const QByteArray ends = bytes({0x00, 0xF8, 0x1F, 0x00});
    const QByteArray indices = bytes({0xE4, 0, 0, 0});
    QTest::newRow("DXT1 four colours") << ImageFormat::DXT1 << ends + indices
                                       << bytes({248, 0, 0, 0, 0, 248, 165, 0, 83, 83, 0, 165});
    // c0 = 0x001F <= c1 = 0xF800: colour 2 is the mean, colour 3 black.
    const QByteArray swapped = bytes({0x1F, 0x00, 0x00, 0xF8});
    QTest::newRow("DXT1 three colours") << ImageFormat::DXT1 << swapped + indices
                                        << bytes({0, 0, 248, 248, 0, 0, 124, 0, 124, 0, 0, 0});
    QTest::newRow("DXT1 equal ends")
        << ImageFormat::DXT1 << bytes({0xFF, 0xFF, 0xFF, 0xFF}) + indices
        << bytes({248, 252, 248, 248, 252, 248, 248, 252, 248, 0, 0, 0});
    // DXT3 and DXT5 colour blocks have no three-colour mode.
    const QByteArray noAlpha(8, '\xFF');
    QTest::newRow("DXT3 always four colours")
        << ImageFormat::DXT3 << noAlpha + swapped + indices
        << bytes({0, 0, 248, 248, 0, 0, 83, 0, 165, 165, 0, 83});
    const QByteArray opaque = bytes({255, 255, 0, 0, 0, 0, 0, 0});
    QTest::newRow("DXT5 always four colours")
        << ImageFormat::DXT5 << opaque + swapped + indices
        << bytes({0, 0, 248, 248, 0, 0, 83, 0, 165, 165, 0, 83});
}

void TestDdsCodec::colourBlocks()
{
    QFETCH(ImageFormat, format);
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, texels);

    Image image;
    image.width = image.height = 4;
    image.format = format;
    image.pixels = block;
    QVERIFY(image.uncompress());
    const int channels = format == ImageFormat::DXT1 ? 3 : 4;
    QCOMPARE(image.format, format == ImageFormat::DXT1 ? ImageFormat::RGB8 : ImageFormat::RGBA8);
    QCOMPARE(image.pixels.size(), 16 * channels);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(image.pixels.mid(i * channels, 3), texels.mid(i * 3, 3));
    }
    // Rows 1..3 all use index 0.
    QCOMPARE(image.pixels.mid(15 * channels, 3), texels.left(3));
}

void TestDdsCodec::alphaBlocks()
{
    // Indices 0..7 in the first eight texels: 3 bits each, LSB first.
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= std::uint64_t(i) << (3 * i);
    }
    QByteArray indexBytes;
    for (int i = 0; i < 6; ++i) {
        indexBytes.append(char((bits >> (8 * i)) & 0xFF));
    }
    const auto decode = [&](int a0, int a1) {
        Image image;
        image.width = image.height = 4;
        image.format = ImageFormat::ATI1N;
        image.pixels = bytes({a0, a1}) + indexBytes;
        return image.uncompress() ? image.pixels.left(8) : QByteArray();
    };
    // Eight values: (8 - i) a0 + (i - 1) a1 over 7, integer division.
    QCOMPARE(decode(200, 10), bytes({200, 10, 172, 145, 118, 91, 64, 37}));
    // Six values with 0 and 255 at indices 6 and 7.
    QCOMPARE(decode(10, 200), bytes({10, 200, 48, 86, 124, 162, 0, 255}));
    QCOMPARE(decode(7, 7), bytes({7, 7, 7, 7, 7, 7, 0, 255}));

    Image dxt5;
    dxt5.width = dxt5.height = 4;
    dxt5.format = ImageFormat::DXT5;
    dxt5.pixels = bytes({200, 10}) + indexBytes + QByteArray(8, '\0');
    QVERIFY(dxt5.uncompress());
    QCOMPARE(at(dxt5, 3), std::uint8_t(200));
    QCOMPARE(at(dxt5, 2 * 4 + 3), std::uint8_t(172));
    QCOMPARE(at(dxt5, 7 * 4 + 3), std::uint8_t(37));
}

void TestDdsCodec::explicitAlphaAndChannelOrder()
{
    Image dxt3;
    dxt3.width = dxt3.height = 4;
    dxt3.format = ImageFormat::DXT3;
    // Texel 0 alpha 1, texel 1 alpha 15, texel 2 alpha 8.
    dxt3.pixels = bytes({0xF1, 0x08, 0, 0, 0, 0, 0, 0}) + QByteArray(8, '\0');
    QVERIFY(dxt3.uncompress());
    QCOMPARE(at(dxt3, 3), std::uint8_t(17));
    QCOMPARE(at(dxt3, 7), std::uint8_t(255));
    QCOMPARE(at(dxt3, 11), std::uint8_t(136));
    QCOMPARE(at(dxt3, 15), std::uint8_t(0));

    // ATI2N: the second eight bytes give the first channel.
    Image ati2;
    ati2.width = ati2.height = 4;
    ati2.format = ImageFormat::ATI2N;
    ati2.pixels = bytes({30, 30, 0, 0, 0, 0, 0, 0, 220, 220, 0, 0, 0, 0, 0, 0});
    QVERIFY(ati2.uncompress());
    QCOMPARE(ati2.format, ImageFormat::RG8);
    QCOMPARE(ati2.pixels.left(2), bytes({220, 30}));
    QCOMPARE(ati2.pixels.size(), 32);
}

void TestDdsCodec::blocksClipAtEdge()
{
    // A 6x6 DXT1 image with two mips: 2x2 blocks, then 3x3 (one block), 1x1.
    Image image;
    image.width = image.height = 6;
    image.mipCount = 3;
    image.format = ImageFormat::DXT1;
    const QByteArray red = bytes({0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0});
    const QByteArray green = bytes({0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0});
    const QByteArray blue = bytes({0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0});
    const QByteArray white = bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    image.pixels = red + green + blue + white + green + blue;
    QVERIFY(image.uncompress());
    QCOMPARE(image.pixels.size(), (36 + 9 + 1) * 3);
    const auto texel = [&](qsizetype offset, int x, int y, int w) {
        return image.pixels.mid(offset + (y * w + x) * 3, 3);
    };
    QCOMPARE(texel(0, 3, 3, 6), bytes({248, 0, 0}));
    QCOMPARE(texel(0, 4, 3, 6), bytes({0, 252, 0}));
    QCOMPARE(texel(0, 3, 4, 6), bytes({0, 0, 248}));
    QCOMPARE(texel(0, 5, 5, 6), bytes({248, 252, 248}));
    QCOMPARE(texel(108, 2, 2, 3), bytes({0, 252, 0}));
    QCOMPARE(texel(135, 0, 0, 1), bytes({0, 0, 248}));

    // A buffer shorter than its chain is refused, not over-read.
    Image cut = image;
    cut.format = ImageFormat::DXT1;
    cut.pixels = red;
    QVERIFY(!cut.uncompress());
    QVERIFY(!Image().uncompress());
}

void TestDdsCodec::unpackConstants()
{
    Image rgb565;
    rgb565.width = 3;
    rgb565.height = 1;
    rgb565.format = ImageFormat::RGB565;
    rgb565.pixels = bytes({0xFF, 0xFF, 0x00, 0xF8, 0x10, 0x84}); // white, red, 16/32/16
    QVERIFY(rgb565.unpack());
    QCOMPARE(rgb565.format, ImageFormat::RGB8);
    QCOMPARE(rgb565.pixels, bytes({255, 255, 255, 255, 0, 0, 131, 129, 131}));

    Image rgba4;
    rgba4.width = 2;
    rgba4.height = 1;
    rgba4.format = ImageFormat::RGBA4;
    rgba4.pixels = bytes({0x21, 0x43, 0xFF, 0x0F}); // A=4 R=3 G=2 B=1; A=0 R=G=B=15
    QVERIFY(rgba4.unpack());
    QCOMPARE(rgba4.pixels, bytes({51, 34, 17, 68, 255, 255, 255, 0}));

    Image rgbe;
    rgbe.width = 2;
    rgbe.height = 1;
    rgbe.format = ImageFormat::RGBE8;
    rgbe.pixels = bytes({200, 100, 50, 0, 128, 64, 1, 137});
    QVERIFY(rgbe.unpack());
    QCOMPARE(rgbe.format, ImageFormat::RGB32F);
    float f[6];
    std::memcpy(f, rgbe.pixels.constData(), sizeof f);
    QCOMPARE(f[0], 0.0f);
    QCOMPARE(f[2], 0.0f);
    QCOMPARE(f[3], 256.0f); // 128 x 2^(137 - 136)
    QCOMPARE(f[4], 128.0f);
    QCOMPARE(f[5], 2.0f);

    Image other;
    other.width = other.height = 1;
    other.format = ImageFormat::RGB9E5;
    other.pixels = QByteArray(4, '\0');
    QVERIFY(!other.unpack());
    QCOMPARE(other.format, ImageFormat::RGB9E5);
    QVERIFY(!other.convert());
}

void TestDdsCodec::rgb10a2BothLayouts()
{
    // Red 1023, green 0, blue 512, alpha 3, in the DXGI order (red low) and in
    // the legacy A2R10G10B10 order (red high): both decode the same.
    const std::uint32_t dxgiOrder = 1023u | (0u << 10) | (512u << 20) | (3u << 30);
    const std::uint32_t legacyOrder = 512u | (0u << 10) | (1023u << 20) | (3u << 30);
    QByteArray a(4, '\0');
    QByteArray b(4, '\0');
    putU32(a, 0, dxgiOrder);
    putU32(b, 0, legacyOrder);

    DdsSpec dx10;
    dx10.width = dx10.height = 1;
    dx10.dxgi = 24;
    DdsSpec legacy;
    legacy.width = legacy.height = 1;
    legacy.bitCount = 32;
    legacy.masks[0] = 0x3FF00000;
    legacy.masks[1] = 0xFFC00;
    legacy.masks[2] = 0x3FF;
    legacy.masks[3] = 0xC0000000;
    for (const QByteArray &file : {ddsFile(dx10, a), ddsFile(legacy, b)}) {
        std::optional<Image> image = Image::loadDds(file);
        QVERIFY(image);
        QCOMPARE(image->format, ImageFormat::RGB10A2);
        QVERIFY(image->unpack());
        QCOMPARE(image->format, ImageFormat::RGBA16);
        std::uint16_t v[4];
        for (int c = 0; c < 4; ++c) {
            v[c] = qFromLittleEndian<std::uint16_t>(image->pixels.constData() + 2 * c);
        }
        QCOMPARE(v[0], std::uint16_t(65535));
        QCOMPARE(v[1], std::uint16_t(0));
        QCOMPARE(v[2], std::uint16_t((512ull * 0x400FC4) >> 16));
        QCOMPARE(v[3], std::uint16_t(65535));
        QVERIFY(image->convert());
        QCOMPARE(image->pixels, bytes({255, 0, 128, 255}));
    }
}

void TestDdsCodec::halfFloats_data()
{
    QTest::addColumn<int>("half");
    QTest::addColumn<float>("value");
    QTest::newRow("one") << 0x3C00 << 1.0f;
    QTest::newRow("minus two") << 0xC000 << -2.0f;
    QTest::newRow("largest") << 0x7BFF << 65504.0f;
    QTest::newRow("smallest normal") << 0x0400 << std::ldexp(1.0f, -14);
    QTest::newRow("smallest subnormal") << 0x0001 << std::ldexp(1.0f, -24);
    QTest::newRow("largest subnormal") << 0x03FF << std::ldexp(1023.0f, -24);
    QTest::newRow("zero") << 0x0000 << 0.0f;
    QTest::newRow("infinity") << 0x7C00 << std::numeric_limits<float>::infinity();
    QTest::newRow("minus infinity") << 0xFC00 << -std::numeric_limits<float>::infinity();
    QTest::newRow("third") << 0x3555 << 0.333251953125f;
}

void TestDdsCodec::halfFloats()
{
    QFETCH(int, half);
    QFETCH(float, value);
    QCOMPARE(halfToFloat(std::uint16_t(half)), value);
    QCOMPARE(int(floatToHalf(value)), half);
}

void TestDdsCodec::convertRules()
{
    QVERIFY(std::isnan(halfToFloat(0x7E00)));
    QCOMPARE(int(floatToHalf(1e6f)), 0x7C00);             // overflow to infinity
    QCOMPARE(int(floatToHalf(std::ldexp(1.0f, -26))), 0); // below half the smallest subnormal

    // One channel goes to red, green and blue; alpha is opaque.
    Image r8;
    r8.width = 2;
    r8.height = 1;
    r8.format = ImageFormat::R8;
    r8.pixels = bytes({7, 200});
    QVERIFY(r8.convert());
    QCOMPARE(r8.format, ImageFormat::RGBA8);
    QCOMPARE(r8.pixels, bytes({7, 7, 7, 255, 200, 200, 200, 255}));

    // Two channels: blue stays 0.
    Image rg16;
    rg16.width = rg16.height = 1;
    rg16.format = ImageFormat::RG16;
    rg16.pixels = bytes({0xFF, 0xFF, 0x80, 0x80});
    QVERIFY(rg16.convert());
    QCOMPARE(rg16.pixels, bytes({255, 128, 0, 255}));

    // Floats clamp to 0..1, then x255 + 0.5 truncated; NaN becomes 0.
    Image rgba32f;
    rgba32f.width = rgba32f.height = 1;
    rgba32f.format = ImageFormat::RGBA32F;
    const float values[4] = {2.0f, -1.0f, 0.5f, std::numeric_limits<float>::quiet_NaN()};
    rgba32f.pixels = QByteArray(reinterpret_cast<const char *>(values), sizeof values);
    QVERIFY(rgba32f.convert());
    QCOMPARE(rgba32f.pixels, bytes({255, 0, 128, 0}));

    Image rgb16f;
    rgb16f.width = rgb16f.height = 1;
    rgb16f.format = ImageFormat::RGB16F;
    QByteArray halves(6, '\0');
    qToLittleEndian(std::uint16_t(0x3C00), halves.data());
    qToLittleEndian(std::uint16_t(0x3555), halves.data() + 2);
    qToLittleEndian(std::uint16_t(0xFC00), halves.data() + 4);
    rgb16f.pixels = halves;
    QVERIFY(rgb16f.convert());
    QCOMPARE(rgb16f.pixels, bytes({255, 85, 0, 255}));

    // Formats above 40 and signed ones are refused unchanged.
    Image refused;
    refused.width = refused.height = 1;
    refused.format = ImageFormat::RGBA8S;
    refused.pixels = bytes({1, 2, 3, 4});
    QVERIFY(!refused.convert());
    QVERIFY(!refused.swapChannels());
    QCOMPARE(refused.pixels, bytes({1, 2, 3, 4}));

    Image rgba16;
    rgba16.width = rgba16.height = 1;
    rgba16.format = ImageFormat::RGBA16;
    rgba16.pixels = bytes({1, 2, 3, 4, 5, 6, 7, 8});
    QVERIFY(rgba16.swapChannels());
    QCOMPARE(rgba16.pixels, bytes({5, 6, 3, 4, 1, 2, 7, 8}));
}

void TestDdsCodec::toolFixtures_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<ImageFormat>("format");
    QTest::addColumn<int>("mipCount");
    QTest::addColumn<int>("channels"); // channels compared with the reference

    const QString nv = QStringLiteral("nvcompress");
    const struct
    {
        const char *flag;
        ImageFormat f;
        int channels;
    } nvFormats[] = {
        {"-bc1", ImageFormat::DXT1, 3},  {"-bc2", ImageFormat::DXT3, 4},
        {"-bc3", ImageFormat::DXT5, 4},  {"-bc4", ImageFormat::ATI1N, 1},
        {"-bc5", ImageFormat::ATI2N, 2},
    };
    for (const auto &n : nvFormats) {
        // 37x21 has six levels: 37, 18, 9, 4, 2, 1.
        QTest::addRow("nvcompress %s", n.flag)
            << nv << QStringList {QStringLiteral("-fast"), QLatin1String(n.flag)} << n.f << 6
            << n.channels;
        QTest::addRow("nvcompress %s -nomips", n.flag)
            << nv
            << QStringList {QStringLiteral("-fast"), QStringLiteral("-nomips"),
                            QLatin1String(n.flag)}
            << n.f << 1 << n.channels;
    }
    const QString im = QStringLiteral("convert");
    QTest::newRow("convert RGBA8")
        << im << QStringList {QStringLiteral("-define"), QStringLiteral("dds:compression=none")}
        << ImageFormat::RGBA8 << 1 << 4;
    QTest::newRow("convert RGB8") << im
                                  << QStringList {QStringLiteral("-alpha"), QStringLiteral("off"),
                                                  QStringLiteral("-define"),
                                                  QStringLiteral("dds:compression=none")}
                                  << ImageFormat::RGB8 << 1 << 3;
}

void TestDdsCodec::toolFixtures()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(ImageFormat, format);
    QFETCH(int, mipCount);
    QFETCH(int, channels);

    if (tool == QLatin1String("nvcompress") && !mHaveNvcompress) {
        QSKIP("nvcompress is not installed");
    }
    if (!mHaveMagick) {
        QSKIP("ImageMagick is not installed");
    }
    const QString dds = mDir.filePath(
        QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'))
        + QStringLiteral(".dds"));
    if (tool == QLatin1String("convert")) {
        QVERIFY(run(tool, QStringList {mSourcePng} + args + QStringList {dds}));
    } else {
        QVERIFY(run(tool, args + QStringList {mSourcePng, dds}));
    }
    const QByteArray file = readAll(dds);
    QString error;
    std::optional<Image> image = Image::loadDds(file, &error);
    QVERIFY2(image, qPrintable(error));
    QCOMPARE(image->format, format);
    QCOMPARE(image->width, 37);
    QCOMPARE(image->height, 21);
    QCOMPARE(image->mipCount, mipCount);
    QCOMPARE(image->getMipMappedSize(0, image->mipCount), std::int64_t(file.size() - 128));

    // The reference decode of level 0: ImageMagick where it reads the format,
    // else nvdecompress's picture read back through ImageMagick.
    QByteArray reference = magickRgba(dds);
    if (reference.isEmpty()) {
        QVERIFY(run(QStringLiteral("nvdecompress"), {dds}));
        QString tga = dds;
        tga.replace(QStringLiteral(".dds"), QStringLiteral(".tga"));
        reference = magickRgba(tga);
        if (format == ImageFormat::ATI2N) {
            // The decoder here puts the second block into the first channel;
            // nvdecompress puts the first block into red.
            for (qsizetype i = 0; i + 4 <= reference.size(); i += 4) {
                std::swap(reference[i], reference[i + 1]);
            }
        }
    }
    QCOMPARE(reference.size(), qsizetype(37 * 21 * 4));

    if (isCompressedFormat(image->format)) {
        QVERIFY(image->uncompress());
    }
    QVERIFY(image->convert());
    QCOMPARE(image->pixels.size(), qsizetype(image->getPixelCount(0, mipCount) * 4));
    const int tolerance = isCompressedFormat(format) ? 8 : 0;
    const int worst = maxChannelDifference(*image, reference, channels);
    QVERIFY2(worst <= tolerance,
             qPrintable(QStringLiteral("worst channel difference %1").arg(worst)));
}

void TestDdsCodec::toolCubeMaps()
{
    if (!mHaveNvcompress) {
        QSKIP("nvcompress is not installed");
    }
    QStringList faces;
    const QRgb colours[6] = {qRgb(200, 10, 10),  qRgb(10, 200, 10),  qRgb(10, 10, 200),
                             qRgb(200, 200, 10), qRgb(10, 200, 200), qRgb(200, 10, 200)};
    for (int f = 0; f < 6; ++f) {
        QImage face(8, 8, QImage::Format_RGB32);
        face.fill(colours[f]);
        faces << mDir.filePath(QStringLiteral("face%1.png").arg(f));
        QVERIFY(face.save(faces.last()));
    }
    const QString cube = mDir.filePath(QStringLiteral("cube.dds"));
    QVERIFY(run(QStringLiteral("nvassemble"), QStringList {QStringLiteral("-cube")} + faces
                                                  + QStringList {QStringLiteral("-o"), cube}));
    const QString cubeDxt1 = mDir.filePath(QStringLiteral("cube-dxt1.dds"));
    QVERIFY(run(QStringLiteral("nvcompress"),
                {QStringLiteral("-fast"), QStringLiteral("-bc1"), cube, cubeDxt1}));

    // nvassemble: X8R8G8B8, one level; nvcompress: DXT1, each face with four levels.
    for (const QString &path : {cube, cubeDxt1}) {
        std::optional<Image> image = Image::loadDds(readAll(path));
        QVERIFY(image);
        QVERIFY(image->isCube());
        QCOMPARE(image->mipCount, path == cube ? 1 : 4);
        if (isCompressedFormat(image->format)) {
            QVERIFY(image->uncompress());
        }
        QVERIFY(image->convert());
        for (int level = 0; level < image->mipCount; ++level) {
            const std::int64_t offset = image->levelOffset(level);
            const std::int64_t faceSize = image->levelSize(level) / 6;
            for (int f = 0; f < 6; ++f) {
                const qsizetype p = qsizetype(offset + f * faceSize);
                QVERIFY(std::abs(at(*image, p) - qRed(colours[f])) <= 8);
                QVERIFY(std::abs(at(*image, p + 1) - qGreen(colours[f])) <= 8);
                QVERIFY(std::abs(at(*image, p + 2) - qBlue(colours[f])) <= 8);
                QCOMPARE(at(*image, p + 3), std::uint8_t(255));
            }
        }
    }
}

void TestDdsCodec::textureSize()
{
    DdsSpec s;
    s.width = 640;
    s.height = 48;
    const QByteArray header = ddsFile(s, {});
    const DdsTextureSize size = ddsTextureSize(header);
    QCOMPARE(size.width, 640u);
    QCOMPARE(size.height, 48u);
    QCOMPARE(ddsTextureSize(header.left(127)).width, 0u);
    QCOMPARE(ddsTextureSize(QByteArray()).height, 0u);
    QByteArray png = header;
    png[0] = 'P';
    QCOMPARE(ddsTextureSize(png).width, 0u);
    QCOMPARE(ddsTextureSize(png).height, 0u);
}

void TestDdsCodec::textureSizeSharesDecoderChecks()
{
    // Sizes the decoder refuses are no size: the bake would make a framebuffer of them.
    const auto refused = [](std::uint32_t w, std::uint32_t h, std::uint32_t d,
                            std::uint32_t caps2) {
        DdsSpec s;
        s.fourCC = "DXT1";
        s.width = w;
        s.height = h;
        s.depth = d;
        s.caps2 = caps2;
        const QByteArray header = ddsFile(s, {});
        const DdsTextureSize size = ddsTextureSize(header);
        QString error;
        const bool decodes = bool(Image::loadDds(header + pattern(1 << 16), &error));
        return size.width == 0 && size.height == 0 && !decodes && error.contains("is outside");
    };
    QVERIFY(refused(0, 48, 0, 0));
    QVERIFY(refused(640, 0, 0, 0));
    QVERIFY(refused(16385, 4, 0, 0));
    QVERIFY(refused(0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0));
    QVERIFY(refused(4, 4, 0x80000000u, 0));
    // A cube map's depth field is not its depth.
    QVERIFY(!refused(4, 4, 0x80000000u, 0x200));

    // The pixel format is not needed: a DX10 file cut after 128 bytes still has its size.
    DdsSpec dx10;
    dx10.dxgi = 71;
    dx10.width = 16384;
    dx10.height = 8;
    const DdsTextureSize size = ddsTextureSize(ddsFile(dx10, {}).left(128));
    QCOMPARE(size.width, 16384u);
    QCOMPARE(size.height, 8u);
}

void TestDdsCodec::thumbnail()
{
    // 2x2 DX10 RGBA8: top row black, bottom row full red weight.
    DdsSpec s;
    s.width = s.height = 2;
    s.dxgi = 28;
    const QByteArray pixels = bytes({0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0});
    const glm::vec4 armour(10, 20, 30, 255);
    // Only c0 mixes in; the others have no strength.
    const std::array<glm::vec4, 4> colours = {glm::vec4(250, 100, 50, 255), glm::vec4(0, 0, 0, 0),
                                              glm::vec4(0, 0, 0, 0), glm::vec4(0, 0, 0, 0)};
    const QImage swatch = ddsThumbnail(ddsFile(s, pixels), armour, colours);
    QVERIFY(!swatch.isNull());
    QCOMPARE(swatch.size(), QSize(128, 128));
    QCOMPARE(swatch.format(), QImage::Format_ARGB32_Premultiplied);
    // Mirrored vertically: the image's first row ends at the bottom.
    QCOMPARE(swatch.pixel(0, 127), qRgb(10, 20, 30));
    QCOMPARE(swatch.pixel(127, 0), qRgb(250, 100, 50));

    // Half the weight of a half-strength colour: a quarter of the way.
    const QByteArray half = bytes({128, 0, 0, 0});
    s.width = s.height = 1;
    const std::array<glm::vec4, 4> weak = {glm::vec4(210, 20, 30, 128), glm::vec4(0), glm::vec4(0),
                                           glm::vec4(0)};
    const QImage mixed = ddsThumbnail(ddsFile(s, half), armour, weak);
    const float t = (128 / 255.0f) * (128 / 255.0f);
    QCOMPARE(mixed.pixel(64, 64), qRgb(int(10 + 200 * t), 20, 30));

    // An odd width, whose RGB rows are not 32-bit aligned.
    DdsSpec odd;
    odd.width = 3;
    odd.height = 2;
    odd.bitCount = 8;
    const QImage oddSwatch =
        ddsThumbnail(ddsFile(odd, bytes({0, 0, 0, 255, 255, 255})), armour, colours);
    QCOMPARE(oddSwatch.pixel(127, 0), qRgb(250, 100, 50));
    QCOMPARE(oddSwatch.pixel(127, 127), qRgb(10, 20, 30));

    // Colours beyond 0..255 in a game file saturate instead of wrapping.
    const std::array<glm::vec4, 4> loud = {glm::vec4(400, -50, 30, 255), glm::vec4(0), glm::vec4(0),
                                           glm::vec4(0)};
    QCOMPARE(ddsThumbnail(ddsFile(s, bytes({255, 0, 0, 0})), armour, loud).pixel(0, 0),
             qRgb(255, 0, 30));

    QVERIFY(ddsThumbnail(QByteArray("not a texture"), armour, colours).isNull());
}

void TestDdsCodec::gameFileHelpers()
{
    FileManager files;
    DdsSpec s;
    s.width = 3;
    s.height = 2;
    s.bitCount = 8;
    const QString path = mDir.filePath(QStringLiteral("camo.dds"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(ddsFile(s, bytes({0, 0, 0, 0, 0, 0})));
    out.close();

    const DdsTextureSize size = ddsTextureSize(path);
    QCOMPARE(size.width, 3u);
    QCOMPARE(size.height, 2u);
    const glm::vec4 armour(10, 20, 30, 255);
    const std::array<glm::vec4, 4> colours = {glm::vec4(255), glm::vec4(0), glm::vec4(0),
                                              glm::vec4(0)};
    const std::unique_ptr<QImage> swatch(ddsThumbnail(path, armour, colours));
    QVERIFY(swatch);
    QCOMPARE(swatch->pixel(5, 5), qRgb(10, 20, 30)); // black texture: the armour colour

    const QString missing = mDir.filePath(QStringLiteral("missing.dds"));
    QCOMPARE(ddsTextureSize(missing).width, 0u);
    QCOMPARE(ddsThumbnail(missing, armour, colours), nullptr);

    const QString shortFile = mDir.filePath(QStringLiteral("short.dds"));
    QFile cut(shortFile);
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(ddsFile(s, {}).left(100));
    cut.close();
    QCOMPARE(ddsTextureSize(shortFile).width, 0u);
    QCOMPARE(ddsThumbnail(shortFile, armour, colours), nullptr);
}

QTEST_GUILESS_MAIN(TestDdsCodec)
#include "test_ddscodec.moc"
