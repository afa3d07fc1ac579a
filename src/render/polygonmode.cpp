#include "render/polygonmode.h"

#include "render/internal/glcore.h"

#include <QOpenGLFunctions_3_2_Core>

void setPolygonLines(bool lines)
{
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        gl->glPolygonMode(GL_FRONT_AND_BACK, lines ? GL_LINE : GL_FILL);
    }
}
