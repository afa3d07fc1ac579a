#include "tank/tankscene.h"

#include "tank/garage.h"
#include "tank/tankloader.h"

#include "armour/collisionarmor.h"
#include "armour/physics.h"

#include "render/overlayimage.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"

#include "core/log.h"

#include <QOpenGLContext>

TankScene::TankScene(QObject *parent)
    : QObject(parent)
{
}

void TankScene::setWindowHooks(TankLoaderWindowHooks *loaderHooks,
                               CollisionArmorWindowHooks *armorHooks)
{
    mLoaderHooks = loaderHooks;
    mArmorHooks = armorHooks;
    if (mTankLoader) {
        mTankLoader->setWindowHooks(loaderHooks);
    }
    if (CollisionArmor *armour = CollisionArmor::instance()) {
        armour->setWindowHooks(armorHooks);
    }
}

TankScene::~TankScene() = default;

void TankScene::createTankLoader()
{
    // Qt runs initializeGL again when the view moves into another window.
    if (TankLoader::instance()) {
        logLine(QStringLiteral("A tank loader exists already; keeping it."), Warning);
        return;
    }
    mTankLoader = new TankLoader();
    mTankLoader->setWindowHooks(mLoaderHooks);
    if (CollisionArmor *armour = CollisionArmor::instance()) {
        armour->setWindowHooks(mArmorHooks);
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
        if (QOpenGLContext *context = view ? view->context() : nullptr) {
            // Moving the view into another window replaces its context; the tank's GL
            // objects go with the old one, while it is still current.
            QObject::connect(
                context, &QOpenGLContext::aboutToBeDestroyed, mTankLoader,
                [loader = mTankLoader]() {
                    if (loader->loaded) {
                        loader->unload();
                        loader->loaded = false;
                    }
                },
                Qt::DirectConnection);
        }
        if (TextureLoader *textures = TextureLoader::instance()) {
            textures->setTankHooks(mTankLoader);
        }
    }
    if (mPremiumGarage && mBasicGarage) {
        mPremiumGarage->setView(view);
        mBasicGarage->setView(view);
    }
    emit sceneReady();
}

void TankScene::releaseScene()
{
    mBasicGarage.reset();
    mPremiumGarage.reset();
    if (mTankLoader) {
        if (TextureLoader *textures = TextureLoader::instance()) {
            textures->setTankHooks(nullptr);
        }
        delete mTankLoader;
        mTankLoader = nullptr;
    }
    if (Physics *physics = Physics::instance(); physics && physics->view() == mView) {
        physics->setView(nullptr);
    }
    mView = nullptr;
    emit sceneReleased();
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
    // The status text "Scene Reload done." waits for the main window.
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
