#include "armour/physics.h"

#include "armour/collisionmesh.h"
#include "armour/internal/gldebugdrawer.h"
#include "armour/internal/rayresultcallback.h"

#include "core/log.h"
#include "render/cameracontroller.h"
#include "render/discmarker.h"
#include "render/renderwidget.h"

#include <btBulletCollisionCommon.h>

// Destruction runs from the world down to the configuration it was built on.
struct Physics::Bullet
{
    std::unique_ptr<btDefaultCollisionConfiguration> configuration;
    std::unique_ptr<btCollisionDispatcher> dispatcher;
    std::unique_ptr<btBroadphaseInterface> broadphase;
    std::unique_ptr<btCollisionWorld> world;
    btAlignedObjectArray<btCollisionShape *> shapes; // owned, deleted by clearObjects
    internal::GLDebugDrawer drawer;                  // never installed in the world
};

namespace {

// The index alone could name a slot of another world; removing by it would take the
// wrong object out of this one.
bool holds(const btCollisionWorld &world, const btCollisionObject *object)
{
    const int index = object->getWorldArrayIndex();
    const btCollisionObjectArray &objects = world.getCollisionObjectArray();
    return index >= 0 && index < objects.size() && objects[index] == object;
}

} // namespace

void WorldEntry::join(const std::shared_ptr<btCollisionWorld> &world, btCollisionObject *object)
{
    mWorld = world;
    mObject = object;
}

void WorldEntry::leave()
{
    if (const std::shared_ptr<btCollisionWorld> world = mWorld.lock()) {
        if (mObject && holds(*world, mObject)) {
            world->removeCollisionObject(mObject);
        }
    }
    mWorld.reset();
    mObject = nullptr;
}

bool WorldEntry::inWorld() const
{
    const std::shared_ptr<btCollisionWorld> world = mWorld.lock();
    return world && mObject && holds(*world, mObject);
}

Physics::Physics(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<RayResultsList>("RayResultsList");
    qRegisterMetaType<ShellParamaters>("ShellParamaters");
    logLine(QStringLiteral("Initialising Bullet collsion detection."), Info);
    btDefaultCollisionConstructionInfo info;
    info.m_defaultMaxPersistentManifoldPoolSize = 4096;
    info.m_defaultMaxCollisionAlgorithmPoolSize = 4096;
    mBullet = std::make_shared<Bullet>();
    mBullet->configuration = std::make_unique<btDefaultCollisionConfiguration>(info);
    mBullet->dispatcher = std::make_unique<btCollisionDispatcher>(mBullet->configuration.get());
    // The simple broadphase tests every object on a ray without box culling, so an
    // object moved by setWorldTransform is hit at its new place without updateAabbs().
    mBullet->broadphase = std::make_unique<btSimpleBroadphase>(16384, nullptr);
    mBullet->world = std::make_unique<btCollisionWorld>(
        mBullet->dispatcher.get(), mBullet->broadphase.get(), mBullet->configuration.get());
    logLine(QStringLiteral("Bullet Physics Library version: ") + QString::number(btGetVersion()),
            Info);
}

Physics::~Physics()
{
    clearObjects();
}

btCollisionWorld *Physics::world() const
{
    return mBullet->world.get();
}

int Physics::objectCount() const
{
    return mBullet->world->getNumCollisionObjects();
}

void Physics::setView(RenderWidget *view)
{
    mView = view;
    mBullet->drawer.setView(view);
}

internal::GLDebugDrawer &Physics::debugDrawer()
{
    return mBullet->drawer;
}

RenderWidget *Physics::view() const
{
    return mView;
}

void Physics::addShape(btCollisionShape *shape)
{
    mBullet->shapes.push_back(shape);
}

void Physics::addGroup(CollisionGroup &group)
{
    btCollisionObject *object = group.object.get();
    if (!object || holds(*mBullet->world, object)) {
        return;
    }
    group.entry.leave();
    mBullet->world->addCollisionObject(object, 1, -1);
    group.entry.join(std::shared_ptr<btCollisionWorld>(mBullet, mBullet->world.get()), object);
}

void Physics::removeGroup(CollisionGroup &group)
{
    group.entry.leave();
}

void Physics::clearObjects()
{
    btCollisionWorld &world = *mBullet->world;
    btCollisionObjectArray &objects = world.getCollisionObjectArray();
    for (int i = objects.size() - 1; i >= 0; --i) {
        world.removeCollisionObject(objects[i]);
    }
    btAlignedObjectArray<btCollisionShape *> &shapes = mBullet->shapes;
    for (int i = 0; i < shapes.size(); ++i) {
        delete shapes[i];
    }
    shapes.clear();
    shotStart = glm::vec3(0.0f);
    shotEnd = glm::vec3(0.0f);
    if (mView && mView->marker) {
        mView->marker->setPosition(glm::vec3(999.0f, 999.0f, 999.0f));
    }
}

void Physics::setShellParamaters(ShellParamaters params)
{
    mShell = params;
}

void Physics::traceShot(const glm::vec3 &from, const glm::vec3 &to)
{
    mResults.clear();
    shotStart = from;
    shotEnd = to;
    // The view calls with its eye as from; without a view from stands in for it.
    glm::vec3 eye = from;
    if (mView) {
        eye = mView->cameraController().camera.eye;
    }

    QVector<RawRayHit> hits;
    // A segment of no length has no direction and crosses nothing.
    if (from != to) {
        const glm::vec3 d = glm::normalize(to - from);
        internal::AllResultsRayResultCallback callback(btVector3(from.x, from.y, from.z),
                                                       btVector3(to.x, to.y, to.z));
        callback.m_closestHitFraction = 1.0f;
        callback.m_collisionFilterGroup = 1;
        callback.m_collisionFilterMask = -1;
        callback.rayDirection = btVector3(d.x, d.y, d.z);
        mBullet->world->rayTest(callback.m_rayFromWorld, callback.m_rayToWorld, callback);
        hits = internal::sortedRawHits(callback, eye);
    }

    const ShotOutcome outcome = evaluate(hits, mShell, to);
    mShell.shellType = outcome.shellType;
    shotEnd = outcome.shotEnd;
    if (mView && mView->marker) {
        mView->marker->setPosition(outcome.marker);
    }
    mResults = outcome.results;
    emit rayHit(mResults);
}
