#pragma once

#include "armour/shot.h"

#include <QVector>
#include <QtGlobal>

#include <btBulletCollisionCommon.h>

#include <glm/glm.hpp>

namespace internal {

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
    btAlignedObjectArray<int> shapeParts;
    btAlignedObjectArray<int> triangleIndices;
    btAlignedObjectArray<btVector3> rayDirections;
};

// The hits of a ray test as plain raw hits, sorted by distance from eye (unstable):
// each carries its group's name, thickness and spaced flag and the crossed triangle's
// normal turned by the object's placement. A hit on an object without a group, or on
// a triangle the group does not list, is left out.
[[nodiscard]] QVector<RawRayHit> sortedRawHits(const AllResultsRayResultCallback &callback,
                                               const glm::vec3 &eye);

} // namespace internal
