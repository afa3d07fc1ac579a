#include "tank/tankinfo.h"
#include "tank/tankloader.h"
#include "tank/tankscene.h"
#include "tank/turretgunchooser.h"

#include "armour/collisionarmor.h"
#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "render/buffermanager.h"
#include "render/material.h"
#include "render/meshplacement.h"
#include "render/offscreengl.h"
#include "render/overlayimage.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"
#include "render/viewtestsupport.h"
#include "render/visual.h"

#include "gamedata/database.h"
#include "gamedata/moreadercached.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/visualnode.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "tanktestsupport.h"

#include "support/servicestack.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QDomDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {

QByteArray folderChecksum(const QString &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(it.next());
    }
    files.sort();
    for (const QString &name : std::as_const(files)) {
        QFile file(name);
        file.open(QIODevice::ReadOnly);
        hash.addData(name.toUtf8());
        hash.addData(file.readAll());
    }
    return hash.result();
}

QDomDocument gameXml(const QString &name)
{
    const std::unique_ptr<QBuffer> buffer(FileManager::instance()->openFile(name));
    return buffer ? PackedXmlReader::parse(buffer->data(), name) : QDomDocument();
}

QDomElement path(QDomElement e, const QString &names)
{
    for (const QString &name : names.split(QLatin1Char('/'))) {
        e = name == QLatin1String("*") ? e.firstChildElement() : e.firstChildElement(name);
    }
    return e;
}

int meshContent(const Mesh *mesh)
{
    const auto *collision = dynamic_cast<const CollisionMesh *>(mesh);
    return int(mesh->geometries.size() + mesh->visual->renderSets.size())
           + (collision ? int(collision->groups.size()) : 0);
}

struct Window : TankLoaderWindowHooks
{
    void armTurretRotation(double, double) override { }
    void armGunRotation(double, double) override { }
    QWidget *dialogParent() override { return nullptr; }
    void showStatus(const QString &text, int) override { status.append(text); }
    void addTankRecent(const QString &name) override { recent.append(name); }
    QStringList status;
    QStringList recent;
};

struct ArmorWindow : CollisionArmorWindowHooks
{
    QTableView *armorTableView() override { return nullptr; }
    QTableView *spacedArmorTableView() override { return nullptr; }
};

} // namespace

// The tank loader on the sample game inside a shown view, which makes and releases it.
class TestTankLoaderGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, MoReaderCached, FileManager, Settings>> mServices;
    std::unique_ptr<ServiceStack<BufferManager, Database, Physics>> mLateServices;

    std::unique_ptr<ViewTestTree> mTree;
    TankScene mScene;
    std::unique_ptr<RenderWidget> mView;
    QList<MessageBoxRequest> mBoxes;
    Window mWindow;
    ArmorWindow mArmorWindow;
    QStringList mTanks;

    TankLoader *loader() const { return TankLoader::instance(); }
    QString logSince(int level, int mark) const { return Log::instance()->text(level).mid(mark); }
    int mark(int level) const { return Log::instance()->text(level).size(); }
    QString modPath() const { return mTree->path() + QStringLiteral("/mod"); }

    int worldObjects() const { return Physics::instance()->objectCount(); }

    // The tank's parts sit on the hard points of the form they were loaded in, every
    // material has a texture of the game, and each plate has its definition's armour.
    void checkLoadedTank(const QString &name)
    {
        TankLoader *l = loader();
        QVERIFY2(l->loaded, qPrintable(name));
        QCOMPARE(l->tankName, name);
        Database *db = Database::instance();
        QCOMPARE(l->nation, db->translatedNationOf(name));
        QCOMPARE(l->category, db->translatedCategoryOf(name));
        QCOMPARE(l->tier, db->tierOf(name));
        const QDomElement root = gameXml(db->xmlFileOf(name)).documentElement();
        QCOMPARE(l->hullMaxHealth, path(root, QStringLiteral("hull/maxHealth")).text().toInt());
        const TurretGunChooser *chooser = l->turretGunChooser();
        QVERIFY(!chooser->turrets.isEmpty());
        QCOMPARE(chooser->currentTurretName, chooser->turrets.first().displayName);
        QCOMPARE(chooser->currentGunName, chooser->turrets.first().guns.first().displayName);

        for (TankModel form : {Undamaged, Destroyed}) {
            const Mesh *hull = l->parts().mesh(TankPart::Hull, form);
            const Mesh *turret = l->parts().mesh(TankPart::Turret, form);
            const Mesh *gun = l->parts().mesh(TankPart::Gun, form);
            const VisualNode *turretJoint =
                findVisualNode(*hull->visual, QStringLiteral("HP_turretJoint"));
            const VisualNode *gunJoint =
                findVisualNode(*turret->visual, QStringLiteral("HP_gunJoint"));
            QVERIFY(turretJoint && gunJoint);
            QVERIFY(turretJoint->translation != glm::vec3(0.0f));
            QCOMPARE(glm::vec3(turret->model[3]), turretJoint->translation);
            QCOMPARE(glm::vec3(gun->model[3]), gunJoint->translation);
            if (form == Undamaged) {
                const QSet<GLuint> own =
                    QSet<GLuint>(TextureLoader::instance()->tankTextures.cbegin(),
                                 TextureLoader::instance()->tankTextures.cend());
                for (TankPart part : allTankParts) {
                    for (const VisualRenderSet &set :
                         l->parts().mesh(part, form)->visual->renderSets) {
                        for (const VisualGeometryEntry &entry : set.geometries) {
                            for (const PrimitiveGroupMaterials &group : entry.groups) {
                                for (const Material *m : group.materials) {
                                    QVERIFY(!m->textures.isEmpty());
                                    for (GLuint t : m->textures) {
                                        QVERIFY(t != TextureLoader::instance()->noTexture);
                                        QVERIFY(own.contains(t));
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }

        // Every plate takes the thickness its part's definition gives it.
        const QDomElement firstTurret = path(root, QStringLiteral("turrets0/*"));
        const QDomElement armour[4] = {path(root, QStringLiteral("chassis/*/armor")),
                                       path(root, QStringLiteral("hull/armor")),
                                       firstTurret.firstChildElement(QStringLiteral("armor")),
                                       path(firstTurret, QStringLiteral("guns/*/armor"))};
        int objects = 0;
        int plates = 0;
        for (TankPart part : allTankParts) {
            const CollisionMesh *collision = l->parts().collision(part);
            QVERIFY(!collision->groups.isEmpty());
            for (const CollisionGroup *group : collision->groups) {
                objects += group->object ? 1 : 0;
                const QDomElement plate = armour[int(part)].firstChildElement(group->name);
                if (!plate.isNull()) {
                    ++plates;
                    QCOMPARE(group->armor, qint32(ownText(plate).toFloat()));
                    QCOMPARE(group->spaced != 0, plate.firstChildElement().tagName()
                                                     == QLatin1String("vehicleDamageFactor"));
                }
            }
        }
        QVERIFY(plates > 0);
        QCOMPARE(worldObjects(), objects);
        QVERIFY(CollisionArmor::instance()->hullArmor.size() > 0);
    }

    // Everything of a tank is gone: no mesh holds anything, the world is empty.
    void checkNothingLoaded()
    {
        TankLoader *l = loader();
        QVERIFY(!l->loaded);
        for (TankPart part : allTankParts) {
            for (TankModel form : allTankForms) {
                QCOMPARE(meshContent(l->parts().mesh(part, form)), 0);
            }
        }
        QCOMPARE(worldObjects(), 0);
        QVERIFY(TextureLoader::instance()->tankTextures.isEmpty());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        QVERIFY(fillSampleData(mTree->path() + QStringLiteral("/data/")));
        QDir().mkpath(modPath());
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        mServices = std::make_unique<ServiceStack<Log, MoReaderCached, FileManager, Settings>>();
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        Settings::instance()->modPath = modPath();
        FileManager::instance()->loadZipFiles();
        mLateServices = std::make_unique<ServiceStack<BufferManager, Database, Physics>>();
        QVERIFY(Settings::instance()->brastelPathValid);

        // The window's hooks go to the scene before the view exists; the loader and
        // the armour registry made at its first show take them.
        mScene.setWindowHooks(&mWindow, &mArmorWindow);
        QSignalSpy ready(&mScene, &TankScene::sceneReady);
        mView = std::make_unique<RenderWidget>();
        mView->setSceneHooks(&mScene);
        mView->resize(320, 240);
        mView->show();
        QVERIFY(QTest::qWaitForWindowExposed(mView.get(), 20000));
        QVERIFY(QTest::qWaitFor([this]() { return mView->initialised; }, 20000));
        QCOMPARE(ready.size(), 1);
        QVERIFY(loader());
        QCOMPARE(mScene.tankLoader(), loader());
        QCOMPARE(loader()->windowHooks(), &mWindow);
        QCOMPARE(CollisionArmor::instance()->windowHooks(), &mArmorWindow);
        QCOMPARE(loader()->view(), mView.get());
        QCOMPARE(Physics::instance()->view(), mView.get());

        Database *db = Database::instance();
        const std::unique_ptr<QSqlQuery> query(
            db->filterQueryAll(db->nations.first(), db->categories.first(), db->tiers.first()));
        while (query->next()) {
            mTanks.append(query->value(4).toString());
        }
        QCOMPARE(mTanks.size(), 12);
    }

    void cleanupTestCase()
    {
        // The view's end releases the scene: the loader and the armour registry go
        // and no texture loader keeps asking the loader.
        QSignalSpy released(&mScene, &TankScene::sceneReleased);
        mView.reset();
        QCOMPARE(released.size(), 1);
        QVERIFY(!TankLoader::instance());
        QVERIFY(!CollisionArmor::instance());
        QVERIFY(!mScene.tankLoader());
        QCOMPARE(Physics::instance()->view(), nullptr);
        mLateServices.reset();
        mServices.reset();
        setMessageBoxHandler(nullptr);
        mTree.reset();
    }

    void init()
    {
        mBoxes.clear();
        // Loads run from outside painting: the loader makes the view current itself.
        mView->doneCurrent();
    }

    void everySampleTankLoadsInAllForms()
    {
        const QByteArray before = folderChecksum(SAMPLE + QStringLiteral("/Brastel"));
        // Twice over, so that every tank also loads after another one.
        for (int round = 0; round < 2; ++round) {
            for (const QString &name : std::as_const(mTanks)) {
                const int warnings = mark(Warning);
                mWindow.status.clear();
                QSignalSpy announced(loader(), &TankLoader::tankLoaded);
                QVERIFY2(loader()->load(name), qPrintable(name));
                QCOMPARE(announced.size(), 1);
                checkLoadedTank(name);
                QVERIFY2(
                    !logSince(Warning, warnings).contains(QStringLiteral("Tank part placement")),
                    qPrintable(logSince(Warning, warnings)));
                QCOMPARE(mWindow.status.first(), QStringLiteral("Loading  Tank: ") + name);
                QVERIFY(mWindow.status.last().startsWith(name + QStringLiteral(" loaded in: ")));
                QCOMPARE(mWindow.recent.last(), name);
                QVERIFY(mBoxes.isEmpty());
            }
        }
        QCOMPARE(folderChecksum(SAMPLE + QStringLiteral("/Brastel")), before);
        QCOMPARE(TankLoader::loadSecondsText(1234), QStringLiteral("1.734"));
    }

    void overlayShowsTheTank()
    {
        const QString tank = mTanks.at(2);
        QVERIFY(loader()->load(tank));
        mView->overlay->dirty = false;
        OverlayInfo info;
        mScene.fillOverlay(info, false, false);
        QCOMPARE(info.name, tank);
        QCOMPARE(info.nation, Database::instance()->translatedNationOf(tank));
        QCOMPARE(info.category, Database::instance()->translatedCategoryOf(tank));
        QCOMPARE(info.tier, Database::instance()->tierOf(tank));
        QCOMPARE(info.hitPoints,
                 QString::number(loader()->hullMaxHealth
                                 + loader()->turretGunChooser()->turrets.first().maxHealth));
        QVERIFY(!loader()->load(QStringLiteral("No such tank")));
        QVERIFY(mView->overlay->dirty);
        OverlayInfo empty;
        mScene.fillOverlay(empty, false, false);
        QVERIFY(empty.name.isEmpty() && empty.hitPoints.isEmpty());
        checkNothingLoaded();
    }

    // A gun both turrets offer takes the plates of the turret it sits on.
    void sharedGunTakesItsTurretsArmour()
    {
        QString bastion;
        for (const QString &name : std::as_const(mTanks)) {
            if (Database::instance()->xmlFileOf(name).contains(QLatin1String("v07_bastion"))) {
                bastion = name;
            }
        }
        QVERIFY(loader()->load(bastion));
        TurretGunChooser *chooser = loader()->turretGunChooser();
        QCOMPARE(chooser->turrets.size(), 2);
        const QString gun = chooser->turrets.at(0).guns.first().displayName;
        const QString second = chooser->turrets.at(1).displayName;
        auto gunPlates = [this]() {
            QMap<QString, qint32> plates;
            for (const CollisionGroup *g : loader()->parts().collision(TankPart::Gun)->groups) {
                plates.insert(g->name, g->armor);
            }
            return plates;
        };
        const QMap<QString, qint32> first = gunPlates();
        QVERIFY(loader()->changeGun(second, gun));
        const QMap<QString, qint32> onSecond = gunPlates();
        QCOMPARE(onSecond.value(QStringLiteral("gun")), 30);
        QCOMPARE(onSecond.value(QStringLiteral("armor_1")), 110);
        QVERIFY(first != onSecond);
        QCOMPARE(loader()->parts().collision(TankPart::Gun)->groups.size(), onSecond.size());

        // reload keeps the turret and gun, and places them again.
        const int warnings = mark(Warning);
        QVERIFY(loader()->reload());
        QCOMPARE(chooser->currentTurretName, second);
        QCOMPARE(chooser->currentGunName, gun);
        QCOMPARE(gunPlates(), onSecond);
        QVERIFY(!logSince(Warning, warnings).contains(QStringLiteral("Tank part placement")));

        // changeTurret takes the turret's first gun.
        QVERIFY(loader()->changeTurret(chooser->turrets.at(0).displayName));
        QCOMPARE(chooser->currentGunName, gun);
        QCOMPARE(gunPlates(), first);
    }

    void texturesOfTheLastTankGo()
    {
        QVERIFY(loader()->load(mTanks.at(0)));
        const QStringList firstKeys = TextureLoader::instance()->tankTextures.keys();
        QVERIFY(!firstKeys.isEmpty());
        QVERIFY(loader()->load(mTanks.at(0)));
        QCOMPARE(TextureLoader::instance()->tankTextures.keys(), firstKeys);
        QVERIFY(loader()->load(mTanks.at(5)));
        for (const QString &key : firstKeys) {
            if (!TextureLoader::instance()->tankTextures.contains(key)) {
                continue;
            }
            // Only textures the second tank uses as well may stay.
            QVERIFY(loader()
                        ->tankInfo->allFiles()
                        .join(QLatin1Char('\n'))
                        .contains(QFileInfo(key).completeBaseName(), Qt::CaseInsensitive));
        }
    }

    // The same definition packed (from the packages) and plain (in the mod folder)
    // gives the same tank; the mod folder's copy wins.
    void packedAndPlainDefinitionsAgree()
    {
        QString tank;
        for (const QString &name : std::as_const(mTanks)) {
            if (Database::instance()->xmlFileOf(name).contains(QLatin1String("kastrel"))) {
                tank = name;
                break;
            }
        }
        QVERIFY(loader()->load(tank));
        QCOMPARE(loader()->firstChildIndex, 1);
        const QVector<Turret> turrets = loader()->turretGunChooser()->turrets;
        const auto hull = CollisionArmor::instance()->hullArmor;
        const QStringList files = loader()->tankInfo->allFiles();
        const qint32 health = loader()->hullMaxHealth;

        const QString xml = Database::instance()->xmlFileOf(tank);
        QDomDocument plain = gameXml(xml);
        QVERIFY(writeFile(modPath() + QLatin1Char('/') + xml, plain.toByteArray()));
        QVERIFY(loader()->load(tank));
        QCOMPARE(loader()->firstChildIndex, 0);
        QCOMPARE(loader()->turretGunChooser()->turrets.size(), turrets.size());
        QCOMPARE(loader()->turretGunChooser()->turrets.first().guns.size(),
                 turrets.first().guns.size());
        QCOMPARE(CollisionArmor::instance()->hullArmor.size(), hull.size());
        for (int i = 0; i < hull.size(); ++i) {
            QCOMPARE(CollisionArmor::instance()->hullArmor.at(i).thickness, hull.at(i).thickness);
            QCOMPARE(CollisionArmor::instance()->hullArmor.at(i).spaced, hull.at(i).spaced);
        }
        QCOMPARE(loader()->tankInfo->allFiles(), files);
        QCOMPARE(loader()->hullMaxHealth, health);

        QDomElement maxHealth = path(plain.documentElement(), QStringLiteral("hull/maxHealth"));
        maxHealth.firstChild().setNodeValue(QStringLiteral("4321"));
        QVERIFY(writeFile(modPath() + QLatin1Char('/') + xml, plain.toByteArray()));
        QVERIFY(loader()->load(tank));
        QCOMPARE(loader()->hullMaxHealth, 4321);
        QFile::remove(modPath() + QLatin1Char('/') + xml);
    }

    void failedLoadsLeaveNothing()
    {
        Database *db = Database::instance();
        const QString other = mTanks.at(1);
        QString bastion;
        for (const QString &name : std::as_const(mTanks)) {
            if (db->xmlFileOf(name).contains(QLatin1String("v07_bastion"))) {
                bastion = name;
            }
        }
        const QString xml = db->xmlFileOf(bastion);
        const QDomDocument original = gameXml(xml);

        // A gun model that is not there: the parts loaded so far go too.
        QDomDocument broken = original.cloneNode(true).toDocument();
        QDomElement model =
            path(broken.documentElement(), QStringLiteral("turrets0/*/guns/*/models/undamaged"));
        model.firstChild().setNodeValue(QStringLiteral("vehicles/none/Missing.model"));
        QVERIFY(writeFile(modPath() + QLatin1Char('/') + xml, broken.toByteArray()));
        QVERIFY(loader()->load(other));
        QVERIFY(!loader()->load(bastion));
        QVERIFY(loader()->turretGunChooser()->turrets.isEmpty());
        checkNothingLoaded();
        QVERIFY(!loader()->reload());
        QVERIFY(!loader()->changeTurret(QStringLiteral("x")));
        QVERIFY(loader()->load(other));
        checkLoadedTank(other);
        QFile::remove(modPath() + QLatin1Char('/') + xml);

        // A definition that is not there: the model folder is read from it, so the
        // tank reads as unknown before the definition is opened.
        QVERIFY(db->insertTank(
            QStringLiteral("velmora"), QStringLiteral("Velmora"), QStringLiteral("V00_Ghost"),
            QStringLiteral("Ghost"), QStringLiteral("lightTank"), QStringLiteral("Light"), 1,
            QStringLiteral("vehicles/velmora/V01_Sprite"),
            QStringLiteral("scripts/item_defs/vehicles/velmora/v00_ghost.xml"), QString()));
        mView->overlay->dirty = false;
        QVERIFY(!loader()->load(QStringLiteral("Ghost")));
        QVERIFY(mView->overlay->dirty);
        QVERIFY(mBoxes.isEmpty());
        checkNothingLoaded();

        // An invalid game path: false, not a line logged.
        QVERIFY(loader()->load(other));
        Settings::instance()->brastelPathValid = false;
        const int lines = mark(Info) + mark(Warning) + mark(Error);
        QVERIFY(!loader()->load(other));
        QCOMPARE(mark(Info) + mark(Warning) + mark(Error), lines);
        Settings::instance()->brastelPathValid = true;
        QVERIFY(loader()->load(other));

        // A nation without guns.xml: the tank loads, its shared gun has no name.
        QVERIFY(db->insertTank(
            QStringLiteral("velmora"), QStringLiteral("Velmora"), QStringLiteral("V07_Bastion"),
            QStringLiteral("Lone Bastion"), QStringLiteral("heavyTank"), QStringLiteral("Heavy"), 7,
            QStringLiteral("vehicles/velmora/V07_Bastion"),
            QStringLiteral("scripts/item_defs/vehicles/lone/v07_bastion.xml"), QString()));
        QVERIFY(writeFile(modPath()
                              + QStringLiteral("/scripts/item_defs/vehicles/lone/v07_bastion.xml"),
                          original.toByteArray()));
        QVERIFY(loader()->load(QStringLiteral("Lone Bastion")));
        checkLoadedTank(QStringLiteral("Lone Bastion"));
        bool unnamed = false;
        for (const Turret &turret : loader()->turretGunChooser()->turrets) {
            for (const Gun &gun : turret.guns) {
                unnamed = unnamed || gun.displayName.isEmpty();
            }
        }
        QVERIFY(unnamed);
        QVERIFY(loader()->load(other));
        checkLoadedTank(other);
    }

    // Thicknesses no plate has (negative, not a number, past 10000 mm or the int
    // range) are left out with one Warning each; the plates read as unregistered,
    // 0 mm, and the rest of the tank loads as usual. "-0" is a thickness of 0.
    void armourOutsideTheRangeIsRefused()
    {
        QString warden;
        for (const QString &name : std::as_const(mTanks)) {
            if (Database::instance()->xmlFileOf(name).endsWith(QLatin1String("v04_warden.xml"))) {
                warden = name;
            }
        }
        QFile damaged(
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/tests/tank/data/v04_warden-armour-nan-huge.xml"));
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        const QString xml = modPath() + QLatin1Char('/') + Database::instance()->xmlFileOf(warden);
        QVERIFY(writeFile(xml, damaged.readAll()));
        const int warnings = mark(Warning);
        QVERIFY(loader()->load(warden));
        const QString logged = logSince(Warning, warnings);
        const QStringList refused = {QStringLiteral("hull/armor_1: thickness \"-50\""),
                                     QStringLiteral("hull/armor_2: thickness \"nan\""),
                                     QStringLiteral("hull/armor_3: thickness \"1e30\""),
                                     QStringLiteral("chassis/armor_1: thickness \"inf\""),
                                     QStringLiteral("turret/armor_1: thickness \"3e9\"")};
        for (const QString &plate : refused) {
            QCOMPARE(logged.count(QStringLiteral("Armour plate ") + plate), 1);
        }
        QCOMPARE(logged.count(QStringLiteral("Armour plate ")), refused.size());
        const CollisionArmor *armour = CollisionArmor::instance();
        QCOMPARE(armour->findHullArmor(QStringLiteral("armor_4")).thickness, 10.0f);
        QCOMPARE(armour->findHullArmor(QStringLiteral("armor_2")).thickness, 0.0f);
        for (TankPart part : allTankParts) {
            for (const CollisionGroup *group : loader()->parts().collision(part)->groups) {
                QVERIFY2(group->armor >= 0 && group->armor <= 10000, qPrintable(group->name));
            }
        }
        QFile::remove(xml);
    }

    // The parts answer by name and, to the part meshes, by number; numbers outside
    // the four parts and three forms answer none.
    void partsAnswerByNameAndNumber()
    {
        const TankParts &parts = loader()->parts();
        for (TankPart part : allTankParts) {
            QVERIFY(parts.collision(part));
            QCOMPARE(parts.mesh(part, Collision), parts.collision(part));
            for (TankModel form : allTankForms) {
                QVERIFY(parts.mesh(part, form));
                QCOMPARE(loader()->partMesh(quint32(part), form), parts.mesh(part, form));
            }
        }
        QCOMPARE(parts.mesh(TankPart::Hull, Undamaged), parts.tankMesh(TankPart::Hull, Undamaged));
        QVERIFY(parts.mesh(TankPart::Hull, Undamaged) != parts.mesh(TankPart::Hull, Destroyed));
        QCOMPARE(loader()->partMesh(4, Undamaged), nullptr);
        QCOMPARE(loader()->partMesh(0, 3), nullptr);
        QCOMPARE(loader()->partMesh(0, -1), nullptr);
    }

    // A scene reload says so between the hangars and the tank, and keeps the tank.
    void sceneReloadReportsAndKeepsTheTank()
    {
        QVERIFY(loader()->load(mTanks.at(3)));
        mWindow.status.clear();
        mView->sceneReload();
        QVERIFY(mWindow.status.size() >= 2);
        QCOMPARE(mWindow.status.first(), QStringLiteral("Scene Reload done."));
        QCOMPARE(mWindow.status.at(1), QStringLiteral("Loading  Tank: ") + mTanks.at(3));
        checkLoadedTank(mTanks.at(3));
    }
};

QTEST_MAIN(TestTankLoaderGl)
#include "test_tankloader_gl.moc"
