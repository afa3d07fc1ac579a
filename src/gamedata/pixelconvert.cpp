#include "gamedata/image.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

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
        default: break;
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
