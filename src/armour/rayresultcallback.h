#pragma once

#include <QtGlobal>

#include <btBulletCollisionCommon.h>

// Every hit of a ray, with the triangle index and the ray direction beside Bullet's
// own per-hit arrays.
class AllResultsRayResultCallback : public btCollisionWorld::AllHitsRayResultCallback
{
public:
    AllResultsRayResultCallback(const btVector3 &from, const btVector3 &to);
    btScalar addSingleResult(btCollisionWorld::LocalRayResult &result,
                             bool normalInWorldSpace) override;

    const btCollisionShape *lastShape = nullptr;
    qint32 shapePart = 0;
    qint32 triangleIndex = 0;
    btVector3 rayDirection {0, 0, 0};
    btAlignedObjectArray<int> triangleIndices;
    btAlignedObjectArray<btVector3> rayDirections;
};
