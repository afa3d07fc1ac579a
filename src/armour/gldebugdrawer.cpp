#include "armour/internal/gldebugdrawer.h"

#include "render/linebatch.h"
#include "render/renderwidget.h"

#include <QColor>

#include <cstdio>

namespace internal {

void GLDebugDrawer::drawLine(const btVector3 &from, const btVector3 &to, const btVector3 &,
                             const btVector3 &)
{
    LineBatch *batch = mView ? mView->lineBatch.get() : nullptr;
    if (!batch) {
        return;
    }
    batch->addLine(glm::vec3(from.x(), from.y(), from.z()), glm::vec3(to.x(), to.y(), to.z()),
                   QColor(QStringLiteral("white")));
}

void GLDebugDrawer::drawLine(const btVector3 &from, const btVector3 &to, const btVector3 &color)
{
    drawLine(from, to, color, color);
}

void GLDebugDrawer::reportErrorWarning(const char *warningString)
{
    std::printf("%s\n", warningString);
    std::fflush(stdout);
}

} // namespace internal
