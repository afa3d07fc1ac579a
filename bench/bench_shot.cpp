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
#include <QTemporaryDir>

#include "leviathan.h"

#include <benchmark/benchmark.h>
#include <btBulletCollisionCommon.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <memory>

namespace {

using Services = CollisionServices;

Services *services = nullptr;

// The four collision models of the detailed tank, loaded once.
std::unique_ptr<CollisionMesh> leviathan[4];
LeviathanTank tank;

bool loadLeviathan()
{
    return ::loadLeviathan(leviathan, &tank, true);
}

// A ray from 20 m in front through the middle of the world's bounds, a little off
// any axis so that it does not run along the models' edges.
void rayThroughWorld(glm::vec3 &from, glm::vec3 &to)
{
    btVector3 low(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
    btVector3 high = -low;
    const btCollisionObjectArray &objects = Physics::instance()->world()->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btVector3 a;
        btVector3 b;
        objects[i]->getCollisionShape()->getAabb(objects[i]->getWorldTransform(), a, b);
        low.setMin(a);
        high.setMax(b);
    }
    const btVector3 centre = (low + high) * 0.5f;
    const glm::vec3 middle(centre.x(), centre.y(), centre.z());
    from = middle + glm::vec3(0.0137f, 0.0211f, 20.0f);
    to = middle + glm::vec3(-0.0131f, -0.0173f, -20.0f);
}

int worldTriangles()
{
    int triangles = 0;
    const btCollisionObjectArray &objects = Physics::instance()->world()->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        if (const auto *group = static_cast<const CollisionGroup *>(objects[i]->getUserPointer())) {
            triangles += group->triangles.size();
        }
    }
    return triangles;
}

// One shot as the click runs it: the query, the sort, the rules, the records and
// the emitted list reaching a connected slot.
void shoot(benchmark::State &state)
{
    glm::vec3 from;
    glm::vec3 to;
    rayThroughWorld(from, to);
    int received = 0;
    int records = 0;
    const QMetaObject::Connection connection =
        QObject::connect(Physics::instance(), &Physics::rayHit, [&](const RayResultsList &results) {
            ++received;
            records = int(results.size());
        });
    for (auto _ : state) {
        Physics::instance()->traceShot(from, to);
    }
    QObject::disconnect(connection);
    if (received == 0
        || Physics::instance()->results().first().material == QLatin1String("Missed")) {
        state.SkipWithError("the shot missed");
        return;
    }
    state.counters["records"] = records;
    state.counters["objects"] = Physics::instance()->world()->getNumCollisionObjects();
    state.counters["triangles"] = worldTriangles();
}

// Bullet alone: every hit of the same segment through the same world.
void bareRay(benchmark::State &state)
{
    glm::vec3 from;
    glm::vec3 to;
    rayThroughWorld(from, to);
    const btVector3 a(from.x, from.y, from.z);
    const btVector3 b(to.x, to.y, to.z);
    int hits = 0;
    for (auto _ : state) {
        btCollisionWorld::AllHitsRayResultCallback callback(a, b);
        Physics::instance()->world()->rayTest(a, b, callback);
        hits = callback.m_collisionObjects.size();
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = hits;
}

struct Ray
{
    glm::vec3 from;
    glm::vec3 to;
};

int bareHits(const Ray &ray)
{
    const btVector3 a(ray.from.x, ray.from.y, ray.from.z);
    const btVector3 b(ray.to.x, ray.to.y, ray.to.z);
    btCollisionWorld::AllHitsRayResultCallback callback(a, b);
    Physics::instance()->world()->rayTest(a, b, callback);
    return callback.m_collisionObjects.size();
}

// Rays through every part of the tank that cross 4 to 10 plates each, so that the
// sort and the rules have work: a grid over each part's bounds, from the front, the
// side and above, at most eight rays a part.
const QVector<Ray> &spreadRays()
{
    static QVector<Ray> rays;
    if (!rays.isEmpty()) {
        return rays;
    }
    for (const auto &mesh : leviathan) {
        btVector3 low(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
        btVector3 high = -low;
        for (const CollisionGroup *group : std::as_const(mesh->groups)) {
            if (group->object) {
                btVector3 a;
                btVector3 b;
                group->shape->getAabb(group->object->getWorldTransform(), a, b);
                low.setMin(a);
                high.setMax(b);
            }
        }
        const glm::vec3 lo(low.x(), low.y(), low.z());
        const glm::vec3 size = glm::vec3(high.x(), high.y(), high.z()) - lo;
        int taken = 0;
        for (int axis = 0; axis < 3 && taken < 8; ++axis) {
            const int u = (axis + 1) % 3;
            const int v = (axis + 2) % 3;
            for (int step = 1; step < 64 && taken < 8; ++step) {
                // A low-discrepancy walk over the face, off every edge of the models.
                glm::vec3 point = lo;
                point[u] += size[u] * std::fmod(0.5f + 0.618034f * float(step), 1.0f);
                point[v] += size[v] * std::fmod(0.5f + 0.754878f * float(step), 1.0f);
                Ray ray {point, point};
                ray.from[axis] = lo[axis] - 20.0f;
                ray.to[axis] = lo[axis] + size[axis] + 20.0f;
                ray.to[u] += 0.013f;
                const int hits = bareHits(ray);
                if (hits >= 4 && hits <= 10) {
                    rays.append(ray);
                    ++taken;
                }
            }
        }
    }
    return rays;
}

bool leviathanReady(benchmark::State &state)
{
    if (!services->valid() || !loadLeviathan()) {
        state.SkipWithError("large sample game missing: build target sample_game_large");
        return false;
    }
    return true;
}

void BM_ShotLeviathan(benchmark::State &state)
{
    if (leviathanReady(state)) {
        shoot(state);
    }
}
BENCHMARK(BM_ShotLeviathan)->Unit(benchmark::kMicrosecond);

void BM_BareBulletRayLeviathan(benchmark::State &state)
{
    if (leviathanReady(state)) {
        bareRay(state);
    }
}
BENCHMARK(BM_BareBulletRayLeviathan)->Unit(benchmark::kMicrosecond);

// The spread of rays, each shot as a click runs it: per iteration every ray once.
void BM_ShotSpreadLeviathan(benchmark::State &state)
{
    if (!leviathanReady(state)) {
        return;
    }
    const QVector<Ray> &rays = spreadRays();
    if (rays.isEmpty()) {
        state.SkipWithError("no ray crosses 4 to 10 plates");
        return;
    }
    qsizetype records = 0;
    for (auto _ : state) {
        records = 0;
        for (const Ray &ray : rays) {
            Physics::instance()->traceShot(ray.from, ray.to);
            records += Physics::instance()->results().size();
        }
    }
    state.counters["rays"] = double(rays.size());
    state.counters["records"] = double(records);
}
BENCHMARK(BM_ShotSpreadLeviathan)->Unit(benchmark::kMicrosecond);

// Bullet's bare all-hits query over the same rays in the same world.
void BM_BareBulletRaySpreadLeviathan(benchmark::State &state)
{
    if (!leviathanReady(state)) {
        return;
    }
    const QVector<Ray> &rays = spreadRays();
    if (rays.isEmpty()) {
        state.SkipWithError("no ray crosses 4 to 10 plates");
        return;
    }
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const Ray &ray : rays) {
            hits += bareHits(ray);
        }
        benchmark::DoNotOptimize(hits);
    }
    state.counters["rays"] = double(rays.size());
    state.counters["hits"] = hits;
}
BENCHMARK(BM_BareBulletRaySpreadLeviathan)->Unit(benchmark::kMicrosecond);

// count objects of 100 triangles each (a 10 x 5 grid of squares), ten by ten
// across the ray's path and then in layers behind: the simple broadphase walks
// every one of them. The detailed tank is out of the world meanwhile.
class Plates
{
public:
    explicit Plates(int count)
    {
        for (const auto &mesh : leviathan) {
            if (mesh) {
                mesh->removeFromWorld();
            }
        }
        QVector<glm::vec3> positions;
        for (int y = 0; y <= 5; ++y) {
            for (int x = 0; x <= 10; ++x) {
                positions.append(glm::vec3(0.1f * float(x) - 0.5f, 0.1f * float(y) - 0.25f, 0));
            }
        }
        QVector<quint32> indices;
        for (quint32 y = 0; y < 5; ++y) {
            for (quint32 x = 0; x < 10; ++x) {
                const quint32 i = y * 11 + x;
                indices << i << i + 1 << i + 12 << i << i + 12 << i + 11;
            }
        }
        for (int n = 0; n < count; ++n) {
            const glm::vec3 offset(0.3f * float(n % 10) - 1.35f,
                                   0.3f * float((n / 10) % 10) - 1.35f, -0.3f * float(n / 100));
            auto group = buildCollisionGroup(positions, indices.constData(), indices.size(),
                                             glm::translate(glm::mat4(1.0f), offset));
            group->name = QStringLiteral("armor_%1").arg(n % 40);
            group->armor = 20 + n % 60;
            Physics::instance()->addGroup(*group);
            mGroups.push_back(std::move(group));
        }
    }
    ~Plates()
    {
        mGroups.clear();
        for (const auto &mesh : leviathan) {
            if (mesh) {
                mesh->addToWorld();
            }
        }
    }

private:
    std::vector<std::unique_ptr<CollisionGroup>> mGroups;
};

void BM_ShotManyObjects(benchmark::State &state)
{
    Plates plates(int(state.range(0)));
    shoot(state);
}
BENCHMARK(BM_ShotManyObjects)->Arg(150)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_BareBulletRayManyObjects(benchmark::State &state)
{
    Plates plates(int(state.range(0)));
    bareRay(state);
}
BENCHMARK(BM_BareBulletRayManyObjects)->Arg(150)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runLeviathanBenchmarks(argc, argv, services, leviathan);
}
