#include "tank/tankscene.h"

#include "tank/camoloader.h"
#include "tank/garage.h"
#include "tank/tankloader.h"

#include "armour/collisionarmor.h"
#include "armour/physics.h"

#include "render/overlayimage.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"

#include "gamedata/database.h"

#include "core/log.h"

TankScene::TankScene(QObject *parent)
    : QObject(parent)
{
}

TankScene::~TankScene()
{
    // The view normally releases the scene before; a scene that goes first frees its
    // GL names in the view's context and leaves the view no dangling hooks.
    if (mView) {
        ViewContextGuard guard(mView);
        if (mView->sceneHooks() == this) {
            mView->setSceneHooks(nullptr);
        }
        releaseScene();
    }
}

void TankScene::setWindowHooks(TankLoaderWindowHooks *loaderHooks,
                               CollisionArmorWindowHooks *armorHooks)
{
    mLoaderHooks = loaderHooks;
    mArmorHooks = armorHooks;
    if (!mTankLoader) {
        return;
    }
    mTankLoader->setWindowHooks(mLoaderHooks);
    if (CollisionArmor *armor = CollisionArmor::instance()) {
        armor->setWindowHooks(mArmorHooks);
    }
}

void TankScene::createTankLoader()
{
    if (mTankLoader) {
        logLine(QStringLiteral("A tank loader exists already; keeping it."), Warning);
        return;
    }
    mTankLoader = std::make_unique<TankLoader>();
    mTankLoader->setWindowHooks(mLoaderHooks);
    if (CollisionArmor *armor = CollisionArmor::instance()) {
        armor->setWindowHooks(mArmorHooks);
    }
}

void TankScene::setCamoWindowHooks(CamoLoaderWindowHooks *hooks)
{
    mCamoHooks = hooks;
    if (mCamoLoader) {
        mCamoLoader->setWindowHooks(mCamoHooks);
    }
}

void TankScene::createCamoLoader()
{
    if (mCamoLoader) {
        logLine(QStringLiteral("A camouflage loader exists already; keeping it."), Warning);
        return;
    }
    mCamoLoader = std::make_unique<CamoLoader>();
    mCamoLoader->setWindowHooks(mCamoHooks);
    if (Database *database = Database::instance()) {
        database->setCamoHooks(mCamoLoader.get());
    }
}

void TankScene::createHangars()
{
    mPremiumGarage = std::make_unique<PremiumGarage>();
    mBasicGarage = std::make_unique<BasicGarage>();
}

void TankScene::loadHangars()
{
    if (mPremiumGarage && mBasicGarage) {
        mPremiumGarage->load();
        mBasicGarage->load();
    }
}

void TankScene::viewReady(RenderWidget *view)
{
    mView = view;
    if (Physics *physics = Physics::instance()) {
        physics->setView(view);
    }
    if (mTankLoader) {
        mTankLoader->setView(view);
        if (TextureLoader *textures = TextureLoader::instance()) {
            textures->setTankHooks(mTankLoader.get());
        }
    }
    if (mPremiumGarage && mBasicGarage) {
        mPremiumGarage->setView(view);
        mBasicGarage->setView(view);
    }
    if (mCamoLoader) {
        mCamoLoader->setView(view);
    }
    emit sceneReady();
}

void TankScene::releaseScene()
{
    const bool made = mTankLoader || mBasicGarage || mPremiumGarage || mCamoLoader;
    mBasicGarage.reset();
    mPremiumGarage.reset();
    if (mTankLoader) {
        if (TextureLoader *textures = TextureLoader::instance()) {
            textures->setTankHooks(nullptr);
        }
        if (mTankLoader->loaded) {
            mTankLoader->unload();
            mTankLoader->loaded = false;
        }
        mTankLoader->setWindowHooks(nullptr);
        if (CollisionArmor *armor = CollisionArmor::instance()) {
            armor->setWindowHooks(nullptr);
        }
        mTankLoader.reset();
    }
    // After the tank, which reads the current camouflage texture; before the view's
    // texture loader, whose fallback texture the records may hold.
    if (mCamoLoader) {
        if (Database *database = Database::instance()) {
            database->setCamoHooks(nullptr);
        }
        mCamoLoader->setWindowHooks(nullptr);
        mCamoLoader.reset();
    }
    if (Physics *physics = Physics::instance(); physics && mView && physics->view() == mView) {
        physics->setView(nullptr);
    }
    mView = nullptr;
    if (made) {
        emit sceneReleased();
    }
}

void TankScene::drawShadowPass()
{
    if (mTankLoader) {
        mTankLoader->render(0);
    }
}

void TankScene::drawHangar(bool premium)
{
    if (Garage *shown = hangar(premium)) {
        shown->draw();
    }
}

void TankScene::drawTank()
{
    if (mTankLoader) {
        mTankLoader->render(1);
    }
}

void TankScene::fillOverlay(OverlayInfo &info, bool hangarShown, bool premium)
{
    Garage *shown = hangarShown ? hangar(premium) : nullptr;
    info.hangarTriangles = shown ? shown->triangleCount() : 0;
    if (mTankLoader && mTankLoader->loaded) {
        info.nation = mTankLoader->nation;
        info.name = mTankLoader->tankName;
        info.category = mTankLoader->category;
        info.tier = mTankLoader->tier;
        info.hitPoints = QString::number(mTankLoader->hullMaxHealth + mTankLoader->turretMaxHealth);
    }
    info.tankTriangles = mTankLoader && mTankLoader->loaded ? mTankLoader->triangleCount() : 0;
}

void TankScene::traceShot(const glm::vec3 &from, const glm::vec3 &to)
{
    if (Physics *physics = Physics::instance()) {
        physics->traceShot(from, to);
    }
}

bool TankScene::shotLine(glm::vec3 &start, glm::vec3 &end) const
{
    const Physics *physics = Physics::instance();
    if (!physics) {
        return false;
    }
    start = physics->shotStart;
    end = physics->shotEnd;
    return true;
}

void TankScene::reloadScene()
{
    for (Garage *garage : {hangar(true), hangar(false)}) {
        if (garage) {
            garage->clear();
            garage->load();
        }
    }
    if (TankLoaderWindowHooks *hooks = mTankLoader ? mTankLoader->windowHooks() : nullptr) {
        hooks->showStatus(tr("Scene Reload done."), 0);
    }
    if (mTankLoader) {
        mTankLoader->reload();
    }
}

Garage *TankScene::hangar(bool premium) const
{
    if (premium) {
        return mPremiumGarage.get();
    }
    return mBasicGarage.get();
}
