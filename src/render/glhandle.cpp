#include "render/glhandle.h"

#include "core/log.h"
#include "render/internal/glcore.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>

namespace internal {

QObject *currentGlOwner(GlObjectKind kind)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        return nullptr;
    }
    if (kind == GlObjectKind::VertexArray || kind == GlObjectKind::Framebuffer) {
        return context;
    }
    return context->shareGroup();
}

GLuint generateGlName(GlObjectKind kind)
{
    QOpenGLFunctions_3_2_Core *gl = glCore();
    if (!gl) {
        return 0;
    }
    GLuint name = 0;
    switch (kind) {
    case GlObjectKind::Buffer: gl->glGenBuffers(1, &name); break;
    case GlObjectKind::VertexArray: gl->glGenVertexArrays(1, &name); break;
    case GlObjectKind::Texture: gl->glGenTextures(1, &name); break;
    case GlObjectKind::Framebuffer: gl->glGenFramebuffers(1, &name); break;
    case GlObjectKind::Renderbuffer: gl->glGenRenderbuffers(1, &name); break;
    }
    return name;
}

void deleteGlName(GlObjectKind kind, GLuint name, const QObject *owner)
{
    QOpenGLFunctions_3_2_Core *gl = glCore();
    if (name == 0 || !owner || !gl) {
        return;
    }
    if (currentGlOwner(kind) != owner) {
        logLine(QStringLiteral("GL name %1 belongs to another context; not deleted").arg(name),
                Warning);
        return;
    }
    switch (kind) {
    case GlObjectKind::Buffer: gl->glDeleteBuffers(1, &name); break;
    case GlObjectKind::VertexArray: gl->glDeleteVertexArrays(1, &name); break;
    case GlObjectKind::Texture: gl->glDeleteTextures(1, &name); break;
    case GlObjectKind::Framebuffer: gl->glDeleteFramebuffers(1, &name); break;
    case GlObjectKind::Renderbuffer: gl->glDeleteRenderbuffers(1, &name); break;
    }
}

} // namespace internal
