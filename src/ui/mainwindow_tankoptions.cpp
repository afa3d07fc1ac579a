// The main window's slots behind the Tank Options dock, the render-mode actions, the
// Lighting group, the Camo dock's commands and the two armour docks.
#include "ui/mainwindow.h"

#include "tank/camoloader.h"
#include "tank/tankscene.h"
#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "render/materialloader.h"
#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/savefile.h"
#include "core/settings.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <cfloat>
#include <cmath>
#include <memory>

namespace {

bool anyNonZero(const glm::vec3 &limits)
{
    return limits != glm::vec3(0.0f);
}

int truncated(float degrees)
{
    return int(std::trunc(degrees));
}

QString modFolderText()
{
    const MessageStrings *strings = MessageStrings::instance();
    return strings ? strings->selectModFolder
                   : QObject::tr("You must select a mod folder in the application preferences.");
}

} // namespace

std::optional<std::pair<double, double>> MainWindow::gunPitchSector(int yaw, const Gun &gun)
{
    std::optional<std::pair<double, double>> range;
    const glm::vec3 back = gun.extraPitchBack;
    if (anyNonZero(back)) {
        // The back sector is centred on 180: a yaw of 0 or below counts a turn on.
        const int y = (yaw >= -180 && yaw <= 0) ? yaw + 360 : yaw;
        if (y >= truncated(180.0f - back.z) && y <= truncated(180.0f + back.z)) {
            range = std::make_pair(double(-back.y), double(-back.x));
        }
    }
    const glm::vec3 front = gun.extraPitchFront;
    if (anyNonZero(front) && yaw >= truncated(-front.z) && yaw <= truncated(front.z)) {
        range = std::make_pair(double(-front.y), double(-front.x));
    }
    return range;
}

MainWindow::ThicknessPick MainWindow::pickThickness(float clicked, float selected)
{
    const float d = (clicked - selected) / (selected == 0.0f ? 1.0f : selected);
    if (std::fabs(d) >= FLT_EPSILON) {
        return {true, clicked};
    }
    return {false, -1.0f};
}

// ---- turret and gun choice ----

void MainWindow::tankOptionsChanged()
{
    ui.turretComboBox->clear();
    ui.gunComboBox->clear();
    const TurretGunChooser *chooser = TurretGunChooser::instance();
    if (!chooser) {
        return;
    }
    for (const Turret &turret : chooser->turrets) {
        ui.turretComboBox->addItem(turret.displayName);
    }
    if (!chooser->turrets.isEmpty()) {
        turretListChanged(chooser->turrets.first().displayName);
    }
}

void MainWindow::turretListChanged(const QString &turret)
{
    ui.gunComboBox->clear();
    const TurretGunChooser *chooser = TurretGunChooser::instance();
    if (!chooser) {
        return;
    }
    for (const Turret &t : chooser->turrets) {
        if (t.displayName == turret) {
            for (const Gun &gun : t.guns) {
                ui.gunComboBox->addItem(gun.displayName);
            }
        }
    }
}

void MainWindow::changeTurret(const QString &turret)
{
    TankLoader *loader = mScene.tankLoader();
    if (loader && loader->loaded && !turret.isEmpty()) {
        loader->changeTurret(turret);
    }
}

void MainWindow::changeGun(const QString &gun)
{
    TankLoader *loader = mScene.tankLoader();
    TurretGunChooser *chooser = loader ? loader->turretGunChooser() : nullptr;
    if (!loader || !loader->loaded || !chooser || !chooser->selectGun(gun)) {
        return;
    }
    const QString turret = ui.turretComboBox->currentText();
    if (!gun.isEmpty() && !turret.isEmpty()) {
        loader->changeGun(turret, gun);
    }
}

void MainWindow::changeTurretGun() { }

// ---- rotations ----

void MainWindow::tankRotate(double degrees)
{
    // The box runs one step past each end, so that stepping across ±180 goes round.
    if (degrees > 180.0) {
        ui.tankRotationSpin->setValue(-179.0);
    } else if (degrees < -180.0) {
        ui.tankRotationSpin->setValue(179.0);
    } else if (TankLoader *loader = mScene.tankLoader()) {
        loader->setTankRotation(float(degrees));
    }
}

void MainWindow::turretRotate(double degrees)
{
    if (degrees > 180.0) {
        ui.turretRotationSpin->setValue(-179.0);
        return;
    }
    if (degrees < -180.0) {
        ui.turretRotationSpin->setValue(179.0);
        return;
    }
    TankLoader *loader = mScene.tankLoader();
    if (!loader) {
        return;
    }
    loader->setTurretRotation(float(degrees));
    TurretGunChooser *chooser = loader->turretGunChooser();
    const Gun *gun = chooser ? chooser->currentGun() : nullptr;
    if (!gun) {
        return;
    }
    // Each setRange clamps the value into the new range, and the box's valueChanged
    // turns the gun with it.
    const auto [low, high] = tenthRangeInside(gun->pitchLimits.x, gun->pitchLimits.y);
    ui.gunRotationSpin->setRange(low, high);
    if (const auto sector = gunPitchSector(int(degrees), *gun)) {
        const auto [sectorLow, sectorHigh] = tenthRangeInside(sector->first, sector->second);
        ui.gunRotationSpin->setRange(sectorLow, sectorHigh);
    }
}

void MainWindow::gunRotate(double degrees)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->setGunRotation(float(degrees));
    }
}

void MainWindow::gunRotateReset()
{
    ui.gunRotationSpin->setValue(0.0);
}

void MainWindow::turretRotateReset()
{
    ui.turretRotationSpin->setValue(0.0);
}

void MainWindow::tankRotateReset()
{
    ui.tankRotationSpin->setValue(0.0);
}

// ---- render modes and lighting ----

void MainWindow::showRenderMode(QAction *mode, bool wireframe, bool solidWire)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->wireframe = wireframe;
        loader->solidWire = solidWire;
    }
    // A radio group whose checked member is the only checkable one, so that clicking
    // the current mode again cannot uncheck it.
    for (QAction *action :
         {ui.actionSolid_Mode, ui.actionWireframe_mode, ui.actionSolid_Wireframe_mode}) {
        action->setCheckable(action == mode);
        action->setChecked(action == mode);
    }
}

void MainWindow::toggleSolidMode()
{
    showRenderMode(ui.actionSolid_Mode, false, false);
}

void MainWindow::toggleWireframeMode()
{
    showRenderMode(ui.actionWireframe_mode, true, false);
}

void MainWindow::toggleSolidWireMode()
{
    showRenderMode(ui.actionSolid_Wireframe_mode, false, true);
}

void MainWindow::toggleMaterial(bool)
{
    MaterialLoader *materials = MaterialLoader::instance();
    Settings *settings = Settings::instance();
    if (!ui.mRenderWidget->initialised || !materials || !settings) {
        return;
    }
    if (ui.BumpMapRadioBtn->isChecked()) {
        materials->defaultIndex = 0;
        settings->showShadows = false;
    } else if (ui.NoLightingRadioBtn->isChecked()) {
        materials->defaultIndex = 1;
        settings->showShadows = false;
    } else if (ui.BumpMapRadioBtn2->isChecked()) {
        materials->defaultIndex = 0;
        settings->showShadows = true;
    }
}

// ---- tank form, textures and parts ----

void MainWindow::toggleDamagedMode(bool)
{
    TankModel model = Undamaged;
    if (ui.DamagedBtn->isChecked()) {
        model = Destroyed;
    } else if (ui.CollisionBtn->isChecked()) {
        model = Collision;
    }
    ui.armorDock->setVisible(model == Collision);
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->damageModeChanged(model);
    }
}

void MainWindow::toggleTextureLocation(bool modFolder)
{
    TankLoader *loader = mScene.tankLoader();
    if (!loader) {
        return;
    }
    loader->textureLocation = !modFolder;
    if (loader->loaded) {
        loader->reload();
    }
}

void MainWindow::toggleGridTexture(bool defaultTexture)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->gridTexture = !defaultTexture;
    }
}

void MainWindow::toggleHideTurret(bool hide)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->hideTurret = hide;
    }
}

void MainWindow::toggleHideGun(bool hide)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->hideGun = hide;
    }
}

void MainWindow::toggleHideChassis(bool hide)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->hideChassis = hide;
    }
}

void MainWindow::toggleHideHull(bool hide)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->hideHull = hide;
    }
}

void MainWindow::changeSpacedAlpha(int) { }

// ---- camouflage ----

bool MainWindow::camoExportAllowed()
{
    TankLoader *loader = mScene.tankLoader();
    if (!loader || !loader->loaded) {
        showInformation(this, APP_NAME, tr("You must load a tank first."), QMessageBox::Ok);
        return false;
    }
    const CamoLoader *camo = mScene.camoLoader();
    if (!camo || !camo->camoEnabled) {
        showInformation(this, APP_NAME, tr("You must enable camouflage first."), QMessageBox::Ok);
        return false;
    }
    return true;
}

bool MainWindow::exportGameFile(QWidget *parent, const QString &texture)
{
    const Settings *settings = Settings::instance();
    FileManager *files = FileManager::instance();
    if (!settings || settings->modPath.isEmpty()) {
        showInformation(parent, APP_NAME, modFolderText(), QMessageBox::Ok);
        return false;
    }
    const std::unique_ptr<QBuffer> buffer(files ? files->readFromZips(texture) : nullptr);
    if (!buffer) {
        const QString text =
            tr("Failed to find: ") + texture + QLatin1Char(' ') + tr("in any zip archives.");
        logLine(text, Warning);
        showWarning(parent, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }
    // A game path with ".." in it must not reach outside the mod folder.
    const QString target = targetInsideFolder(settings->modPath, texture);
    if (target.isEmpty()) {
        const QString text =
            tr("Refused to write outside the mod folder: ")
            + QDir::toNativeSeparators(settings->modPath + QLatin1Char('/') + texture);
        logLine(text, Warning);
        showWarning(parent, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }
    if (QFileInfo::exists(target)) {
        const int answer = showWarning(parent, APP_NAME,
                                       tr("WARNING! ") + texture
                                           + tr(" already exists.\nAre you sure you want to "
                                                "overwrite this file?"),
                                       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            return false;
        }
    } else if (!makeFolderInside(settings->modPath, QFileInfo(target).path())) {
        showWarning(parent, APP_NAME, tr("Failed to create directory"), QMessageBox::Ok,
                    QMessageBox::NoButton);
        return false;
    }
    // Written aside and renamed over the target, so that a full disk leaves no cut file.
    if (!saveFileBytes(target, buffer->data())) {
        const QString text =
            tr("Failed to open file for writing: ") + QDir::toNativeSeparators(target);
        logLine(text, Warning);
        showWarning(parent, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }
    logLine(QStringLiteral("Extracting texture: ") + QDir::toNativeSeparators(texture)
                + QStringLiteral(" to: ") + settings->modPath,
            Info);
    showInformation(parent, APP_NAME, tr("Export completed."), QMessageBox::Ok);
    return true;
}

void MainWindow::exportCamoPattern()
{
    if (!camoExportAllowed()) {
        return;
    }
    exportGameFile(this, mScene.camoLoader()->texture);
}

// ---- armour ----

void MainWindow::toggleArmorInspector(bool on)
{
    emit armorModeToggled(on);
    ui.UndamagedBtn->setChecked(true);
    for (QRadioButton *button : {ui.UndamagedBtn, ui.DamagedBtn, ui.CollisionBtn}) {
        button->setEnabled(!on);
    }
    ui.armorDock->setVisible(on && ui.CollisionBtn_2->isChecked());
}

void MainWindow::toggleArmorInspectorMesh(bool collision)
{
    if (TankLoader *loader = mScene.tankLoader()) {
        loader->armorMeshMode = collision ? 2 : 0;
    }
    ui.armorDock->setVisible(collision);
}

void MainWindow::armorAmmoChange(int type)
{
    // High-explosive shells are not normalised.
    ui.shellNormalBox->setValue((type == ShellHE || type == ShellHEAT) ? 0.0 : 2.0);
    armorCalibreChange(ui.shellSizeBox->value());
}

void MainWindow::armorCalibreChange(double)
{
    ShellParamaters shell;
    shell.caliber = float(ui.shellSizeBox->value());
    shell.normalization = float(ui.shellNormalBox->value());
    shell.shellType = ui.shellCombo->currentIndex();
    emit shellParamatersChanged(shell);
}

void MainWindow::armorNormChange(double normalization)
{
    armorCalibreChange(normalization);
}

void MainWindow::regularArmorClicked(const QModelIndex &index)
{
    CollisionArmor *armor = CollisionArmor::instance();
    if (!armor || !index.isValid()) {
        return;
    }
    // The exact value behind the rounded text: the colours are keyed by it.
    const ThicknessPick pick =
        pickThickness(index.data(Qt::UserRole).toFloat(), armor->selectedRegularThickness);
    armor->highlightRegular = pick.highlight;
    armor->selectedRegularThickness = pick.selected;
    if (!pick.highlight) {
        ui.armorTableView->clearSelection();
    }
}

void MainWindow::spacedArmorClicked(const QModelIndex &index)
{
    CollisionArmor *armor = CollisionArmor::instance();
    if (!armor || !index.isValid()) {
        return;
    }
    const ThicknessPick pick =
        pickThickness(index.data(Qt::UserRole).toFloat(), armor->selectedSpacedThickness);
    armor->highlightSpaced = pick.highlight;
    armor->selectedSpacedThickness = pick.selected;
    if (!pick.highlight) {
        ui.spacedArmorTableView->clearSelection();
    }
}
