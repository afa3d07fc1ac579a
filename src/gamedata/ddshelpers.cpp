#include "gamedata/ddshelpers.h"

#include "gamedata/image.h"
#include "gamedata/internal/ddsheader.h"

#include "core/filemanager.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The whole file, or at most maxBytes of it; empty when it cannot be opened.
QByteArray readGameFile(const QString &path, qint64 maxBytes = -1)
{
    FileManager *files = FileManager::instance();
    if (!files) {
        return {};
    }
    const std::unique_ptr<QBuffer> buffer(files->openFile(path));
    if (!buffer) {
        return {};
    }
    return maxBytes < 0 ? buffer->readAll() : buffer->read(maxBytes);
}

} // namespace

DdsTextureSize ddsTextureSize(const QByteArray &bytes)
{
    // The decoder's own header check: a size it would refuse is no size.
    const std::optional<DdsHeader> header = parseDdsHeader(bytes);
    if (!header) {
        return {};
    }
    return {header->width, header->height};
}

DdsTextureSize ddsTextureSize(const QString &gamePath)
{
    return ddsTextureSize(readGameFile(gamePath, 128));
}

QImage *ddsThumbnail(const QString &texturePath, const glm::vec4 &armorColor,
                     const std::array<glm::vec4, 4> &colors)
{
    QImage swatch = ddsThumbnail(readGameFile(texturePath), armorColor, colors);
    return swatch.isNull() ? nullptr : new QImage(std::move(swatch));
}

QImage ddsThumbnail(const QByteArray &dds, const glm::vec4 &armorColor,
                    const std::array<glm::vec4, 4> &colors)
{
    std::optional<Image> image = Image::loadDds(dds);
    if (!image) {
        return {};
    }
    const int v = int(image->format);
    if (v >= 41 && v <= 46) {
        image->unpack();
    }
    if (isCompressedFormat(image->format)) {
        image->uncompress();
    }
    if (!image->convert()) {
        return {};
    }
    const int w = image->width;
    const int h = image->height;
    const std::int64_t count = std::int64_t(w) * h;
    QByteArray rgb(qsizetype(count * 3), Qt::Uninitialized);
    const auto *src = reinterpret_cast<const std::uint8_t *>(image->pixels.constData());
    auto *dst = reinterpret_cast<std::uint8_t *>(rgb.data());
    for (std::int64_t i = 0; i < count; ++i, src += 4, dst += 3) {
        glm::vec3 col(armorColor);
        for (int k = 0; k < 4; ++k) {
            const float t = (src[k] / 255.0f) * (colors[size_t(k)].a / 255.0f);
            col = col + (glm::vec3(colors[size_t(k)]) - col) * t;
        }
        for (int c = 0; c < 3; ++c) {
            // Colours out of 0..255 in a game file must not overflow the byte.
            const float x = col[c];
            dst[c] = x > 0.0f ? std::uint8_t(std::min(x, 255.0f)) : 0;
        }
    }
    // Rows of the buffer are packed, not 32-bit aligned.
    const QImage wrapped(reinterpret_cast<const uchar *>(rgb.constData()), w, h, w * 3,
                         QImage::Format_RGB888);
    return wrapped.scaled(128, 128, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .mirrored(false, true);
}
