#include "render/internal/glcore.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>

namespace internal {

QOpenGLFunctions_3_2_Core *glCore()
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!context) {
        return nullptr;
    }
    auto *gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(context);
    if (gl) {
        gl->initializeOpenGLFunctions();
    }
    return gl;
}

} // namespace internal
