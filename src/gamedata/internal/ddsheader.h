#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <optional>

// The DDS file header: the magic followed by DDS_HEADER with its embedded
// DDS_PIXELFORMAT, 128 bytes, all fields little-endian u32 in the file and in
// host order once parsed.
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
    std::uint32_t pfSize;      // DDS_PIXELFORMAT.dwSize
    std::uint32_t pfFlags;     // DDPF_*, not read: the FourCC is taken as it stands
    std::uint32_t fourCC;      // offset 84
    std::uint32_t rgbBitCount; // offset 88
    std::uint32_t redMask;     // offset 92
    std::uint32_t greenMask;   // offset 96
    std::uint32_t blueMask;    // offset 100
    std::uint32_t alphaMask;   // offset 104
    std::uint32_t caps;        // not read
    std::uint32_t caps2;       // offset 112, DDSCAPS2_CUBEMAP = 0x200
    std::uint32_t caps3;
    std::uint32_t caps4;
    std::uint32_t reserved2;

    bool isCube() const { return (caps2 & 0x200) != 0; }
    // Depth of level 0: 1 for a cube map, whose faces are counted apart, and for
    // writers that leave the field 0.
    std::uint32_t volumeDepth() const { return isCube() ? 1 : std::max<std::uint32_t>(depth, 1); }
};
static_assert(sizeof(DdsHeader) == 128, "DDS header is 4 + 124 bytes");

// The header at the start of a DDS file. Fails (reason in *error) when fewer than
// 128 bytes are given, the magic is not "DDS ", or the width, height or depth lies
// outside 1..kMaxDdsDimension. The pixel format is not looked at: a DX10 format
// lies beyond these 128 bytes.
[[nodiscard]] std::optional<DdsHeader> parseDdsHeader(const QByteArray &data,
                                                      QString *error = nullptr);
