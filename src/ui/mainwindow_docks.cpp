// The main window's docks: toggling by key, menu and tool bar, the shortcuts that stay
// live with the bars hidden, the scene settings and the log boxes.
#include "ui/mainwindow.h"

#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace {

void scrollToEnd(QTextEdit *box)
{
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

void appendToBox(QTextEdit *box, const QString &tail)
{
    if (!tail.isEmpty()) {
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(tail);
    }
    scrollToEnd(box);
}

} // namespace

void MainWindow::dockKeyPress(QKeyEvent *event)
{
    keyPressEvent(event);
}

void MainWindow::toggleDock(QDockWidget *dock)
{
    const bool tabbed = !tabifiedDockWidgets(dock).isEmpty();
    const bool visible = dock->property(qPrintable(VISIBILITY_PROPERTY)).toBool();
    if (tabbed && !visible) {
        dock->raise();
        return;
    }
    dock->toggleViewAction()->trigger();
    if (!visible) {
        dock->raise();
    }
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (!isFullScreen()) {
        if (event->modifiers() == Qt::ShiftModifier) {
            QDockWidget *dock = nullptr;
            switch (key) {
            case Qt::Key_C: dock = ui.armorInspectionDock; break;
            case Qt::Key_Q: dock = ui.TanksDock; break;
            case Qt::Key_S: dock = ui.CamoDock; break;
            case Qt::Key_W: dock = ui.TankOptionsDock; break;
            case Qt::Key_X: dock = ui.CameraDock; break;
            case Qt::Key_Z: dock = ui.SceneSettingsDock; break;
            default: break;
            }
            if (dock) {
                toggleDock(dock);
            }
        }
        if (key == Qt::Key_F11) {
            toggleDock(ui.LogViewDock);
        }
    }
    if (key == Qt::Key_Escape) {
        ui.actionFullscreen->setChecked(false);
    } else if (key == Qt::Key_Return && event->modifiers() == Qt::AltModifier) {
        ui.actionFullscreen->setChecked(true);
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::createWindowMenu()
{
    const struct
    {
        QDockWidget *dock;
        const char *key;
    } toggles[] = {{ui.TanksDock, "Shift + Q"},  {ui.TankOptionsDock, "Shift + W"},
                   {ui.CamoDock, "Shift + S"},   {ui.SceneSettingsDock, "Shift + Z"},
                   {ui.CameraDock, "Shift + X"}, {ui.armorInspectionDock, "Shift + C"},
                   {ui.LogViewDock, "F11"}};
    for (const auto &toggle : toggles) {
        if (toggle.dock == ui.LogViewDock) {
            ui.menu_Window->addSeparator();
        }
        QAction *action = toggle.dock->toggleViewAction();
        action->setToolTip(action->text());
        // Only the menu's shortcut column shows the key: the window's key table acts on
        // it, so that a tabbed dock is raised rather than closed.
        action->setText(action->text() + QLatin1Char('\t') + QLatin1String(toggle.key));
        ui.menu_Window->addAction(action);
    }
    ui.menu_Window->addSeparator();
    saveLayoutAction =
        new QAction(QIcon(QStringLiteral(":/icons/floppy-32.png")), tr("Save Layout"), this);
    loadDefaultLayoutAction =
        new QAction(QIcon(QStringLiteral(":/icons/fileopen.png")), tr("Load default layout"), this);
    ui.menu_Window->addAction(saveLayoutAction);
    ui.menu_Window->addAction(loadDefaultLayoutAction);
    connect(saveLayoutAction, &QAction::triggered, this, &MainWindow::saveLayout);
    connect(loadDefaultLayoutAction, &QAction::triggered, this, &MainWindow::loadDefaultLayout);
}

void MainWindow::setupDockToggles()
{
    const struct
    {
        QDockWidget *dock;
        const char *icon;
    } icons[] = {{ui.TanksDock, ":/icons/tank.png"},
                 {ui.TankOptionsDock, ":/icons/tank_options.png"},
                 {ui.CamoDock, ":/icons/camo.png"},
                 {ui.SceneSettingsDock, ":/icons/scene_settings.png"},
                 {ui.CameraDock, ":/icons/camera.png"},
                 {ui.armorInspectionDock, ":/icons/silver_shaded.png"},
                 {ui.LogViewDock, ":/icons/Log.png"}};
    for (const auto &entry : icons) {
        QAction *action = entry.dock->toggleViewAction();
        action->setIcon(QIcon(QString::fromLatin1(entry.icon)));
        if (entry.dock == ui.LogViewDock) {
            ui.WidgetToolBar->addSeparator();
        }
        ui.WidgetToolBar->addAction(action);
    }
}

QList<QAction *> MainWindow::shortcutActions() const
{
    return {ui.actionAbout_Qt,         ui.actionAbout_Hullscope, ui.action_Quit,
            ui.actionSolid_Mode,       ui.actionWireframe_mode,  ui.actionSolid_Wireframe_mode,
            ui.actionTake_screenshot,  ui.actionReload_Scene,    ui.actionCamera_Reset,
            ui.actionHide_all_Widgets, ui.actionFullscreen,      ui.actionScreenShotSave};
}

void MainWindow::addShortcutActions()
{
    for (QAction *action : shortcutActions()) {
        addAction(action);
    }
}

void MainWindow::removeShortcutActions()
{
    for (QAction *action : shortcutActions()) {
        removeAction(action);
    }
}

void MainWindow::saveSceneSettings()
{
    Settings *settings = Settings::instance();
    if (!settings) {
        return;
    }
    settings->ambientLight = ui.AmbientLightSlider->value();
    settings->showGrid = !ui.GridCheckBox->isChecked();
    settings->showTankInfo = !ui.TankInfoCheckBox->isChecked();
    settings->showRenderInfo = !ui.RenderStatsCheckBox->isChecked();
    settings->showHangar = !ui.HangarCheckBox->isChecked();
    settings->showShadows = ui.BumpMapRadioBtn2->isChecked();
    settings->viewportColor = ui.mRenderWidget->viewportColor;
    settings->sceneSet =
        ui.BasicHangarRadioBtn->isChecked() ? QStringLiteral("basic") : QStringLiteral("premium");
    if (ui.BumpMapRadioBtn->isChecked() || ui.BumpMapRadioBtn2->isChecked()) {
        settings->lighting = QStringLiteral("bumpmap");
    } else if (ui.NoLightingRadioBtn->isChecked()) {
        settings->lighting = QStringLiteral("disabled");
    }
    settings->saveSettings();
    showInformation(this, APP_NAME, tr("Settings saved."), QMessageBox::Ok);
}

void MainWindow::loadSceneSettings()
{
    const Settings *settings = Settings::instance();
    if (!settings) {
        return;
    }
    RenderWidget *view = ui.mRenderWidget;
    ui.AmbientLightSlider->setSliderPosition(settings->ambientLight);
    view->changeAmbientLight(ui.AmbientLightSlider->value());
    ui.TankInfoCheckBox->setChecked(!settings->showTankInfo);
    ui.RenderStatsCheckBox->setChecked(!settings->showRenderInfo);
    ui.GridCheckBox->setChecked(!settings->showGrid);
    ui.HangarCheckBox->setChecked(!settings->showHangar);
    setViewportLabelColor(settings->viewportColor);
    if (settings->sceneSet == QLatin1String("basic")) {
        ui.BasicHangarRadioBtn->setChecked(true);
    }
    if (settings->lighting == QLatin1String("bumpmap")) {
        (settings->showShadows ? ui.BumpMapRadioBtn2 : ui.BumpMapRadioBtn)->setChecked(true);
    } else if (settings->lighting == QLatin1String("disabled")) {
        ui.NoLightingRadioBtn->setChecked(true);
    }
    view->garageVisible = settings->showHangar;
    setDockOptions(settings->verticalTabs ? QMainWindow::DockOptions(23)
                                          : QMainWindow::DockOptions(7));
}

void MainWindow::updateLogWidget()
{
    const Log *log = Log::instance();
    if (!log) {
        return;
    }
    // Only what was written since the last call goes in, so that a line's cost stays
    // flat as the log grows; a log that shrank is written whole.
    if (mLogAllShown > log->allText.size()) {
        ui.LogAllText->setPlainText(log->allText);
        scrollToEnd(ui.LogAllText);
    } else {
        appendToBox(ui.LogAllText, log->allText.mid(mLogAllShown));
    }
    mLogAllShown = log->allText.size();

    const struct
    {
        QTextEdit *box;
        int level;
        qsizetype &shown;
    } levels[] = {{ui.LogErrorText, Error, mLogErrorLines},
                  {ui.LogWarningText, Warning, mLogWarningLines}};
    for (const auto &level : levels) {
        const QStringList lines = log->linesByLevel.value(level.level);
        if (level.shown > lines.size()) {
            level.box->setPlainText(lines.join(QString()));
            scrollToEnd(level.box);
        } else {
            QString tail;
            for (qsizetype i = level.shown; i < lines.size(); ++i) {
                tail += lines.at(i);
            }
            appendToBox(level.box, tail);
        }
        level.shown = lines.size();
    }
}
