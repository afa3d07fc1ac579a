#pragma once

#include "tank/turretgun.h"

#include "core/singleton.h"

#include <QObject>
#include <QString>
#include <QVector>

// The loaded tank's turrets and guns and the names of the ones shown.
class TurretGunChooser : public QObject, public Singleton<TurretGunChooser>
{
    Q_OBJECT

public:
    TurretGunChooser();
    ~TurretGunChooser() override;

    void setTurrets(const QVector<Turret> &list);
    void clear();

    // The first turret named currentTurretName; null when none.
    Turret *currentTurret();
    // The gun named currentGunName, looked up in the current turret first: the same
    // gun offered by two turrets has one name but each turret's own limits, tiling
    // and mask. Other turrets are searched only when the current one has no such
    // gun. Null when none.
    Gun *currentGun();
    // Whether the current turret offers a gun of that name.
    bool selectGun(const QString &name);

    QVector<Turret> turrets;
    bool listSet = false;
    QString currentGunName;
    QString currentTurretName;

private:
    Q_DISABLE_COPY(TurretGunChooser)
};
