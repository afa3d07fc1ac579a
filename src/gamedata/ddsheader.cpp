#include "gamedata/internal/ddsheader.h"
#include "gamedata/image.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

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
    case 28: return ImageFormat::RGBA8; // R8G8B8A8_UNORM
    case 34: return ImageFormat::RG16F;
    case 35: return ImageFormat::RG16;
    case 41: return ImageFormat::R32F;
    case 49: return ImageFormat::RG8;
    case 54: return ImageFormat::R16F;
    case 56: return ImageFormat::R16;
    case 61: return ImageFormat::R8;
    case 67: return ImageFormat::RGB9E5; // R9G9B9E5_SHAREDEXP
    case 71: return ImageFormat::DXT1;   // BC1_UNORM
    case 74: return ImageFormat::DXT3;   // BC2_UNORM
    case 77: return ImageFormat::DXT5;   // BC3_UNORM
    case 80: return ImageFormat::ATI1N;  // BC4_UNORM
    case 83: return ImageFormat::ATI2N;  // BC5_UNORM
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
    case 36: return ImageFormat::RGBA16; // D3DFMT_A16B16G16R16
    case 34: return ImageFormat::RG16;   // D3DFMT_G16R16
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
    case 8: return ImageFormat::R8;
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
    case 24: return ImageFormat::RGB8;
    case 32: return h.redMask == 0x3FF00000 ? ImageFormat::RGB10A2 : ImageFormat::RGBA8;
    default: return ImageFormat::None;
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

} // namespace

std::optional<DdsHeader> parseDdsHeader(const QByteArray &data, QString *error)
{
    const std::int64_t size = data.size();
    if (size < std::int64_t(sizeof(DdsHeader))) {
        setError(error, QStringLiteral("DDS header needs 128 bytes, %1 found").arg(size));
        return std::nullopt;
    }
    std::uint32_t fields[sizeof(DdsHeader) / 4];
    std::memcpy(fields, data.constData(), sizeof fields);
    for (std::uint32_t &field : fields) {
        field = qFromLittleEndian(field);
    }
    DdsHeader h;
    std::memcpy(&h, fields, sizeof h);
    if (h.magic != kDdsMagic) {
        setError(error, QStringLiteral("DDS magic \"DDS \" expected, 0x%1 found")
                            .arg(h.magic, 8, 16, QLatin1Char('0')));
        return std::nullopt;
    }
    const std::uint32_t depth = h.volumeDepth();
    const std::uint32_t limit = kMaxDdsDimension;
    if (h.width == 0 || h.height == 0 || h.width > limit || h.height > limit || depth > limit) {
        setError(error, QStringLiteral("DDS size %1x%2x%3 is outside 1..%4")
                            .arg(h.width)
                            .arg(h.height)
                            .arg(depth)
                            .arg(limit));
        return std::nullopt;
    }
    return h;
}

std::optional<Image> Image::loadDds(const QByteArray &data, QString *error)
{
    const std::optional<DdsHeader> header = parseDdsHeader(data, error);
    if (!header) {
        return std::nullopt;
    }
    const DdsHeader &h = *header;
    const std::int64_t size = data.size();

    Image image;
    std::int64_t pos = sizeof(DdsHeader);
    bool legacyLayout = false;
    if (h.fourCC == fourCC('D', 'X', '1', '0')) {
        if (size - pos < std::int64_t(sizeof(DdsHeaderDx10))) {
            setError(
                error,
                QStringLiteral("DX10 header at 0x80 needs 20 bytes, %1 remain").arg(size - pos));
            return std::nullopt;
        }
        DdsHeaderDx10 dx10;
        std::memcpy(&dx10, data.constData() + pos, sizeof dx10);
        dx10.dxgiFormat = qFromLittleEndian(dx10.dxgiFormat);
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

    const bool cube = h.isCube();
    const std::uint32_t depth = h.volumeDepth();
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
                const std::uint32_t v = qFromLittleEndian<std::uint32_t>(p + i);
                const std::uint32_t swapped =
                    (v & 0xC00FFC00u) | ((v >> 20) & 0x3FF) | ((v & 0x3FF) << 20);
                qToLittleEndian(swapped, p + i);
            }
        }
    }
    return image;
}
