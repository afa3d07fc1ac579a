#include "gamedata/image.h"

#include <algorithm>

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
