#pragma once

#include "armour/shot.h"
#include "core/singleton.h"

#include <QObject>
#include <QPointer>

#include <glm/glm.hpp>

#include <memory>

class RenderWidget;
class btCollisionObject;
class btCollisionShape;
class btCollisionWorld;
struct CollisionGroup;
namespace internal {
class GLDebugDrawer;
}

// One object's place in a collision world, given up when the entry ends. The world
// is held weakly: a world gone first has nothing left to take the object out of.
class WorldEntry
{
public:
    WorldEntry() = default;
    ~WorldEntry() { leave(); }
    WorldEntry(const WorldEntry &) = delete;
    WorldEntry &operator=(const WorldEntry &) = delete;

    // Records that object was just added to world; an earlier entry is forgotten.
    void join(const std::shared_ptr<btCollisionWorld> &world, btCollisionObject *object);
    // Takes the object out of the world when it is still in it.
    void leave();
    // Whether the object is in a living world now (clearObjects may have emptied it).
    bool inWorld() const;

private:
    std::weak_ptr<btCollisionWorld> mWorld;
    btCollisionObject *mObject = nullptr;
};

// The one Bullet collision world the tank's collision models are put into; used for
// ray tests only, no dynamics. GUI thread only. The world holds objects and never
// owns them: each belongs to the collision group that built it (its user pointer),
// which takes it out of the world when it goes.
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
    // Takes every object out of the world, last to first (their groups keep them),
    // deletes the owned shapes, zeroes the shot line and parks the view's hit marker
    // at (999, 999, 999).
    void clearObjects();
    // Puts the group's object into the world (filter group 1, every mask) unless it is
    // there already; a group without an object is left alone.
    void addGroup(CollisionGroup &group);
    // Takes the group's object out of the world when it is in it.
    void removeGroup(CollisionGroup &group);
    int objectCount() const;

    // The Bullet world, for code that links Bullet itself.
    btCollisionWorld *world() const;

    // The view whose hit marker the shots move; not owned, null while unset.
    void setView(RenderWidget *view);
    RenderWidget *view() const;
    // Bullet's debug lines into the view's line batch; idle, as nothing installs it.
    internal::GLDebugDrawer &debugDrawer();

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
    struct Bullet;
    // Shared so that entries can tell whether the world still lives.
    std::shared_ptr<Bullet> mBullet;
    QPointer<RenderWidget> mView;
    RayResultsList mResults;
    ShellParamaters mShell;

    Q_DISABLE_COPY(Physics)
};
