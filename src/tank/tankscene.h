#pragma once

#include "render/viewscenehooks.h"

#include <QObject>

#include <memory>

class BasicGarage;
class CollisionArmorWindowHooks;
class TankLoaderWindowHooks;
class Garage;
class PremiumGarage;
class TankLoader;

// The view's scene: the tank loader, the two hangars and the collision world, made,
// drawn and released when the view says so. Start-up registers it on the view.
class TankScene : public QObject, public ViewSceneHooks
{
    Q_OBJECT

public:
    explicit TankScene(QObject *parent = nullptr);
    ~TankScene() override;

    void setWindowHooks(TankLoaderWindowHooks *loaderHooks, CollisionArmorWindowHooks *armorHooks);

    void createTankLoader() override;
    void createHangars() override;
    void loadHangars() override;
    void viewReady(RenderWidget *view) override;
    void releaseScene() override;

    void drawShadowPass() override;
    void drawHangar(bool premium) override;
    void drawTank() override;
    void fillOverlay(OverlayInfo &info, bool hangarShown, bool premium) override;

    void traceShot(const glm::vec3 &from, const glm::vec3 &to) override;
    bool shotLine(glm::vec3 &start, glm::vec3 &end) const override;

    void reloadScene() override;

    RenderWidget *view() const { return mView; }
    // The hangars, between createHangars and releaseScene; null otherwise.
    Garage *hangar(bool premium) const;
    // The loader this scene made; null before the view's initialisation and after
    // its release.
    TankLoader *tankLoader() const { return mTankLoader; }

signals:
    void sceneReady();
    void sceneReleased();

private:
    TankLoaderWindowHooks *mLoaderHooks = nullptr;
    CollisionArmorWindowHooks *mArmorHooks = nullptr;
    RenderWidget *mView = nullptr;
    std::unique_ptr<BasicGarage> mBasicGarage;
    std::unique_ptr<PremiumGarage> mPremiumGarage;
    TankLoader *mTankLoader = nullptr;
};
