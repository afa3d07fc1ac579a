#include "gamedata/image.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

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
    case ImageFormat::DXT1: decodeColourBlock(src, false, out); break;
    case ImageFormat::DXT3:
        // Like DXT5, DXT3 colour blocks are always in four-colour mode.
        decodeExplicitAlpha(src, out);
        decodeColourBlock(src + 8, true, out);
        break;
    case ImageFormat::DXT5:
        decodeAlphaBlock(src, out, 3);
        decodeColourBlock(src + 8, true, out);
        break;
    case ImageFormat::ATI1N: decodeAlphaBlock(src, out, 0); break;
    case ImageFormat::ATI2N:
        // The second block carries the first channel.
        decodeAlphaBlock(src + 8, out, 0);
        decodeAlphaBlock(src, out, 1);
        break;
    default: break;
    }
}

// The four colours of a colour block as little-endian RGBA words, alpha 0;
// the same rules as decodeColourBlock.
Q_ALWAYS_INLINE void colourPalette(const std::uint8_t *src, bool alwaysFourColours,
                                   std::uint32_t out[4])
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
                                  | (std::uint32_t(src[14]) << 16) | (std::uint32_t(src[15]) << 24);
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
            const std::uint32_t texel =
                colours[(indices >> (2 * i)) & 3] | values[(bits >> (shift * i)) & mask];
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
                    decodeRgbBlockDirect(src, dst + (std::int64_t(by) * 4 * w + bx * 4) * Channels,
                                         rowBytes);
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

} // namespace

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
