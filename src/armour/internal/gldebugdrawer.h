#pragma once

#include <QPointer>

#include <LinearMath/btIDebugDraw.h>

class RenderWidget;

namespace internal {

// Hands Bullet's debug lines to the view's line batch, all in white. Nothing installs
// it in the collision world, so it draws only when called directly.
class GLDebugDrawer : public btIDebugDraw
{
public:
    // Not owned; lines go nowhere while unset or while the view has no batch.
    void setView(RenderWidget *view) { mView = view; }

    void drawLine(const btVector3 &from, const btVector3 &to, const btVector3 &fromColor,
                  const btVector3 &toColor) override;
    void drawLine(const btVector3 &from, const btVector3 &to, const btVector3 &color) override;
    void drawContactPoint(const btVector3 &, const btVector3 &, btScalar, int,
                          const btVector3 &) override
    {
    }
    void reportErrorWarning(const char *warningString) override;
    void draw3dText(const btVector3 &, const char *) override { }
    void setDebugMode(int debugMode) override { mDebugMode = debugMode; }
    int getDebugMode() const override { return mDebugMode; }

private:
    int mDebugMode = 0;
    // The batch itself is remade with each context; the view is what stays.
    QPointer<RenderWidget> mView;
};

} // namespace internal
