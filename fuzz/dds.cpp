// DDS bytes through the header parse, level sizes and every CPU conversion.
#include "gamedata/ddshelpers.h"
#include "gamedata/image.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const DdsTextureSize headerSize = ddsTextureSize(bytes);
    QString error;
    const std::optional<Image> image = Image::loadDds(bytes, &error);
    if (std::getenv("HULLSCOPE_FUZZ_PRINT")) {
        std::printf("size %ux%u, %s\n", headerSize.width, headerSize.height,
                    image ? "decoded" : qPrintable(error));
    }
    if (!image) {
        return 0;
    }
    for (int level = 0; level < image->mipCount; ++level) {
        if (image->levelOffset(level) + image->levelSize(level) > image->pixels.size()) {
            std::abort(); // the chain must lie inside the pixels
        }
    }
    Image decoded = *image;
    decoded.uncompress();
    decoded.unpack();
    decoded.convert();
    decoded.swapChannels();
    Image unpacked = *image;
    unpacked.unpack();
    unpacked.convert();
    const std::array<glm::vec4, 4> colors = {glm::vec4(255), glm::vec4(128), glm::vec4(64),
                                             glm::vec4(32)};
    const QImage swatch = ddsThumbnail(bytes, glm::vec4(10, 20, 30, 255), colors);
    (void)swatch;
    return 0;
}
