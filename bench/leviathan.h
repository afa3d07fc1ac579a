#pragma once

#include "benchsupport.h"

#include "armour/collisionarmor.h"
#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "gamedata/database.h"

#include "render/buffermanager.h"
#include "render/materialloader.h"
#include "render/tankmesh.h"
#include "render/transformstack.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <benchmark/benchmark.h>
#include <glm/glm.hpp>

#include <memory>

// The large sample's detailed tank, V99_Leviathan, as collision models: about
// 200,000 triangles in four parts. Shared by the collision-world and shot benchmarks.

inline const QString LARGE_SAMPLE = QStringLiteral(HULLSCOPE_LARGE_SAMPLE_GAME_DIR);

// The tank list's name of V99_Leviathan; empty while the database lacks it.
inline QString leviathanName()
{
    Database *db = Database::instance();
    if (!db || db->nations.isEmpty() || db->categories.isEmpty() || db->tiers.isEmpty()) {
        return QString();
    }
    const std::unique_ptr<QSqlQuery> query(
        db->filterQueryAll(db->nations.first(), db->categories.first(), db->tiers.first()));
    while (query->next()) {
        const QString name = query->value(4).toString();
        if (db->xmlFileOf(name).endsWith(QLatin1String("v99_leviathan.xml"))) {
            return name;
        }
    }
    return QString();
}

// The collision form shown, with fixed turret and gun names; no GL.
class LeviathanTank : public TankMeshHooks
{
public:
    int shownForm() const override { return 2; }
    int loadingForm() const override { return 2; }
    Mesh *partMesh(quint32, int) const override { return nullptr; }
    TransformStack *transformStack() override { return &stack; }
    TankCamouflage camouflage() const override { return {}; }
    QString currentTurretName() const override { return QStringLiteral("Turret"); }
    QString currentGunName() const override { return QStringLiteral("Gun"); }
    TransformStack stack;
};

// The services a collision model loads with, on the large sample game.
class CollisionServices : public SampleGameServices
{
public:
    CollisionServices()
        : SampleGameServices(LARGE_SAMPLE)
    {
        new BufferManager();
        new MaterialLoader();
        new CollisionArmor();
        new Physics();
    }

    ~CollisionServices()
    {
        delete Physics::instance();
        delete CollisionArmor::instance();
        delete MaterialLoader::instance();
        delete BufferManager::instance();
    }
};

// Loads the four collision models into meshes; with hooks they read the tank through
// them, with addToWorld their objects enter the collision world.
inline bool loadLeviathan(std::unique_ptr<CollisionMesh> (&meshes)[4], TankMeshHooks *hooks,
                          bool addToWorld)
{
    static const char *const parts[4] = {"Chassis.model", "Hull.model", "Turret_01.model",
                                         "Gun_01.model"};
    if (meshes[0]) {
        return true;
    }
    for (int part = 0; part < 4; ++part) {
        meshes[part] = std::make_unique<CollisionMesh>();
        meshes[part]->setTankHooks(hooks);
        const QString path = QStringLiteral("vehicles/velmora/V99_Leviathan/collision/")
                             + QLatin1String(parts[part]);
        if (!meshes[part]->load(path, glm::vec3(0.0f), part)) {
            return false;
        }
        if (addToWorld) {
            meshes[part]->addToWorld();
        }
    }
    return true;
}

// The main of a benchmark on the detailed tank: the services for the whole run, the
// meshes freed before them.
inline int runLeviathanBenchmarks(int argc, char **argv, CollisionServices *&services,
                                  std::unique_ptr<CollisionMesh> (&meshes)[4])
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    CollisionServices all;
    services = &all;
    benchmark::RunSpecifiedBenchmarks();
    for (auto &mesh : meshes) {
        mesh.reset();
    }
    services = nullptr;
    benchmark::Shutdown();
    return 0;
}
