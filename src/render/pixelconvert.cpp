#include "render/image.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The DDS file header: the magic followed by DDS_HEADER with its embedded
// DDS_PIXELFORMAT, 128 bytes, all fields little-endian u32.
struct DdsHeader
{
    std::uint32_t magic;             // "DDS "
    std::uint32_t size;              // 124, not checked: writers disagree
    std::uint32_t flags;             // DDSD_*, not read
    std::uint32_t height;            // offset 12
    std::uint32_t width;             // offset 16
    std::uint32_t pitchOrLinearSize; // not read
    std::uint32_t depth;             // offset 24, volume textures only
    std::uint32_t mipMapCount;       // offset 28, 0 from writers that make no mips
    std::uint32_t reserved1[11];
    std::uint32_t pfSize;            // DDS_PIXELFORMAT.dwSize
    std::uint32_t pfFlags;           // DDPF_*, not read: the FourCC is taken as it stands
    std::uint32_t fourCC;            // offset 84
    std::uint32_t rgbBitCount;       // offset 88
    std::uint32_t redMask;           // offset 92
    std::uint32_t greenMask;         // offset 96
    std::uint32_t blueMask;          // offset 100
    std::uint32_t alphaMask;         // offset 104
    std::uint32_t caps;              // not read
    std::uint32_t caps2;             // offset 112, DDSCAPS2_CUBEMAP = 0x200
    std::uint32_t caps3;
    std::uint32_t caps4;
    std::uint32_t reserved2;
};
static_assert(sizeof(DdsHeader) == 128, "DDS header is 4 + 124 bytes");

// DDS_HEADER_DXT10, present when the FourCC is "DX10"; only the DXGI format is read.
struct DdsHeaderDx10
{
    std::uint32_t dxgiFormat;        // offset 128
    std::uint32_t resourceDimension; // ignored
    std::uint32_t miscFlag;          // ignored, cube flag included
    std::uint32_t arraySize;         // ignored
    std::uint32_t miscFlags2;        // ignored
};
static_assert(sizeof(DdsHeaderDx10) == 20, "DX10 header is 20 bytes");

constexpr std::uint32_t fourCC(char a, char b, char c, char d)
{
    return std::uint32_t(std::uint8_t(a)) | (std::uint32_t(std::uint8_t(b)) << 8)
           | (std::uint32_t(std::uint8_t(c)) << 16) | (std::uint32_t(std::uint8_t(d)) << 24);
}

constexpr std::uint32_t kDdsMagic = fourCC('D', 'D', 'S', ' ');
constexpr std::uint32_t kCubeMapCaps = 0x200;

void toHost(std::uint32_t &v)
{
    v = qFromLittleEndian(v);
}

ImageFormat formatFromDxgi(std::uint32_t dxgi)
{
    switch (dxgi) {
    case 2: return ImageFormat::RGBA32F;  // R32G32B32A32_FLOAT
    case 6: return ImageFormat::RGB32F;   // R32G32B32_FLOAT
    case 10: return ImageFormat::RGBA16F; // R16G16B16A16_FLOAT
    case 11: return ImageFormat::RGBA16;  // R16G16B16A16_UNORM
    case 16: return ImageFormat::RG32F;   // R32G32_FLOAT
    case 24: return ImageFormat::RGB10A2; // R10G10B10A2_UNORM
    case 26: return ImageFormat::RG11B10F;
    case 28: return ImageFormat::RGBA8;   // R8G8B8A8_UNORM
    case 34: return ImageFormat::RG16F;
    case 35: return ImageFormat::RG16;
    case 41: return ImageFormat::R32F;
    case 49: return ImageFormat::RG8;
    case 54: return ImageFormat::R16F;
    case 56: return ImageFormat::R16;
    case 61: return ImageFormat::R8;
    case 67: return ImageFormat::RGB9E5;  // R9G9B9E5_SHAREDEXP
    case 71: return ImageFormat::DXT1;    // BC1_UNORM
    case 74: return ImageFormat::DXT3;    // BC2_UNORM
    case 77: return ImageFormat::DXT5;    // BC3_UNORM
    case 80: return ImageFormat::ATI1N;   // BC4_UNORM
    case 83: return ImageFormat::ATI2N;   // BC5_UNORM
    default: return ImageFormat::None;
    }
}

// FourCC codes, and the D3DFORMAT numbers some writers put in the FourCC field.
ImageFormat formatFromFourCC(std::uint32_t code)
{
    switch (code) {
    case fourCC('D', 'X', 'T', '1'): return ImageFormat::DXT1;
    case fourCC('D', 'X', 'T', '3'): return ImageFormat::DXT3;
    case fourCC('D', 'X', 'T', '5'): return ImageFormat::DXT5;
    case fourCC('A', 'T', 'I', '1'): return ImageFormat::ATI1N;
    case fourCC('A', 'T', 'I', '2'): return ImageFormat::ATI2N;
    case 36: return ImageFormat::RGBA16;  // D3DFMT_A16B16G16R16
    case 34: return ImageFormat::RG16;    // D3DFMT_G16R16
    case 111: return ImageFormat::R16F;
    case 112: return ImageFormat::RG16F;
    case 113: return ImageFormat::RGBA16F;
    case 114: return ImageFormat::R32F;
    case 115: return ImageFormat::RG32F;
    case 116: return ImageFormat::RGBA32F;
    default: return ImageFormat::None;
    }
}

// Legacy uncompressed layouts, told apart by bit count and masks.
ImageFormat formatFromMasks(const DdsHeader &h)
{
    switch (h.rgbBitCount) {
    case 8:
        return ImageFormat::R8;
    case 16:
        if (h.alphaMask == 0xF000) {
            return ImageFormat::RGBA4; // A4R4G4B4
        }
        if (h.alphaMask == 0xFF00) {
            return ImageFormat::RG8; // A8L8
        }
        if (h.blueMask == 0x1F) {
            // X1R5G5B5 and A1R5G5B5 share the blue mask; only a 6-bit green is 565.
            return h.greenMask == 0x07E0 ? ImageFormat::RGB565 : ImageFormat::None;
        }
        return ImageFormat::R16;
    case 24:
        return ImageFormat::RGB8;
    case 32:
        return h.redMask == 0x3FF00000 ? ImageFormat::RGB10A2 : ImageFormat::RGBA8;
    default:
        return ImageFormat::None;
    }
}

int floorLog2(std::uint32_t v)
{
    int n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

void setError(QString *error, const QString &text)
{
    if (error) {
        *error = text;
    }
}

std::uint16_t readU16(const char *p)
{
    return qFromLittleEndian<std::uint16_t>(p);
}

std::uint32_t readU32(const char *p)
{
    return qFromLittleEndian<std::uint32_t>(p);
}

float readF32(const char *p)
{
    const std::uint32_t bits = readU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void writeU16(char *p, std::uint16_t v)
{
    qToLittleEndian(v, p);
}

void writeF32(char *p, float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    qToLittleEndian(bits, p);
}

// One decoded 4x4 block, texel (x, y) at [y * 4 + x], up to four channels.
using Block = std::uint8_t[16][4];

// Colour half of DXT1/3/5: two RGB565 end points and 2-bit indices, LSB first,
// row by row. End points are widened by shifting, without bit replication.
inline void decodeColourBlock(const std::uint8_t *src, bool alwaysFourColours, Block out)
{
    const int c0 = src[0] | (src[1] << 8);
    const int c1 = src[2] | (src[3] << 8);
    std::uint8_t colours[4][4] = {};
    const int r0 = ((c0 >> 11) & 0x1F) * 8, g0 = ((c0 >> 5) & 0x3F) * 4, b0 = (c0 & 0x1F) * 8;
    const int r1 = ((c1 >> 11) & 0x1F) * 8, g1 = ((c1 >> 5) & 0x3F) * 4, b1 = (c1 & 0x1F) * 8;
    colours[0][0] = std::uint8_t(r0);
    colours[0][1] = std::uint8_t(g0);
    colours[0][2] = std::uint8_t(b0);
    colours[1][0] = std::uint8_t(r1);
    colours[1][1] = std::uint8_t(g1);
    colours[1][2] = std::uint8_t(b1);
    if (c0 > c1 || alwaysFourColours) {
        colours[2][0] = std::uint8_t((2 * r0 + r1 + 1) / 3);
        colours[2][1] = std::uint8_t((2 * g0 + g1 + 1) / 3);
        colours[2][2] = std::uint8_t((2 * b0 + b1 + 1) / 3);
        colours[3][0] = std::uint8_t((r0 + 2 * r1 + 1) / 3);
        colours[3][1] = std::uint8_t((g0 + 2 * g1 + 1) / 3);
        colours[3][2] = std::uint8_t((b0 + 2 * b1 + 1) / 3);
    } else {
        colours[2][0] = std::uint8_t((r0 + r1 + 1) / 2);
        colours[2][1] = std::uint8_t((g0 + g1 + 1) / 2);
        colours[2][2] = std::uint8_t((b0 + b1 + 1) / 2);
    }
    const std::uint32_t indices = std::uint32_t(src[4]) | (std::uint32_t(src[5]) << 8)
                                  | (std::uint32_t(src[6]) << 16) | (std::uint32_t(src[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t *c = colours[(indices >> (2 * i)) & 3];
        out[i][0] = c[0];
        out[i][1] = c[1];
        out[i][2] = c[2];
    }
}

// DXT5 alpha and ATI1N/ATI2N channel block: a0, a1 and 3-bit indices, LSB first.
inline void decodeAlphaBlock(const std::uint8_t *src, Block out, int channel)
{
    const int a0 = src[0];
    const int a1 = src[1];
    int values[8];
    values[0] = a0;
    values[1] = a1;
    if (a0 > a1) {
        for (int i = 2; i < 8; ++i) {
            values[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
        }
    } else {
        for (int i = 2; i < 6; ++i) {
            values[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
        }
        values[6] = 0;
        values[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= std::uint64_t(src[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        out[i][channel] = std::uint8_t(values[(bits >> (3 * i)) & 7]);
    }
}

// DXT3 alpha: 4 bits per texel, LSB first, widened by x17.
inline void decodeExplicitAlpha(const std::uint8_t *src, Block out)
{
    for (int i = 0; i < 16; ++i) {
        const int nibble = (src[i / 2] >> ((i & 1) * 4)) & 0xF;
        out[i][3] = std::uint8_t(nibble * 17);
    }
}

inline void decodeBlock(ImageFormat format, const std::uint8_t *src, Block out)
{
    switch (format) {
    case ImageFormat::DXT1:
        decodeColourBlock(src, false, out);
        break;
    case ImageFormat::DXT3:
        // Like DXT5, DXT3 colour blocks are always in four-colour mode.
        decodeExplicitAlpha(src, out);
        decodeColourBlock(src + 8, true, out);
        break;
    case ImageFormat::DXT5:
        decodeAlphaBlock(src, out, 3);
        decodeColourBlock(src + 8, true, out);
        break;
    case ImageFormat::ATI1N:
        decodeAlphaBlock(src, out, 0);
        break;
    case ImageFormat::ATI2N:
        // The second block carries the first channel.
        decodeAlphaBlock(src + 8, out, 0);
        decodeAlphaBlock(src, out, 1);
        break;
    default:
        break;
    }
}

// The four colours of a colour block as little-endian RGBA words, alpha 0;
// the same rules as decodeColourBlock.
Q_ALWAYS_INLINE void colourPalette(const std::uint8_t *src, bool alwaysFourColours, std::uint32_t out[4])
{
    const int c0 = src[0] | (src[1] << 8);
    const int c1 = src[2] | (src[3] << 8);
    const int r0 = ((c0 >> 11) & 0x1F) * 8, g0 = ((c0 >> 5) & 0x3F) * 4, b0 = (c0 & 0x1F) * 8;
    const int r1 = ((c1 >> 11) & 0x1F) * 8, g1 = ((c1 >> 5) & 0x3F) * 4, b1 = (c1 & 0x1F) * 8;
    const auto word = [](int r, int g, int b) {
        return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
    };
    out[0] = word(r0, g0, b0);
    out[1] = word(r1, g1, b1);
    if (c0 > c1 || alwaysFourColours) {
        out[2] = word((2 * r0 + r1 + 1) / 3, (2 * g0 + g1 + 1) / 3, (2 * b0 + b1 + 1) / 3);
        out[3] = word((r0 + 2 * r1 + 1) / 3, (g0 + 2 * g1 + 1) / 3, (b0 + 2 * b1 + 1) / 3);
    } else {
        out[2] = word((r0 + r1 + 1) / 2, (g0 + g1 + 1) / 2, (b0 + b1 + 1) / 2);
        out[3] = 0;
    }
}

// A whole DXT3 or DXT5 block straight into an RGBA8 picture, row stride in bytes.
template <ImageFormat F>
inline void decodeRgbaBlockDirect(const std::uint8_t *src, std::uint8_t *origin,
                                  std::int64_t rowBytes)
{
    std::uint32_t colours[4];
    colourPalette(src + 8, true, colours);
    const std::uint32_t indices = std::uint32_t(src[12]) | (std::uint32_t(src[13]) << 8)
                                  | (std::uint32_t(src[14]) << 16)
                                  | (std::uint32_t(src[15]) << 24);
    // Alpha per texel, already in the top byte: 3-bit indices (DXT5) or nibbles (DXT3).
    std::uint32_t values[16];
    std::uint64_t bits = 0;
    int shift = 4;
    std::uint32_t mask = 0xF;
    if constexpr (F == ImageFormat::DXT5) {
        const int a0 = src[0];
        const int a1 = src[1];
        values[0] = std::uint32_t(a0) << 24;
        values[1] = std::uint32_t(a1) << 24;
        if (a0 > a1) {
            for (int i = 2; i < 8; ++i) {
                values[i] = std::uint32_t(((8 - i) * a0 + (i - 1) * a1) / 7) << 24;
            }
        } else {
            for (int i = 2; i < 6; ++i) {
                values[i] = std::uint32_t(((6 - i) * a0 + (i - 1) * a1) / 5) << 24;
            }
            values[6] = 0;
            values[7] = 255u << 24;
        }
        for (int i = 0; i < 6; ++i) {
            bits |= std::uint64_t(src[2 + i]) << (8 * i);
        }
        shift = 3;
        mask = 7;
    } else {
        for (int i = 0; i < 16; ++i) {
            values[i] = std::uint32_t(i * 17) << 24;
        }
        for (int i = 0; i < 8; ++i) {
            bits |= std::uint64_t(src[i]) << (8 * i);
        }
    }
    for (int y = 0; y < 4; ++y) {
        std::uint8_t *row = origin + y * rowBytes;
        for (int x = 0; x < 4; ++x) {
            const int i = y * 4 + x;
            const std::uint32_t texel
                = colours[(indices >> (2 * i)) & 3] | values[(bits >> (shift * i)) & mask];
            qToLittleEndian(texel, row + x * 4);
        }
    }
}

// A whole DXT1 block straight into an RGB8 picture, row stride in bytes.
inline void decodeRgbBlockDirect(const std::uint8_t *src, std::uint8_t *origin,
                                 std::int64_t rowBytes)
{
    std::uint32_t colours[4];
    colourPalette(src, false, colours);
    std::uint8_t bytes[4][4];
    for (int c = 0; c < 4; ++c) {
        qToLittleEndian(colours[c], bytes[c]);
    }
    const std::uint32_t indices = std::uint32_t(src[4]) | (std::uint32_t(src[5]) << 8)
                                  | (std::uint32_t(src[6]) << 16) | (std::uint32_t(src[7]) << 24);
    for (int y = 0; y < 4; ++y) {
        std::uint8_t *row = origin + y * rowBytes;
        for (int x = 0; x < 4; ++x) {
            std::memcpy(row + x * 3, bytes[(indices >> (2 * (y * 4 + x))) & 3], 3);
        }
    }
}

// Decodes one w x h plane of blocks, advancing src past its blocks and dst past
// its texels. Blocks at the right and bottom edge are clipped.
template <ImageFormat F, int Channels>
void decodePlane(const std::uint8_t *&src, std::uint8_t *&dst, int w, int h)
{
    constexpr int blockBytes = (F == ImageFormat::DXT1 || F == ImageFormat::ATI1N) ? 8 : 16;
    const std::int64_t rowBytes = std::int64_t(w) * Channels;
    for (int by = 0; by * 4 < h; ++by) {
        const int rows = std::min(4, h - by * 4);
        for (int bx = 0; bx * 4 < w; ++bx) {
            const int columns = std::min(4, w - bx * 4);
            if constexpr (F == ImageFormat::DXT1) {
                if (rows == 4 && columns == 4) {
                    decodeRgbBlockDirect(
                        src, dst + (std::int64_t(by) * 4 * w + bx * 4) * Channels, rowBytes);
                    src += blockBytes;
                    continue;
                }
            }
            if constexpr (F == ImageFormat::DXT5 || F == ImageFormat::DXT3) {
                if (rows == 4 && columns == 4) {
                    decodeRgbaBlockDirect<F>(
                        src, dst + (std::int64_t(by) * 4 * w + bx * 4) * Channels, rowBytes);
                    src += blockBytes;
                    continue;
                }
            }
            Block block;
            decodeBlock(F, src, block);
            src += blockBytes;
            std::uint8_t *origin = dst + (std::int64_t(by) * 4 * w + bx * 4) * Channels;
            if (Channels == 4 && rows == 4 && columns == 4) {
                // A whole RGBA block row is 16 contiguous bytes in both layouts.
                for (int y = 0; y < 4; ++y) {
                    std::memcpy(origin + y * rowBytes, block[y * 4], 16);
                }
                continue;
            }
            for (int y = 0; y < rows; ++y) {
                std::uint8_t *p = origin + y * rowBytes;
                for (int x = 0; x < columns; ++x) {
                    std::memcpy(p + x * Channels, block[y * 4 + x], Channels);
                }
            }
        }
    }
    dst += rowBytes * h;
}

ImageFormat uncompressedFormat(ImageFormat format)
{
    switch (format) {
    case ImageFormat::DXT1: return ImageFormat::RGB8;
    case ImageFormat::DXT3:
    case ImageFormat::DXT5: return ImageFormat::RGBA8;
    case ImageFormat::ATI1N: return ImageFormat::R8;
    case ImageFormat::ATI2N: return ImageFormat::RG8;
    default: return ImageFormat::None;
    }
}

// How convert() reads one channel of a source format.
enum class ChannelKind { None, U8, U16, Half, Float };

ChannelKind channelKind(ImageFormat format)
{
    const int v = int(format);
    if (v >= 1 && v <= 4) {
        return ChannelKind::U8;
    }
    if (v >= 5 && v <= 8) {
        return ChannelKind::U16;
    }
    if (v >= 17 && v <= 20) {
        return ChannelKind::Half;
    }
    if (v >= 21 && v <= 24) {
        return ChannelKind::Float;
    }
    return ChannelKind::None;
}

std::uint8_t toByte(float v)
{
    // NaN fails both comparisons and ends at 0.
    if (!(v > 0.0f)) {
        return 0;
    }
    if (v >= 1.0f) {
        return 255;
    }
    return std::uint8_t(v * 255.0f + 0.5f);
}

} // namespace

int imageChannels(ImageFormat format)
{
    switch (format) {
    case ImageFormat::None: return 0;
    case ImageFormat::RGBE8:
    case ImageFormat::RGB9E5:
    case ImageFormat::RG11B10F:
    case ImageFormat::RGB565: return 3;
    case ImageFormat::RGBA4:
    case ImageFormat::RGB10A2: return 4;
    case ImageFormat::D16:
    case ImageFormat::D24:
    case ImageFormat::D32F: return 1;
    case ImageFormat::D24S8: return 2;
    case ImageFormat::DXT1: return 3;
    case ImageFormat::DXT3:
    case ImageFormat::DXT5: return 4;
    case ImageFormat::ATI1N: return 1;
    case ImageFormat::ATI2N: return 2;
    default: return (int(format) - 1) % 4 + 1; // the 1..40 runs of four
    }
}

int imageBytesPerPixel(ImageFormat format)
{
    const int v = int(format);
    if (v >= 1 && v <= 40) {
        static const int channelBytes[10] = {1, 2, 1, 2, 2, 4, 2, 4, 2, 4};
        // Runs of four: U8, U16, S8, S16, F16, F32, I16, I32, UI16, UI32.
        return channelBytes[(v - 1) / 4] * imageChannels(format);
    }
    switch (format) {
    case ImageFormat::RGBE8:
    case ImageFormat::RGB9E5:
    case ImageFormat::RG11B10F:
    case ImageFormat::RGB10A2:
    case ImageFormat::D24:
    case ImageFormat::D24S8:
    case ImageFormat::D32F: return 4;
    case ImageFormat::RGB565:
    case ImageFormat::RGBA4:
    case ImageFormat::D16: return 2;
    default: return 0;
    }
}

int imageBlockBytes(ImageFormat format)
{
    switch (format) {
    case ImageFormat::DXT1:
    case ImageFormat::ATI1N: return 8;
    case ImageFormat::DXT3:
    case ImageFormat::DXT5:
    case ImageFormat::ATI2N: return 16;
    default: return 0;
    }
}

bool isCompressedFormat(ImageFormat format)
{
    return imageBlockBytes(format) != 0;
}

bool isFloatFormat(ImageFormat format)
{
    const int v = int(format);
    return (v >= 17 && v <= 43) || format == ImageFormat::D32F;
}

float halfToFloat(std::uint16_t half)
{
    const std::uint32_t sign = std::uint32_t(half & 0x8000) << 16;
    const std::uint32_t exponent = (half >> 10) & 0x1F;
    std::uint32_t mantissa = half & 0x3FF;
    std::uint32_t bits;
    if (exponent == 0) {
        if (mantissa == 0) {
            bits = sign;
        } else {
            // Subnormal: normalise into a float exponent.
            int e = -1;
            do {
                ++e;
                mantissa <<= 1;
            } while ((mantissa & 0x400) == 0);
            bits = sign | std::uint32_t(127 - 15 - e) << 23 | (mantissa & 0x3FF) << 13;
        }
    } else if (exponent == 31) {
        bits = sign | 0x7F800000 | mantissa << 13;
    } else {
        bits = sign | (exponent + 127 - 15) << 23 | mantissa << 13;
    }
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::uint16_t floatToHalf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint16_t sign = std::uint16_t((bits >> 16) & 0x8000);
    const int exponent = int((bits >> 23) & 0xFF);
    std::uint32_t mantissa = bits & 0x7FFFFF;
    if (exponent == 255) {
        return std::uint16_t(sign | 0x7C00 | (mantissa ? 0x200 : 0));
    }
    const int e = exponent - 127 + 15;
    if (e >= 31) {
        return std::uint16_t(sign | 0x7C00);
    }
    if (e <= 0) {
        if (e < -10) {
            return sign;
        }
        mantissa |= 0x800000;
        const int shift = 14 - e;
        std::uint32_t half = mantissa >> shift;
        const std::uint32_t rest = mantissa & ((1u << shift) - 1);
        const std::uint32_t halfway = 1u << (shift - 1);
        if (rest > halfway || (rest == halfway && (half & 1))) {
            ++half;
        }
        return std::uint16_t(sign | half);
    }
    std::uint32_t half = std::uint32_t(e) << 10 | mantissa >> 13;
    const std::uint32_t rest = mantissa & 0x1FFF;
    if (rest > 0x1000 || (rest == 0x1000 && (half & 1))) {
        ++half; // may carry into the exponent, up to infinity, as it should
    }
    return std::uint16_t(sign | half);
}

std::optional<Image> Image::loadDds(const QByteArray &data, QString *error)
{
    const std::int64_t size = data.size();
    if (size < std::int64_t(sizeof(DdsHeader))) {
        setError(error, QStringLiteral("DDS header needs 128 bytes, %1 found").arg(size));
        return std::nullopt;
    }
    DdsHeader h;
    std::memcpy(&h, data.constData(), sizeof h);
    for (std::uint32_t *field : {&h.magic, &h.height, &h.width, &h.depth, &h.mipMapCount,
                                 &h.fourCC, &h.rgbBitCount, &h.redMask, &h.greenMask,
                                 &h.blueMask, &h.alphaMask, &h.caps2}) {
        toHost(*field);
    }
    if (h.magic != kDdsMagic) {
        setError(error, QStringLiteral("DDS magic \"DDS \" expected, 0x%1 found")
                            .arg(h.magic, 8, 16, QLatin1Char('0')));
        return std::nullopt;
    }

    Image image;
    std::int64_t pos = sizeof(DdsHeader);
    bool legacyLayout = false;
    if (h.fourCC == fourCC('D', 'X', '1', '0')) {
        if (size - pos < std::int64_t(sizeof(DdsHeaderDx10))) {
            setError(error, QStringLiteral("DX10 header at 0x80 needs 20 bytes, %1 remain")
                                .arg(size - pos));
            return std::nullopt;
        }
        DdsHeaderDx10 dx10;
        std::memcpy(&dx10, data.constData() + pos, sizeof dx10);
        toHost(dx10.dxgiFormat);
        pos += sizeof dx10;
        image.format = formatFromDxgi(dx10.dxgiFormat);
        if (image.format == ImageFormat::None) {
            setError(error, QStringLiteral("DXGI format %1 is not supported").arg(dx10.dxgiFormat));
            return std::nullopt;
        }
    } else {
        image.format = formatFromFourCC(h.fourCC);
        if (image.format == ImageFormat::None) {
            image.format = formatFromMasks(h);
            legacyLayout = true;
        }
        if (image.format == ImageFormat::None) {
            setError(error, QStringLiteral("DDS pixel format (FourCC 0x%1, %2 bits, masks %3 %4 "
                                           "%5 %6) is not supported")
                                .arg(h.fourCC, 8, 16, QLatin1Char('0'))
                                .arg(h.rgbBitCount)
                                .arg(h.redMask, 0, 16)
                                .arg(h.greenMask, 0, 16)
                                .arg(h.blueMask, 0, 16)
                                .arg(h.alphaMask, 0, 16));
            return std::nullopt;
        }
    }

    const bool cube = (h.caps2 & kCubeMapCaps) != 0;
    const std::uint32_t depth = cube ? 1 : std::max<std::uint32_t>(h.depth, 1);
    const std::uint32_t limit = kMaxDdsDimension;
    if (h.width == 0 || h.height == 0 || h.width > limit || h.height > limit || depth > limit) {
        setError(error, QStringLiteral("DDS size %1x%2x%3 is outside 1..%4")
                            .arg(h.width)
                            .arg(h.height)
                            .arg(depth)
                            .arg(limit));
        return std::nullopt;
    }
    image.width = int(h.width);
    image.height = int(h.height);
    image.depth = cube ? 0 : int(depth);
    // A count beyond the full chain would only repeat 1x1 levels that are not there.
    const int fullChain = floorLog2(std::max({h.width, h.height, depth})) + 1;
    image.mipCount = int(std::clamp<std::uint32_t>(h.mipMapCount, 1, std::uint32_t(fullChain)));
    image.arraySize = 1;

    const std::int64_t total = image.getMipMappedSize(0, image.mipCount);
    if (total > size - pos) {
        setError(error, QStringLiteral("DDS pixel data at 0x%1 needs %2 bytes for %3 levels, "
                                       "%4 remain")
                            .arg(pos, 0, 16)
                            .arg(total)
                            .arg(image.mipCount)
                            .arg(size - pos));
        return std::nullopt;
    }
    const char *src = data.constData() + pos;
    if (!cube) {
        image.pixels = QByteArray(src, qsizetype(total));
    } else {
        // Faces follow one another in the file, each with its whole chain; in
        // memory each level holds its six faces.
        image.pixels = QByteArray(qsizetype(total), Qt::Uninitialized);
        const std::int64_t faceChain = total / 6;
        std::int64_t levelStart = 0;
        std::int64_t faceLevelStart = 0;
        for (int level = 0; level < image.mipCount; ++level) {
            const std::int64_t faceSize = image.levelSize(level) / 6;
            for (int face = 0; face < 6; ++face) {
                std::memcpy(image.pixels.data() + levelStart + face * faceSize,
                            src + face * faceChain + faceLevelStart, size_t(faceSize));
            }
            levelStart += faceSize * 6;
            faceLevelStart += faceSize;
        }
    }

    if (legacyLayout) {
        if ((image.format == ImageFormat::RGB8 || image.format == ImageFormat::RGBA8)
            && h.blueMask == 0xFF) {
            image.swapChannels(); // BGR(A) in memory order
        }
        if (image.format == ImageFormat::RGBA8 && h.alphaMask == 0) {
            // X8R8G8B8: the fourth byte is padding, often 0.
            char *p = image.pixels.data();
            for (qsizetype i = 3; i < image.pixels.size(); i += 4) {
                p[i] = char(0xFF);
            }
        }
        if (image.format == ImageFormat::RGB10A2) {
            // A2R10G10B10 has red in the high bits; keep the DXGI and GL order
            // (red in the low bits) for every RGB10A2 image in memory.
            char *p = image.pixels.data();
            for (qsizetype i = 0; i + 4 <= image.pixels.size(); i += 4) {
                const std::uint32_t v = readU32(p + i);
                const std::uint32_t swapped = (v & 0xC00FFC00u) | ((v >> 20) & 0x3FF)
                                              | ((v & 0x3FF) << 20);
                qToLittleEndian(swapped, p + i);
            }
        }
    }
    return image;
}

int Image::levelWidth(int level) const
{
    return std::max(1, width >> level);
}

int Image::levelHeight(int level) const
{
    return std::max(1, height >> level);
}

int Image::levelDepth(int level) const
{
    return isCube() ? 1 : std::max(1, depth >> level);
}

std::int64_t Image::levelSize(int level) const
{
    if (level < 0 || level >= 32) {
        return -1;
    }
    const std::int64_t w = levelWidth(level);
    const std::int64_t h = levelHeight(level);
    const std::int64_t d = levelDepth(level);
    const int blockBytes = imageBlockBytes(format);
    std::int64_t bytes = blockBytes ? ((w + 3) / 4) * ((h + 3) / 4) * d * blockBytes
                                    : w * h * d * imageBytesPerPixel(format);
    if (isCube()) {
        bytes *= 6;
    }
    return bytes;
}

std::int64_t Image::levelOffset(int level) const
{
    if (level < 0 || level >= mipCount) {
        return -1;
    }
    return getMipMappedSize(0, level);
}

namespace {

// The sum of perLevel over levels first..first+count-1, stopping where every halved
// dimension has reached 0.
template <typename PerLevel>
std::int64_t sumLevels(const Image &image, int first, int count, PerLevel perLevel)
{
    std::int64_t total = 0;
    const int d = image.isCube() ? 1 : image.depth;
    for (int level = first; level < first + count && level < 32; ++level) {
        if (level > first && (image.width >> level) == 0 && (image.height >> level) == 0
            && (d >> level) == 0) {
            break;
        }
        total += perLevel(level);
    }
    return total;
}

} // namespace

std::int64_t Image::getMipMappedSize(int first, int count) const
{
    return sumLevels(*this, first, count, [this](int level) { return levelSize(level); });
}

std::int64_t Image::getPixelCount(int first, int count) const
{
    return sumLevels(*this, first, count, [this](int level) {
        return std::int64_t(levelWidth(level)) * levelHeight(level) * levelDepth(level)
               * (isCube() ? 6 : 1);
    });
}

bool Image::uncompress()
{
    const ImageFormat target = uncompressedFormat(format);
    if (target == ImageFormat::None) {
        return false;
    }
    Image out;
    out.width = width;
    out.height = height;
    out.depth = depth;
    out.mipCount = mipCount;
    out.arraySize = arraySize;
    out.format = target;
    const std::int64_t outSize = out.getMipMappedSize(0, mipCount);
    if (getMipMappedSize(0, mipCount) > pixels.size()) {
        return false; // a hand-built image shorter than its chain
    }
    out.pixels = QByteArray(qsizetype(outSize), Qt::Uninitialized);
    const auto *src = reinterpret_cast<const std::uint8_t *>(pixels.constData());
    auto *dst = reinterpret_cast<std::uint8_t *>(out.pixels.data());
    const int slices = isCube() ? 6 : 1;
    for (int level = 0; level < mipCount; ++level) {
        const int w = levelWidth(level);
        const int h = levelHeight(level);
        const int planes = levelDepth(level) * slices;
        for (int plane = 0; plane < planes; ++plane) {
            switch (format) {
            case ImageFormat::DXT1: decodePlane<ImageFormat::DXT1, 3>(src, dst, w, h); break;
            case ImageFormat::DXT3: decodePlane<ImageFormat::DXT3, 4>(src, dst, w, h); break;
            case ImageFormat::DXT5: decodePlane<ImageFormat::DXT5, 4>(src, dst, w, h); break;
            case ImageFormat::ATI1N: decodePlane<ImageFormat::ATI1N, 1>(src, dst, w, h); break;
            case ImageFormat::ATI2N: decodePlane<ImageFormat::ATI2N, 2>(src, dst, w, h); break;
            default: break;
            }
        }
    }
    *this = std::move(out);
    return true;
}

bool Image::unpack()
{
    ImageFormat target;
    switch (format) {
    case ImageFormat::RGBE8: target = ImageFormat::RGB32F; break;
    case ImageFormat::RGB565: target = ImageFormat::RGB8; break;
    case ImageFormat::RGBA4: target = ImageFormat::RGBA8; break;
    case ImageFormat::RGB10A2: target = ImageFormat::RGBA16; break;
    default: return false;
    }
    const std::int64_t pixelCount = getPixelCount(0, mipCount);
    const int srcBpp = imageBytesPerPixel(format);
    if (pixelCount * srcBpp > pixels.size()) {
        return false;
    }
    Image out = *this;
    out.format = target;
    const int dstBpp = imageBytesPerPixel(target);
    out.pixels = QByteArray(qsizetype(pixelCount * dstBpp), Qt::Uninitialized);
    const char *s = pixels.constData();
    char *d = out.pixels.data();
    for (std::int64_t i = 0; i < pixelCount; ++i, s += srcBpp, d += dstBpp) {
        switch (format) {
        case ImageFormat::RGBE8: {
            const auto *b = reinterpret_cast<const std::uint8_t *>(s);
            // Shared exponent e: value = mantissa byte x 2^(e - 128 - 8).
            const float scale = b[3] ? std::ldexp(1.0f, int(b[3]) - 136) : 0.0f;
            for (int c = 0; c < 3; ++c) {
                writeF32(d + 4 * c, float(b[c]) * scale);
            }
            break;
        }
        case ImageFormat::RGB565: {
            const std::uint16_t v = readU16(s);
            // x2106 >> 8 and x1037 >> 8 widen 5 and 6 bits to 0..255.
            d[0] = char((((v >> 11) & 0x1F) * 2106) >> 8);
            d[1] = char((((v >> 5) & 0x3F) * 1037) >> 8);
            d[2] = char(((v & 0x1F) * 2106) >> 8);
            break;
        }
        case ImageFormat::RGBA4: {
            const std::uint16_t v = readU16(s); // A4R4G4B4
            d[0] = char(((v >> 8) & 0xF) * 17);
            d[1] = char(((v >> 4) & 0xF) * 17);
            d[2] = char((v & 0xF) * 17);
            d[3] = char(((v >> 12) & 0xF) * 17);
            break;
        }
        case ImageFormat::RGB10A2: {
            const std::uint32_t v = readU32(s); // red in the low bits
            for (int c = 0; c < 3; ++c) {
                const std::uint64_t bits = (v >> (10 * c)) & 0x3FF;
                writeU16(d + 2 * c, std::uint16_t((bits * 0x400FC4) >> 16));
            }
            writeU16(d + 6, std::uint16_t((v >> 30) * 21845));
            break;
        }
        default:
            break;
        }
    }
    *this = std::move(out);
    return true;
}

bool Image::convert()
{
    if (format == ImageFormat::RGBA8) {
        return true;
    }
    const ChannelKind kind = channelKind(format);
    if (kind == ChannelKind::None) {
        return false;
    }
    const int channels = imageChannels(format);
    const int srcBpp = imageBytesPerPixel(format);
    const int channelBytes = srcBpp / channels;
    const std::int64_t pixelCount = getPixelCount(0, mipCount);
    if (pixelCount * srcBpp > pixels.size()) {
        return false;
    }
    Image out = *this;
    out.format = ImageFormat::RGBA8;
    out.pixels = QByteArray(qsizetype(pixelCount * 4), Qt::Uninitialized);
    const char *s = pixels.constData();
    auto *d = reinterpret_cast<std::uint8_t *>(out.pixels.data());
    for (std::int64_t i = 0; i < pixelCount; ++i, s += srcBpp, d += 4) {
        float v[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        for (int c = 0; c < channels; ++c) {
            const char *p = s + c * channelBytes;
            switch (kind) {
            case ChannelKind::U8: v[c] = float(std::uint8_t(*p)) / 255.0f; break;
            case ChannelKind::U16: v[c] = float(readU16(p)) / 65535.0f; break;
            case ChannelKind::Half: v[c] = halfToFloat(readU16(p)); break;
            case ChannelKind::Float: v[c] = readF32(p); break;
            case ChannelKind::None: break;
            }
        }
        if (channels == 1) {
            v[1] = v[2] = v[0];
        }
        for (int c = 0; c < 4; ++c) {
            d[c] = toByte(v[c]);
        }
    }
    *this = std::move(out);
    return true;
}

bool Image::swapChannels()
{
    const ChannelKind kind = channelKind(format);
    const int channels = imageChannels(format);
    if (kind == ChannelKind::None || channels < 3) {
        return false;
    }
    const int bpp = imageBytesPerPixel(format);
    const int channelBytes = bpp / channels;
    char *p = pixels.data();
    for (qsizetype i = 0; i + bpp <= pixels.size(); i += bpp) {
        for (int b = 0; b < channelBytes; ++b) {
            std::swap(p[i + b], p[i + 2 * channelBytes + b]);
        }
    }
    return true;
}
