#include "render/shadowmap.h"

#include "core/log.h"
#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

#include <algorithm>

void ShadowMap::create(int requestedSide, GLuint restoreFramebuffer)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    GLint maxTextureSize = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    // A size past the limit is not always refused with GL_INVALID_VALUE: some drivers
    // crash in glTexImage2D instead.
    const int side = std::clamp(requestedSide, 1, std::max(1, int(maxTextureSize)));
    if (side != requestedSide) {
        logLine(QStringLiteral("Shadow Map size ") + QString::number(requestedSide)
                    + QStringLiteral(" outside 1..") + QString::number(maxTextureSize)
                    + QStringLiteral(", using ") + QString::number(side),
                Warning);
    }
    mSize = side;
    mTexture.reset();
    if (mFramebuffer.isEmpty()) {
        mFramebuffer = GlFramebuffer::generate();
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    mTexture = GlTexture::generate();
    gl->glBindTexture(GL_TEXTURE_2D, mTexture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, side, side, 0, GL_DEPTH_COMPONENT,
                     GL_FLOAT, nullptr);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // The shaders compare by hand, so the compare mode stays off.
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    gl->glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, mTexture, 0);
    gl->glDrawBuffer(GL_NONE);
    // Before GL 4.1 a depth-only framebuffer with a colour read buffer is incomplete.
    gl->glReadBuffer(GL_NONE);
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        logLine(QStringLiteral("Failed to create FBO."), Error);
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, restoreFramebuffer);
}

void ShadowMap::destroy()
{
    mTexture.reset();
    mFramebuffer.reset();
    mSize = 0;
}
