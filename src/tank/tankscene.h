#pragma once

#include "render/viewscenehooks.h"

#include <QObject>

#include <memory>

class BasicGarage;
class CamoLoader;
class CamoLoaderWindowHooks;
class CollisionArmorWindowHooks;
class Garage;
class PremiumGarage;
class TankLoader;
class TankLoaderWindowHooks;

// The view's scene and the one owner of what the view's initialisation makes: the tank
// loader (and with it the armour registry) and the two hangars. They exist from
// sceneReady() to sceneReleased(); the view releases them when it is destroyed and when
// its context is replaced (a move into another top-level window), and makes them again
// in the next context. Start-up registers the scene on the view before it is shown.
class TankScene : public QObject, public ViewSceneHooks
{
    Q_OBJECT

public:
    explicit TankScene(QObject *parent = nullptr);
    ~TankScene() override;

    // Once, before the view is first shown; not owned. Handed to the loader and the
    // armour registry as they are made, and taken back from them on release. Null
    // unregisters, from the loader that exists too.
    void setWindowHooks(TankLoaderWindowHooks *loaderHooks, CollisionArmorWindowHooks *armorHooks);
    // The same for the camouflage loader's hooks.
    void setCamoWindowHooks(CamoLoaderWindowHooks *hooks);

    // The loader this scene made; null before sceneReady and after sceneReleased.
    TankLoader *tankLoader() const { return mTankLoader.get(); }
    // The camouflage loader this scene made, registered with the database; null
    // before sceneReady and after sceneReleased.
    CamoLoader *camoLoader() const { return mCamoLoader.get(); }
    // The hangars, from the view's initialisation to the release; null otherwise.
    Garage *hangar(bool premium) const;
    RenderWidget *view() const { return mView; }

    void createTankLoader() override;
    void createCamoLoader() override;
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

signals:
    // The view's initialisation has made the loader, the armour registry and the hangars.
    void sceneReady();
    // They are gone: the view was destroyed or its context replaced.
    void sceneReleased();

private:
    RenderWidget *mView = nullptr;
    TankLoaderWindowHooks *mLoaderHooks = nullptr;
    CollisionArmorWindowHooks *mArmorHooks = nullptr;
    CamoLoaderWindowHooks *mCamoHooks = nullptr;
    std::unique_ptr<TankLoader> mTankLoader;
    std::unique_ptr<CamoLoader> mCamoLoader;
    std::unique_ptr<BasicGarage> mBasicGarage;
    std::unique_ptr<PremiumGarage> mPremiumGarage;

    Q_DISABLE_COPY(TankScene)
};
