#include "tank/turretgunchooser.h"

namespace {

Gun *findGun(Turret &turret, const QString &name)
{
    for (Gun &gun : turret.guns) {
        if (gun.displayName == name) {
            return &gun;
        }
    }
    return nullptr;
}

} // namespace

TurretGunChooser::TurretGunChooser() = default;

TurretGunChooser::~TurretGunChooser() = default;

void TurretGunChooser::setTurrets(const QVector<Turret> &list)
{
    turrets = list;
    listSet = true;
}

void TurretGunChooser::clear()
{
    turrets.clear();
    listSet = false;
    currentGunName.clear();
    currentTurretName.clear();
}

Turret *TurretGunChooser::currentTurret()
{
    for (Turret &turret : turrets) {
        if (turret.displayName == currentTurretName) {
            return &turret;
        }
    }
    return nullptr;
}

Gun *TurretGunChooser::currentGun()
{
    if (Turret *turret = currentTurret()) {
        if (Gun *gun = findGun(*turret, currentGunName)) {
            return gun;
        }
    }
    for (Turret &turret : turrets) {
        if (Gun *gun = findGun(turret, currentGunName)) {
            return gun;
        }
    }
    return nullptr;
}

bool TurretGunChooser::selectGun(const QString &name)
{
    Turret *turret = currentTurret();
    return turret && findGun(*turret, name);
}
