#include "render/meshplacement.h"
#include "render/objexport.h"
#include "render/tankmesh.h"
#include "render/transformstack.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/visualgeometry.h"
#include "gamedata/visualnode.h"
#include "render/indexbuffer.h"
#include "render/visual.h"

#include "support/servicestack.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <glm/gtc/matrix_transform.hpp>

#include <memory>

namespace {

// A "node" element: identifier, diagonal scale and translation as a .visual writes
// them (the file's x of the translation is negated on reading).
QString node(const QString &name, const glm::vec3 &scale, const glm::vec3 &fileTranslation,
             const QString &children = QString())
{
    auto v = [](const glm::vec3 &x) {
        return QString::number(double(x.x)) + QLatin1Char(' ') + QString::number(double(x.y))
               + QLatin1Char(' ') + QString::number(double(x.z));
    };
    return QStringLiteral("<node><identifier>") + name + QStringLiteral("</identifier><transform>")
           + QStringLiteral("<row0>") + v(glm::vec3(scale.x, 0, 0)) + QStringLiteral("</row0>")
           + QStringLiteral("<row1>") + v(glm::vec3(0, scale.y, 0)) + QStringLiteral("</row1>")
           + QStringLiteral("<row2>") + v(glm::vec3(0, 0, scale.z)) + QStringLiteral("</row2>")
           + QStringLiteral("<row3>") + v(fileTranslation) + QStringLiteral("</row3>")
           + QStringLiteral("</transform>") + children + QStringLiteral("</node>");
}

QString plain(const QString &name, const QString &children = QString())
{
    return node(name, glm::vec3(1.0f), glm::vec3(0.0f), children);
}

// A visual with the given node tree and one render set bound to the named nodes.
std::unique_ptr<Visual> visualOf(const QString &tree, const QStringList &bound = {},
                                 bool worldSpace = false)
{
    auto visual = std::make_unique<Visual>();
    visual->fileName = QStringLiteral("test.visual");
    QDomDocument doc;
    if (!doc.setContent(tree)) {
        return visual;
    }
    visual->root->load(doc.documentElement());
    if (!bound.isEmpty()) {
        VisualRenderSet set;
        set.treatAsWorldSpaceObject = worldSpace;
        for (const QString &name : bound) {
            set.nodes.append(findVisualNode(*visual, name));
        }
        visual->renderSets.push_back(std::move(set));
    }
    return visual;
}

glm::vec3 apply(const glm::mat4 &m, const glm::vec3 &p)
{
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

bool near(const glm::vec3 &a, const glm::vec3 &b)
{
    return glm::all(glm::lessThan(glm::abs(a - b), glm::vec3(1e-5f)));
}

QString show(const glm::vec3 &v)
{
    return QStringLiteral("(%1, %2, %3)").arg(double(v.x)).arg(double(v.y)).arg(double(v.z));
}

int warnings()
{
    return Log::instance()->linesByLevel.value(Warning).size();
}

// The loaded tank as the parts see it, without the tank library.
class FakeTank : public TankMeshHooks
{
public:
    int shownForm() const override { return shown; }
    int loadingForm() const override { return loading; }
    Mesh *partMesh(quint32 part, int form) const override
    {
        return part < 4 && form >= 0 && form < 3 ? meshes[part][form] : nullptr;
    }
    TransformStack *transformStack() override { return &stack; }
    TankCamouflage camouflage() const override { return camo; }

    int shown = 0;
    int loading = 0;
    Mesh *meshes[4][3] = {};
    TransformStack stack;
    TankCamouflage camo;
};

VisualGeometry *triangleGeometry(const QString &name)
{
    auto *g = new VisualGeometry;
    g->name = name;
    g->positions = {glm::vec3(0, 0, 0), glm::vec3(1, 0, 0), glm::vec3(0, 1, 0)};
    g->normals = {glm::vec3(0, 0, 1), glm::vec3(0, 0, 1), glm::vec3(0, 0, 1)};
    g->uvs = {glm::vec2(0, 0), glm::vec2(1, 0), glm::vec2(0, 1)};
    g->indices16 = {0, 1, 2};
    g->triangleCount = 1;
    return g;
}

QByteArray readAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

#define QCOMPARE_VEC(actual, expected)                                                             \
    QVERIFY2(near(actual, expected),                                                               \
             qPrintable(show(actual) + QStringLiteral(" != ") + show(expected)))

class TestMesh : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Settings>> mServices;

private:
    QTemporaryDir mTemp;
    QString mOldCwd;

    // Chassis: bound node "Chassis" with translation (0, 0.5, 0) and scale (1, 2, 1);
    // "Tank" below it scales by 1.5.
    std::unique_ptr<Visual> chassis()
    {
        return visualOf(
            plain(QStringLiteral("Scene Root"),
                  node(QStringLiteral("Chassis"), glm::vec3(1, 2, 1), glm::vec3(0, 0.5f, 0),
                       node(QStringLiteral("Tank"), glm::vec3(1.5f), glm::vec3(0.0f)))),
            {QStringLiteral("Chassis")});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        QVERIFY(QDir(mTemp.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(mTemp.path()).mkpath(QStringLiteral("data")));
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
        mServices = std::make_unique<ServiceStack<Log, Settings>>();
        QCOMPARE(Settings::instance()->modPath, mTemp.filePath(QStringLiteral("mod")));
    }

    void cleanupTestCase()
    {
        mServices.reset();
        setMessageBoxHandler(nullptr);
        QDir::setCurrent(mOldCwd);
    }

    void nodeLookup()
    {
        const auto visual = visualOf(
            plain(QStringLiteral("Scene Root"),
                  plain(QStringLiteral("A"),
                        plain(QStringLiteral("B"), node(QStringLiteral("HP_TurretJoint"),
                                                        glm::vec3(1), glm::vec3(-1, 0, 0))))
                      + node(QStringLiteral("hp_turretJoint"), glm::vec3(1), glm::vec3(-2, 0, 0))));
        // Two levels down, found in any letter case; the first of the duplicates in
        // depth-first order wins over the shallower one after it.
        VisualNode *joint = findVisualNode(*visual, QStringLiteral("hp_turretjoint"));
        QVERIFY(joint);
        QCOMPARE(joint->identifier, QStringLiteral("HP_TurretJoint"));
        QCOMPARE_VEC(joint->translation, glm::vec3(1, 0, 0));
        // The root itself is compared first.
        QCOMPARE(findVisualNode(*visual, QStringLiteral("scene root")), visual->root.get());
        QVERIFY(!findVisualNode(*visual, QStringLiteral("HP_gunJoint")));
    }

    void chassisAndHull()
    {
        const auto own = chassis();
        const glm::vec3 mount(10, 0, 0);
        const TankPartPlacement c =
            composeTankPartModel(0, mount, *own, own.get(), nullptr, nullptr);
        // Scale of R (not its translation), then the "Tank" scale, then the mount point.
        QCOMPARE_VEC(apply(c.model, glm::vec3(1, 1, 1)), glm::vec3(11.5f, 3.0f, 1.5f));
        QCOMPARE_VEC(c.position, mount);

        const auto hull =
            visualOf(plain(QStringLiteral("Scene Root"),
                           node(QStringLiteral("Hull"), glm::vec3(2, 1, 1), glm::vec3(0, 1, 0))),
                     {QStringLiteral("Hull")});
        const TankPartPlacement h =
            composeTankPartModel(1, glm::vec3(0, 0, 3), *hull, own.get(), nullptr, nullptr);
        // The hull's whole local transform (translate x scale), then the chassis "Tank" scale.
        QCOMPARE_VEC(apply(h.model, glm::vec3(1, 1, 1)), glm::vec3(3.0f, 2.5f, 4.5f));
    }

    void turretAndGun()
    {
        const auto hull = visualOf(
            plain(QStringLiteral("Scene Root"),
                  plain(QStringLiteral("Hull"), node(QStringLiteral("HP_turretJoint"), glm::vec3(1),
                                                     glm::vec3(0.18f, 1.2f, 0.5f)))),
            {QStringLiteral("Hull")});
        const auto turretVisual = visualOf(
            plain(QStringLiteral("Scene Root"),
                  node(QStringLiteral("HP_gunJoint"), glm::vec3(1), glm::vec3(0, 0.4f, 1.0f))),
            {QStringLiteral("Scene Root")});
        const TankPartPlacement t = composeTankPartModel(2, glm::vec3(9, 9, 9), *turretVisual,
                                                         nullptr, hull.get(), nullptr);
        QCOMPARE_VEC(t.position, glm::vec3(-0.18f, 1.2f, 0.5f));
        QCOMPARE_VEC(apply(t.model, glm::vec3(0)), glm::vec3(-0.18f, 1.2f, 0.5f));

        const QString gunTree =
            plain(QStringLiteral("Scene Root"),
                  node(QStringLiteral("G"), glm::vec3(2, 2, 2), glm::vec3(0, 0, 1),
                       node(QStringLiteral("Gun"), glm::vec3(1, 1, 3), glm::vec3(0, 0.1f, 0))));
        const auto gun = visualOf(gunTree, {QStringLiteral("G")});
        const TankPartPlacement g =
            composeTankPartModel(3, glm::vec3(0), *gun, nullptr, hull.get(), turretVisual.get());
        QCOMPARE_VEC(g.position, glm::vec3(0, 0.4f, 1.0f));
        // joint x R.local x gun.local: (1,1,1) -> gun (1, 1.1, 3) -> R (2, 2.2, 7) -> joint.
        QCOMPARE_VEC(apply(g.model, glm::vec3(1)), glm::vec3(2.0f, 2.6f, 8.0f));

        // A world-space render set takes only R's scale.
        const auto worldGun = visualOf(gunTree, {QStringLiteral("G")}, true);
        const TankPartPlacement w = composeTankPartModel(3, glm::vec3(0), *worldGun, nullptr,
                                                         hull.get(), turretVisual.get());
        QCOMPARE_VEC(apply(w.model, glm::vec3(1)), glm::vec3(2.0f, 2.6f, 7.0f));

        // Without a "gun" node only the joint and R apply.
        const auto bare =
            visualOf(plain(QStringLiteral("Scene Root")), {QStringLiteral("Scene Root")});
        const TankPartPlacement b =
            composeTankPartModel(3, glm::vec3(0), *bare, nullptr, nullptr, turretVisual.get());
        QCOMPARE_VEC(apply(b.model, glm::vec3(1)), glm::vec3(1.0f, 1.4f, 2.0f));
    }

    void missingNodesGiveIdentityAndWarn()
    {
        const auto empty = visualOf(plain(QStringLiteral("Scene Root")));
        const auto own = chassis();

        int before = warnings();
        // No "tank" node in the chassis: S is identity.
        const TankPartPlacement c =
            composeTankPartModel(0, glm::vec3(1, 0, 0), *own, empty.get(), nullptr, nullptr);
        QCOMPARE_VEC(apply(c.model, glm::vec3(1)), glm::vec3(2, 2, 1));
        QCOMPARE(warnings(), before + 1);

        // No chassis visual at all, and a hull whose render set has no bound node.
        before = warnings();
        const TankPartPlacement h =
            composeTankPartModel(1, glm::vec3(0, 0, 5), *empty, nullptr, nullptr, nullptr);
        QCOMPARE_VEC(apply(h.model, glm::vec3(1)), glm::vec3(1, 1, 6));
        QCOMPARE(warnings(), before + 2);

        before = warnings();
        const TankPartPlacement t =
            composeTankPartModel(2, glm::vec3(3, 3, 3), *empty, nullptr, empty.get(), nullptr);
        QCOMPARE_VEC(t.position, glm::vec3(0));
        QCOMPARE(t.model, glm::mat4(1.0f));
        QCOMPARE(warnings(), before + 1);
        QVERIFY(Log::instance()->text(Warning).contains(QLatin1String("HP_turretJoint")));

        before = warnings();
        const TankPartPlacement g =
            composeTankPartModel(3, glm::vec3(0), *empty, nullptr, nullptr, nullptr);
        QCOMPARE(g.model, glm::mat4(1.0f));
        QCOMPARE(warnings(), before + 2);

        // The texture-coordinate copy is never placed.
        before = warnings();
        QCOMPARE(composeTankPartModel(4, glm::vec3(1), *empty, nullptr, nullptr, nullptr).model,
                 glm::mat4(1.0f));
        QCOMPARE(warnings(), before);
    }

    void camouflageExclusion_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<quint32>("part");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<bool>("overlay");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("hull") << 0 << 1u << QStringLiteral("hull") << true << true;
        QTest::newRow("destroyed") << 1 << 1u << QStringLiteral("hull") << true << false;
        QTest::newRow("collision") << 2 << 2u << QStringLiteral("turret") << true << false;
        QTest::newRow("overlay off") << 0 << 1u << QStringLiteral("hull") << false << false;
        QTest::newRow("equipment") << 0 << 1u << QStringLiteral("equipment_glass") << true << false;
        QTest::newRow("bottom") << 0 << 1u << QStringLiteral("hull_bottom") << true << false;
        QTest::newRow("track") << 0 << 0u << QStringLiteral("track_L") << true << false;
        QTest::newRow("Track is another word")
            << 0 << 0u << QStringLiteral("Track_L") << true << true;
        QTest::newRow("gun") << 0 << 3u << QStringLiteral("gun") << true << true;
        QTest::newRow("uv copy") << 0 << 4u << QStringLiteral("gun") << true << false;
    }
    void camouflageExclusion()
    {
        QFETCH(int, form);
        QFETCH(quint32, part);
        QFETCH(QString, identifier);
        QFETCH(bool, overlay);
        QFETCH(bool, enabled);
        TankCamouflage camo;
        camo.overlay = overlay;
        camo.chassisMask = QStringLiteral("vehicles/a/mask.dds");
        QCOMPARE(decideCamouflage(form, part, identifier, camo).enabled, enabled);
    }

    void camouflageValuesByPart()
    {
        TankCamouflage camo;
        camo.overlay = true;
        camo.colors[0] = glm::vec4(255, 0, 51, 255);
        camo.colors[3] = glm::vec4(102, 102, 102, 0);
        camo.tankTiling = glm::vec4(2, 3, 0.5f, 0);
        camo.hullMask = QStringLiteral("vehicles\\a\\Mask.dds");
        camo.chassisMask = QStringLiteral("vehicles\\a\\Root.dds");
        camo.turretTiling = glm::vec4(1, 2, 3, 4);
        camo.turretMask = QStringLiteral("vehicles/a/Turret.dds");
        camo.gunTiling = glm::vec4(0.5f, 0.5f, 2, 2);
        camo.gunMask = QStringLiteral("vehicles\\a\\Gun.dds");

        const CamouflageDecision hull = decideCamouflage(0, 1, QStringLiteral("hull"), camo);
        QVERIFY(hull.enabled);
        QCOMPARE(hull.maskName, QStringLiteral("vehicles/a/Mask.dds"));
        QCOMPARE(hull.tiling, camo.tankTiling);
        QVERIFY(glm::all(
            glm::lessThan(glm::abs(hull.colors[0] - glm::vec4(1, 0, 0.2f, 1)), glm::vec4(1e-5f))));
        QVERIFY(glm::all(glm::lessThan(glm::abs(hull.colors[3] - glm::vec4(0.4f, 0.4f, 0.4f, 0)),
                                       glm::vec4(1e-5f))));

        const CamouflageDecision chassisPart =
            decideCamouflage(0, 0, QStringLiteral("chassis"), camo);
        QCOMPARE(chassisPart.maskName, QStringLiteral("vehicles/a/Root.dds"));

        const CamouflageDecision turret = decideCamouflage(0, 2, QStringLiteral("turret"), camo);
        QCOMPARE(turret.tiling, glm::vec4(2, 6, 1.5f, 0));
        QCOMPARE(turret.maskName, camo.turretMask);

        const CamouflageDecision gun = decideCamouflage(0, 3, QStringLiteral("gun"), camo);
        QCOMPARE(gun.tiling, glm::vec4(1, 1.5f, 1, 0));

        // A chassis without a mask has no camouflage.
        camo.chassisMask.clear();
        QVERIFY(!decideCamouflage(0, 0, QStringLiteral("chassis"), camo).enabled);
    }

    void hiddenPartsStillPlaceWhatSitsOnThem()
    {
        FakeTank tank;
        TankMesh parts[4];
        const glm::mat4 models[4] = {
            glm::translate(glm::mat4(1.0f), glm::vec3(5, 0, 0)),
            glm::rotate(glm::translate(glm::mat4(1.0f), glm::vec3(0, 1, 0)), 0.5f,
                        glm::vec3(0, 1, 0)),
            glm::translate(glm::mat4(1.0f), glm::vec3(-0.18f, 1.0f, 0.7f)),
            glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0, 0.2f, 1.5f)),
                       glm::vec3(1, 1, 2))};
        for (quint32 i = 0; i < 4; ++i) {
            parts[i].setTankHooks(&tank);
            parts[i].part = i;
            parts[i].model = models[i];
            // Two render sets: the placement is still taken once per draw.
            parts[i].visual->renderSets.resize(2);
        }
        const glm::mat4 start = glm::rotate(glm::mat4(1.0f), 0.3f, glm::vec3(0, 1, 0));
        tank.stack.current = start;

        parts[0].draw(true, true, nullptr, nullptr);
        QCOMPARE(tank.stack.current, start);
        QVERIFY(tank.stack.stack.isEmpty());
        parts[1].draw(true, true, nullptr, nullptr);
        parts[2].draw(true, false, nullptr, nullptr);
        parts[3].draw(true, true, nullptr, nullptr);
        const glm::mat4 expected = start * models[1] * models[2] * models[3];
        QCOMPARE(tank.stack.current, expected);
        QVERIFY(tank.stack.stack.isEmpty());
        // Without a matrix stack the view and projection are identity.
        QCOMPARE(parts[3].modelView, expected);
        QCOMPARE(parts[3].mvp, expected);
    }

    void exportWritesEachGeometryUnderThePartsPlacement()
    {
        FakeTank tank;
        const QString mod = Settings::instance()->modPath;
        QVERIFY(QDir().mkpath(mod + QStringLiteral("/vehicles/a")));

        TankMesh hull;
        hull.setTankHooks(&tank);
        hull.part = 1;
        hull.path = QStringLiteral("vehicles/a/Hull.model");
        hull.model = glm::translate(glm::mat4(1.0f), glm::vec3(0, 2, 0));
        hull.geometries = {triangleGeometry(QStringLiteral("Hull")),
                           triangleGeometry(QStringLiteral("Hull_glass"))};
        tank.stack.current = glm::scale(glm::mat4(1.0f), glm::vec3(2.0f));
        const glm::mat4 placed = tank.stack.current * hull.model;

        QVERIFY(hull.exportObj());
        QCOMPARE(readAll(mod + QStringLiteral("/vehicles/a/Hull_0.obj")),
                 objText(*hull.geometries[0], placed).toUtf8());
        QCOMPARE(readAll(mod + QStringLiteral("/vehicles/a/Hull_1.obj")),
                 objText(*hull.geometries[1], placed).toUtf8());
        // The hull leaves its placement for the turret.
        QCOMPARE(tank.stack.current, placed);
    }

    // The model's folders are made below the mod folder; a path that leaves it is
    // refused, and either way the chassis' push is undone.
    void exportMakesItsFoldersInsideTheModFolder()
    {
        FakeTank tank;
        const QString mod = Settings::instance()->modPath;
        TankMesh chassis;
        chassis.setTankHooks(&tank);
        chassis.part = 0;
        chassis.path = QStringLiteral("vehicles/missing/Chassis.model");
        chassis.model = glm::translate(glm::mat4(1.0f), glm::vec3(1, 0, 0));
        chassis.geometries = {triangleGeometry(QStringLiteral("Chassis"))};
        const glm::mat4 start = glm::rotate(glm::mat4(1.0f), 1.0f, glm::vec3(0, 1, 0));
        tank.stack.current = start;

        QVERIFY(chassis.exportObj());
        QVERIFY(QFileInfo::exists(mod + QStringLiteral("/vehicles/missing/Chassis_0.obj")));
        QCOMPARE(tank.stack.current, start);

        chassis.path = QStringLiteral("../outside/Chassis.model");
        QVERIFY(!chassis.exportObj());
        QVERIFY(!QFileInfo::exists(mod + QStringLiteral("/../outside")));
        QCOMPARE(tank.stack.current, start);
        QVERIFY(tank.stack.stack.isEmpty());
    }

    // An index section of count indices and the given groups, as a .primitives file
    // holds it.
    static QByteArray indexSection(bool wide, quint32 count, const QVector<PrimitiveGroup> &groups)
    {
        QByteArray section(64, '\0');
        const QByteArray name = wide ? QByteArray("list32") : QByteArray("list");
        section.replace(0, name.size(), name);
        auto word = [&section](quint32 value) {
            char bytes[4];
            qToLittleEndian(value, bytes);
            section.append(bytes, 4);
        };
        word(count);
        word(quint32(groups.size()));
        section.append(QByteArray(int(count) * (wide ? 4 : 2), '\0'));
        for (const PrimitiveGroup &g : groups) {
            word(g.startIndex);
            word(g.primitiveCount);
            word(g.startVertex);
            word(g.vertexCount);
        }
        return section;
    }

    static VisualGeometry indexRecord(const QByteArray &section)
    {
        return decodeVisualGeometry({}, nullptr, nullptr, &section);
    }

    void groupRanges()
    {
        IndexBuffer indices;
        const QVector<PrimitiveGroup> groups = {PrimitiveGroup {0, 12, 0, 40},
                                                PrimitiveGroup {36, 5, 40, 20}};
        indices.load(indexRecord(indexSection(false, 51, groups)));
        QCOMPARE(indices.groups.size(), 2);
        std::optional<GroupDrawRange> r = groupDrawRange(indices, 1);
        QVERIFY(r);
        QCOMPARE(r->indexCount, 15);
        QCOMPARE(r->indexType, 0x1403u); // GL_UNSIGNED_SHORT
        QCOMPARE(r->byteOffset, quintptr(72));

        indices.load(indexRecord(indexSection(true, 51, groups)));
        QVERIFY(indices.use32BitIndices);
        r = groupDrawRange(indices, 1);
        QVERIFY(r);
        QCOMPARE(r->indexType, 0x1405u); // GL_UNSIGNED_INT
        QCOMPARE(r->byteOffset, quintptr(144));

        // Group numbers outside the section draw nothing.
        QVERIFY(!groupDrawRange(indices, 2));
        QVERIFY(!groupDrawRange(indices, -1));
    }

    void groupRangesStayInsideTheBuffer()
    {
        // 51 indices; the table lies about the later groups.
        const QVector<PrimitiveGroup> groups = {
            PrimitiveGroup {36, 100, 0, 0}, PrimitiveGroup {46, 2, 0, 0},
            PrimitiveGroup {51, 1, 0, 0}, PrimitiveGroup {0, 0x80000000u, 0, 0},
            PrimitiveGroup {0xFFFFFFF0u, 4, 0, 0}};
        for (const bool wide : {false, true}) {
            IndexBuffer indices;
            indices.load(indexRecord(indexSection(wide, 51, groups)));
            QCOMPARE(indices.groups.size(), groups.size());
            const quintptr width = wide ? 4 : 2;
            std::optional<GroupDrawRange> r = groupDrawRange(indices, 0);
            QVERIFY(r);
            QCOMPARE(r->indexCount, 15);
            QCOMPARE(r->byteOffset, 36 * width);
            // Five indices left: one whole triangle.
            r = groupDrawRange(indices, 1);
            QVERIFY(r);
            QCOMPARE(r->indexCount, 3);
            QVERIFY(!groupDrawRange(indices, 2));
            // A count whose index total does not fit 32 bits.
            r = groupDrawRange(indices, 3);
            QVERIFY(r);
            QCOMPARE(r->indexCount, 51);
            QVERIFY(!groupDrawRange(indices, 4));
        }

        IndexBuffer empty;
        empty.load(indexRecord(indexSection(false, 0, {PrimitiveGroup {0, 4, 0, 0}})));
        QCOMPARE(empty.groups.size(), 1);
        QVERIFY(!groupDrawRange(empty, 0));
    }
};

QTEST_GUILESS_MAIN(TestMesh)
#include "test_mesh.moc"
