#pragma once

#include "render/glhandle.h"

#include <glm/glm.hpp>

namespace internal {

// A one-pixel depth framebuffer the pick resolves one pixel of the view's depth into:
// a multisampled framebuffer cannot be read directly. Made and deleted with the
// context of the source framebuffer current; lives for one pick.
class PickTarget
{
public:
    // Sizes the depth buffer in the depth format of source's depth attachment.
    explicit PickTarget(GLuint source);
    PickTarget(const PickTarget &) = delete;
    PickTarget &operator=(const PickTarget &) = delete;

    // The depth (0..1) at pixel of the source (framebuffer pixels, bottom-left origin);
    // fallback when the target is incomplete or the value is not a depth. Leaves the
    // source bound as draw and read framebuffer.
    [[nodiscard]] float readDepth(glm::ivec2 pixel, float fallback);

private:
    GLuint mSource = 0;
    GlRenderbuffer mDepth;
    GlFramebuffer mFramebuffer;
    bool mComplete = false;
};

} // namespace internal
