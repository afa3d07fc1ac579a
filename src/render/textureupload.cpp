#include "render/textureupload.h"

#include "render/glerror.h"
#include "render/internal/glcore.h"

#include "core/log.h"

#include <QOpenGLFunctions_3_2_Core>

// Block formats of the S3TC extension, which the GL 3.2 headers need not name.
#ifndef GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
#define GL_COMPRESSED_RGBA_S3TC_DXT1_EXT 0x83F1
#endif
#ifndef GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
#define GL_COMPRESSED_RGBA_S3TC_DXT3_EXT 0x83F2
#endif
#ifndef GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
#define GL_COMPRESSED_RGBA_S3TC_DXT5_EXT 0x83F3
#endif

namespace {

// Packed layouts go up as RGBA8; one that unpack or convert refuses (RGB9E5,
// RG11B10F) goes up unchanged.
void prepare(Image &image)
{
    const int v = int(image.format);
    if (v >= 41 && v <= 46) {
        Image converted = image;
        if (converted.unpack() && converted.convert()) {
            image = std::move(converted);
        }
    }
}

// Both the regular and the HD image must be single 2D images of the same block
// format, the HD one exactly twice as wide and high, or the chain is incomplete.
bool canJoin(const Image &regular, const Image &hd)
{
    return isCompressedFormat(hd.format) && hd.format == regular.format && hd.depth == 1
           && regular.depth == 1 && hd.width == 2 * regular.width
           && hd.height == 2 * regular.height;
}

GLuint upload(Image &image, const Image *hd)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return 0;
    }
    prepare(image);
    const GLenum compressed = glCompressedFormat(image.format);
    const GlPixelFormat pixel = glPixelFormat(image.format);
    if (compressed == 0 && pixel.internalFormat == 0) {
        return 0;
    }
    if (image.getMipMappedSize(0, image.mipCount) > image.pixels.size()) {
        return 0; // an image built by hand without its whole chain
    }

    bool join = false;
    if (hd) {
        if (hd->mipCount > 1) {
            logLine(QStringLiteral("HD texture has mip maps, this texture should only contain base "
                                   "level 0 and no further mip maps."),
                    Warning);
        }
        if (hd->width <= image.width || hd->height <= image.height) {
            logLine(QStringLiteral("Regular texture is the same size(or larger) than the HD "
                                   "texture, skipping HD texture."),
                    Warning);
        } else if (!canJoin(image, *hd)) {
            logLine(QStringLiteral("HD texture (%1x%2, format %3) is not the regular texture's "
                                   "block format at twice its size (%4x%5, format %6), skipping HD "
                                   "texture.")
                        .arg(hd->width)
                        .arg(hd->height)
                        .arg(int(hd->format))
                        .arg(image.width)
                        .arg(image.height)
                        .arg(int(image.format)),
                    Warning);
        } else {
            join = true;
        }
    }

    checkGlError(QStringLiteral("before uploadTexture"));
    const GLenum target = glTextureTarget(image);
    GLuint texture = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(target, texture);
    GLint alignment = 4;
    gl->glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    int glLevel = 0;
    if (join) {
        gl->glCompressedTexImage2D(GL_TEXTURE_2D, 0, glCompressedFormat(hd->format), hd->width,
                                   hd->height, 0, GLsizei(hd->levelSize(0)),
                                   hd->pixels.constData());
        glLevel = 1;
    }
    for (int level = 0; level < image.mipCount; ++level, ++glLevel) {
        const char *data = image.pixels.constData() + image.levelOffset(level);
        const GLsizei size = GLsizei(image.levelSize(level));
        const GLsizei w = image.levelWidth(level);
        const GLsizei h = image.levelHeight(level);
        if (target == GL_TEXTURE_CUBE_MAP) {
            const GLsizei faceSize = size / 6;
            for (int face = 0; face < 6; ++face) {
                const GLenum faceTarget = GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face);
                const char *faceData = data + face * faceSize;
                if (compressed) {
                    gl->glCompressedTexImage2D(faceTarget, glLevel, compressed, w, h, 0, faceSize,
                                               faceData);
                } else {
                    gl->glTexImage2D(faceTarget, glLevel, GLint(pixel.internalFormat), w, h, 0,
                                     pixel.pixelFormat, pixel.pixelType, faceData);
                }
            }
        } else if (target == GL_TEXTURE_3D) {
            const GLsizei d = image.levelDepth(level);
            if (compressed) {
                gl->glCompressedTexImage3D(target, glLevel, compressed, w, h, d, 0, size, data);
            } else {
                gl->glTexImage3D(target, glLevel, GLint(pixel.internalFormat), w, h, d, 0,
                                 pixel.pixelFormat, pixel.pixelType, data);
            }
        } else if (compressed) {
            gl->glCompressedTexImage2D(target, glLevel, compressed, w, h, 0, size, data);
        } else {
            gl->glTexImage2D(target, glLevel, GLint(pixel.internalFormat), w, h, 0,
                             pixel.pixelFormat, pixel.pixelType, data);
        }
    }
    gl->glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, glLevel - 1);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    gl->glBindTexture(target, 0);

    const int errors =
        reportGlErrors(QStringLiteral("uploadTexture"), [gl]() { return gl->glGetError(); });
    if (errors > 0) {
        gl->glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

} // namespace

GlPixelFormat glPixelFormat(ImageFormat format)
{
    switch (format) {
    case ImageFormat::R8: return {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
    case ImageFormat::RG8: return {GL_RG8, GL_RG, GL_UNSIGNED_BYTE};
    case ImageFormat::RGB8: return {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE};
    case ImageFormat::RGBA8: return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};
    case ImageFormat::R16: return {GL_R16, GL_RED, GL_UNSIGNED_SHORT};
    case ImageFormat::RG16: return {GL_RG16, GL_RG, GL_UNSIGNED_SHORT};
    case ImageFormat::RGB16: return {GL_RGB16, GL_RGB, GL_UNSIGNED_SHORT};
    case ImageFormat::RGBA16: return {GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT};
    case ImageFormat::R16F: return {GL_R16F, GL_RED, GL_HALF_FLOAT};
    case ImageFormat::RG16F: return {GL_RG16F, GL_RG, GL_HALF_FLOAT};
    case ImageFormat::RGB16F: return {GL_RGB16F, GL_RGB, GL_HALF_FLOAT};
    case ImageFormat::RGBA16F: return {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT};
    case ImageFormat::R32F: return {GL_R32F, GL_RED, GL_FLOAT};
    case ImageFormat::RG32F: return {GL_RG32F, GL_RG, GL_FLOAT};
    case ImageFormat::RGB32F: return {GL_RGB32F, GL_RGB, GL_FLOAT};
    case ImageFormat::RGBA32F: return {GL_RGBA32F, GL_RGBA, GL_FLOAT};
    case ImageFormat::RGB9E5: return {GL_RGB9_E5, GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV};
    case ImageFormat::RG11B10F: return {GL_R11F_G11F_B10F, GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV};
    default: return {};
    }
}

GLenum glCompressedFormat(ImageFormat format)
{
    switch (format) {
    case ImageFormat::DXT1: return GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
    case ImageFormat::DXT3: return GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
    case ImageFormat::DXT5: return GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    case ImageFormat::ATI1N: return GL_COMPRESSED_RED_RGTC1;
    case ImageFormat::ATI2N: return GL_COMPRESSED_RG_RGTC2;
    default: return 0;
    }
}

GLenum glTextureTarget(const Image &image)
{
    if (image.isCube()) {
        return GL_TEXTURE_CUBE_MAP;
    }
    return image.depth > 1 ? GL_TEXTURE_3D : GL_TEXTURE_2D;
}

GLuint uploadTexture(Image image)
{
    return upload(image, nullptr);
}

GLuint uploadTexture(Image image, const Image &hd)
{
    return upload(image, &hd);
}
