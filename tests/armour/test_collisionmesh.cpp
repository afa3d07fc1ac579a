#include "armour/collisionarmor.h"
#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/writerfixtures.h"
#include "render/buffermanager.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/tankmesh.h"
#include "render/transformstack.h"
#include "render/visual.h"

#include "support/servicestack.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <btBulletCollisionCommon.h>
#include <glm/gtc/matrix_transform.hpp>

namespace {

const QString MODELS = QStringLiteral("vehicles/t/collision/");

// Plates a, b (render set 1) and c, d (render set 2) at z = 0, -1, -2, -3; then an
// empty group, a triangle naming vertex 99 of 8, a group index outside the table and
// a group without a material element that reuses plate c.
const char *TWO_SETS = R"(<root><node><identifier>Scene Root</identifier></node>
<renderSet><node>Scene Root</node><geometry><vertices>A.vertices</vertices><primitive>A.indices</primitive>
 <primitiveGroup>0<material><identifier>a</identifier></material></primitiveGroup>
 <primitiveGroup>1<material><identifier>b</identifier><property>doubleSided<Bool>true</Bool></property></material></primitiveGroup>
</geometry></renderSet>
<renderSet><node>Scene Root</node><geometry><vertices>B.vertices</vertices><primitive>B.indices</primitive>
 <primitiveGroup>0<material><identifier>c</identifier></material></primitiveGroup>
 <primitiveGroup>1<material><identifier>d</identifier></material></primitiveGroup>
 <primitiveGroup>2<material><identifier>e</identifier></material></primitiveGroup>
 <primitiveGroup>3<material><identifier>f</identifier></material></primitiveGroup>
 <primitiveGroup>7<material><identifier>g</identifier></material></primitiveGroup>
 <primitiveGroup>0</primitiveGroup>
</geometry></renderSet></root>)";

// One triangle over vertices 65536..65538 of a "list32" section.
const char *WIDE = R"(<root><node><identifier>Scene Root</identifier></node>
<renderSet><node>Scene Root</node><geometry><vertices>W.vertices</vertices><primitive>W.indices</primitive>
 <primitiveGroup>0<material><identifier>a</identifier></material></primitiveGroup>
</geometry></renderSet></root>)";

const char *SURVEY = R"(<root><node><identifier>Scene Root</identifier></node>
<renderSet><node>Scene Root</node><geometry><vertices>A.vertices</vertices><primitive>A.indices</primitive>
 <primitiveGroup>0<material><identifier>SurveyingDevice_1</identifier></material></primitiveGroup>
 <primitiveGroup>1<material><identifier>surveyingDevice</identifier></material></primitiveGroup>
</geometry></renderSet></root>)";

// Squares of side 2 at the given z (file coordinates; the reader negates x).
const char *PRIMITIVES =
    "P.write_primitives(["
    "('A.vertices', P.vertex_section('xyznuv', [((x, y, z), (0, 0, 1), (0, 0)) "
    "for z in (0, -1) for (x, y) in ((-1, -1), (1, -1), (1, 1), (-1, 1))])), "
    "('A.indices', P.index_section([0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7], "
    "groups=[(0, 2, 0, 4), (6, 2, 4, 4)])), "
    "('B.vertices', P.vertex_section('xyznuv', [((x, y, z), (0, 0, 1), (0, 0)) "
    "for z in (-2, -3) for (x, y) in ((-1, -1), (1, -1), (1, 1), (-1, 1))])), "
    "('B.indices', P.index_section([0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 0, 1, 99], "
    "groups=[(0, 2, 0, 4), (6, 2, 4, 4), (12, 0, 0, 0), (12, 1, 0, 8)])), "
    "('W.vertices', P.vertex_section('xyznuv', [((0, 0, 0), (0, 0, 1), (0, 0))] * 65536 "
    "+ [((-2, -2, 0), (0, 0, 1), (0, 0)), ((2, -2, 0), (0, 0, 1), (0, 0)), "
    "((0, 2, 0), (0, 0, 1), (0, 0))])), "
    "('W.indices', P.index_section([0, 1, 2, 65536, 65537, 65538], "
    "groups=[(3, 1, 65536, 3)]))])";

class FakeTank : public TankMeshHooks
{
public:
    int shownForm() const override { return 2; }
    int loadingForm() const override { return 2; }
    Mesh *partMesh(quint32, int) const override { return nullptr; }
    TransformStack *transformStack() override { return &stack; }
    TankCamouflage camouflage() const override { return {}; }
    QString currentTurretName() const override { return turret; }
    QString currentGunName() const override { return gun; }

    TransformStack stack;
    QString turret;
    QString gun;
};

struct Window : CollisionArmorWindowHooks
{
    QTableView *armorTableView() override { return nullptr; }
    QTableView *spacedArmorTableView() override { return nullptr; }
    bool hideSpacedArmor() override { return hide; }
    bool hide = false;
};

// The groups a ray meets, nearest first.
QVector<const CollisionGroup *> groupsOn(const glm::vec3 &from, const glm::vec3 &to)
{
    const btVector3 a(from.x, from.y, from.z);
    const btVector3 b(to.x, to.y, to.z);
    btCollisionWorld::AllHitsRayResultCallback hits(a, b);
    Physics::instance()->world()->rayTest(a, b, hits);
    QVector<QPair<float, const CollisionGroup *>> sorted;
    for (int i = 0; i < hits.m_collisionObjects.size(); ++i) {
        sorted.append({hits.m_hitFractions[i], static_cast<const CollisionGroup *>(
                                                   hits.m_collisionObjects[i]->getUserPointer())});
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &x, const auto &y) { return x.first < y.first; });
    QVector<const CollisionGroup *> out;
    for (const auto &hit : sorted) {
        out.append(hit.second);
    }
    return out;
}

QStringList names(const QVector<const CollisionGroup *> &groups)
{
    QStringList out;
    for (const CollisionGroup *group : groups) {
        out.append(group->name);
    }
    return out;
}

int objectsInWorld()
{
    return Physics::instance()->world()->getNumCollisionObjects();
}

} // namespace

// Collision meshes through the real load path (files, primitives, visual, materials),
// without GL.
class TestCollisionMesh : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, FileManager, Settings, BufferManager>> mServices;

    QTemporaryDir mTemp;
    QString mOldCwd;
    FakeTank mTank;
    Window mWindow;

    QString warnings() const { return Log::instance()->text(Warning); }

private slots:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        const QDir root(mTemp.path());
        QVERIFY(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("data"))
                && root.mkpath(QStringLiteral("mod/") + MODELS));
        mOldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mTemp.filePath(QStringLiteral("bin"))));
        QFile settings(mTemp.filePath(QStringLiteral("data/settings.cfg")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("<Settings><Version>1</Version><Paths><BrastelPath>none</BrastelPath>"
                       "<ModPath>"
                       + mTemp.filePath(QStringLiteral("mod")).toUtf8()
                       + "</ModPath></Paths></Settings>");
        settings.close();
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });

        const QMap<QString, QByteArray> built =
            buildWithWriters({{QStringLiteral("p"), QLatin1String(PRIMITIVES)}});
        QVERIFY(built.contains(QStringLiteral("p")));
        const QString dir = mTemp.filePath(QStringLiteral("mod/") + MODELS);
        const QPair<const char *, const char *> visuals[] = {
            {"Two", TWO_SETS}, {"Wide", WIDE}, {"Survey", SURVEY}};
        for (const auto &[name, text] : visuals) {
            QFile primitives(dir + QLatin1String(name) + QStringLiteral(".primitives"));
            QVERIFY(primitives.open(QIODevice::WriteOnly));
            primitives.write(built.value(QStringLiteral("p")));
            QFile visual(dir + QLatin1String(name) + QStringLiteral(".visual"));
            QVERIFY(visual.open(QIODevice::WriteOnly));
            visual.write(text);
        }

        mServices = std::make_unique<ServiceStack<Log, FileManager, Settings, BufferManager>>();
        new MaterialLoader();
        new CollisionArmor();
        new Physics();
        CollisionArmor *armour = CollisionArmor::instance();
        armour->addHullArmor(10.9f, QStringLiteral("a"), false);
        armour->addHullArmor(20.0f, QStringLiteral("b"), true);
        armour->addHullArmor(30.0f, QStringLiteral("c"), false);
        armour->addHullArmor(40.0f, QStringLiteral("d"), false);
        armour->addTurretArmor(55.0f, QStringLiteral("a"), QStringLiteral("T2"), false);
        armour->addTurretArmor(66.0f, QStringLiteral("a"), QStringLiteral("T1"), false);
        armour->buildArmorTables();
        armour->setWindowHooks(&mWindow);
    }

    void cleanupTestCase()
    {
        CollisionArmor::instance()->setWindowHooks(nullptr);
        delete Physics::instance();
        delete CollisionArmor::instance();
        delete MaterialLoader::instance();
        mServices.reset();
        setMessageBoxHandler(nullptr);
        QDir::setCurrent(mOldCwd);
    }

    void init()
    {
        mTank.stack = TransformStack();
        mWindow.hide = false;
        Physics::instance()->clearObjects();
    }

    // Groups are numbered over the whole model and placed under the tank's matrix
    // translated by the mount position; every group takes its own entry. Trees built
    // by the workers give the same world.
    void groupsAcrossRenderSets_data()
    {
        QTest::addColumn<bool>("inBackground");
        QTest::newRow("at once") << false;
        QTest::newRow("in background") << true;
    }
    void groupsAcrossRenderSets()
    {
        QFETCH(bool, inBackground);
        CollisionMesh mesh;
        mesh.setTankHooks(&mTank);
        mTank.stack.current = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, 5));
        const int before = warnings().count(QLatin1String("left out"));
        QVERIFY(
            mesh.load(MODELS + QStringLiteral("Two.model"), glm::vec3(0, 1, 0), 1, inBackground));
        QCOMPARE(warnings().count(QLatin1String("left out")), before + 1);
        mesh.addToWorld();

        QCOMPARE(mesh.groups.size(), 8);
        QStringList all;
        for (const CollisionGroup *group : std::as_const(mesh.groups)) {
            all.append(group->name);
        }
        QCOMPARE(all, QStringList({"a", "b", "c", "d", "e", "f", "g", ""}));
        // The empty group, the one whose only triangle is invalid and the one outside
        // the table have no object; the rest are in the world.
        for (int n : {4, 5, 6}) {
            QVERIFY(!mesh.groups[n]->object && !mesh.groups[n]->shape);
        }
        QCOMPARE(objectsInWorld(), 5);

        const QVector<const CollisionGroup *> hit =
            groupsOn(glm::vec3(0.5f, 0.8f, 10), glm::vec3(0.5f, 0.8f, -10));
        QCOMPARE(hit.size(), 5);
        QCOMPARE(hit[0]->name, QStringLiteral("a"));
        QCOMPARE(hit[0]->armor, 10);
        QCOMPARE(hit[1]->name, QStringLiteral("b"));
        QCOMPARE(hit[1]->spaced, 1);
        QCOMPARE(QSet<QString>({hit[2]->name, hit[3]->name}), QSet<QString>({"c", ""}));
        for (const CollisionGroup *group : {hit[2], hit[3]}) {
            QCOMPARE(group->armor, group->name.isEmpty() ? 0 : 30);
            QCOMPARE(group->spaced, 0);
        }
        QCOMPARE(hit[4]->armor, 40);
        // Placed under translate(0, 0, 5) x translate(0, 1, 0): nothing at the file's place.
        QVERIFY(groupsOn(glm::vec3(0.5f, -0.2f, 10), glm::vec3(0.5f, -0.2f, -10)).isEmpty());
    }

    // A mesh cleared, reloaded or deleted while its trees are being built waits for
    // them: nothing is freed under a worker (ASan), nothing is left in the world.
    void clearedWhileBuilding()
    {
        for (int round = 0; round < 20; ++round) {
            CollisionMesh mesh;
            QVERIFY(mesh.load(MODELS + QStringLiteral("Two.model"), glm::vec3(0.0f), 1, true));
            if (round % 2) {
                mesh.clear();
                QVERIFY(mesh.groups.isEmpty());
            } else {
                QVERIFY(mesh.load(MODELS + QStringLiteral("Wide.model"), glm::vec3(0.0f), 1, true));
                mesh.addToWorld();
                QCOMPARE(objectsInWorld(), 1);
            }
        }
        QCOMPARE(objectsInWorld(), 0);
    }

    // A model over 65,535 vertices takes its triangles from the 32-bit list.
    void wideIndices()
    {
        CollisionMesh mesh;
        QVERIFY(mesh.load(MODELS + QStringLiteral("Wide.model"), glm::vec3(0.0f), 1));
        mesh.addToWorld();
        QCOMPARE(mesh.groups.size(), 1);
        QCOMPARE(mesh.groups[0]->triangles.size(), 1);
        // x mirrored and the corners reversed on reading.
        QCOMPARE(mesh.groups[0]->triangles[0].p0, glm::vec3(0, 2, 0));
        QCOMPARE(mesh.groups[0]->triangles[0].p1, glm::vec3(-2, -2, 0));
        QCOMPARE(groupsOn(glm::vec3(0.2f, 0.3f, 1), glm::vec3(0.2f, 0.3f, -1)).size(), 1);
    }

    // Turret and gun plates are looked up under the chooser's current names.
    void turretNames()
    {
        CollisionMesh mesh;
        mesh.setTankHooks(&mTank);
        mTank.turret = QStringLiteral("T1");
        QVERIFY(mesh.load(MODELS + QStringLiteral("Wide.model"), glm::vec3(0.0f), 2));
        mesh.addToWorld();
        QCOMPARE(mesh.groups[0]->armor, 66);
        mesh.removeFromWorld();
        QCOMPARE(objectsInWorld(), 0);
        mTank.turret = QStringLiteral("T2");
        mesh.addToWorld();
        QCOMPARE(mesh.groups[0]->armor, 55);
        QCOMPARE(objectsInWorld(), 1);
        // Added twice, the object is still in the world once.
        mesh.addToWorld();
        QCOMPARE(objectsInWorld(), 1);
    }

    // A load always starts empty: a failed load leaves nothing in the world, and a
    // second load does not append to the first.
    void reloadStartsEmpty()
    {
        CollisionMesh mesh;
        QVERIFY(mesh.load(MODELS + QStringLiteral("Survey.model"), glm::vec3(0.0f), 1));
        mesh.addToWorld();
        QCOMPARE(mesh.surveyingDevices, 2);
        QVERIFY(!mesh.load(MODELS + QStringLiteral("Missing.model"), glm::vec3(0.0f), 1));
        QVERIFY(mesh.groups.isEmpty());
        QCOMPARE(objectsInWorld(), 0);
        QCOMPARE(mesh.surveyingDevices, 0);

        QVERIFY(mesh.load(MODELS + QStringLiteral("Two.model"), glm::vec3(0.0f), 1));
        QVERIFY(mesh.load(MODELS + QStringLiteral("Two.model"), glm::vec3(0.0f), 1));
        mesh.addToWorld();
        QCOMPARE(mesh.groups.size(), 8);
        QCOMPARE(objectsInWorld(), 5);
        QVERIFY(mesh.reload());
        QCOMPARE(objectsInWorld(), 0);
        mesh.addToWorld();
        QCOMPARE(objectsInWorld(), 5);
        // Emptying the world and then the mesh frees nothing twice (ASan).
        Physics::instance()->clearObjects();
        mesh.clear();
        QVERIFY(mesh.groups.isEmpty());
    }

    // "survey" counts in any case; "surveyingDevice" is purple only in that case.
    void surveyingDevices()
    {
        const qint32 shared = CollisionMesh::sharedSurveyingDevices();
        CollisionMesh first;
        CollisionMesh second;
        QVERIFY(first.load(MODELS + QStringLiteral("Survey.model"), glm::vec3(0.0f), 1));
        QVERIFY(second.load(MODELS + QStringLiteral("Survey.model"), glm::vec3(0.0f), 1));
        first.addToWorld();
        second.addToWorld();
        second.addToWorld();
        QCOMPARE(first.surveyingDevices, 2);
        QCOMPARE(second.surveyingDevices, 4);
        QCOMPARE(second.groups[1]->surveyId, shared + 6);
        QCOMPARE(CollisionMesh::sharedSurveyingDevices(), shared + 6);
        first.clear();
        QCOMPARE(CollisionMesh::sharedSurveyingDevices(), shared + 4);

        second.updateArmorColors();
        const auto &materials = second.visual->renderSets[0].geometries[0].groups;
        const glm::vec4 purple = CollisionArmor::instance()->colorForThickness(0, false, true);
        QVERIFY(materials[0].materials[0]->diffuseColor != purple);
        QCOMPARE(materials[1].materials[0]->diffuseColor, purple);
    }

    // Colours by thickness; "Hide Spaced Armor" hides spaced materials frame by
    // frame, while their plates stay in the world.
    void coloursAndHiddenSpaced()
    {
        CollisionMesh mesh;
        QVERIFY(mesh.load(MODELS + QStringLiteral("Two.model"), glm::vec3(0.0f), 1));
        mesh.addToWorld();
        const auto &groups = mesh.visual->renderSets[0].geometries[0].groups;
        Material *regular = groups[0].materials[0];
        Material *spaced = groups[1].materials[0];
        QVERIFY(spaced->doubleSided);
        const CollisionArmor *armour = CollisionArmor::instance();

        mWindow.hide = true;
        mesh.draw(false, true, nullptr, nullptr);
        QCOMPARE(regular->diffuseColor, armour->colorForThickness(10.9f, false, false));
        QCOMPARE(spaced->diffuseColor, armour->colorForThickness(20.0f, true, false));
        QVERIFY(spaced->hidden && !regular->hidden);
        QVERIFY(names(groupsOn(glm::vec3(0.5f, -0.2f, 10), glm::vec3(0.5f, -0.2f, -10)))
                    .contains(QStringLiteral("b")));
        mWindow.hide = false;
        mesh.draw(false, true, nullptr, nullptr);
        QVERIFY(!spaced->hidden);
    }

    // A hidden draw moves the objects to where the part is drawn; the shadow pass
    // changes nothing; the export writes the part where it was last drawn.
    void objectsFollowDraw()
    {
        CollisionMesh mesh;
        mesh.setTankHooks(&mTank);
        QVERIFY(mesh.load(MODELS + QStringLiteral("Wide.model"), glm::vec3(0, 0, 1), 1));
        mesh.addToWorld();
        const glm::vec3 from(0.2f, 0.3f, 3);
        const glm::vec3 to(0.2f, 0.3f, -3);
        QCOMPARE(groupsOn(from, to).size(), 1);

        const glm::mat4 turned =
            glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 1, 0));
        mTank.stack.current = turned;
        mesh.draw(true, false, nullptr, nullptr);
        QCOMPARE(mTank.stack.current, turned);
        QCOMPARE(groupsOn(from, to).size(), 1);

        mesh.draw(true, true, nullptr, nullptr);
        const glm::mat4 placed = glm::translate(turned, glm::vec3(0, 0, 1));
        QCOMPARE(mTank.stack.current, placed);
        QCOMPARE(mesh.model, placed);
        QVERIFY(groupsOn(from, to).isEmpty());
        // The plate now stands in the plane x = 1, facing +x.
        QCOMPARE(groupsOn(glm::vec3(3, 0.3f, 0.2f), glm::vec3(-3, 0.3f, 0.2f)).size(), 1);

        mTank.stack.current = glm::mat4(1.0f);
        QVERIFY(mesh.exportObj());
        QCOMPARE(mTank.stack.current, glm::mat4(1.0f));
        const QString file =
            mTemp.filePath(QStringLiteral("mod/") + MODELS + QStringLiteral("Wide_0.obj"));
        QFile obj(file);
        QVERIFY(obj.open(QIODevice::ReadOnly | QIODevice::Text));
        int vertices = 0;
        int normals = 0;
        for (const QByteArray &line : obj.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.first() == "v") {
                QCOMPARE(parts.size(), 5);
                ++vertices;
            } else if (parts.first() == "vn") {
                // Three components, unit length, turned with the part and not moved.
                QCOMPARE(parts.size(), 4);
                const glm::vec3 n(parts[1].toFloat(), parts[2].toFloat(), parts[3].toFloat());
                QVERIFY(glm::distance(n, glm::vec3(1, 0, 0)) < 1e-5f);
                ++normals;
            }
        }
        QCOMPARE(vertices, 65539);
        QCOMPARE(normals, 65539);
        const QString assimp = QStandardPaths::findExecutable(QStringLiteral("assimp"));
        if (!assimp.isEmpty()) {
            QProcess info;
            info.start(assimp, {QStringLiteral("info"), file});
            QVERIFY(info.waitForFinished(60000));
            const QString out = QString::fromUtf8(info.readAllStandardOutput());
            QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Faces:\\s+2\\b"))),
                     qPrintable(out));
        }
    }
};

QTEST_GUILESS_MAIN(TestCollisionMesh)
#include "test_collisionmesh.moc"
