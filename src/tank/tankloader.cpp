#include "tank/tankloader.h"

#include "tank/tankinfo.h"
#include "tank/turretgunchooser.h"

#include "armour/collisionarmor.h"

#include "gamedata/vectortext.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>

#include <glm/gtc/matrix_transform.hpp>

#include <memory>

TankLoader::TankLoader()
{
    logLine(QStringLiteral("Creating tank loader."), Info);
    tankInfo = new TankInfo();
    mTurretGunChooser = new TurretGunChooser();
    mCollisionArmor = new CollisionArmor();
}

TankLoader::~TankLoader()
{
    delete mCollisionArmor;
    delete mTurretGunChooser;
    delete tankInfo;
}

void TankLoader::setWindowHooks(TankLoaderWindowHooks *hooks)
{
    mWindowHooks = hooks;
}

glm::vec2 TankLoader::parseLimits(const QString &text)
{
    return parseVec2(text);
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
    // Destinations must stay below this folder; with no mod folder none does.
    const QString modFolder = QDir::cleanPath(settings->modPath);
    const QString modPrefix = modFolder.isEmpty() ? QString() : modFolder + QLatin1Char('/');
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
        const QString target =
            QDir::cleanPath(root + QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')));
        if (modPrefix.isEmpty() || !target.startsWith(modPrefix)) {
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
            if (!QDir().mkpath(folder)) {
                logLine(QStringLiteral("Failed to create directory") + QStringLiteral(": ")
                            + folder,
                        Info);
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
        // A failed write must leave an existing file whole and stop with false.
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly)) {
            logLine(QStringLiteral("Failed to open file for writing: ") + target, Warning);
            return false;
        }
        logLine(QStringLiteral("Extracting texture: ") + QDir::toNativeSeparators(name)
                    + QStringLiteral(" to: ") + root,
                Info);
        out.write(buffer->data());
        if (!out.commit()) {
            logLine(QStringLiteral("Failed to write file: ") + target, Warning);
            return false;
        }
    }
    showInformation(parent, APP_NAME, tr("Extraction completed."), QMessageBox::Ok);
    return true;
}
