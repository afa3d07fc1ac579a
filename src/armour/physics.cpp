#include "armour/physics.h"

#include "armour/rayresultcallback.h"

#include "core/log.h"
#include "render/cameracontroller.h"
#include "render/discmarker.h"
#include "render/renderwidget.h"

#include <btBulletCollisionCommon.h>

Physics::Physics(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<RayResultsList>("RayResultsList");
    qRegisterMetaType<ShellParamaters>("ShellParamaters");
    logLine(QStringLiteral("Initialising Bullet collsion detection."), Info);
    btDefaultCollisionConstructionInfo info;
    info.m_defaultMaxPersistentManifoldPoolSize = 4096;
    info.m_defaultMaxCollisionAlgorithmPoolSize = 4096;
    mConfiguration = std::make_unique<btDefaultCollisionConfiguration>(info);
    mDispatcher = std::make_unique<btCollisionDispatcher>(mConfiguration.get());
    // The simple broadphase tests every object on a ray without box culling, so an
    // object moved by setWorldTransform is hit at its new place without updateAabbs().
    mBroadphase = std::make_unique<btSimpleBroadphase>(16384, nullptr);
    mWorld = std::make_unique<btCollisionWorld>(mDispatcher.get(), mBroadphase.get(),
                                                mConfiguration.get());
    logLine(QStringLiteral("Bullet Physics Library version: ") + QString::number(btGetVersion()),
            Info);
}

Physics::~Physics()
{
    clearObjects();
    mWorld.reset();
    mBroadphase.reset();
    mDispatcher.reset();
    mConfiguration.reset();
}

void Physics::setView(RenderWidget *view)
{
    mView = view;
}

RenderWidget *Physics::view() const
{
    return mView;
}

void Physics::addShape(btCollisionShape *shape)
{
    mShapes.push_back(shape);
}

void Physics::removeObject(btCollisionObject *object)
{
    if (!object || !mWorld) {
        return;
    }
    // The index alone could name a slot of another world; removing by it would
    // take the wrong object out of this one.
    const int index = object->getWorldArrayIndex();
    const btCollisionObjectArray &objects = mWorld->getCollisionObjectArray();
    if (index >= 0 && index < objects.size() && objects[index] == object) {
        mWorld->removeCollisionObject(object);
    }
}

void Physics::clearObjects()
{
    btCollisionObjectArray &objects = mWorld->getCollisionObjectArray();
    for (int i = objects.size() - 1; i >= 0; --i) {
        btCollisionObject *object = objects[i];
        mWorld->removeCollisionObject(object);
        if (object->getUserIndex() != GROUP_OWNED_OBJECT) {
            delete object;
        }
    }
    for (int i = 0; i < mShapes.size(); ++i) {
        delete mShapes[i];
    }
    mShapes.clear();
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
        AllResultsRayResultCallback callback(btVector3(from.x, from.y, from.z),
                                             btVector3(to.x, to.y, to.z));
        callback.m_closestHitFraction = 1.0f;
        callback.m_collisionFilterGroup = 1;
        callback.m_collisionFilterMask = -1;
        callback.rayDirection = btVector3(d.x, d.y, d.z);
        mWorld->rayTest(callback.m_rayFromWorld, callback.m_rayToWorld, callback);
        hits = sortedRawHits(callback, eye);
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
