#include "render/glerror.h"

#include "core/log.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace {

constexpr int maxReportedErrors = 32;

} // namespace

QString glErrorName(GLenum code)
{
    switch (code) {
    case 0: return QStringLiteral("GL_NO_ERROR");
    case 0x0500: return QStringLiteral("GL_INVALID_ENUM");
    case 0x0501: return QStringLiteral("GL_INVALID_VALUE");
    case 0x0502: return QStringLiteral("GL_INVALID_OPERATION");
    case 0x0503: return QStringLiteral("GL_STACK_OVERFLOW");
    case 0x0504: return QStringLiteral("GL_STACK_UNDERFLOW");
    case 0x0505: return QStringLiteral("GL_OUT_OF_MEMORY");
    case 0x0506: return QStringLiteral("GL_INVALID_FRAMEBUFFER_OPERATION");
    default:
        // The misspelling is the program's own text and stays.
        return QStringLiteral("UNKOWN GL ERROR.");
    }
}

int reportGlErrors(const QString &caller, const std::function<GLenum()> &getError)
{
    int count = 0;
    while (count < maxReportedErrors) {
        const GLenum error = getError();
        if (error == 0) {
            break;
        }
        ++count;
        logLine(QStringLiteral("OpenGL error. Caller: ") + caller + QStringLiteral(" gl err: ")
                    + glErrorName(error),
                Error);
    }
    return count;
}

void checkGlError(const QString &caller)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        return;
    }
    QOpenGLFunctions *gl = context->functions();
    reportGlErrors(caller, [gl]() { return gl->glGetError(); });
}
