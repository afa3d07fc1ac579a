#include "tools/edittextureui.h"

#include "tank/tankinfo.h"
#include "tank/tankloader.h"

#include "core/constants.h"
#include "core/dialogs.h"

#include <QStandardItemModel>

EditTextureUI::EditTextureUI(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    ui.setupUi(this);
    connect(ui.okButton, &QPushButton::clicked, this, &EditTextureUI::accept);
    connect(ui.cancelButton, &QPushButton::clicked, this, &EditTextureUI::reject);
}

EditTextureUI::~EditTextureUI() = default;

void EditTextureUI::fillTextureTree()
{
    const TankLoader *loader = TankLoader::instance();
    const int form = loader ? loader->tankModel : Undamaged;
    TankInfo *info = TankInfo::instance();
    if (info) {
        info->stateIndex = form;
    }
    const QStringList none;
    auto pick = [form](const QStringList &undamaged, const QStringList &destroyed) {
        return form == Undamaged ? undamaged : form == Destroyed ? destroyed : QStringList();
    };
    struct Group
    {
        QString text;
        QStringList textures;
        bool always;
    };
    const Group groups[] = {
        {tr("Diffuse"), info ? pick(info->undamagedDiffuse, info->destroyedDiffuse) : none, true},
        {tr("Specular"), info ? pick(info->undamagedSpecular, info->destroyedSpecular) : none,
         false},
        {tr("Normal"), info ? pick(info->undamagedNormal, info->destroyedNormal) : none, true},
        {tr("Metallic"), info ? pick(info->undamagedMetallic, info->destroyedMetallic) : none,
         false},
        // The destroyed form has no detail maps or exclusion masks of its own.
        {tr("Detail"), info ? pick(info->detailMaps, none) : none, false},
        {tr("Exclusion"), info ? pick(info->exclusionMasks, none) : none, false},
    };

    delete mModel;
    mModel = new QStandardItemModel(this);
    QStandardItem *diffuse = nullptr;
    for (const Group &group : groups) {
        if (!group.always && group.textures.isEmpty()) {
            continue;
        }
        auto *item = new QStandardItem(group.text);
        item->setEditable(false);
        for (const QString &texture : group.textures) {
            auto *child = new QStandardItem(texture);
            child->setEditable(false);
            item->appendRow(child);
        }
        mModel->appendRow(item);
        if (!diffuse) {
            diffuse = item;
        }
    }
    ui.treeView->setModel(mModel);
    mModel->setHorizontalHeaderLabels({tr("Select a texture")});
    ui.treeView->expand(diffuse->index());
}

QString EditTextureUI::pickedTexture() const
{
    const QModelIndex current = ui.treeView->currentIndex();
    // Group rows are told by having no parent, not by their (translated) text.
    if (!current.isValid() || !current.parent().isValid()) {
        return QString();
    }
    return current.data().toString();
}

void EditTextureUI::accept()
{
    if (pickedTexture().isEmpty()) {
        showWarning(this, APP_NAME, tr("You must select a texture."), QMessageBox::Ok,
                    QMessageBox::NoButton);
        return;
    }
    QDialog::accept();
}
