#include "armour/collisionmesh.h"
#include "armour/internal/rayresultcallback.h"
#include "armour/physics.h"
#include "armour/shot.h"

#include "core/log.h"

#include "support/servicestack.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <glm/gtc/matrix_transform.hpp>

#include <memory>
#include <vector>

namespace {

// A square of half-size 4 in the local z = 0 plane, split along (-4, -4)-(4, 4).
const QVector<glm::vec3> SQUARE = {{-4, -4, 0}, {4, -4, 0}, {4, 4, 0}, {-4, 4, 0}};
const QVector<quint32> SQUARE_INDICES = {0, 1, 2, 0, 2, 3};

glm::mat4 tiltAboutX(float degrees, float z)
{
    return glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, z)), glm::radians(degrees),
                       glm::vec3(1, 0, 0));
}

// A hit straight down the z axis at height z, 0.05 off the diagonal, on a plate of
// the given thickness whose normal is tilted from +z by degrees about x.
RawRayHit hitDown(const QString &name, int armor, float degrees, float z, quintptr object = 1)
{
    RawRayHit hit;
    hit.direction = glm::vec3(0, 0, -1);
    hit.hitPoint = glm::vec3(-0.6f, 0.05f, z);
    hit.distance = 20.0f - z;
    hit.normal = glm::vec3(tiltAboutX(degrees, 0) * glm::vec4(0, 0, 64, 0));
    hit.material = name;
    hit.armor = armor;
    hit.object = object;
    return hit;
}

void closeTo(float actual, double expected, const char *what)
{
    const double tolerance = 1e-3 * qMax(1.0, qAbs(expected));
    if (qAbs(double(actual) - expected) > tolerance) {
        QFAIL(qPrintable(QStringLiteral("%1: %2, expected %3")
                             .arg(QLatin1String(what))
                             .arg(actual)
                             .arg(expected)));
    }
}

} // namespace

// The shell rules over plain hits, and the shot through a Bullet world built from
// triangle lists.
class TestShot : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Physics>> mServices;

private slots:
    void initTestCase() { mServices = std::make_unique<ServiceStack<Log, Physics>>(); }
    void cleanupTestCase() { mServices.reset(); }

    // The worked values; the last row is a plate without a registry entry, which
    // would divide by a thickness of 0.
    void workedTable_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<float>("caliber");
        QTest::addColumn<float>("normalization");
        QTest::addColumn<int>("armor");
        QTest::addColumn<float>("deg");
        QTest::addColumn<double>("normalized");
        QTest::addColumn<double>("effective");
        QTest::addColumn<bool>("ricochet");
        QTest::newRow("plain") << 0 << 88.f << 2.f << 100 << 45.f << 43.0 << 136.733 << false;
        QTest::newRow("within N") << 0 << 88.f << 2.f << 100 << 1.5f << 0.0 << 100.0 << false;
        QTest::newRow("two calibres")
            << 0 << 88.f << 2.f << 40 << 60.f << 53.84 << 67.7918 << false;
        QTest::newRow("three calibres")
            << 1 << 88.f << 2.f << 25 << 80.f << 70.144 << 73.6036 << false;
        QTest::newRow("two, ricochet")
            << 0 << 88.f << 2.f << 30 << 80.f << 71.7867 << 95.9828 << true;
        QTest::newRow("plain ricochet")
            << 0 << 88.f << 2.f << 100 << 75.f << 73.0 << 342.030 << true;
        QTest::newRow("HEAT") << 3 << 88.f << 0.f << 20 << 85.f << 85.0 << 229.474 << true;
        QTest::newRow("HE") << 2 << 88.f << 2.f << 100 << 85.f << 83.0 << 820.550 << false;
        QTest::newRow("thickness 0") << 0 << 88.f << 0.f << 0 << 40.f << 0.0 << 0.0 << false;
    }
    void workedTable()
    {
        QFETCH(int, type);
        QFETCH(float, caliber);
        QFETCH(float, normalization);
        QFETCH(int, armor);
        QFETCH(float, deg);
        QFETCH(double, normalized);
        QFETCH(double, effective);
        QFETCH(bool, ricochet);
        const ShotOutcome outcome = evaluate({hitDown(QStringLiteral("hull"), armor, deg, 0)},
                                             {caliber, normalization, type}, glm::vec3(0, 0, -20));
        QCOMPARE(outcome.results.size(), 1);
        const RayResult &r = outcome.results.first();
        closeTo(r.angle, deg, "angle");
        closeTo(r.normalizedAngle, normalized, "normalized");
        closeTo(r.effectiveArmor, effective, "effective");
        QCOMPARE(r.ricochet, ricochet);
        QCOMPARE(r.armor, float(armor));
        QCOMPARE(outcome.marker, glm::vec3(-0.6f, 0.05f, 0.04f));
    }

    // After a three-calibre plate nothing ricochets for the rest of the shot; the
    // stored shell type is rewritten only for a shot that hits.
    void ricochetCarriesOver()
    {
        const RawRayHit thin = hitDown(QStringLiteral("thin"), 25, 80, 0, 1);
        const RawRayHit thick = hitDown(QStringLiteral("thick"), 100, 80, -2, 2);
        ShotOutcome outcome = evaluate({thin, thick}, {88, 2, 0}, glm::vec3(0, 0, -20));
        QCOMPARE(outcome.results.size(), 2);
        closeTo(outcome.results.at(1).normalizedAngle, 78.0, "normalized");
        QVERIFY(!outcome.results.at(1).ricochet);
        QCOMPARE(outcome.shotEnd, glm::vec3(-0.6f, 0.05f, -2));

        QCOMPARE(evaluate({thick}, {88, 2, 7}, glm::vec3(0)).shellType, 2);
        outcome = evaluate({}, {88, 2, 7}, glm::vec3(1, 2, 3));
        QCOMPARE(outcome.shellType, 7);
        QCOMPARE(outcome.shotEnd, glm::vec3(1, 2, 3));
        QCOMPARE(outcome.marker, glm::vec3(999.0f));
    }

    // A shell skimming along a plate meets it edge on: the plate is as thick as the
    // float range allows, never negative, and the shell glances off as before. Also
    // with a normalisation below zero, which would tip the angle past the right one.
    void grazing_data()
    {
        QTest::addColumn<glm::vec3>("direction");
        QTest::addColumn<float>("normalization");
        QTest::newRow("along x") << glm::vec3(1, 0, 0) << 0.0f;
        QTest::newRow("in plane") << glm::vec3(0.6f, 0.8f, 0) << 0.0f;
        QTest::newRow("barely into") << glm::vec3(0.6f, 0.8f, 1e-8f) << 0.0f;
        QTest::newRow("negative normalisation") << glm::vec3(0.6f, 0.8f, 0.2f) << -30.0f;
    }
    void grazing()
    {
        QFETCH(glm::vec3, direction);
        QFETCH(float, normalization);
        RawRayHit hit;
        hit.direction = glm::normalize(direction);
        hit.hitPoint = glm::vec3(0.25f, 0.25f, 0);
        hit.normal = glm::cross(glm::vec3(1, 0, 0), glm::vec3(0, 1, 0));
        hit.material = QStringLiteral("hull_floor");
        hit.armor = 80;
        const ShotOutcome outcome = evaluate({hit}, {88, normalization, ShellAP}, glm::vec3(0));
        QCOMPARE(outcome.results.size(), 1);
        const RayResult &r = outcome.results.first();
        QVERIFY2(std::isfinite(r.effectiveArmor) && r.effectiveArmor > 1e6f,
                 qPrintable(QString::number(r.effectiveArmor)));
        QVERIFY(r.normalizedAngle > 70.0f && r.normalizedAngle <= 90.0f);
        QVERIFY(r.ricochet);
    }

    // The shots of the expected-value script through the Bullet world: objects go in
    // last first, so the order comes from the sort, not from Bullet.
    void expectedTable()
    {
        QFile file(QStringLiteral(SHOT_TABLE));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
        std::vector<std::unique_ptr<CollisionGroup>> groups;
        QVector<QVector<glm::vec3>> corners;
        QVector<glm::mat4> placements;
        RayResultsList expected;
        glm::vec3 from(0.0f);
        glm::vec3 to(0.0f);
        QString shotName;
        ShellParamaters shell;
        int shots = 0;
        auto number = [](const QStringList &f, int i) { return f.at(i).toFloat(); };
        auto point = [&](const QStringList &f, int i) {
            return glm::vec3(number(f, i), number(f, i + 1), number(f, i + 2));
        };
        for (const QString &line : lines) {
            const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (f.isEmpty() || f.first().startsWith(QLatin1Char('#'))) {
                continue;
            }
            const QString kind = f.first();
            if (kind == QLatin1String("shot")) {
                shotName = f.at(1);
                shell = {number(f, 3), number(f, 4), f.at(2).toInt()};
                from = point(f, 5);
                to = point(f, 8);
                groups.clear();
                expected.clear();
            } else if (kind == QLatin1String("object")) {
                auto group = std::make_unique<CollisionGroup>();
                group->name = f.at(1);
                group->armor = f.at(2).toInt();
                group->spaced = f.at(3).toInt();
                placements.append(tiltAboutX(number(f, 4), number(f, 5)));
                corners.append(QVector<glm::vec3>());
                groups.push_back(std::move(group));
            } else if (kind == QLatin1String("plate")) {
                const glm::mat4 local = tiltAboutX(number(f, 1), number(f, 2));
                for (const glm::vec3 &v : SQUARE) {
                    corners.last().append(glm::vec3(local * glm::vec4(v, 1.0f)));
                }
            } else if (kind == QLatin1String("expect")) {
                RayResult r;
                r.material = f.at(1);
                r.armor = number(f, 2);
                r.effectiveArmor = number(f, 3);
                r.angle = number(f, 4);
                r.normalizedAngle = number(f, 5);
                r.freeTravel = number(f, 6);
                r.spaced = f.at(7) == QLatin1String("1");
                r.ricochet = f.at(8) == QLatin1String("1");
                r.hitPoint = point(f, 9);
                r.hitClass = f.at(12).toInt();
                expected.append(r);
            } else if (kind == QLatin1String("result")) {
                QVERIFY2(groups.size() == size_t(corners.size()), qPrintable(shotName));
                // Build every group from its corners, four per plate, in table order.
                for (size_t g = 0; g < groups.size(); ++g) {
                    QVector<quint32> indices;
                    for (quint32 p = 0; p < quint32(corners[g].size()) / 4; ++p) {
                        for (quint32 i : SQUARE_INDICES) {
                            indices.append(p * 4 + i);
                        }
                    }
                    auto built = buildCollisionGroup(corners[g], indices.constData(),
                                                     indices.size(), placements[g]);
                    built->name = groups[g]->name;
                    built->armor = groups[g]->armor;
                    built->spaced = groups[g]->spaced;
                    groups[g] = std::move(built);
                }
                for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
                    Physics::instance()->addGroup(**it);
                }
                checkShot(shotName, shell, from, to, expected, point(f, 1), point(f, 4),
                          f.at(7).toInt());
                if (QTest::currentTestFailed()) {
                    return;
                }
                Physics::instance()->clearObjects();
                groups.clear();
                corners.clear();
                placements.clear();
                ++shots;
            }
        }
        QCOMPARE(shots, 9);
    }

    // A segment without length crosses nothing: a miss, never a NaN direction.
    void zeroLengthMisses()
    {
        auto group = buildCollisionGroup(SQUARE, SQUARE_INDICES.constData(), SQUARE_INDICES.size(),
                                         glm::mat4(1.0f));
        Physics::instance()->addGroup(*group);
        QSignalSpy spy(Physics::instance(), &Physics::rayHit);
        Physics::instance()->traceShot(glm::vec3(-0.6f, 0.05f, 0), glm::vec3(-0.6f, 0.05f, 0));
        QCOMPARE(spy.size(), 1);
        const auto results = spy.at(0).at(0).value<RayResultsList>();
        QCOMPARE(results.size(), 1);
        QCOMPARE(results.first().material, QStringLiteral("Missed"));
        Physics::instance()->clearObjects();
    }

private:
    void checkShot(const QString &name, const ShellParamaters &shell, const glm::vec3 &from,
                   const glm::vec3 &to, const RayResultsList &expected, const glm::vec3 &end,
                   const glm::vec3 &marker, int storedType)
    {
        Physics *physics = Physics::instance();
        physics->setShellParamaters(shell);
        QSignalSpy spy(physics, &Physics::rayHit);
        physics->traceShot(from, to);
        QCOMPARE(spy.size(), 1);
        const auto results = spy.at(0).at(0).value<RayResultsList>();
        QVERIFY2(results.size() == expected.size(), qPrintable(name));
        QCOMPARE(physics->results().size(), results.size());
        for (int i = 0; i < results.size(); ++i) {
            const RayResult &r = results.at(i);
            const RayResult &x = expected.at(i);
            QVERIFY2(r.material == x.material, qPrintable(name + QLatin1Char(' ') + r.material));
            closeTo(r.armor, x.armor, "armor");
            closeTo(r.effectiveArmor, x.effectiveArmor, "effective");
            closeTo(r.angle, x.angle, "angle");
            closeTo(r.normalizedAngle, x.normalizedAngle, "normalized");
            closeTo(r.freeTravel, x.freeTravel, "free travel");
            for (int c = 0; c < 3; ++c) {
                closeTo(r.hitPoint[c], x.hitPoint[c], "hit point");
            }
            QCOMPARE(r.spaced, x.spaced);
            QCOMPARE(r.ricochet, x.ricochet);
            QCOMPARE(r.hitClass, x.hitClass);
            QVERIFY(!r.skipped);
        }
        for (int c = 0; c < 3; ++c) {
            closeTo(physics->shotEnd[c], end[c], "shot end");
        }
        QCOMPARE(physics->shotStart, from);
        QCOMPARE(physics->shellParamaters().shellType, storedType);

        // The marker, and the callback's arrays beside Bullet's, through the same query.
        internal::AllResultsRayResultCallback callback(btVector3(from.x, from.y, from.z),
                                                       btVector3(to.x, to.y, to.z));
        callback.rayDirection = btVector3(0, 0, -1);
        physics->world()->rayTest(callback.m_rayFromWorld, callback.m_rayToWorld, callback);
        QCOMPARE(callback.triangleIndices.size(), callback.m_collisionObjects.size());
        QCOMPARE(callback.rayDirections.size(), callback.m_collisionObjects.size());
        const ShotOutcome outcome = evaluate(internal::sortedRawHits(callback, from), shell, to);
        for (int c = 0; c < 3; ++c) {
            closeTo(outcome.marker[c], marker[c], "marker");
        }
    }
};

QTEST_GUILESS_MAIN(TestShot)
#include "test_shot.moc"
