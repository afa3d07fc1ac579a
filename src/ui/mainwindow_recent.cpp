// The main window's small persistence and output features: the Recent Tanks menu
// with recent.list, the saved and shipped window layouts, and the quick screenshots.
#include "ui/mainwindow.h"

#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/savefile.h"
#include "core/settings.h"
#include "core/sysinfo.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSettings>
#include <QTime>
#include <QUrl>

namespace {

const QString RECENT_TANKS_FILE = QStringLiteral("recent.list");
const QString RECENT_TANKS_KEY = QStringLiteral("RecentTanks");
const QString LAYOUT_KEY = QStringLiteral("windowState");
constexpr int RECENT_TANKS_MAX = 5;

QString recentTanksFile()
{
    return QDir::toNativeSeparators(userDataDir() + QLatin1Char('/') + RECENT_TANKS_FILE);
}

QString userLayoutFile()
{
    return userDataDir() + QStringLiteral("/user.layout");
}

QString defaultLayoutFile()
{
    return DATA_DIR + QStringLiteral("default.layout");
}

} // namespace

// ---- recent tanks ----

void MainWindow::createRecentActions()
{
    for (QAction *&action : recentTankActions) {
        action = new QAction(this);
        action->setVisible(false);
        ui.menuRecent_Tanks->addAction(action);
        connect(action, &QAction::triggered, this, &MainWindow::_loadTankFromRecent);
    }
    const QString file = recentTanksFile();
    if (QFile::exists(file)) {
        recentTanks = QSettings(file, QSettings::IniFormat).value(RECENT_TANKS_KEY).toStringList();
    }
    updateRecentMenu();
}

void MainWindow::updateRecentMenu()
{
    while (recentTanks.size() > RECENT_TANKS_MAX) {
        recentTanks.removeLast();
    }
    for (int i = 0; i < RECENT_TANKS_MAX; ++i) {
        QAction *action = recentTankActions[i];
        if (!action) {
            continue;
        }
        if (i < recentTanks.size()) {
            action->setText(recentTanks.at(i));
            action->setData(recentTanks.at(i));
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
}

void MainWindow::addTankRecent(const QString &tankName)
{
    recentTanks.removeAll(tankName);
    recentTanks.prepend(tankName);
    updateRecentMenu();
}

void MainWindow::saveRecentTanks()
{
    if (recentTanks.isEmpty()) {
        return;
    }
    QSettings(recentTanksFile(), QSettings::IniFormat).setValue(RECENT_TANKS_KEY, recentTanks);
}

void MainWindow::_loadTankFromRecent()
{
    const auto *action = qobject_cast<QAction *>(sender());
    if (!action) {
        return;
    }
    const QString name = action->data().toString();
    // Refills the list with the nation, category and tier still chosen.
    ui.tankFilter->clear();

    QListView *list = ui.mTankListView;
    if (list->currentIndex().data(Qt::DisplayRole).toString() == name) {
        loadTank();
        return;
    }
    // The whole name: a prefix would load "T-34-85" for "T-34" when it comes first.
    QAbstractItemModel *model = list->model();
    const QModelIndexList hits = model ? model->match(model->index(0, 0), Qt::DisplayRole, name, 1,
                                                      Qt::MatchFixedString | Qt::MatchCaseSensitive)
                                       : QModelIndexList();
    if (hits.isEmpty()) {
        const QString text = tr("Could not find tank: ") + name;
        logLine(text, Warning);
        showWarning(this, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    list->setCurrentIndex(hits.first());
    loadTank();
}

// ---- layouts ----

bool MainWindow::restoreLayoutFile(const QString &file)
{
    if (!QFile::exists(file)) {
        return false;
    }
    const QSettings layout(file, QSettings::IniFormat);
    return restoreState(layout.value(LAYOUT_KEY).toByteArray(), 0);
}

void MainWindow::restoreStartupLayout()
{
    // A file that does not restore (damaged, or saved by another Qt major version)
    // counts as missing: the next source is tried.
    if (restoreLayoutFile(userLayoutFile())) {
        logLine(QStringLiteral("Loaded layout file: user.layout"), Info);
        return;
    }
    if (restoreLayoutFile(defaultLayoutFile())) {
        logLine(QStringLiteral("Loaded layout file: default.layout"), Info);
        return;
    }
    showStartupArrangement();
    logLine(QStringLiteral("Could not locate default.layout"), Warning);
}

void MainWindow::showStartupArrangement()
{
    // setupDocks made the Tanks dock a hidden window of its own; only docking it
    // again brings the tank list back.
    ui.CameraDock->hide();
    ui.armorInspectionDock->hide();
    ui.LogViewDock->hide();
    addDockWidget(Qt::RightDockWidgetArea, ui.TanksDock);
    ui.TanksDock->setFloating(false);
    tabifyDockWidget(ui.TanksDock, ui.TankOptionsDock);
    tabifyDockWidget(ui.TanksDock, ui.CamoDock);
    tabifyDockWidget(ui.TanksDock, ui.SceneSettingsDock);
    ui.TanksDock->show();
    ui.TanksDock->raise();
}

void MainWindow::saveLayout()
{
    QSettings layout(userLayoutFile(), QSettings::IniFormat);
    layout.setValue(LAYOUT_KEY, saveState(0));
    layout.sync();
    if (layout.status() != QSettings::NoError) {
        const QString text = tr("Could not save window layout");
        logLine(text + QStringLiteral(": ") + userLayoutFile(), Warning);
        showWarning(this, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    logLine(QStringLiteral("Saved window layout"), Info);
    showInformation(this, APP_NAME, tr("Saved window layout"), QMessageBox::Ok);
}

void MainWindow::loadDefaultLayout()
{
    const bool restored = restoreLayoutFile(defaultLayoutFile());
    ui.armorDock->hide();
    if (!restored) {
        // Nothing changed: say so rather than claim a restore.
        const QString text = QStringLiteral("Could not locate default.layout");
        logLine(text, Warning);
        showWarning(this, APP_NAME, tr("Could not locate default.layout"), QMessageBox::Ok,
                    QMessageBox::NoButton);
        return;
    }
    showInformation(this, APP_NAME, tr("Restored default layout"), QMessageBox::Ok);
}

// ---- quick screenshots ----

QString MainWindow::screenshotFileName(const QString &tankName, bool timeStamp, const QTime &time)
{
    QString name = tankName;
    for (const QChar c :
         {QLatin1Char('/'), QLatin1Char('*'), QLatin1Char('<'), QLatin1Char('>'), QLatin1Char(':'),
          QLatin1Char('|'), QLatin1Char('?'), QLatin1Char('\\'), QLatin1Char('"')}) {
        name.replace(c, QLatin1Char('_'));
    }
    if (timeStamp) {
        name += QLatin1Char('_') + QString::number(time.hour()) + QLatin1Char('-')
                + QString::number(time.minute()) + QLatin1Char('-')
                + QString::number(time.second());
    }
    return name + QStringLiteral(".png");
}

QImage MainWindow::grabView()
{
    QImage image = ui.mRenderWidget->grabFramebuffer();
    const Settings *s = Settings::instance();
    // The frame keeps the alpha its fragments wrote; without transparency the
    // picture must be opaque, whatever blending left there.
    if (!(s && s->screenshotAlpha)) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    return image;
}

void MainWindow::takeScreenshot()
{
    QGuiApplication::clipboard()->setImage(grabView());
    if (!isFullScreen()) {
        showInformation(this, APP_NAME, tr("Copied image to clipboard."), QMessageBox::Ok);
    }
}

void MainWindow::takeScreenshotFile()
{
    const QImage image = grabView();
    const Settings *s = Settings::instance();
    const TankLoader *loader = mScene.tankLoader();
    const QString name = screenshotFileName(loader ? loader->tankName : QString(),
                                            s && s->screenshotTimeStamp, QTime::currentTime());
    const QString path =
        QDir::toNativeSeparators((s ? s->screenshotPath : QString()) + QDir::separator() + name);
    logLine(QStringLiteral("Saving screenshot: ") + path, Info);
    // Encoded in memory first, so a failed save leaves no cut file behind.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.save(&buffer, "PNG") && saveFileBytes(path, bytes)) {
        if (!isFullScreen()) {
            showInformation(this, APP_NAME, tr("Image saved ok."), QMessageBox::Ok);
        }
        return;
    }
    if (!isFullScreen()) {
        showWarning(this, APP_NAME, tr("Failed to save screenshot."), QMessageBox::Ok,
                    QMessageBox::NoButton);
    }
    logLine(QStringLiteral("Failed to save screenshot."), Warning);
}

void MainWindow::openScreenshotDir()
{
    const Settings *s = Settings::instance();
    if (!s) {
        return;
    }
    const QString folder = QDir::toNativeSeparators(s->screenshotPath + QDir::separator());
    // Without a file manager nothing would show that the folder did not open.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        logLine(QStringLiteral("Failed to open folder: ") + folder, Warning);
    }
}
