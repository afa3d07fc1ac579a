#include "tank/tankscene.h"

#include "armour/physics.h"
#include "render/overlayimage.h"
#include "render/renderwidget.h"

TankScene::TankScene() = default;

TankScene::~TankScene() = default;

void TankScene::createTankLoader() { }

void TankScene::createHangars() { }

void TankScene::loadHangars() { }

void TankScene::viewReady(RenderWidget *view)
{
    mView = view;
}

void TankScene::releaseScene()
{
    mView = nullptr;
}

void TankScene::drawShadowPass() { }

void TankScene::drawHangar(bool premium) { }

void TankScene::drawTank() { }

void TankScene::fillOverlay(OverlayInfo &info, bool hangarShown, bool premium) { }

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

void TankScene::reloadScene() { }
