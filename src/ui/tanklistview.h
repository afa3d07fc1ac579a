#pragma once

#include <QListView>

class QAction;
class QMenu;

// The Tanks dock's list of tank names (the main window sets its model). Return, keypad
// Enter and a left double click load the current tank; its context menu, the Edit menu
// and the dock's buttons run the mod-folder operations on it. Every operation reads the
// settings, the selection and the tank loader afresh and reports through message boxes
// and the log.
class TankListView : public QListView
{
    Q_OBJECT

public:
    explicit TankListView(QWidget *parent = nullptr);

    // The last steps of editing a texture, once one is picked: gamePath is the
    // texture's path in the game's resources ("/" separated). Offers to extract the
    // tank's textures when the file is not in the mod folder, then opens it in the
    // image editor of the settings, or with the desktop when none is set.
    void editPickedTexture(const QString &tankName, const QString &gamePath);

public slots:
    void openDirectory();
    void createDirectory();
    void extractTextures();
    void editTexture();
    void generateUVMap();
    void exportTankMesh();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private slots:
    void showContextMenuForWidget(const QPoint &pos);

private:
    // The mod-folder and selection checks most operations start with: the name of the
    // current tank, or empty after the warning that stops the operation.
    QString checkedSelection(bool needModFolder);
    // Loads the tank unless it is the one loaded; false (after a message) when that
    // failed, so that no operation goes on with no tank.
    bool makeCurrent(const QString &name);
    // The tank's folder in the mod folder, native separators; empty, after a warning,
    // when the game's tank list places it outside the mod folder.
    QString tankFolder(const QString &name);
    void warn(const QString &text);
    void inform(const QString &text);

    QAction *mCreateDirectoryAction = nullptr;
    QAction *mExtractTexturesAction = nullptr;
    QAction *mOpenDirectoryAction = nullptr;
    QAction *mEditTextureAction = nullptr;
    QAction *mGenerateUvMapAction = nullptr;
    QAction *mExportMeshAction = nullptr;
    QMenu *mContextMenu = nullptr;

    Q_DISABLE_COPY(TankListView)
};
