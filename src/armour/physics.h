#pragma once

#include "armour/shot.h"
#include "core/singleton.h"

#include <QObject>
#include <QPointer>

#include <LinearMath/btAlignedObjectArray.h>
#include <glm/glm.hpp>

#include <memory>

class RenderWidget;
class btBroadphaseInterface;
class btCollisionDispatcher;
class btCollisionObject;
class btCollisionShape;
class btCollisionWorld;
class btDefaultCollisionConfiguration;

// Marks, in btCollisionObject::getUserIndex(), an object a CollisionGroup owns: the
// world and Physics::clearObjects take it out but never delete it.
constexpr int GROUP_OWNED_OBJECT = 0x434f4c47;

// The one Bullet collision world the tank's collision models are put into; used for
// ray tests only, no dynamics. GUI thread only.
class Physics : public QObject, public Singleton<Physics>
{
    Q_OBJECT

public:
    // Logs the start and the Bullet version; both pools of the configuration hold
    // 4096 entries, the broadphase 16384 proxies.
    explicit Physics(QObject *parent = nullptr);
    ~Physics() override;

    // Takes ownership of a shape no collision group owns; clearObjects deletes it.
    void addShape(btCollisionShape *shape);
    // Takes every object out of the world, last to first, and deletes those no
    // collision group owns; deletes the owned shapes, zeroes the shot line and parks
    // the view's hit marker at (999, 999, 999).
    void clearObjects();
    // Takes object out of the world when it is in it; anything else is left alone.
    void removeObject(btCollisionObject *object);

    btCollisionWorld *world() const { return mWorld.get(); }

    // The view whose hit marker the shots move; not owned, null while unset.
    void setView(RenderWidget *view);
    RenderWidget *view() const;

    // One shell ray from `from` to `to` through the world: stores the shot line and
    // the results, moves the view's hit marker and emits rayHit.
    void traceShot(const glm::vec3 &from, const glm::vec3 &to);

    const RayResultsList &results() const { return mResults; }
    const ShellParamaters &shellParamaters() const { return mShell; }

    glm::vec3 shotEnd {0.0f};
    glm::vec3 shotStart {0.0f};

signals:
    void rayHit(RayResultsList results);

public slots:
    void setShellParamaters(ShellParamaters params);

private:
    btAlignedObjectArray<btCollisionShape *> mShapes;
    std::unique_ptr<btDefaultCollisionConfiguration> mConfiguration;
    std::unique_ptr<btCollisionDispatcher> mDispatcher;
    std::unique_ptr<btBroadphaseInterface> mBroadphase;
    std::unique_ptr<btCollisionWorld> mWorld;
    QPointer<RenderWidget> mView;
    RayResultsList mResults;
    ShellParamaters mShell;

    Q_DISABLE_COPY(Physics)
};
