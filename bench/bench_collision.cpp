#include "armour/collisionarmor.h"
#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/buffermanager.h"
#include "render/materialloader.h"
#include "render/tankmesh.h"
#include "render/transformstack.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "leviathan.h"

#include <benchmark/benchmark.h>
#include <btBulletCollisionCommon.h>
#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

using Services = CollisionServices;

Services *services = nullptr;

// The four collision models of the detailed tank, loaded once.
std::unique_ptr<CollisionMesh> leviathan[4];

bool loadLeviathan()
{
    return ::loadLeviathan(leviathan, nullptr, false);
}

int triangleCount()
{
    int triangles = 0;
    for (const auto &mesh : leviathan) {
        for (const CollisionGroup *group : std::as_const(mesh->groups)) {
            triangles += group->triangles.size();
        }
    }
    return triangles;
}

// The program's build: index ranges, triangles, Bullet mesh, tree and object per group.
void BM_BuildCollisionObjects(benchmark::State &state)
{
    if (!services->valid() || !loadLeviathan()) {
        state.SkipWithError("large sample game missing: build target sample_game_large");
        return;
    }
    for (auto _ : state) {
        for (const auto &mesh : leviathan) {
            mesh->buildCollisionObjects();
        }
        state.PauseTiming();
        for (const auto &mesh : leviathan) {
            qDeleteAll(mesh->groups);
            mesh->groups.clear();
        }
        state.ResumeTiming();
    }
    for (const auto &mesh : leviathan) {
        mesh->buildCollisionObjects();
    }
    state.counters["triangles"] = triangleCount();
}
BENCHMARK(BM_BuildCollisionObjects)->Unit(benchmark::kMillisecond)->UseRealTime();

// Bullet alone on the same triangles in the same groups: triangle mesh and quantized tree.
void BM_BareBulletBuild(benchmark::State &state)
{
    if (!services->valid() || !loadLeviathan()) {
        state.SkipWithError("large sample game missing: build target sample_game_large");
        return;
    }
    QVector<QVector<btVector3>> groups;
    for (const auto &mesh : leviathan) {
        if (mesh->groups.isEmpty()) {
            mesh->buildCollisionObjects();
        }
        for (const CollisionGroup *group : std::as_const(mesh->groups)) {
            QVector<btVector3> corners;
            for (const CollisionTriangle &t : group->triangles) {
                corners << btVector3(t.p0.x, t.p0.y, t.p0.z) << btVector3(t.p1.x, t.p1.y, t.p1.z)
                        << btVector3(t.p2.x, t.p2.y, t.p2.z);
            }
            groups.append(corners);
        }
    }
    for (auto _ : state) {
        for (const QVector<btVector3> &corners : std::as_const(groups)) {
            if (corners.isEmpty()) {
                continue;
            }
            btTriangleMesh mesh(true, true);
            for (int i = 0; i + 2 < corners.size(); i += 3) {
                mesh.addTriangle(corners[i], corners[i + 1], corners[i + 2], false);
            }
            btBvhTriangleMeshShape shape(&mesh, true, true);
            benchmark::DoNotOptimize(shape.getOptimizedBvh());
        }
    }
    state.counters["triangles"] = triangleCount();
}
BENCHMARK(BM_BareBulletBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

// One armour-view frame's collision work without GL: colours by thickness and the
// objects' placement, for 4 meshes of 50 groups against 150 registry entries.
void BM_ArmourFrame(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString script =
        QStringLiteral(
            "import primitives as P\n"
            "v = [((x + 3 * g, y, 0), (0, 0, 1), (0, 0)) for g in range(50)"
            " for (x, y) in ((0, 0), (1, 0), (1, 1), (0, 1))]\n"
            "t = [4 * g + k for g in range(50) for k in (0, 1, 2, 0, 2, 3)]\n"
            "groups = [(6 * g, 2, 4 * g, 4) for g in range(50)]\n"
            "open('%1', 'wb').write(P.write_primitives([('F.vertices', P.vertex_section('xyznuv', "
            "v)),"
            " ('F.indices', P.index_section(t, groups=groups))]))\n"
            "m = ''.join('<primitiveGroup>%d<material><identifier>armor_%d</identifier></material>"
            "</primitiveGroup>' % (g, g) for g in range(50))\n"
            "open('%2', 'w').write('<root><node><identifier>Scene "
            "Root</identifier></node><renderSet>"
            "<node>Scene Root</node><geometry><vertices>F.vertices</vertices>"
            "<primitive>F.indices</primitive>' + m + '</geometry></renderSet></root>')\n")
            .arg(dir.filePath(QStringLiteral("Frame.primitives")),
                 dir.filePath(QStringLiteral("Frame.visual")));
    QProcess python;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats"));
    python.setProcessEnvironment(env);
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script});
    python.waitForFinished(60000);

    CollisionArmor *armour = CollisionArmor::instance();
    armour->clear();
    // 150 entries: 30 chassis, 40 hull, 40 turret and 40 gun plates.
    for (int i = 0; i < 30; ++i) {
        armour->addChassisArmor(float(10 + i), QStringLiteral("armor_%1").arg(i), false);
    }
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("armor_%1").arg(i);
        armour->addHullArmor(float(20 + i), name, i % 7 == 0);
        armour->addTurretArmor(float(30 + i), name, QStringLiteral("Turret"), false);
        armour->addGunArmor(float(40 + i), name, QStringLiteral("Gun"), false);
    }
    armour->buildArmorTables();

    LeviathanTank tank;
    std::unique_ptr<CollisionMesh> meshes[4];
    for (int part = 0; part < 4; ++part) {
        meshes[part] = std::make_unique<CollisionMesh>();
        meshes[part]->setTankHooks(&tank);
        if (!meshes[part]->load(dir.filePath(QStringLiteral("Frame.model")),
                                glm::vec3(0, 0.1f * part, 0), part)) {
            state.SkipWithError("frame model did not load");
            return;
        }
        meshes[part]->addToWorld();
    }
    const glm::mat4 rotation = glm::rotate(glm::mat4(1.0f), 0.3f, glm::vec3(0, 1, 0));
    for (auto _ : state) {
        tank.stack.current = rotation;
        for (const auto &mesh : meshes) {
            mesh->draw(false, true, nullptr, nullptr);
        }
    }
    int groups = 0;
    for (const auto &mesh : meshes) {
        groups += mesh->groups.size();
    }
    state.counters["groups"] = groups;
}
BENCHMARK(BM_ArmourFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runLeviathanBenchmarks(argc, argv, services, leviathan);
}
