#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// Pixel layouts an Image can hold. The values are stored and compared, so they
// are fixed; gaps are formats the program names but never produces.
enum class ImageFormat : int {
    None = 0,
    R8 = 1,
    RG8 = 2,
    RGB8 = 3,
    RGBA8 = 4,
    R16 = 5,
    RG16 = 6,
    RGB16 = 7,
    RGBA16 = 8,
    R8S = 9,
    RG8S = 10,
    RGB8S = 11,
    RGBA8S = 12,
    R16S = 13,
    RG16S = 14,
    RGB16S = 15,
    RGBA16S = 16,
    R16F = 17,
    RG16F = 18,
    RGB16F = 19,
    RGBA16F = 20,
    R32F = 21,
    RG32F = 22,
    RGB32F = 23,
    RGBA32F = 24,
    R16I = 25,
    RG16I = 26,
    RGB16I = 27,
    RGBA16I = 28,
    R32I = 29,
    RG32I = 30,
    RGB32I = 31,
    RGBA32I = 32,
    R16UI = 33,
    RG16UI = 34,
    RGB16UI = 35,
    RGBA16UI = 36,
    R32UI = 37,
    RG32UI = 38,
    RGB32UI = 39,
    RGBA32UI = 40,
    RGBE8 = 41,
    RGB9E5 = 42,
    RG11B10F = 43,
    RGB565 = 44,
    RGBA4 = 45,
    RGB10A2 = 46,
    D16 = 47,
    D24 = 48,
    D24S8 = 49,
    D32F = 50,
    DXT1 = 51,
    DXT3 = 52,
    DXT5 = 53,
    ATI1N = 54,
    ATI2N = 55,
};

// Channels per pixel (block formats: channels after decoding); 0 for None.
[[nodiscard]] int imageChannels(ImageFormat format);
// Bytes per pixel of an unpacked format; 0 for block formats and None.
[[nodiscard]] int imageBytesPerPixel(ImageFormat format);
// Bytes per 4x4 block: 8 for DXT1 and ATI1N, 16 for DXT3, DXT5 and ATI2N, else 0.
[[nodiscard]] int imageBlockBytes(ImageFormat format);
[[nodiscard]] bool isCompressedFormat(ImageFormat format);
// 17..43 and D32F.
[[nodiscard]] bool isFloatFormat(ImageFormat format);

// IEEE 754 binary16 conversions.
[[nodiscard]] float halfToFloat(std::uint16_t half);
[[nodiscard]] std::uint16_t floatToHalf(float value);

// Largest width, height or depth a DDS file may give; the GL maximum of the
// machines the program runs on.
constexpr int kMaxDdsDimension = 16384;

// An image in memory: the whole mip chain of a 2D, 3D or cube-map texture,
// level after level (a cube map keeps the six faces of a level one after another).
// Holds no GL state; the texture upload is a separate step.
class Image
{
public:
    // Decodes a DDS file held in memory. Fails (empty result, reason in *error)
    // on a bad magic, an unmapped format, a zero or too large size, or data
    // shorter than the header and mip chain need; a mip count larger than the
    // size allows is cut to the full chain.
    [[nodiscard]] static std::optional<Image> loadDds(const QByteArray &data,
                                                      QString *error = nullptr);

    bool isCube() const { return depth == 0; }
    // Bytes of the levels first .. first + count - 1 (all six faces of a cube).
    [[nodiscard]] std::int64_t getMipMappedSize(int first, int count) const;
    // Pixels of the same levels.
    [[nodiscard]] std::int64_t getPixelCount(int first, int count) const;
    // Bytes of one level; -1 outside the chain.
    [[nodiscard]] std::int64_t levelSize(int level) const;
    // Byte offset of a level inside pixels; -1 outside the chain.
    [[nodiscard]] std::int64_t levelOffset(int level) const;
    int levelWidth(int level) const;
    int levelHeight(int level) const;
    // Depth of a level (1 for a cube map, whose faces are counted apart).
    int levelDepth(int level) const;

    // Decodes the block formats over every level: DXT1 to RGB8, DXT3 and DXT5 to
    // RGBA8, ATI1N to R8, ATI2N to RG8. False, image unchanged, for other formats.
    bool uncompress();
    // RGBE8 to RGB32F, RGB565 to RGB8, RGBA4 to RGBA8, RGB10A2 to RGBA16. False,
    // image unchanged, for other formats.
    bool unpack();
    // Any 8-bit, 16-bit, half or float format of one to four channels to RGBA8.
    // False, image unchanged, for the rest.
    bool convert();
    // Exchanges red and blue of an 8-bit, 16-bit or float image of three or four
    // channels. False for other formats.
    bool swapChannels();

    QByteArray pixels;
    int width = 0;
    int height = 0;
    int depth = 1;
    int mipCount = 1;
    int arraySize = 1;
    ImageFormat format = ImageFormat::None;
};
