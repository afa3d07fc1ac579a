#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <glm/glm.hpp>

#include <array>
#include <cstdint>

struct DdsTextureSize
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Width and height from the first 128 bytes of a DDS file; (0, 0) when fewer
// than 128 bytes are given, the magic is not "DDS ", or the header has a size
// the decoder refuses (0 or beyond kMaxDdsDimension). Reads nothing else.
[[nodiscard]] DdsTextureSize ddsTextureSize(const QByteArray &bytes);
// The same for a game file found through FileManager; (0, 0) when it cannot be opened.
[[nodiscard]] DdsTextureSize ddsTextureSize(const QString &gamePath);

// The coloured 128 x 128 swatch of a camouflage texture: level 0 of the DDS,
// decoded to RGBA8, each texel mixed from armorColor by the four colours (0..255
// per channel, alpha the mixing strength) weighted by its r, g, b and a bytes,
// mirrored vertically, in ARGB32 premultiplied. A null image when the bytes do
// not decode.
[[nodiscard]] QImage ddsThumbnail(const QByteArray &dds, const glm::vec4 &armorColor,
                                  const std::array<glm::vec4, 4> &colors);
// The swatch of a game texture found through FileManager. The caller owns the
// image; null when the file cannot be opened or decoded.
[[nodiscard]] QImage *ddsThumbnail(const QString &texturePath, const glm::vec4 &armorColor,
                                   const std::array<glm::vec4, 4> &colors);
