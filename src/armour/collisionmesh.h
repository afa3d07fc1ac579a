#pragma once

#include "armour/physics.h"
#include "render/mesh.h"

#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <future>
#include <memory>
#include <utility>
#include <vector>

class TankMeshHooks;
class TransformStack;
class btBvhTriangleMeshShape;
class btCollisionObject;
class btCollisionShape;
class btTriangleIndexVertexArray;

// One triangle of a collision group, as Bullet was given it: the three vertices and
// the face normal (p1 - p0) x (p2 - p0), not normalised.
struct CollisionTriangle
{
    glm::vec3 p0 {0.0f};
    glm::vec3 p1 {0.0f};
    glm::vec3 p2 {0.0f};
    glm::vec3 normal {0.0f};
};
static_assert(sizeof(CollisionTriangle) == 12 * sizeof(float), "twelve floats");

// One primitive group of a collision model in the collision world. The group owns
// its object, shape and triangle arrays (the object's user pointer is the group); a
// group without triangles has none of them. The members are declared so that
// destruction takes the object out of the world first, then deletes the object, the
// shape, and last the arrays the shape reads.
struct CollisionGroup
{
    CollisionGroup();
    ~CollisionGroup();
    CollisionGroup(const CollisionGroup &) = delete;
    CollisionGroup &operator=(const CollisionGroup &) = delete;

    QString name;     // the armour id: the primitive group's material identifier
    qint32 armor = 0; // mm, truncated
    qint32 spaced = 0;
    // Bullet's triangle k is triangles[k].
    QVector<CollisionTriangle> triangles;
    glm::mat4 transform {1.0f};
    qint32 surveyId = 0;

    // Bullet reads the triangles in place from vertices and indices. A large group's
    // triangles are cut into pieces of consecutive triangles, each with its own tree
    // so that the trees build side by side, under one compound shape; piece j starts
    // at triangle pieceStarts[j] and is Bullet's shape part j.
    QVector<glm::vec3> vertices;
    QVector<qint32> indices;
    QVector<qint32> pieceStarts;
    std::vector<std::unique_ptr<btTriangleIndexVertexArray>> meshes;
    std::vector<std::unique_ptr<btBvhTriangleMeshShape>> pieces; // of a compound shape
    std::unique_ptr<btCollisionShape> shape; // the one tree, or the compound of pieces
    std::unique_ptr<btCollisionObject> object;
    WorldEntry entry; // set by Physics::addGroup

    // Writes the rotation and translation of placement into the object.
    void place(const glm::mat4 &placement);
    // The index into triangles of Bullet's triangle index of shape part piece; -1
    // when the group has no such triangle.
    [[nodiscard]] int triangleAt(int piece, int index) const;
};

// The most triangles one tree of a group takes before the group is cut into pieces.
constexpr int PIECE_TRIANGLES = 16384;

// A thickness in mm as a group holds it: truncated toward zero; anything not finite
// or outside 0..10000 mm, which the definition reader refuses, reads as 0.
[[nodiscard]] qint32 truncatedThickness(float mm);

// Builds a group from triangles given as three vertex indices each into positions
// (a trailing part triangle is ignored), placed by placement. A triangle naming a
// vertex outside positions is left out and counted in *skipped. Without a triangle
// left the group has no shape and no object, as Bullet cannot build a tree of none.
[[nodiscard]] std::unique_ptr<CollisionGroup>
buildCollisionGroup(const QVector<glm::vec3> &positions, const quint32 *indices,
                    qsizetype indexCount, const glm::mat4 &placement, int *skipped = nullptr);
[[nodiscard]] std::unique_ptr<CollisionGroup>
buildCollisionGroup(const QVector<glm::vec3> &positions, const quint16 *indices,
                    qsizetype indexCount, const glm::mat4 &placement, int *skipped = nullptr);

// The collision model of one tank part: one collision object per primitive group,
// kept where the part is drawn, drawn coloured by armour thickness. Reads the loaded
// tank (transform stack, current turret and gun) through TankMeshHooks.
class CollisionMesh : public Mesh
{
public:
    CollisionMesh();
    ~CollisionMesh() override;

    // Starts from an empty mesh, loads the model and builds its groups under the
    // tank's current matrix translated by mountPosition. partKind: 0 chassis, 1 hull,
    // 2 turret, 3 gun. False when the primitives or the visual fail to load. With
    // inBackground the groups' trees are built by worker threads; groups then have no
    // object until waitForShapes, which everything here that reads them calls first.
    bool load(const QString &meshPath, const glm::vec3 &mountPosition, int partKind,
              bool inBackground = false);
    bool reload() override;
    // Takes the objects out of the world, deletes the groups and the loaded model,
    // and gives back this mesh's share of the surveying-device counter.
    void clear() override;
    // One file per geometry below Settings::modPath, placed where the part was last
    // drawn (model).
    bool exportObj() override;
    // Main pass only: the tank's current matrix takes the translation by position and
    // becomes model and every object's placement; unless hidden, the groups are
    // coloured and drawn.
    void draw(bool hidden, bool mainPass, Material *overrideMaterial,
              ShaderProgram *overrideProgram) override;

    void buildCollisionObjects(bool inBackground = false);
    // Returns once every tree started by a load in the background is built.
    void waitForShapes();
    // Puts the objects into the Physics world (those not there yet) and gives every
    // group its name and armour, in group order.
    void addToWorld();
    void removeFromWorld();
    void assignArmor(const QString &materialName, CollisionGroup *group);
    void computeArmorColors(Material *material, const QString &materialName);
    void updateArmorColors();

    // The loaded tank; null unregisters. Not owned.
    void setTankHooks(TankMeshHooks *hooks) { mTankHooks = hooks; }
    TankMeshHooks *tankHooks() const { return mTankHooks; }

    // Surveying-device groups counted by addToWorld over every collision mesh.
    static qint32 sharedSurveyingDevices();

    qint32 partKind = 0;
    QVector<CollisionGroup *> groups; // owned, in group order
    qint32 surveyingDevices = 0;

private:
    struct Plate
    {
        float thickness = 0.0f;
        bool spaced = false;
    };
    Plate findPlate(const QString &name) const;
    TransformStack &tankStack() const;
    void deleteGroups();

    TankMeshHooks *mTankHooks = nullptr;
    std::vector<std::future<void>> mPendingShapes;
    std::vector<std::pair<CollisionGroup *, glm::mat4>> mPendingAssembly;
};
