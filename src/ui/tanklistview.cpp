#include "ui/tanklistview.h"

#include "ui/mainwindow.h"

#include "tools/edittextureui.h"
#include "tools/uvgenerateui.h"

#include "tank/tankloader.h"

#include "gamedata/database.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/savefile.h"
#include "core/settings.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QUrl>

namespace {

QString modPath()
{
    const Settings *settings = Settings::instance();
    return settings ? settings->modPath : QString();
}

// The tool dialogs belong to the main window, not to the Tanks dock when it floats.
QWidget *dialogParent(QWidget *fallback)
{
    if (MainWindow *window = MainWindow::instance()) {
        return window;
    }
    return fallback;
}

QString modelSubfolder(int tankModel)
{
    switch (tankModel) {
    case Destroyed: return MODEL_CRASH_LOD0;
    case Collision: return MODEL_COLLISION;
    default: return MODEL_NORMAL_LOD0;
    }
}

} // namespace

TankListView::TankListView(QWidget *parent)
    : QListView(parent)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            &TankListView::showContextMenuForWidget);
    mContextMenu = new QMenu(tr("Context menu"), this);
    mCreateDirectoryAction = new QAction(tr("Create tank directory"), this);
    mExtractTexturesAction = new QAction(tr("Extract all tank textures"), this);
    mOpenDirectoryAction = new QAction(tr("Open tank directory"), this);
    mEditTextureAction = new QAction(tr("Edit tank textures"), this);
    mGenerateUvMapAction = new QAction(tr("Generate UV Map"), this);
    mExportMeshAction = new QAction(tr("Export tank mesh"), this);
    mContextMenu->addAction(mOpenDirectoryAction);
    mContextMenu->addAction(mCreateDirectoryAction);
    mContextMenu->addAction(mExtractTexturesAction);
    mContextMenu->addAction(mEditTextureAction);
    mContextMenu->addAction(mGenerateUvMapAction);
    mContextMenu->addAction(mExportMeshAction);
    connect(mOpenDirectoryAction, &QAction::triggered, this, &TankListView::openDirectory);
    connect(mCreateDirectoryAction, &QAction::triggered, this, &TankListView::createDirectory);
    connect(mExtractTexturesAction, &QAction::triggered, this, &TankListView::extractTextures);
    connect(mEditTextureAction, &QAction::triggered, this, &TankListView::editTexture);
    connect(mGenerateUvMapAction, &QAction::triggered, this, &TankListView::generateUVMap);
    connect(mExportMeshAction, &QAction::triggered, this, &TankListView::exportTankMesh);
}

void TankListView::showContextMenuForWidget(const QPoint &pos)
{
    mContextMenu->exec(viewport()->mapToGlobal(pos));
}

void TankListView::keyPressEvent(QKeyEvent *event)
{
    QListView::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (MainWindow *window = MainWindow::instance()) {
            window->loadTank();
        }
    }
}

void TankListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (MainWindow *window = MainWindow::instance()) {
            window->loadTank();
        }
    }
}

void TankListView::warn(const QString &text)
{
    showWarning(this, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void TankListView::inform(const QString &text)
{
    showInformation(this, APP_NAME, text, QMessageBox::Ok);
}

QString TankListView::checkedSelection(bool needModFolder)
{
    const MessageStrings *strings = MessageStrings::instance();
    if (needModFolder && modPath().isEmpty()) {
        warn(strings ? strings->selectModFolder
                     : tr("You must select a mod folder in the application preferences."));
        return QString();
    }
    const QVariant display = currentIndex().data(Qt::DisplayRole);
    if (display.isNull()) {
        warn(strings ? strings->selectTank : tr("You must select a tank."));
        return QString();
    }
    return display.toString();
}

bool TankListView::makeCurrent(const QString &name)
{
    TankLoader *loader = TankLoader::instance();
    if (loader && loader->loaded && loader->tankName == name) {
        return true;
    }
    // Through the window, so that the window shows the new tank as after "Load".
    MainWindow *window = MainWindow::instance();
    if (loader && (window ? window->loadTankByName(name) : loader->load(name))) {
        return true;
    }
    // The load reports a file it cannot read itself, but not a game path that is not
    // set up or a name the database does not know.
    const Settings *settings = Settings::instance();
    Database *database = Database::instance();
    if (!loader || !settings || !settings->brastelPathValid || !database
        || database->tankDirectory(name).isEmpty()) {
        warn(tr("Failed to load tank: ") + name);
    }
    return false;
}

QString TankListView::tankFolder(const QString &name)
{
    Database *database = Database::instance();
    const QString directory = database ? database->tankDirectory(name) : QString();
    // The folder comes from the game's tank list: one climbing out with ".." is refused.
    const QString folder = targetInsideFolder(modPath(), directory);
    if (folder.isEmpty()) {
        warn(tr("Failed to create directory"));
        logLine(QStringLiteral("Refusing a tank folder outside the mod folder: ")
                    + QDir::toNativeSeparators(modPath() + QDir::separator() + directory),
                Warning);
    }
    return QDir::toNativeSeparators(folder);
}

void TankListView::openDirectory()
{
    const QString name = checkedSelection(true);
    if (name.isEmpty()) {
        return;
    }
    if (!makeCurrent(name)) {
        return;
    }
    const QString folder = tankFolder(name);
    if (folder.isEmpty()) {
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        const int answer =
            showWarning(this, APP_NAME,
                        name
                            + tr(" directory does not exist in the mod folder.\nWould you like "
                                 "to create it?"),
                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            return;
        }
        createDirectory();
        // The creation has reported its own failure.
        if (!QFileInfo(folder).isDir()) {
            return;
        }
    }
    // Without a file manager nothing would show that the folder did not open.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        logLine(QStringLiteral("Failed to open folder: ") + folder, Warning);
    }
}

void TankListView::createDirectory()
{
    const QString name = checkedSelection(true);
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    const QString folder = tankFolder(name);
    if (folder.isEmpty()) {
        return;
    }
    if (QFileInfo::exists(folder)) {
        inform(tr("Directory already exists."));
        return;
    }
    if (!makeFolderInside(modPath(), folder)) {
        warn(tr("Failed to create directory"));
        return;
    }
    logLine(QStringLiteral("Created directory: ") + folder, Info);
    inform(tr("Create directory completed."));
}

void TankListView::extractTextures()
{
    const QString name = checkedSelection(true);
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    if (!TankLoader::instance()->extractTextureFiles()) {
        warn(tr("Failed to extract textures"));
        logLine(QStringLiteral("Failed to extract textures: ") + name, Warning);
    }
}

void TankListView::editTexture()
{
    const TankLoader *loader = TankLoader::instance();
    if (loader && loader->tankModel == Collision) {
        warn(tr("Edit texture not available in collision mode."));
        return;
    }
    const QString name = checkedSelection(true);
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    EditTextureUI picker(dialogParent(window()), Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                                     | Qt::WindowCloseButtonHint);
    picker.fillTextureTree();
    if (picker.exec() != QDialog::Accepted) {
        return;
    }
    editPickedTexture(name, picker.pickedTexture());
}

void TankListView::editPickedTexture(const QString &tankName, const QString &gamePath)
{
    const QString file = QDir::toNativeSeparators(modPath() + QLatin1Char('/') + gamePath);
    if (!QFileInfo::exists(file)) {
        const int answer =
            showWarning(this, APP_NAME,
                        tankName
                            + tr(" textures do not exist in the mod folder.\nWould you like to "
                                 "extract them?"),
                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            return;
        }
        extractTextures();
        // The extraction has reported why the file is still missing.
        if (!QFileInfo::exists(file)) {
            return;
        }
    }
    const Settings *settings = Settings::instance();
    const QString editor = settings ? settings->imageEditorPath : QString();
    if (!editor.isEmpty()) {
        if (!QProcess::startDetached(QDir::toNativeSeparators(editor), {file})) {
            logLine(QStringLiteral("Failed to open external image editor: ") + editor, Warning);
        }
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void TankListView::generateUVMap()
{
    const QString name = checkedSelection(false);
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    UvGenerateUI dialog(dialogParent(window()));
    dialog.exec();
}

void TankListView::exportTankMesh()
{
    const QString name = checkedSelection(true);
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    TankLoader *loader = TankLoader::instance();
    const QString tank = tankFolder(name);
    if (tank.isEmpty()) {
        return;
    }
    const QString folder =
        QDir::toNativeSeparators(tank + QDir::separator() + modelSubfolder(loader->tankModel));
    if (!QFileInfo::exists(folder) && !makeFolderInside(modPath(), folder)) {
        warn(tr("Failed to create directory"));
        return;
    }
    if (!loader->exportAll()) {
        const QString text = tr("Failed to export tank: ") + name;
        logLine(text, Warning);
        warn(text);
        return;
    }
    inform(tr("Export tank completed."));
}
