#pragma once

#include <QMetaType>

#include <array>
#include <memory>

class CollisionMesh;
class Mesh;
class TankMesh;

// The forms of a tank; the shown one is TankLoader::tankModel.
enum TankModel { Undamaged = 0, Destroyed = 1, Collision = 2 };
Q_DECLARE_METATYPE(TankModel)

inline constexpr std::array<TankModel, 3> allTankForms = {Undamaged, Destroyed, Collision};

// The parts of a tank, from the ground up; each sits on the one before. The numbers
// are the part numbers the meshes are loaded with.
enum class TankPart { Chassis = 0, Hull = 1, Turret = 2, Gun = 3 };

inline constexpr std::array<TankPart, 4> allTankParts = {TankPart::Chassis, TankPart::Hull,
                                                         TankPart::Turret, TankPart::Gun};

// The twelve meshes of a tank: each part drawn undamaged and destroyed, and its
// collision form. Owns them; each slot starts empty and is filled with setMesh and
// setCollision.
class TankParts
{
public:
    TankParts();
    ~TankParts();

    // The part's mesh in any form, the collision form included; null while unset.
    [[nodiscard]] Mesh *mesh(TankPart part, TankModel form) const;
    // The drawn forms only: form is Undamaged or Destroyed.
    [[nodiscard]] TankMesh *tankMesh(TankPart part, TankModel form) const;
    [[nodiscard]] CollisionMesh *collision(TankPart part) const;

    // Put a mesh in its slot and hand back the one it replaces.
    std::unique_ptr<TankMesh> setMesh(TankPart part, TankModel form,
                                      std::unique_ptr<TankMesh> mesh);
    std::unique_ptr<CollisionMesh> setCollision(TankPart part, std::unique_ptr<CollisionMesh> mesh);

private:
    std::array<std::array<std::unique_ptr<TankMesh>, 2>, 4> mMeshes;
    std::array<std::unique_ptr<CollisionMesh>, 4> mCollisions;

    Q_DISABLE_COPY(TankParts)
};
