#include "ui/mainwindow.h"

#include "tools/aboutviewerwidget.h"
#include "tools/screenshotui.h"
#include "tools/updatecheck.h"
#include "tools/visualeditwidget.h"

#include "tank/tankscene.h"
#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "armour/physics.h"

#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/settings.h"

#include <QDesktopServices>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QSqlQuery>
#include <QStatusBar>
#include <QStringListModel>
#include <QUrl>

#include <cmath>

namespace {

MainWindow *sMainWindow = nullptr;
QWidget *sVisualEditor = nullptr;

// The program's help page; nothing is served there yet.
const QString HELP_URL = QStringLiteral("https://www.hullscope.invalid/help/");

} // namespace

MainWindow *MainWindow::instance()
{
    return sMainWindow;
}

QWidget *MainWindow::visualEditor()
{
    return sVisualEditor;
}

std::pair<double, double> MainWindow::tenthRangeInside(double minimum, double maximum)
{
    // Limits come from float fields: allow for their last bits before rounding, so
    // that 0.3 stays 0.3 instead of going in by a tenth.
    constexpr double slack = 1e-4;
    double low = std::ceil(minimum * 10.0 - slack) / 10.0;
    double high = std::floor(maximum * 10.0 + slack) / 10.0;
    if (low > high) {
        low = high = std::round((minimum + maximum) * 5.0) / 10.0;
    }
    return {low, high};
}

MainWindow::MainWindow(TankScene &scene, Qt::WindowFlags flags)
    : QMainWindow(nullptr, flags)
    , mScene(scene)
{
    // The icons live in this static library; nothing else would pull them in.
    static const bool iconsRegistered = []() {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(iconsRegistered)

    mVisualEditor = new VisualEditWidget(this, Qt::Window);
    sVisualEditor = mVisualEditor;
    mVisualEditor->hide();

    // The view's constructor takes the default format, so it is set before the form
    // makes the view.
    if (const Settings *settings = Settings::instance()) {
        QSurfaceFormat::setDefaultFormat(viewSurfaceFormat(settings->msaa, settings->vsync));
    }

    sMainWindow = this;
    // The first rebuild runs inside the view's initialisation, during the show below.
    if (Database *database = Database::instance()) {
        database->setWindowHooks(this);
    }
    logLine(QStringLiteral("Creating main window"), Info);

    ui.setupUi(this);
    RenderWidget *view = ui.mRenderWidget;

    // What the form cannot say: Qt 6 combo boxes announce an index, not a text, and
    // the view's light takes the slider's level as an argument.
    connect(ui.turretComboBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { changeTurret(ui.turretComboBox->itemText(index)); });
    connect(ui.gunComboBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { changeGun(ui.gunComboBox->itemText(index)); });
    connect(ui.AmbientLightSlider, &QSlider::sliderReleased, view,
            [this, view]() { view->changeAmbientLight(ui.AmbientLightSlider->value()); });
    connect(this, &MainWindow::reloadSceneItems, view, &RenderWidget::sceneReload);

    // Before the first show: the view's initialisation makes the loader and hands it
    // these hooks.
    view->setSceneHooks(&mScene);
    mScene.setWindowHooks(this, this);
    mScene.setCamoWindowHooks(this);
    connect(&mScene, &TankScene::sceneReady, this, &MainWindow::connectScene);

    setWindowTitle(APP_NAME + QLatin1Char(' ') + APP_VERSION);

    ui.armorDock->hide();
    ui.armorDock->setFloating(true);
    ui.armorInspectionDock->hide();
    ui.armorInspectionDock->setFloating(true);

    showMaximized();
    ui.armorDock->move(50, height() - 420);

    createWindowMenu();
    setupDocks();
    updateLogWidget();

    connect(view, &RenderWidget::viewportColorChanged, this, &MainWindow::setViewportLabelColor);
    setViewportLabelColor(view->viewportColor);

    setTabPosition(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea, QTabWidget::North);

    if (Database *database = Database::instance()) {
        connect(database, &Database::databaseRebuilt, this,
                qOverload<>(&MainWindow::updateTankList));
    }
    updateTankList();

    const Settings *settings = Settings::instance();
    if (settings && settings->firstRun) {
        showPreferences();
    }

    loadSceneSettings();

    for (QComboBox *box : {ui.NationCombo, ui.CatergoryCombo, ui.TierCombo}) {
        connect(box, &QComboBox::currentIndexChanged, this, &MainWindow::tankFilterChanged);
    }

    armorCalibreChange(ui.shellSizeBox->value());

    mVisualEditor->createHighlighters();

    updateDialog = new UpdateCheck(this);

    createRecentActions();
    addShortcutActions();

    logLine(QStringLiteral("main window setup complete."), Info);

    // Set twice so that toggled() reaches the view with the final state whatever the
    // form started with.
    const bool showGrid = settings && settings->showGrid;
    ui.GridCheckBox->setChecked(showGrid);
    ui.GridCheckBox->setChecked(!showGrid);
}

MainWindow::~MainWindow()
{
    // The view dies after this body, with the base class, and releases the scene then:
    // nothing may reach back into this half-destroyed window.
    removeShortcutActions();
    saveRecentTanks();
    if (Log *log = Log::instance()) {
        disconnect(log, nullptr, this, nullptr);
    }
    disconnect(&mScene, nullptr, this, nullptr);
    mScene.setWindowHooks(nullptr, nullptr);
    mScene.setCamoWindowHooks(nullptr);
    if (Database *database = Database::instance()) {
        disconnect(database, nullptr, this, nullptr);
        database->setWindowHooks(nullptr);
    }
    if (TankLoader *loader = mScene.tankLoader()) {
        disconnect(loader, nullptr, this, nullptr);
    }
    sMainWindow = nullptr;
    sVisualEditor = nullptr;
}

void MainWindow::connectScene()
{
    TankLoader *loader = mScene.tankLoader();
    if (!loader) {
        return;
    }
    // A replaced context makes the scene ready again, with the same or a new loader.
    connect(loader, &TankLoader::tankLoaded, this, &MainWindow::tankOptionsChanged,
            Qt::UniqueConnection);
    connect(loader, &TankLoader::tankLoaded, this, &MainWindow::refillCamoList,
            Qt::UniqueConnection);
    connect(this, &MainWindow::armorModeToggled, loader, &TankLoader::armorToggle,
            Qt::UniqueConnection);
    connect(this, &MainWindow::armorModeToggled, ui.mRenderWidget, &RenderWidget::armorToggle,
            Qt::UniqueConnection);
    if (Physics *physics = Physics::instance()) {
        connect(this, &MainWindow::shellParamatersChanged, physics, &Physics::setShellParamaters,
                Qt::UniqueConnection);
    }
    toggleSolidMode();
    // The material loader exists from the view's initialisation on.
    toggleMaterial(false);
}

void MainWindow::setupDocks()
{
    if (Log *log = Log::instance()) {
        connect(log, &Log::logChanged, this, &MainWindow::updateLogWidget);
    }
    ui.TanksDock->setWindowFlags(Qt::Window);
    setupDockToggles();

    restoreStartupLayout();
}

// ---- hooks ----

void MainWindow::showStatus(const QString &text, int timeoutMs)
{
    statusBar()->showMessage(text, timeoutMs);
}

QWidget *MainWindow::dialogParent()
{
    return this;
}

void MainWindow::reloadSceneAfterRebuild()
{
    if (ui.mRenderWidget->initialised) {
        reloadScene();
    }
}

void MainWindow::clearStatus()
{
    statusBar()->clearMessage();
}

void MainWindow::armTurretRotation(double minimum, double maximum)
{
    const auto [low, high] = tenthRangeInside(minimum, maximum);
    ui.turretRotationSpin->setEnabled(true);
    ui.turretRotationSpin->setRange(low, high);
    ui.turretRotationSpin->setValue(0.0);
}

void MainWindow::armGunRotation(double minimum, double maximum)
{
    const auto [low, high] = tenthRangeInside(minimum, maximum);
    ui.gunRotationSpin->setEnabled(true);
    ui.gunRotationSpin->setRange(low, high);
    ui.gunRotationSpin->setValue(0.0);
}

void MainWindow::showVisualText(int pane, const QString &text)
{
    mVisualEditor->showText(pane, text);
}

QTableView *MainWindow::armorTableView()
{
    return ui.armorTableView;
}

QTableView *MainWindow::spacedArmorTableView()
{
    return ui.spacedArmorTableView;
}

bool MainWindow::hideSpacedArmor()
{
    return ui.spacedArmorCheckbox->isChecked();
}

// ---- tank list ----

void MainWindow::showTanks(QSqlQuery *query)
{
    QStringList names;
    if (query) {
        while (query->next()) {
            names.append(query->value(4).toString());
        }
        delete query;
    }
    QListView *list = ui.mTankListView;
    QAbstractItemModel *oldModel = list->model();
    QItemSelectionModel *oldSelection = list->selectionModel();
    list->setModel(new QStringListModel(names, this));
    // The view owns neither; only models made here are deleted.
    delete oldSelection;
    if (oldModel && oldModel->parent() == this) {
        delete oldModel;
    }
}

void MainWindow::updateTankList()
{
    Database *database = Database::instance();
    if (!database) {
        return;
    }
    ui.NationCombo->clear();
    ui.CatergoryCombo->clear();
    ui.TierCombo->clear();
    ui.NationCombo->addItems(database->nations);
    ui.CatergoryCombo->addItems(database->categories);
    ui.TierCombo->addItems(database->tiers);
    showTanks(database->filterQueryAll(ui.NationCombo->currentText(),
                                       ui.CatergoryCombo->currentText(),
                                       ui.TierCombo->currentText()));
}

void MainWindow::updateTankList(const QString &text)
{
    Database *database = Database::instance();
    if (!database) {
        return;
    }
    showTanks(database->filterQuery(ui.NationCombo->currentText(), ui.CatergoryCombo->currentText(),
                                    ui.TierCombo->currentText(),
                                    QLatin1Char('%') + text + QLatin1Char('%')));
}

void MainWindow::tankFilterChanged()
{
    updateTankList(ui.tankFilter->text());
}

void MainWindow::loadTank()
{
    const QModelIndex index = ui.mTankListView->currentIndex();
    const QVariant display = index.data(Qt::DisplayRole);
    if (display.isNull()) {
        clearArmourResults();
        const MessageStrings *strings = MessageStrings::instance();
        showWarning(this, APP_NAME,
                    strings ? strings->selectTank : QStringLiteral("You must select a tank."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    const QString name = display.toString();
    if (!loadTankByName(name)) {
        showWarning(this, APP_NAME, tr("Failed to load tank: ") + name, QMessageBox::Ok,
                    QMessageBox::NoButton);
    }
}

bool MainWindow::loadTankByName(const QString &name)
{
    clearArmourResults();
    TankLoader *loader = mScene.tankLoader();
    if (!loader || !loader->load(name)) {
        return false;
    }
    // The turret stands at yaw 0 after a load, inside the gun's front sector.
    const Gun *gun =
        loader->turretGunChooser() ? loader->turretGunChooser()->currentGun() : nullptr;
    if (gun && gun->extraPitchFront != glm::vec3(0.0f)) {
        const auto [low, high] = tenthRangeInside(-gun->extraPitchFront.y, -gun->extraPitchFront.x);
        ui.gunRotationSpin->setRange(low, high);
    }
    return true;
}

void MainWindow::clearArmourResults()
{
    RenderWidget *view = ui.mRenderWidget;
    // Re-applying the armour mode empties the ray line and redraws the overlay.
    view->armorToggle(view->armourMode);
    ui.armorResultsText->clear();
}

// ---- window commands ----

void MainWindow::aboutQt()
{
    QMessageBox::aboutQt(this);
}

void MainWindow::aboutHelp()
{
    QDesktopServices::openUrl(QUrl(HELP_URL));
}

void MainWindow::updateCheck()
{
    showInformation(this, APP_NAME, tr("Auto Update has been disabled"), QMessageBox::Ok);
}

void MainWindow::reloadScene()
{
    if (!ui.mRenderWidget->initialised) {
        return;
    }
    logLine(QStringLiteral("Reloading Scene."), Info);
    statusBar()->showMessage(tr("Reloading Scene."));
    emit reloadSceneItems();
}

void MainWindow::changeViewportColor()
{
    RenderWidget *view = ui.mRenderWidget;
    const QColor old = view->viewportColor;
    const QColor chosen = chooseColor(this, old, QString());
    // Set even when cancelled, so that the swatch is redrawn either way.
    view->setViewportColor(chosen.isValid() ? chosen : old);
}

void MainWindow::setViewportLabelColor(QColor colour)
{
    colour.setAlphaF(1.0f);
    QPalette palette = ui.ViewportColorLabel->palette();
    palette.setColor(QPalette::Window, colour);
    ui.ViewportColorLabel->setPalette(palette);
    ui.ViewportColorLabel->setAutoFillBackground(true);
}

void MainWindow::ambientLightChanged(int value)
{
    ui.AmbientLightValue->setText(QString::number(value));
}

void MainWindow::toggleAllDocks(bool on)
{
    if (!on) {
        restoreState(hiddenDocksState);
        return;
    }
    hiddenDocksState = saveState(0);
    // The Armor dock follows the tank form and the armour mode, not this switch.
    for (QDockWidget *dock :
         {static_cast<QDockWidget *>(ui.TanksDock), static_cast<QDockWidget *>(ui.TankOptionsDock),
          static_cast<QDockWidget *>(ui.CamoDock), static_cast<QDockWidget *>(ui.SceneSettingsDock),
          static_cast<QDockWidget *>(ui.CameraDock), static_cast<QDockWidget *>(ui.LogViewDock),
          static_cast<QDockWidget *>(ui.armorInspectionDock)}) {
        dock->hide();
    }
}

void MainWindow::toggleFullscreen(bool on)
{
    if (on) {
        fullscreenState = saveState(0);
        statusBar()->hide();
        menuBar()->hide();
        hideAllWasChecked = ui.actionHide_all_Widgets->isChecked();
        if (!hideAllWasChecked) {
            ui.actionHide_all_Widgets->setChecked(true);
        }
        ui.MainToolBar->hide();
        ui.WidgetToolBar->hide();
        showFullScreen();
        return;
    }
    showMaximized();
    statusBar()->show();
    menuBar()->show();
    if (!hideAllWasChecked) {
        ui.actionHide_all_Widgets->setChecked(false);
    }
    restoreState(fullscreenState);
}

void MainWindow::toggleDisableShortcuts(bool disable)
{
    disableShortcuts = disable;
}

bool MainWindow::event(QEvent *event)
{
    return QMainWindow::event(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    QWidget::keyReleaseEvent(event);
}

// ---- filled by the dialogs, docks, recent tanks and tank options ----

void MainWindow::aboutViewer()
{
    // X11 gives explicit flags no close button unless asked.
    AboutViewerWidget dialog(ui.mRenderWidget, this,
                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                 | Qt::WindowCloseButtonHint);
    dialog.exec();
}

void MainWindow::showVisualEditor()
{
    mVisualEditor->show();
}

void MainWindow::showScreenshot()
{
    RenderWidget *view = ui.mRenderWidget;
    {
        ScreenShotUI dialog(
            this, view, Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        dialog.exec();
    }
    view->paintBlocked = false;
    // A blocked view asked for no next frame.
    view->update();
}
