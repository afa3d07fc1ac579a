#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/log.h"

#include "support/servicestack.h"

#include <QtTest>

#include <btBulletCollisionCommon.h>
#include <glm/gtc/matrix_transform.hpp>

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
        return AllHitsRayResultCallback::addSingleResult(result, normalInWorld);
    }
    QVector<int> triangles;
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
    Physics::instance()->world()->addCollisionObject(group.object, 1, -1);
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
        QCOMPARE(hits.m_collisionObjects[0], group->object);
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
        QVERIFY(!none->object && !none->shape && !none->mesh && none->triangles.isEmpty());
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

    // One owner: groups keep their objects through clearObjects, Physics deletes only
    // what it owns; a group deleted while its object is in the world takes it out.
    void ownership()
    {
        btCollisionWorld *world = Physics::instance()->world();
        auto kept = square(glm::mat4(1.0f));
        auto dropped = square(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -1)));
        add(*kept);
        add(*dropped);
        auto *foreignShape = new btSphereShape(0.5f);
        Physics::instance()->addShape(foreignShape);
        auto *foreign = new btCollisionObject;
        foreign->setCollisionShape(foreignShape);
        world->addCollisionObject(foreign);
        QCOMPARE(world->getNumCollisionObjects(), 3);

        dropped.reset();
        QCOMPARE(world->getNumCollisionObjects(), 2);

        Physics::instance()->shotStart = glm::vec3(1.0f);
        Physics::instance()->shotEnd = glm::vec3(2.0f);
        Physics::instance()->clearObjects();
        QCOMPARE(world->getNumCollisionObjects(), 0);
        QCOMPARE(Physics::instance()->shotStart, glm::vec3(0.0f));
        QCOMPARE(Physics::instance()->shotEnd, glm::vec3(0.0f));
        // The surviving group still holds a live object, out of the world.
        QCOMPARE(kept->object->getWorldArrayIndex(), -1);
        QCOMPARE(kept->object->getCollisionShape(), kept->shape);
        add(*kept);
        QVERIFY(cast(glm::vec3(0.4f, -0.3f, 5), glm::vec3(0.4f, -0.3f, -5)).hasHit());
        // Deleted last, after the world let go of it: nothing is freed twice (ASan).
        kept.reset();
        QCOMPARE(world->getNumCollisionObjects(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCollisionWorld)
#include "test_collisionworld.moc"
