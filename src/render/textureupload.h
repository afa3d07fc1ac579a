#pragma once

#include "gamedata/image.h"

using GLenum = unsigned int;
using GLuint = unsigned int;

// What glTexImage* needs for an uncompressed format; all zero when the GL
// cannot take the format as it is.
struct GlPixelFormat
{
    GLenum internalFormat = 0;
    GLenum pixelFormat = 0;
    GLenum pixelType = 0;
};

[[nodiscard]] GlPixelFormat glPixelFormat(ImageFormat format);
// The glCompressedTexImage* format of a block format; 0 for others. DXT1 goes
// up as RGBA so that alpha-tested textures keep their 1-bit alpha.
[[nodiscard]] GLenum glCompressedFormat(ImageFormat format);
// GL_TEXTURE_CUBE_MAP for a cube map, GL_TEXTURE_3D for depth above 1, else
// GL_TEXTURE_2D (images one texel high included: every user binds 2D).
[[nodiscard]] GLenum glTextureTarget(const Image &image);

// Creates a texture from a decoded image in the current context: packed
// formats are unpacked and converted to RGBA8 first, every level is uploaded
// (block formats as they lie), GL_TEXTURE_MAX_LEVEL is levels - 1. The texture
// is left unbound on its target. Answers the new name, owned by the caller, or
// 0 (nothing left behind) when the format cannot be uploaded or the GL refuses.
[[nodiscard]] GLuint uploadTexture(Image image);

// The same with a high-definition base level: the HD image becomes level 0 and
// the regular chain levels 1 and up, but only when the HD image is a 2D block
// format like the regular one at exactly twice its level-0 width and height.
// Otherwise a Warning is logged and the regular chain goes up alone.
[[nodiscard]] GLuint uploadTexture(Image image, const Image &hd);
