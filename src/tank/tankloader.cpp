#include "tank/tankloader.h"

#include "tank/camoloader.h"
#include "tank/internal/definitiontext.h"
#include "tank/tankinfo.h"
#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "armour/collisionarmor.h"
#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "render/overlayimage.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"
#include "render/transformstack.h"
#include "render/visual.h"

#include "gamedata/database.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/vectortext.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/savefile.h"
#include "core/settings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QDomElement>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <memory>

namespace {

using internal::textAt;
using internal::translate;

glm::vec3 mirroredVec3(const QString &text)
{
    glm::vec3 v = parseVec3(text);
    v.x = -v.x;
    return v;
}

QDomDocument readXml(QBuffer *buffer, const QString &name, int *plainText)
{
    int plain = 0;
    const QDomDocument document =
        buffer ? PackedXmlReader::parse(buffer->data(), name, &plain) : QDomDocument();
    if (plainText) {
        *plainText = plain;
    }
    return document;
}

// One armour list of part: its child elements, each a plate whose own text is the
// thickness; a plate whose first child is vehicleDamageFactor is spaced armour. A
// thickness that is not a number of mm within 0..10000 is left out with a Warning:
// no plate is that thick, and the shell rules divide by it.
template <typename Add> void readArmorList(const QDomElement &list, const char *part, Add add)
{
    for (QDomElement plate = list.firstChildElement(); !plate.isNull();
         plate = plate.nextSiblingElement()) {
        const bool spaced =
            plate.firstChildElement().tagName() == QLatin1String("vehicleDamageFactor");
        const QString text = ownText(plate);
        const double thickness = text.toDouble();
        if (!std::isfinite(thickness) || thickness < 0.0 || thickness > 10000.0) {
            logLine(QStringLiteral("Armour plate ") + QLatin1String(part) + QLatin1Char('/')
                        + plate.tagName() + QStringLiteral(": thickness \"") + text.trimmed()
                        + QStringLiteral("\" is not within 0..10000 mm; left out."),
                    Warning);
            continue;
        }
        add(float(thickness), plate.tagName(), spaced);
    }
}

} // namespace

TankLoader::TankLoader()
{
    logLine(QStringLiteral("Creating tank loader."), Info);
    tankInfo = new TankInfo();
    mTurretGunChooser = new TurretGunChooser();
    mCollisionArmor = new CollisionArmor();
    mTransformStack = new TransformStack();
    mParts = std::make_unique<TankParts>();
    for (TankPart part : allTankParts) {
        for (TankModel form : {Undamaged, Destroyed}) {
            auto mesh = std::make_unique<TankMesh>();
            mesh->setTankHooks(this);
            mParts->setMesh(part, form, std::move(mesh));
        }
        auto collision = std::make_unique<CollisionMesh>();
        collision->setTankHooks(this);
        mParts->setCollision(part, std::move(collision));
    }
}

TankLoader::~TankLoader()
{
    {
        ViewContextGuard guard(mView);
        mParts.reset();
    }
    delete mTransformStack;
    delete mCollisionArmor;
    delete mTurretGunChooser;
    delete tankInfo;
}

void TankLoader::setWindowHooks(TankLoaderWindowHooks *hooks)
{
    mWindowHooks = hooks;
}

void TankLoader::setView(RenderWidget *view)
{
    mView = view;
}

RenderWidget *TankLoader::view() const
{
    return mView;
}

QString TankLoader::loadSecondsText(qint64 elapsedMs)
{
    return Database::rebuildSecondsText(elapsedMs);
}

Mesh *TankLoader::partMesh(quint32 part, int form) const
{
    if (part >= allTankParts.size() || form < 0 || std::size_t(form) >= allTankForms.size()) {
        return nullptr;
    }
    return mParts->mesh(TankPart(part), TankModel(form));
}

TankModel TankLoader::shownTankModel() const
{
    return TankModel(qBound(0, tankModel, 2));
}

TankCamouflage TankLoader::camouflage() const
{
    TankCamouflage camo;
    if (const CamoLoader *loader = CamoLoader::instance()) {
        camo.overlay = loader->camoEnabled;
        for (int k = 0; k < 4; ++k) {
            camo.colors[k] = loader->colors[std::size_t(k)];
        }
        camo.tankTiling = loader->tiling;
        camo.texture = loader->textureId;
        camo.hullMask = loader->tankExclusionMask;
        camo.chassisMask = loader->rootExclusionMaskCopy;
    }
    if (const Turret *turret = mTurretGunChooser->currentTurret()) {
        camo.turretTiling = turret->camoTiling;
        camo.turretMask = turret->exclusionMask;
    }
    if (const Gun *gun = mTurretGunChooser->currentGun()) {
        camo.gunTiling = gun->camoTiling;
        camo.gunMask = gun->exclusionMask;
    }
    return camo;
}

QString TankLoader::currentTurretName() const
{
    return mTurretGunChooser->currentTurretName;
}

QString TankLoader::currentGunName() const
{
    return mTurretGunChooser->currentGunName;
}

void TankLoader::markOverlayDirty()
{
    if (mView && mView->overlay) {
        mView->overlay->dirty = true;
    }
}

void TankLoader::showStatus(const QString &text)
{
    if (mWindowHooks) {
        mWindowHooks->showStatus(text, 0);
    }
}

bool TankLoader::load(const QString &name)
{
    const Settings *settings = Settings::instance();
    if (!settings || !settings->brastelPathValid) {
        return false;
    }
    ViewContextGuard guard(mView);
    if (Physics *physics = Physics::instance()) {
        physics->clearObjects();
    }
    QElapsedTimer timer;
    timer.start();
    sharedGun = false;

    // Always, not only after a successful load: a failed load leaves meshes behind
    // that the next one would append to.
    unload();
    tankInfo->clear();
    mCollisionArmor->clear();
    loaded = false;

    mTransformStack->current = glm::mat4(1.0f);

    showStatus(tr("Loading ") + tr(" Tank: ") + name);
    logLine(QStringLiteral("Loading Tank: ") + name, Info);

    Database *database = Database::instance();
    if (!database || database->tankDirectory(name).isEmpty()) {
        markOverlayDirty();
        return false;
    }

    const QString xmlPath = database->xmlFileOf(name);
    FileManager *files = FileManager::instance();
    std::unique_ptr<QBuffer> buffer;
    if (files) {
        buffer.reset(files->openPlainFile(settings->modPath + QLatin1Char('/') + xmlPath));
        if (!buffer) {
            buffer.reset(files->openFile(xmlPath));
        }
    }
    if (!buffer || (!buffer->isOpen() && !buffer->open(QIODevice::ReadOnly))) {
        const QString text = QStringLiteral("Failed to parse xml file for tank: ") + name;
        logLine(text, Error);
        showWarning(mWindowHooks ? mWindowHooks->dialogParent() : nullptr, APP_NAME, text,
                    QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }

    int plain = 0;
    tankDocument = readXml(buffer.get(), xmlPath, &plain);
    buffer.reset();
    firstChildIndex = plain ? 0 : 1;

    const QDomElement root = tankDocument.documentElement();
    const QDomElement hull = root.firstChildElement(QStringLiteral("hull"));
    const QDomElement chassis =
        root.firstChildElement(QStringLiteral("chassis")).firstChildElement();
    const QString rootMask =
        textAt(root, {QStringLiteral("camouflage"), QStringLiteral("exclusionMask")});
    const QString tankMask =
        rootMask.isEmpty()
            ? textAt(hull, {QStringLiteral("camouflage"), QStringLiteral("exclusionMask")})
            : rootMask;
    const QString hullPaths[3] = {
        textAt(hull, {QStringLiteral("models"), QStringLiteral("undamaged")}),
        textAt(hull, {QStringLiteral("models"), QStringLiteral("destroyed")}),
        textAt(hull, {QStringLiteral("hitTester"), QStringLiteral("collisionModel")})};
    hullMaxHealth = textAt(hull, {QStringLiteral("maxHealth")}).toInt();
    const glm::vec3 turretPosition =
        mirroredVec3(textAt(hull, {QStringLiteral("turretPositions"), QStringLiteral("turret")}));
    QString collisionPath =
        textAt(chassis, {QStringLiteral("hitTester"), QStringLiteral("collisionModel")});
    collisionPath.replace(QStringLiteral("//"), QStringLiteral("/"));
    const QString chassisPaths[3] = {
        textAt(chassis, {QStringLiteral("models"), QStringLiteral("undamaged")}),
        textAt(chassis, {QStringLiteral("models"), QStringLiteral("destroyed")}), collisionPath};
    chassisMaxHealth = textAt(chassis, {QStringLiteral("maxHealth")}).toInt();
    // Read for completeness; the tracks are drawn with the model's own mapping.
    const QString trackTextureScale =
        textAt(chassis, {QStringLiteral("tracks"), QStringLiteral("textureScale")});
    Q_UNUSED(trackTextureScale);
    const glm::vec3 hullPosition = mirroredVec3(textAt(chassis, {QStringLiteral("hullPosition")}));

    const QString gunsPath = QFileInfo(xmlPath).path() + QStringLiteral("/components/guns.xml");
    // A nation without guns.xml reads as an empty document: shared guns go unnamed.
    buffer.reset(files ? files->openFile(gunsPath) : nullptr);
    gunsDocument = readXml(buffer.get(), gunsPath, nullptr);
    buffer.reset();

    mTurretGunChooser->setTurrets(readTurrets(tankDocument, gunsDocument));
    const QVector<Turret> &turrets = mTurretGunChooser->turrets;
    const Turret firstTurret = turrets.isEmpty() ? Turret() : turrets.first();
    const Gun firstGun = firstTurret.guns.isEmpty() ? Gun() : firstTurret.guns.first();
    mTurretGunChooser->currentTurretName = firstTurret.displayName;
    mTurretGunChooser->currentGunName = firstGun.displayName;
    turretMaxHealth = firstTurret.maxHealth;

    const QString turretPaths[3] = {firstTurret.undamagedModel, firstTurret.destroyedModel,
                                    firstTurret.collisionModel};
    const QString gunPaths[3] = {firstGun.undamagedModel, firstGun.destroyedModel,
                                 firstGun.collisionModel};
    const glm::vec3 positions[4] = {glm::vec3(0.0f), hullPosition, turretPosition,
                                    firstTurret.gunPosition};
    const QString *paths[4] = {chassisPaths, hullPaths, turretPaths, gunPaths};

    // The hard points are looked up in the form being loaded, so it must name this
    // chain from the start, whatever the last load left.
    modelSetsLoaded = 0;
    // The collision models first: their trees are built by worker threads while the
    // other two forms upload, and loadArmor waits for them as it fills the world.
    for (TankModel form : {Collision, Undamaged, Destroyed}) {
        for (TankPart part : allTankParts) {
            const int i = int(part);
            const bool ok =
                form == Collision
                    ? mParts->collision(part)->load(paths[i][form], positions[i], i, true)
                    : mParts->tankMesh(part, form)
                          ->load(paths[i][form], positions[i], quint32(i), true);
            if (!ok) {
                mTurretGunChooser->clear();
                // Nothing half-loaded may stay drawn or in the collision world.
                unload();
                tankInfo->clear();
                return false;
            }
        }
        if (form < Collision) {
            modelSetsLoaded = form + 1;
        }
    }

    tankName = name;
    category = database->translatedCategoryOf(name);
    tier = database->tierOf(name);
    nation = database->translatedNationOf(name);

    tankInfo->parse(tankDocument);

    if (TextureLoader *textures = TextureLoader::instance()) {
        QStringList masks = {rootMask, tankMask};
        for (const Turret &turret : turrets) {
            masks.append(turret.exclusionMask);
            for (const Gun &gun : turret.guns) {
                masks.append(gun.exclusionMask);
            }
        }
        for (const QString &mask : std::as_const(masks)) {
            if (!mask.isEmpty()) {
                textures->getTexture(mask);
                tankInfo->addExclusionMask(mask);
            }
        }
    }

    if (CamoLoader *camo = CamoLoader::instance()) {
        camo->loadTankCamo(name, rootMask, rootMask, tankMask);
    }
    updateVisualEditor();
    loadArmor();

    const QString seconds = loadSecondsText(timer.elapsed());
    logLine(name + QStringLiteral(" loaded in: ") + seconds + QStringLiteral(" seconds"), Info);
    showStatus(name + tr(" loaded in: ") + seconds + tr(" seconds"));

    if (mWindowHooks) {
        mWindowHooks->addTankRecent(name);
    }
    loaded = true;
    setupRotationLimits();
    markOverlayDirty();
    emit tankLoaded();
    return true;
}

bool TankLoader::reload()
{
    if (!loaded) {
        return false;
    }
    ViewContextGuard guard(mView);
    const QString gun = mTurretGunChooser->currentGunName;
    const QString turret = mTurretGunChooser->currentTurretName;
    const QString name = tankName;
    // load unloads the tank first, whatever it finds.
    if (load(name)) {
        changeGun(turret, gun);
        return true;
    }
    logLine(QStringLiteral("Failed to load: ") + name, Warning);
    if (mWindowHooks) {
        mWindowHooks->clearStatus();
    }
    markOverlayDirty();
    return false;
}

void TankLoader::unload()
{
    ViewContextGuard guard(mView);
    for (TankPart part : allTankParts) {
        for (TankModel form : allTankForms) {
            mParts->mesh(part, form)->clear();
        }
    }
    chassisMaxHealth = 0;
    hullMaxHealth = 0;
    turretMaxHealth = 0;
    sharedGun = false;
    tier.clear();
    tankName.clear();
    category.clear();
    nation.clear();
    if (TextureLoader *textures = TextureLoader::instance()) {
        textures->clear();
    }
    markOverlayDirty();
}

void TankLoader::updateVisualEditor()
{
    if (!mWindowHooks) {
        return;
    }
    for (TankPart part : allTankParts) {
        const Mesh *mesh = mParts->mesh(part, shownTankModel());
        mWindowHooks->showVisualText(int(part), mesh->visual ? mesh->visual->text : QString());
    }
}

void TankLoader::loadArmor()
{
    const QString gunName = mTurretGunChooser->currentGunName;
    const QString turretName = mTurretGunChooser->currentTurretName;
    mCollisionArmor->clear();

    const QDomElement root = tankDocument.documentElement();
    readArmorList(
        root.firstChildElement(QStringLiteral("hull")).firstChildElement(QStringLiteral("armor")),
        "hull", [this](float t, const QString &n, bool spaced) {
            mCollisionArmor->addHullArmor(t, n, spaced);
        });
    readArmorList(root.firstChildElement(QStringLiteral("chassis"))
                      .firstChildElement()
                      .firstChildElement(QStringLiteral("armor")),
                  "chassis", [this](float t, const QString &n, bool spaced) {
                      mCollisionArmor->addChassisArmor(t, n, spaced);
                  });

    const QDomElement shared =
        gunsDocument.documentElement().firstChildElement(QStringLiteral("shared"));
    const QDomElement list = root.firstChildElement(QStringLiteral("turrets0"));
    // A gun offered by several turrets carries each turret's own armour: take the
    // current turret's copy, and another turret's only when it has none.
    auto addGuns = [&](bool currentTurretOnly) {
        bool found = false;
        for (QDomElement turret = list.firstChildElement(); !turret.isNull();
             turret = turret.nextSiblingElement()) {
            const QString userString = textAt(turret, {QStringLiteral("userString")});
            if (currentTurretOnly && translate(userString) != turretName) {
                continue;
            }
            const QDomElement guns = turret.firstChildElement(QStringLiteral("guns"));
            for (QDomElement gun = guns.firstChildElement(); !gun.isNull();
                 gun = gun.nextSiblingElement()) {
                if (gunDisplayName(gun, userString, shared) != gunName) {
                    continue;
                }
                found = true;
                readArmorList(gun.firstChildElement(QStringLiteral("armor")), "gun",
                              [this, &gunName](float t, const QString &n, bool spaced) {
                                  mCollisionArmor->addGunArmor(t, n, gunName, spaced);
                              });
            }
        }
        return found;
    };
    for (QDomElement turret = list.firstChildElement(); !turret.isNull();
         turret = turret.nextSiblingElement()) {
        const QString displayName = translate(textAt(turret, {QStringLiteral("userString")}));
        if (displayName == turretName) {
            readArmorList(turret.firstChildElement(QStringLiteral("armor")), "turret",
                          [this, &displayName](float t, const QString &n, bool spaced) {
                              mCollisionArmor->addTurretArmor(t, n, displayName, spaced);
                          });
        }
    }
    if (!addGuns(true)) {
        addGuns(false);
    }

    for (TankPart part : allTankParts) {
        mParts->collision(part)->addToWorld();
    }
    mCollisionArmor->buildArmorTables();
}

bool TankLoader::changeTurret(const QString &turretName)
{
    QString gunName;
    for (const Turret &turret : std::as_const(mTurretGunChooser->turrets)) {
        if (turret.displayName == turretName) {
            gunName = turret.guns.isEmpty() ? QString() : turret.guns.first().displayName;
        }
    }
    return changeGun(turretName, gunName);
}

bool TankLoader::changeGun(const QString &turretName, const QString &gunName)
{
    if (!loaded) {
        return false;
    }
    ViewContextGuard guard(mView);
    mTurretGunChooser->currentGunName = gunName;
    mTurretGunChooser->currentTurretName = turretName;
    for (TankPart part : allTankParts) {
        mParts->collision(part)->removeFromWorld();
    }

    Turret turret;
    for (const Turret &candidate : std::as_const(mTurretGunChooser->turrets)) {
        if (candidate.displayName == turretName) {
            turret = candidate;
        }
    }
    Gun gun;
    for (const Gun &candidate : std::as_const(turret.guns)) {
        if (candidate.displayName == gunName) {
            gun = candidate;
            break;
        }
    }
    turretMaxHealth = turret.maxHealth;
    TextureLoader *textures = TextureLoader::instance();
    if (textures && !turret.exclusionMask.isEmpty()) {
        textures->getTexture(turret.exclusionMask);
    }

    for (TankModel form : allTankForms) {
        mParts->mesh(TankPart::Turret, form)->clear();
        mParts->mesh(TankPart::Gun, form)->clear();
    }
    modelSetsLoaded = 0;
    const QString turretPaths[3] = {turret.undamagedModel, turret.destroyedModel,
                                    turret.collisionModel};
    const QString gunPaths[3] = {gun.undamagedModel, gun.destroyedModel, gun.collisionModel};
    bool allLoaded = true;
    for (TankModel form : allTankForms) {
        for (TankPart part : {TankPart::Turret, TankPart::Gun}) {
            const bool isTurret = part == TankPart::Turret;
            const QString &path = isTurret ? turretPaths[form] : gunPaths[form];
            const glm::vec3 &position = isTurret ? turret.turretPosition : turret.gunPosition;
            const bool ok =
                form == Collision
                    ? mParts->collision(part)->load(path, position, int(part), true)
                    : mParts->tankMesh(part, form)->load(path, position, quint32(part), true);
            if (!ok) {
                mTurretGunChooser->clear();
                allLoaded = false;
            }
        }
        if (form < Collision) {
            modelSetsLoaded = form + 1;
        }
    }

    loadArmor();
    if (mWindowHooks) {
        for (TankPart part : {TankPart::Turret, TankPart::Gun}) {
            const Mesh *mesh = mParts->mesh(part, shownTankModel());
            mWindowHooks->showVisualText(int(part), mesh->visual ? mesh->visual->text : QString());
        }
    }
    setupRotationLimits();
    markOverlayDirty();
    return allLoaded;
}

void TankLoader::setTankRotation(float degrees)
{
    tankRotation = glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::vec3(0.0f, 1.0f, 0.0f));
}

void TankLoader::setTurretRotation(float degrees)
{
    turretRotation =
        glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::vec3(0.0f, 1.0f, 0.0f));
}

void TankLoader::setGunRotation(float degrees)
{
    gunRotation = glm::rotate(glm::mat4(1.0f), glm::radians(-degrees), glm::vec3(1.0f, 0.0f, 0.0f));
}

glm::mat4 TankLoader::turretTransform(const glm::vec3 &pivot) const
{
    return glm::translate(glm::mat4(1.0f), pivot) * turretRotation
           * glm::translate(glm::mat4(1.0f), -pivot);
}

glm::mat4 TankLoader::gunTransform(const glm::vec3 &pivot) const
{
    return glm::translate(glm::mat4(1.0f), pivot) * gunRotation
           * glm::translate(glm::mat4(1.0f), -pivot);
}

void TankLoader::setupRotationLimits()
{
    const Turret *turret = mTurretGunChooser->currentTurret();
    const Gun *gun = mTurretGunChooser->currentGun();
    if (!turret || !gun || !mWindowHooks) {
        return;
    }
    glm::vec2 yaw = gun->turretYawLimits;
    if (yaw.x == 0.0f && yaw.y == 0.0f) {
        yaw = turret->yawLimits;
    }
    mWindowHooks->armTurretRotation(-yaw.y, -yaw.x);
    mWindowHooks->armGunRotation(gun->pitchLimits.x, gun->pitchLimits.y);
}

bool TankLoader::extractTextureFiles()
{
    if (!loaded) {
        return false;
    }
    const Settings *settings = Settings::instance();
    FileManager *files = FileManager::instance();
    if (!settings || !files) {
        return false;
    }
    const QString root = settings->modPath + QDir::separator();
    const QStringList names = tankInfo->allFiles();
    const bool ask = !settings->overwriteTextures;
    QWidget *parent = mWindowHooks ? mWindowHooks->dialogParent() : nullptr;

    QProgressDialog progress(tr("Extracting texture files"), tr("Cancel"), 0, names.size() - 1,
                             parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setValue(0);
    progress.show();
    progress.activateWindow();
    // Without this the dialog waits out its minimum duration before it paints.
    QCoreApplication::processEvents();

    for (int i = 0; i < names.size(); ++i) {
        progress.setValue(i);
        if (progress.wasCanceled()) {
            return false;
        }
        const QString name = names.at(i);
        // Names come from game and mod files: one with ".." must not write elsewhere.
        const QString target = targetInsideFolder(settings->modPath, name);
        if (target.isEmpty()) {
            logLine(QStringLiteral("Refusing to extract outside the mod folder: ") + name, Warning);
            continue;
        }
        const std::unique_ptr<QBuffer> buffer(files->readFromZips(name));
        if (!buffer) {
            continue;
        }
        const QString destination = QDir::toNativeSeparators(target);
        const QFileInfo info(target);
        if (!info.exists()) {
            const QString folder = info.path();
            if (!makeFolderInside(settings->modPath, folder)) {
                return false;
            }
        } else if (ask) {
            const int answer = showWarning(
                parent, APP_NAME,
                tr("WARNING! ") + destination
                    + tr(" already exists.\nAre you sure you want to overwrite this file?"),
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
            if (answer != QMessageBox::Ok) {
                continue;
            }
        }
        logLine(QStringLiteral("Extracting texture: ") + QDir::toNativeSeparators(name)
                    + QStringLiteral(" to: ") + root,
                Info);
        // A failed write must leave an existing file whole and stop with false.
        if (!saveFileBytes(target, buffer->data())) {
            logLine(QStringLiteral("Failed to open file for writing: ") + destination, Warning);
            return false;
        }
    }
    showInformation(parent, APP_NAME, tr("Extraction completed."), QMessageBox::Ok);
    return true;
}
