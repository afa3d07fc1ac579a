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

#include <btBulletCollisionCommon.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <utility>

namespace {

qint32 sharedSurveyCount = 0;

// Stands in for the tank's stack while no tank is registered.
TransformStack &fallbackStack()
{
    static TransformStack stack;
    return stack;
}

template <typename Index>
std::unique_ptr<CollisionGroup> buildGroup(const QVector<glm::vec3> &positions,
                                           const Index *indices, qsizetype indexCount,
                                           const glm::mat4 &placement, int *skipped)
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
    btIndexedMesh part;
    part.m_numTriangles = int(group->triangles.size());
    part.m_triangleIndexBase = reinterpret_cast<const unsigned char *>(group->indices.constData());
    part.m_triangleIndexStride = 3 * int(sizeof(qint32));
    part.m_numVertices = int(vertexCount);
    part.m_vertexBase = reinterpret_cast<const unsigned char *>(group->vertices.constData());
    part.m_vertexStride = int(sizeof(glm::vec3));
    part.m_indexType = PHY_INTEGER;
    part.m_vertexType = PHY_FLOAT;
    group->mesh = new btTriangleIndexVertexArray;
    group->mesh->addIndexedMesh(part, PHY_INTEGER);
    group->shape = new btBvhTriangleMeshShape(group->mesh, true, true);
    group->object = new btCollisionObject;
    group->object->setCollisionShape(group->shape);
    group->object->setUserPointer(group.get());
    group->object->setUserIndex(GROUP_OWNED_OBJECT);
    group->place(placement);
    return group;
}

} // namespace

CollisionGroup::~CollisionGroup()
{
    if (object) {
        if (Physics *physics = Physics::instance()) {
            physics->removeObject(object);
        }
    }
    delete object;
    delete shape;
    delete mesh;
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

void CollisionMesh::deleteGroups()
{
    // Each group takes its object out of the world before deleting it.
    qDeleteAll(groups);
    groups.clear();
}

bool CollisionMesh::load(const QString &meshPath, const glm::vec3 &mountPosition, int kind)
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
    buildCollisionObjects();
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

void CollisionMesh::buildCollisionObjects()
{
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
                    group = buildCollisionGroup(
                        QVector<glm::vec3>(), static_cast<const quint32 *>(nullptr), 0, placement);
                } else if (wide) {
                    group = buildCollisionGroup(geometry->positions,
                                                geometry->indices32.constData() + start, count,
                                                placement, &skipped);
                } else {
                    group = buildCollisionGroup(geometry->positions,
                                                geometry->indices16.constData() + start, count,
                                                placement, &skipped);
                }
                groups.append(group.release());
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
    btCollisionWorld *world = Physics::instance() ? Physics::instance()->world() : nullptr;
    if (world) {
        for (CollisionGroup *group : std::as_const(groups)) {
            if (group->object && group->object->getWorldArrayIndex() < 0) {
                world->addCollisionObject(group->object, 1, -1);
            }
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
    Physics *physics = Physics::instance();
    if (!physics) {
        return;
    }
    for (CollisionGroup *group : std::as_const(groups)) {
        physics->removeObject(group->object);
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
    group->armor = qint32(plate.thickness);
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
