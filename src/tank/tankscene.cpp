#include "tank/tankscene.h"

#include "tank/tankloader.h"

#include "armour/physics.h"

#include "render/overlayimage.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"

#include "core/log.h"

TankScene::TankScene() = default;

TankScene::~TankScene() = default;

void TankScene::createTankLoader()
{
    // Qt runs initializeGL again when the view moves into another window.
    if (TankLoader::instance()) {
        logLine(QStringLiteral("A tank loader exists already; keeping it."), Warning);
        return;
    }
    mTankLoader = new TankLoader();
}

void TankScene::createHangars() { }

void TankScene::loadHangars() { }

void TankScene::viewReady(RenderWidget *view)
{
    mView = view;
    if (Physics *physics = Physics::instance()) {
        physics->setView(view);
    }
    if (mTankLoader) {
        mTankLoader->setView(view);
        if (TextureLoader *textures = TextureLoader::instance()) {
            textures->setTankHooks(mTankLoader);
        }
    }
}

void TankScene::releaseScene()
{
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
}

void TankScene::drawShadowPass() { }

void TankScene::drawHangar(bool premium) { }

void TankScene::drawTank() { }

void TankScene::fillOverlay(OverlayInfo &info, bool hangarShown, bool premium)
{
    if (mTankLoader && mTankLoader->loaded) {
        info.nation = mTankLoader->nation;
        info.name = mTankLoader->tankName;
        info.category = mTankLoader->category;
        info.tier = mTankLoader->tier;
        info.hitPoints = QString::number(mTankLoader->hullMaxHealth + mTankLoader->turretMaxHealth);
    }
}

void TankScene::traceShot(const glm::vec3 &from, const glm::vec3 &to) { }

bool TankScene::shotLine(glm::vec3 &start, glm::vec3 &end) const
{
    return false;
}

void TankScene::reloadScene() { }
