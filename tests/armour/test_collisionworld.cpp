#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/log.h"

#include "support/servicestack.h"

#include <QtTest>

#include <btBulletCollisionCommon.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <memory>

namespace {

// All hits of a ray with the triangle index of each, as the shots read them.
struct Hits : btCollisionWorld::AllHitsRayResultCallback
{
    Hits(const glm::vec3 &from, const glm::vec3 &to)
        : AllHitsRayResultCallback(btVector3(from.x, from.y, from.z), btVector3(to.x, to.y, to.z))
    {
    }
    btScalar addSingleResult(btCollisionWorld::LocalRayResult &result, bool normalInWorld) override
    {
        triangles.append(result.m_localShapeInfo ? result.m_localShapeInfo->m_triangleIndex : -1);
        parts.append(result.m_localShapeInfo ? result.m_localShapeInfo->m_shapePart : -1);
        return AllHitsRayResultCallback::addSingleResult(result, normalInWorld);
    }
    QVector<int> triangles;
    QVector<int> parts;
};

Hits cast(const glm::vec3 &from, const glm::vec3 &to)
{
    Hits hits(from, to);
    Physics::instance()->world()->rayTest(hits.m_rayFromWorld, hits.m_rayToWorld, hits);
    return hits;
}

glm::vec3 toGlm(const btVector3 &v)
{
    return glm::vec3(v.x(), v.y(), v.z());
}

// A 2 x 2 square in the local z = 0 plane as two triangles split along (0, 2).
const QVector<glm::vec3> SQUARE = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
const QVector<quint32> SQUARE_INDICES = {0, 1, 2, 0, 2, 3};

std::unique_ptr<CollisionGroup> square(const glm::mat4 &placement)
{
    return buildCollisionGroup(SQUARE, SQUARE_INDICES.constData(), SQUARE_INDICES.size(),
                               placement);
}

void add(CollisionGroup &group)
{
    Physics::instance()->addGroup(group);
}

} // namespace

// The collision world and its groups at Bullet level: no file, no GL.
class TestCollisionWorld : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Physics>> mServices;

private slots:
    void initTestCase() { mServices = std::make_unique<ServiceStack<Log, Physics>>(); }
    void cleanupTestCase() { mServices.reset(); }
    void cleanup() { Physics::instance()->clearObjects(); }

    void startLines()
    {
        const QString info = Log::instance()->text(Info);
        QVERIFY(info.contains(QStringLiteral("] Initialising Bullet collsion detection.\r\n")));
        QVERIFY(info.contains(QStringLiteral("] Bullet Physics Library version: ")
                              + QString::number(btGetVersion()) + QStringLiteral("\r\n")));
    }

    // Hit points against the analytic intersection of the ray with the plate's plane,
    // for plates turned and moved by their placement.
    void raysMeetPlanes_data()
    {
        QTest::addColumn<float>("angle");
        QTest::addColumn<glm::vec3>("axis");
        QTest::addColumn<glm::vec3>("offset");
        QTest::addColumn<glm::vec3>("from");
        QTest::addColumn<glm::vec3>("to");
        QTest::newRow("facing") << 0.0f << glm::vec3(0, 1, 0) << glm::vec3(0, 0, 0)
                                << glm::vec3(0.5f, -0.3f, 5) << glm::vec3(0.5f, -0.3f, -5);
        QTest::newRow("turned 90 and moved")
            << 90.0f << glm::vec3(0, 1, 0) << glm::vec3(3, 1, 0) << glm::vec3(-4, 0.7f, -0.4f)
            << glm::vec3(9, 0.8f, -0.2f);
        QTest::newRow("slanted") << 35.0f << glm::vec3(1, 0, 0) << glm::vec3(0, 0, -2)
                                 << glm::vec3(0.4f, -0.2f, 6) << glm::vec3(0.3f, 0.1f, -8);
    }
    void raysMeetPlanes()
    {
        QFETCH(float, angle);
        QFETCH(glm::vec3, axis);
        QFETCH(glm::vec3, offset);
        QFETCH(glm::vec3, from);
        QFETCH(glm::vec3, to);
        const glm::mat4 placement =
            glm::rotate(glm::translate(glm::mat4(1.0f), offset), glm::radians(angle), axis);
        auto group = square(placement);
        add(*group);

        const glm::vec3 normal = glm::normalize(glm::mat3(placement) * glm::vec3(0, 0, 1));
        const float t = glm::dot(offset - from, normal) / glm::dot(to - from, normal);
        const glm::vec3 expected = from + t * (to - from);

        const Hits hits = cast(from, to);
        // One plate, off its diagonal: one hit, front or back alike.
        QCOMPARE(hits.m_collisionObjects.size(), 1);
        QCOMPARE(hits.m_collisionObjects[0], group->object.get());
        QVERIFY(glm::distance(toGlm(hits.m_hitPointWorld[0]), expected) < 1e-4f);
        QVERIFY(qAbs(hits.m_hitFractions[0] - t) < 1e-5f);
        QCOMPARE(static_cast<CollisionGroup *>(hits.m_collisionObjects[0]->getUserPointer()),
                 group.get());
        // The triangle Bullet names is the one the group lists, with its face normal.
        const int k = hits.triangles.at(0);
        QVERIFY(k >= 0 && k < group->triangles.size());
        const glm::vec3 faceNormal = glm::mat3(placement) * group->triangles.at(k).normal;
        QVERIFY(qAbs(qAbs(glm::dot(glm::normalize(faceNormal), normal)) - 1.0f) < 1e-5f);
    }

    void trianglesAndNormals()
    {
        auto group = square(glm::mat4(1.0f));
        QCOMPARE(group->triangles.size(), 2);
        const CollisionTriangle &second = group->triangles.at(1);
        QCOMPARE(second.p0, SQUARE[0]);
        QCOMPARE(second.p1, SQUARE[2]);
        QCOMPARE(second.p2, SQUARE[3]);
        // (p1 - p0) x (p2 - p0), not normalised.
        QCOMPARE(second.normal, glm::vec3(0, 0, 4));
    }

    // Objects moved by place() are hit at their new place at once (no box update).
    void placementFollows()
    {
        auto group = square(glm::mat4(1.0f));
        add(*group);
        const glm::vec3 from(0.4f, -0.3f, 5);
        const glm::vec3 to(0.4f, -0.3f, -5);
        QVERIFY(cast(from, to).hasHit());
        group->place(glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(10, 0, 0)),
                                 glm::radians(90.0f), glm::vec3(0, 1, 0)));
        QVERIFY(!cast(from, to).hasHit());
        QVERIFY(cast(glm::vec3(5, -0.3f, 0.4f), glm::vec3(15, -0.3f, 0.4f)).hasHit());
    }

    // An empty or wholly invalid triangle list gives a group without shape or object;
    // a triangle naming a missing vertex is dropped from Bullet and from triangles
    // alike, so Bullet's index still selects the right triangle.
    void emptyAndOutOfRange()
    {
        int skipped = 0;
        auto none = buildCollisionGroup(SQUARE, static_cast<const quint32 *>(nullptr), 0,
                                        glm::mat4(1.0f), &skipped);
        QVERIFY(!none->object && !none->shape && none->meshes.empty() && none->triangles.isEmpty());
        const QVector<quint32> bad = {0, 1, 9};
        auto allBad =
            buildCollisionGroup(SQUARE, bad.constData(), bad.size(), glm::mat4(1.0f), &skipped);
        QVERIFY(!allBad->object);
        QCOMPARE(skipped, 1);

        // Triangle 0 is bad; the upper-left triangle becomes Bullet's index 1.
        const QVector<quint32> mixed = {0, 7, 2, 0, 1, 2, 0, 2, 3, 1};
        auto group =
            buildCollisionGroup(SQUARE, mixed.constData(), mixed.size(), glm::mat4(1.0f), &skipped);
        QCOMPARE(skipped, 2);
        QCOMPARE(group->triangles.size(), 2);
        add(*group);
        const Hits hits = cast(glm::vec3(-0.5f, 0.5f, 3), glm::vec3(-0.5f, 0.5f, -3));
        QCOMPARE(hits.triangles, QVector<int> {1});
        QCOMPARE(group->triangles.at(1).p2, SQUARE[3]);
    }

    // A group too large for one tree is cut into pieces; a ray anywhere on it still
    // names the triangle it crossed, in the group's own numbering.
    void largeGroupInPieces()
    {
        // A 150 x 150 grid of unit squares in z = 0: 45,000 triangles, three pieces.
        const int side = 150;
        QVector<glm::vec3> grid;
        for (int y = 0; y <= side; ++y) {
            for (int x = 0; x <= side; ++x) {
                grid.append(glm::vec3(x, y, 0));
            }
        }
        QVector<quint32> indices;
        for (quint32 y = 0; y < side; ++y) {
            for (quint32 x = 0; x < side; ++x) {
                const quint32 i = y * (side + 1) + x;
                indices << i << i + 1 << i + side + 2 << i << i + side + 2 << i + side + 1;
            }
        }
        auto group = buildCollisionGroup(grid, indices.constData(), indices.size(),
                                         glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -2)));
        QCOMPARE(group->pieceStarts.size(), 3);
        add(*group);
        for (const glm::vec2 at : {glm::vec2(0.8f, 0.2f), glm::vec2(75.2f, 74.7f),
                                   glm::vec2(149.3f, 149.9f), glm::vec2(60.6f, 100.1f)}) {
            const Hits hits = cast(glm::vec3(at, 5), glm::vec3(at, -5));
            QCOMPARE(hits.m_collisionObjects.size(), 1);
            QCOMPARE(hits.parts.size(), 1);
            const int k = group->triangleAt(hits.parts.first(), hits.triangles.first());
            // Square (x, y) holds triangles 2 (y side + x) and the one after it; the
            // first is the lower right half.
            const int square = int(at.y) * side + int(at.x);
            const bool lower = at.x - std::floor(at.x) > at.y - std::floor(at.y);
            QCOMPARE(k, 2 * square + (lower ? 0 : 1));
        }
        QCOMPARE(group->triangleAt(2, 15000), -1);
        QCOMPARE(group->triangleAt(3, 0), -1);
    }

    // What a group keeps of a registry thickness: truncated, and 0 for anything the
    // definition reader refuses, never an out-of-range cast.
    void thicknessTruncation()
    {
        QCOMPARE(truncatedThickness(99.9f), 99);
        QCOMPARE(truncatedThickness(10000.0f), 10000);
        QCOMPARE(truncatedThickness(-0.0f), 0);
        for (float refused : {-50.0f, 10000.5f, 3e9f, -2.45e38f, INFINITY, NAN}) {
            QCOMPARE(truncatedThickness(refused), 0);
        }
    }

    // One owner: the world never owns an object, the group that built it does and
    // takes it out when it goes; Physics deletes only the shapes handed to it.
    void ownership()
    {
        Physics *physics = Physics::instance();
        auto kept = square(glm::mat4(1.0f));
        auto dropped = square(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -1)));
        add(*kept);
        add(*dropped);
        add(*kept); // once only
        physics->addShape(new btSphereShape(0.5f));
        QCOMPARE(physics->objectCount(), 2);

        dropped.reset();
        QCOMPARE(physics->objectCount(), 1);

        physics->shotStart = glm::vec3(1.0f);
        physics->shotEnd = glm::vec3(2.0f);
        physics->clearObjects();
        QCOMPARE(physics->objectCount(), 0);
        QCOMPARE(physics->shotStart, glm::vec3(0.0f));
        QCOMPARE(physics->shotEnd, glm::vec3(0.0f));
        // The surviving group still holds a live object, out of the world, and can go
        // back in.
        QVERIFY(!kept->entry.inWorld());
        QCOMPARE(kept->object->getCollisionShape(), kept->shape.get());
        add(*kept);
        QVERIFY(cast(glm::vec3(0.4f, -0.3f, 5), glm::vec3(0.4f, -0.3f, -5)).hasHit());
        physics->removeGroup(*kept);
        QCOMPARE(physics->objectCount(), 0);
        add(*kept);

        // A group that outlives the world has nothing left to leave (ASan: no use of
        // the freed world).
        delete physics;
        QVERIFY(!kept->entry.inWorld());
        kept.reset();
        new Physics();
        QCOMPARE(Physics::instance()->objectCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCollisionWorld)
#include "test_collisionworld.moc"
