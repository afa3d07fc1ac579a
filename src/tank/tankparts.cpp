#include "tank/tankparts.h"

#include "armour/collisionmesh.h"

#include "render/tankmesh.h"

#include <QtGlobal>

TankParts::TankParts() = default;

TankParts::~TankParts() = default;

Mesh *TankParts::mesh(TankPart part, TankModel form) const
{
    if (form == Collision) {
        return collision(part);
    }
    return tankMesh(part, form);
}

TankMesh *TankParts::tankMesh(TankPart part, TankModel form) const
{
    Q_ASSERT(form == Undamaged || form == Destroyed);
    return mMeshes.at(std::size_t(part)).at(std::size_t(form)).get();
}

CollisionMesh *TankParts::collision(TankPart part) const
{
    return mCollisions.at(std::size_t(part)).get();
}

std::unique_ptr<TankMesh> TankParts::setMesh(TankPart part, TankModel form,
                                             std::unique_ptr<TankMesh> mesh)
{
    Q_ASSERT(form == Undamaged || form == Destroyed);
    mMeshes.at(std::size_t(part)).at(std::size_t(form)).swap(mesh);
    return mesh;
}

std::unique_ptr<CollisionMesh> TankParts::setCollision(TankPart part,
                                                       std::unique_ptr<CollisionMesh> mesh)
{
    mCollisions.at(std::size_t(part)).swap(mesh);
    return mesh;
}
