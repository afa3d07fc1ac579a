#include "render/internal/picktarget.h"

#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

namespace internal {

PickTarget::PickTarget(GLuint source)
    : mSource(source)
{
    QOpenGLFunctions_3_2_Core *gl = glCore();
    if (!gl) {
        return;
    }
    // The blit copies depth only between buffers of the same format.
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    GLint type = GL_NONE;
    gl->glGetFramebufferAttachmentParameteriv(GL_READ_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    GLenum depthFormat = GL_DEPTH24_STENCIL8;
    if (type == GL_RENDERBUFFER) {
        GLint name = 0;
        gl->glGetFramebufferAttachmentParameteriv(GL_READ_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                                  GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
        GLint internalFormat = 0;
        gl->glBindRenderbuffer(GL_RENDERBUFFER, GLuint(name));
        gl->glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT,
                                         &internalFormat);
        if (internalFormat != 0) {
            depthFormat = GLenum(internalFormat);
        }
    }
    mDepth = GlRenderbuffer::generate();
    gl->glBindRenderbuffer(GL_RENDERBUFFER, mDepth);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, 1, 1);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);
    mFramebuffer = GlFramebuffer::generate();
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mFramebuffer);
    const GLenum attachment =
        (depthFormat == GL_DEPTH24_STENCIL8 || depthFormat == GL_DEPTH32F_STENCIL8)
            ? GL_DEPTH_STENCIL_ATTACHMENT
            : GL_DEPTH_ATTACHMENT;
    gl->glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, attachment, GL_RENDERBUFFER, mDepth);
    gl->glDrawBuffer(GL_NONE);
    gl->glReadBuffer(GL_NONE);
    mComplete = gl->glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    gl->glBindFramebuffer(GL_FRAMEBUFFER, source);
}

float PickTarget::readDepth(glm::ivec2 pixel, float fallback)
{
    QOpenGLFunctions_3_2_Core *gl = glCore();
    if (!gl || !mComplete) {
        return fallback;
    }
    float depth = fallback;
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, mSource);
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mFramebuffer);
    gl->glBlitFramebuffer(pixel.x, pixel.y, pixel.x + 1, pixel.y + 1, 0, 0, 1, 1,
                          GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, mFramebuffer);
    gl->glReadPixels(0, 0, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, mSource);
    return depth >= 0.0f && depth <= 1.0f ? depth : fallback;
}

} // namespace internal
