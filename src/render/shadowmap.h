#pragma once

#include "render/glhandle.h"

// The depth texture the shadow pass draws into from the light, with the framebuffer
// around it. Empty until create(); move-only, safe to destroy without a context.
class ShadowMap
{
public:
    // Needs a current context. Makes the framebuffer once (kept across calls) and a new
    // side x side depth texture in it; a side outside 1..GL_MAX_TEXTURE_SIZE is clamped
    // with a Warning. An incomplete framebuffer is logged as an Error and kept. Leaves
    // restoreFramebuffer bound.
    void create(int requestedSide, GLuint restoreFramebuffer);
    // Deletes both names; needs the context they were made in to be current.
    void destroy();

    GLuint framebuffer() const { return mFramebuffer; }
    GLuint texture() const { return mTexture; }
    // Side of the texture in texels; 0 before create().
    int size() const { return mSize; }

private:
    GlFramebuffer mFramebuffer;
    GlTexture mTexture;
    int mSize = 0;
};
