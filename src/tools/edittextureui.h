#pragma once

#include "ui_edittextureui.h"

#include <QDialog>

class QStandardItemModel;

// Picks one texture of the loaded tank's shown form, from a tree grouped by kind.
// After an accepted exec the tree's current item holds the texture's game path.
class EditTextureUI : public QDialog
{
    Q_OBJECT

public:
    explicit EditTextureUI(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~EditTextureUI() override;

    // Fills the tree from TankInfo for TankLoader's shown form, which it records as
    // TankInfo's form; empty groups but Diffuse and Normal are left out.
    void fillTextureTree();
    // The picked texture's game path; empty while a group row or nothing is current.
    QString pickedTexture() const;

    Ui::EditTextureUi ui;

public slots:
    // Refuses a group row, or no row, with a warning and stays open.
    void accept() override;

private:
    QStandardItemModel *mModel = nullptr;

    Q_DISABLE_COPY(EditTextureUI)
};
