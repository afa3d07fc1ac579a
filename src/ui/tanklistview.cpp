#include "ui/tanklistview.h"

#include "tools/edittextureui.h"
#include "tools/uvgenerateui.h"

#include "tank/tankloader.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/messagestrings.h"
#include "core/settings.h"

namespace {

// The selected tank's name; empty, after the warning, when nothing is selected.
QString selectedTank(QWidget *view, const QModelIndex &index)
{
    const QVariant display = index.data(Qt::DisplayRole);
    if (display.isNull()) {
        const MessageStrings *strings = MessageStrings::instance();
        showWarning(view, APP_NAME,
                    strings ? strings->selectTank : QStringLiteral("You must select a tank."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return QString();
    }
    return display.toString();
}

// Loads the tank unless the loader holds it already; false when it cannot.
bool makeCurrent(const QString &name)
{
    TankLoader *loader = TankLoader::instance();
    if (!loader) {
        return false;
    }
    return loader->tankName == name || loader->load(name);
}

} // namespace

TankListView::TankListView(QWidget *parent)
    : QListView(parent)
{
}

void TankListView::openDirectory() { }

void TankListView::createDirectory() { }

void TankListView::extractTextures() { }

void TankListView::editTexture()
{
    const TankLoader *loader = TankLoader::instance();
    if (loader && loader->tankModel == Collision) {
        showWarning(this, APP_NAME, tr("Edit texture not available in collision mode."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    const Settings *settings = Settings::instance();
    if (!settings || settings->modPath.isEmpty()) {
        const MessageStrings *strings = MessageStrings::instance();
        showWarning(this, APP_NAME,
                    strings ? strings->selectModFolder
                            : QStringLiteral(
                                "You must select a mod folder in the application preferences."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    const QString name = selectedTank(this, currentIndex());
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    EditTextureUI picker(window(), Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                       | Qt::WindowCloseButtonHint);
    picker.fillTextureTree();
    if (picker.exec() != QDialog::Accepted) {
        return;
    }
    // Opening the picked file in the mod folder comes with the tank list's commands.
}

void TankListView::generateUVMap()
{
    const QString name = selectedTank(this, currentIndex());
    if (name.isEmpty() || !makeCurrent(name)) {
        return;
    }
    UvGenerateUI dialog(window());
    dialog.exec();
}

void TankListView::exportTankMesh() { }
