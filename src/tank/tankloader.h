#pragma once

#include "core/singleton.h"

#include <QObject>
#include <QString>

#include <glm/glm.hpp>

class QWidget;
class CollisionArmor;
class TankInfo;
class TurretGunChooser;

// The main window registers itself here while it exists.
class TankLoaderWindowHooks
{
public:
    virtual ~TankLoaderWindowHooks() = default;
    // Enables the turret rotation box, sets its value to 0 and its range.
    virtual void armTurretRotation(double minimum, double maximum) = 0;
    // The same for the gun rotation box.
    virtual void armGunRotation(double minimum, double maximum) = 0;
    // Parent of the loader's progress dialog and message boxes.
    virtual QWidget *dialogParent() = 0;
};

// Loads the chosen tank and places its turret and gun. Creates and owns the tank's
// file lists and its turret and gun chooser.
class TankLoader : public QObject, public Singleton<TankLoader>
{
    Q_OBJECT

public:
    TankLoader();
    ~TankLoader() override;

    // Not owned; pass null to unregister.
    void setWindowHooks(TankLoaderWindowHooks *hooks);

    // Two numbers as "%f%f" reads them, whatever the locale; (0, 0) unless both are read.
    [[nodiscard]] static glm::vec2 parseLimits(const QString &text);

    // Rotations in degrees, from the main window's boxes.
    void setTankRotation(float degrees);
    void setTurretRotation(float degrees);
    void setGunRotation(float degrees);
    // What the model matrix is multiplied by before the turret is drawn: the turret
    // rotation about pivot, the hull mesh's position plus the turret mesh's.
    [[nodiscard]] glm::mat4 turretTransform(const glm::vec3 &pivot) const;
    // The same for the gun, about the gun mesh's position, on top of the turret's.
    [[nodiscard]] glm::mat4 gunTransform(const glm::vec3 &pivot) const;
    // Arms the main window's turret and gun boxes for the current turret and gun;
    // nothing without both.
    void setupRotationLimits();

    // Copies every file of the tank's lists out of the packages into the mod folder.
    // False when no tank is loaded, when cancelled, or when a file cannot be written.
    bool extractTextureFiles();

    bool loaded = false;
    TankInfo *tankInfo = nullptr;
    glm::mat4 tankRotation {1.0f};
    glm::mat4 turretRotation {1.0f};
    glm::mat4 gunRotation {1.0f};

private:
    TurretGunChooser *mTurretGunChooser = nullptr;
    // Reached by everyone through its instance pointer; owned here.
    CollisionArmor *mCollisionArmor = nullptr;
    TankLoaderWindowHooks *mWindowHooks = nullptr;

    Q_DISABLE_COPY(TankLoader)
};
