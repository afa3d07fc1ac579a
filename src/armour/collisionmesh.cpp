#include "armour/collisionmesh.h"

#include "armour/collisionarmor.h"
#include "armour/collsionvisual.h"
#include "armour/physics.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/primitiveparser.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/meshplacement.h"
#include "render/objexport.h"
#include "render/tankmesh.h"
#include "render/transformstack.h"

#include <QThreadPool>

#include <btBulletCollisionCommon.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

qint32 sharedSurveyCount = 0;

// Stands in for the tank's stack while no tank is registered.
TransformStack &fallbackStack()
{
    static TransformStack stack;
    return stack;
}

// The trees of the groups of a tank are independent of each other, and building them
// is most of a load's work: a few threads take them while the loader goes on.
QThreadPool &shapePool()
{
    static QThreadPool pool;
    return pool;
}

// Bullet's compressed tree keeps a triangle's shape part in 10 bits.
constexpr int MAX_PIECES = 1024;

// Cuts the group's triangles into pieces of at most PIECE_TRIANGLES, evenly (larger
// ones past MAX_PIECES pieces), and makes room for their trees.
void planPieces(CollisionGroup &group)
{
    const int count = int(group.triangles.size());
    const int pieces = std::min((count + PIECE_TRIANGLES - 1) / PIECE_TRIANGLES, MAX_PIECES);
    group.pieceStarts.clear();
    for (int j = 0; j < pieces; ++j) {
        group.pieceStarts.append(int(qint64(count) * j / pieces));
    }
    group.meshes.resize(size_t(pieces));
    group.pieces.resize(size_t(pieces));
}

// The tree of one piece. Its mesh lists the pieces before it as empty parts, so that
// Bullet names its triangles with shape part j, as the ray test reads them back.
void buildPiece(CollisionGroup &group, int j)
{
    const int start = group.pieceStarts.at(j);
    const int end = j + 1 < group.pieceStarts.size() ? group.pieceStarts.at(j + 1)
                                                     : int(group.triangles.size());
    auto mesh = std::make_unique<btTriangleIndexVertexArray>();
    for (int p = 0; p <= j; ++p) {
        btIndexedMesh part;
        part.m_numTriangles = p == j ? end - start : 0;
        part.m_triangleIndexBase =
            reinterpret_cast<const unsigned char *>(group.indices.constData() + 3 * start);
        part.m_triangleIndexStride = 3 * int(sizeof(qint32));
        part.m_numVertices = int(group.vertices.size());
        part.m_vertexBase = reinterpret_cast<const unsigned char *>(group.vertices.constData());
        part.m_vertexStride = int(sizeof(glm::vec3));
        part.m_indexType = PHY_INTEGER;
        part.m_vertexType = PHY_FLOAT;
        mesh->addIndexedMesh(part, PHY_INTEGER);
    }
    group.pieces[size_t(j)] = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true, true);
    group.meshes[size_t(j)] = std::move(mesh);
}

// The shape over the built pieces and the object carrying it, placed. A piece that
// could not be built (out of memory) leaves the group without shape and object.
void assembleShape(CollisionGroup &group, const glm::mat4 &placement)
{
    if (std::any_of(group.pieces.begin(), group.pieces.end(),
                    [](const auto &piece) { return !piece; })) {
        group.pieces.clear();
        group.meshes.clear();
        return;
    }
    if (group.pieces.size() == 1) {
        group.shape = std::move(group.pieces.front());
        group.pieces.clear();
    } else {
        auto compound = std::make_unique<btCompoundShape>(true, int(group.pieces.size()));
        btTransform identity;
        identity.setIdentity();
        for (const auto &piece : group.pieces) {
            compound->addChildShape(identity, piece.get());
        }
        group.shape = std::move(compound);
    }
    group.object = std::make_unique<btCollisionObject>();
    group.object->setCollisionShape(group.shape.get());
    group.object->setUserPointer(&group);
    group.place(placement);
}

void buildShape(CollisionGroup &group, const glm::mat4 &placement)
{
    planPieces(group);
    for (int j = 0; j < group.pieceStarts.size(); ++j) {
        buildPiece(group, j);
    }
    assembleShape(group, placement);
}

// The group's triangles, without the tree; an empty group when none is left.
template <typename Index>
std::unique_ptr<CollisionGroup> collectTriangles(const QVector<glm::vec3> &positions,
                                                 const Index *indices, qsizetype indexCount,
                                                 int *skipped)
{
    auto group = std::make_unique<CollisionGroup>();
    const qsizetype vertexCount = positions.size();
    const qsizetype triangleCount = indices ? indexCount / 3 : 0;
    group->triangles.reserve(triangleCount);
    group->indices.reserve(triangleCount * 3);
    for (qsizetype t = 0; t < triangleCount; ++t) {
        const Index *corner = indices + t * 3;
        if (qsizetype(corner[0]) >= vertexCount || qsizetype(corner[1]) >= vertexCount
            || qsizetype(corner[2]) >= vertexCount) {
            if (skipped) {
                ++*skipped;
            }
            continue;
        }
        CollisionTriangle triangle;
        triangle.p0 = positions[qsizetype(corner[0])];
        triangle.p1 = positions[qsizetype(corner[1])];
        triangle.p2 = positions[qsizetype(corner[2])];
        triangle.normal = glm::cross(triangle.p1 - triangle.p0, triangle.p2 - triangle.p0);
        group->triangles.append(triangle);
        group->indices.append(qint32(corner[0]));
        group->indices.append(qint32(corner[1]));
        group->indices.append(qint32(corner[2]));
    }
    if (group->triangles.isEmpty()) {
        group->indices.clear();
        return group;
    }
    // Shared, not copied: the model's positions stay as they are while the group lives.
    group->vertices = positions;
    return group;
}

template <typename Index>
std::unique_ptr<CollisionGroup> buildGroup(const QVector<glm::vec3> &positions,
                                           const Index *indices, qsizetype indexCount,
                                           const glm::mat4 &placement, int *skipped)
{
    auto group = collectTriangles(positions, indices, indexCount, skipped);
    if (!group->triangles.isEmpty()) {
        buildShape(*group, placement);
    }
    return group;
}

} // namespace

CollisionGroup::CollisionGroup() = default;
CollisionGroup::~CollisionGroup() = default;

qint32 truncatedThickness(float mm)
{
    return std::isfinite(mm) && mm >= 0.0f && mm <= 10000.0f ? qint32(mm) : 0;
}

int CollisionGroup::triangleAt(int piece, int index) const
{
    if (piece < 0 || piece >= pieceStarts.size() || index < 0) {
        return -1;
    }
    const int end =
        piece + 1 < pieceStarts.size() ? pieceStarts.at(piece + 1) : int(triangles.size());
    return index < end - pieceStarts.at(piece) ? pieceStarts.at(piece) + index : -1;
}

void CollisionGroup::place(const glm::mat4 &placement)
{
    if (!object) {
        return;
    }
    btTransform t;
    t.setFromOpenGLMatrix(glm::value_ptr(placement));
    object->setWorldTransform(t);
}

std::unique_ptr<CollisionGroup> buildCollisionGroup(const QVector<glm::vec3> &positions,
                                                    const quint32 *indices, qsizetype indexCount,
                                                    const glm::mat4 &placement, int *skipped)
{
    return buildGroup(positions, indices, indexCount, placement, skipped);
}

std::unique_ptr<CollisionGroup> buildCollisionGroup(const QVector<glm::vec3> &positions,
                                                    const quint16 *indices, qsizetype indexCount,
                                                    const glm::mat4 &placement, int *skipped)
{
    return buildGroup(positions, indices, indexCount, placement, skipped);
}

CollisionMesh::CollisionMesh()
{
    primitives = std::make_unique<PrimitiveParser>();
    visual = std::make_unique<CollsionVisual>();
}

CollisionMesh::~CollisionMesh()
{
    deleteGroups();
    sharedSurveyCount -= surveyingDevices;
    surveyingDevices = 0;
}

qint32 CollisionMesh::sharedSurveyingDevices()
{
    return sharedSurveyCount;
}

TransformStack &CollisionMesh::tankStack() const
{
    TransformStack *stack = mTankHooks ? mTankHooks->transformStack() : nullptr;
    return stack ? *stack : fallbackStack();
}

void CollisionMesh::waitForShapes()
{
    for (std::future<void> &shape : mPendingShapes) {
        shape.wait();
    }
    mPendingShapes.clear();
    for (const auto &[group, placement] : mPendingAssembly) {
        assembleShape(*group, placement);
    }
    mPendingAssembly.clear();
}

void CollisionMesh::deleteGroups()
{
    // No worker may still build into a group deleted here. Each group takes its
    // object out of the world before deleting it.
    waitForShapes();
    qDeleteAll(groups);
    groups.clear();
}

bool CollisionMesh::load(const QString &meshPath, const glm::vec3 &mountPosition, int kind,
                         bool inBackground)
{
    // What a failed earlier load left would otherwise take the new names and stay
    // in the world.
    clear();
    path = meshPath;
    partKind = kind;
    position = mountPosition;
    if (!primitives->load(path)) {
        return false;
    }
    const bool built =
        visual->load(primitives.get(), path, geometries, extraGeometries, false, false);
    primitives->clear();
    if (!built) {
        return false;
    }
    buildCollisionObjects(inBackground);
    return true;
}

bool CollisionMesh::reload()
{
    clear();
    return load(path, position, partKind);
}

void CollisionMesh::clear()
{
    deleteGroups();
    clearShared();
    extraGeometries.clear();
    sharedSurveyCount -= surveyingDevices;
    surveyingDevices = 0;
}

void CollisionMesh::buildCollisionObjects(bool inBackground)
{
    waitForShapes();
    const glm::mat4 placement = glm::translate(tankStack().current, position);
    int skipped = 0;
    int record = 0;
    for (const VisualRenderSet &set : visual->renderSets) {
        for (const VisualGeometryEntry &entry : set.geometries) {
            const VisualGeometry *geometry =
                record < geometries.size() ? geometries.at(record) : nullptr;
            ++record;
            for (const PrimitiveGroupMaterials &material : entry.groups) {
                const bool wide = geometry && geometry->indexLayout.use32BitIndices;
                const qsizetype held = !geometry ? 0
                                       : wide    ? geometry->indices32.size()
                                                 : geometry->indices16.size();
                qsizetype start = 0;
                qsizetype count = 0;
                // An index outside the table gives a group without triangles; a range
                // past the list keeps the whole triangles inside it.
                if (geometry && material.groupIndex >= 0
                    && material.groupIndex < geometry->indexLayout.groups.size()) {
                    const PrimitiveGroup &range =
                        geometry->indexLayout.groups.at(material.groupIndex);
                    start = qsizetype(range.startIndex);
                    count =
                        start < held
                            ? std::min(qsizetype(range.primitiveCount) * 3, held - start) / 3 * 3
                            : 0;
                }
                std::unique_ptr<CollisionGroup> group;
                if (count <= 0) {
                    group = std::make_unique<CollisionGroup>();
                } else if (wide) {
                    group =
                        collectTriangles(geometry->positions,
                                         geometry->indices32.constData() + start, count, &skipped);
                } else {
                    group =
                        collectTriangles(geometry->positions,
                                         geometry->indices16.constData() + start, count, &skipped);
                }
                CollisionGroup *built = group.release();
                groups.append(built);
                if (built->triangles.isEmpty()) {
                    continue;
                }
                if (!inBackground) {
                    buildShape(*built, placement);
                    continue;
                }
                // Each piece is its worker's alone until waitForShapes, which puts
                // the pieces together.
                planPieces(*built);
                for (int j = 0; j < built->pieceStarts.size(); ++j) {
                    auto task = std::make_shared<std::packaged_task<void()>>(
                        [built, j]() { buildPiece(*built, j); });
                    mPendingShapes.push_back(task->get_future());
                    shapePool().start([task]() { (*task)(); });
                }
                mPendingAssembly.emplace_back(built, placement);
            }
        }
    }
    if (skipped > 0) {
        logLine(QStringLiteral("Collision model ") + path + QStringLiteral(": ")
                    + QString::number(skipped)
                    + QStringLiteral(" triangles name a vertex it does not have; left out."),
                Warning);
    }
}

void CollisionMesh::addToWorld()
{
    waitForShapes();
    if (Physics *physics = Physics::instance()) {
        for (CollisionGroup *group : std::as_const(groups)) {
            physics->addGroup(*group);
        }
    }
    int n = 0;
    for (const VisualRenderSet &set : visual->renderSets) {
        for (const VisualGeometryEntry &entry : set.geometries) {
            for (const PrimitiveGroupMaterials &material : entry.groups) {
                if (n < groups.size()) {
                    const QString name = material.materials.isEmpty()
                                             ? QString()
                                             : material.materials.first()->identifier;
                    assignArmor(name, groups.at(n));
                }
                ++n;
            }
        }
    }
}

void CollisionMesh::removeFromWorld()
{
    waitForShapes();
    for (CollisionGroup *group : std::as_const(groups)) {
        group->entry.leave();
    }
}

CollisionMesh::Plate CollisionMesh::findPlate(const QString &name) const
{
    const CollisionArmor *armour = CollisionArmor::instance();
    if (!armour) {
        return Plate();
    }
    switch (partKind) {
    case 0: {
        const ArmorEntry entry = armour->findChassisArmor(name);
        return {entry.thickness, entry.spaced};
    }
    case 1: {
        const ArmorEntry entry = armour->findHullArmor(name);
        return {entry.thickness, entry.spaced};
    }
    case 2: {
        const ModelArmorEntry entry =
            armour->findTurretArmor(name, mTankHooks ? mTankHooks->currentTurretName() : QString());
        return {entry.thickness, entry.spaced};
    }
    case 3: {
        const ModelArmorEntry entry =
            armour->findGunArmor(name, mTankHooks ? mTankHooks->currentGunName() : QString());
        return {entry.thickness, entry.spaced};
    }
    default: return Plate();
    }
}

void CollisionMesh::assignArmor(const QString &materialName, CollisionGroup *group)
{
    group->name = materialName;
    if (materialName.contains(QLatin1String("survey"), Qt::CaseInsensitive)) {
        ++surveyingDevices;
        ++sharedSurveyCount;
        group->surveyId = sharedSurveyCount;
    }
    if (partKind < 0 || partKind > 3) {
        return;
    }
    const Plate plate = findPlate(materialName);
    group->armor = truncatedThickness(plate.thickness);
    group->spaced = plate.spaced ? 1 : 0;
}

void CollisionMesh::computeArmorColors(Material *material, const QString &materialName)
{
    const bool surveying = materialName.contains(QLatin1String("surveyingDevice"));
    const CollisionArmor *armour = CollisionArmor::instance();
    if (partKind < 0 || partKind > 3 || !armour) {
        material->diffuseColor = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    const Plate plate = findPlate(materialName);
    material->diffuseColor = glm::vec4(
        glm::vec3(armour->colorForThickness(plate.thickness, plate.spaced, surveying)), 1.0f);
    if (plate.spaced) {
        CollisionArmorWindowHooks *hooks = armour->windowHooks();
        material->hidden = hooks && hooks->hideSpacedArmor();
    }
}

void CollisionMesh::updateArmorColors()
{
    const MaterialLoader *loader = MaterialLoader::instance();
    const int index = loader ? loader->defaultIndex : 0;
    for (const VisualRenderSet &set : visual->renderSets) {
        for (const VisualGeometryEntry &entry : set.geometries) {
            for (const PrimitiveGroupMaterials &group : entry.groups) {
                if (index >= 0 && index < group.materials.size() && group.materials[index]) {
                    Material *material = group.materials[index];
                    computeArmorColors(material, material->identifier);
                }
            }
        }
    }
}

void CollisionMesh::draw(bool hidden, bool mainPass, Material *overrideMaterial,
                         ShaderProgram *overrideProgram)
{
    // The shadow pass leaves the tank's matrix and the objects alone.
    if (!mainPass) {
        return;
    }
    if (!hidden) {
        updateArmorColors();
    }
    waitForShapes();
    TransformStack &stack = tankStack();
    // Once per draw: the turret and gun models, mounted relative to the hull and
    // turret, need the translation left in the tank's matrix.
    stack.current = glm::translate(stack.current, position);
    model = stack.current;
    const MeshMatrices matrices = meshMatrices(model, true);
    modelView = matrices.modelView;
    mvp = matrices.mvp;
    // Shots are cast between frames, so the objects follow the part as drawn, also
    // in frames where it is only placed, not drawn.
    for (CollisionGroup *group : std::as_const(groups)) {
        group->place(model);
    }
    if (hidden) {
        return;
    }
    GroupPass pass;
    pass.modelUniform = model;
    pass.matrices = matrices;
    pass.overrideMaterial = overrideMaterial;
    pass.overrideProgram = overrideProgram;
    drawRenderSets(pass, {});
}

bool CollisionMesh::exportObj()
{
    TransformStack &stack = tankStack();
    stack.push();
    stack.current = stack.current * model;
    const Settings *settings = Settings::instance();
    const bool written =
        settings && writeObjFiles(settings->modPath, path, geometries, stack.current);
    stack.pop();
    return written;
}
