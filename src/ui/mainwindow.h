#pragma once

#include "ui_mainwindow.h"

#include "tank/camoloader.h"
#include "tank/tankloader.h"

#include "armour/collisionarmor.h"
#include "armour/shot.h"

#include "gamedata/database.h"

#include <QByteArray>
#include <QMainWindow>
#include <QStringList>

#include <optional>
#include <utility>

class QAction;
class QImage;
class QTime;
class QModelIndex;
class QSqlQuery;
class TankScene;
class VisualEditWidget;
struct Gun;
class UpdateCheck;

// The program's one top-level window: the 3D view with the menus, tool bars and docks
// of its form. Built by start-up after the services and the scene, which outlives it;
// shows itself maximised while it is built, which initialises the view. Registers
// itself as the database's, the tank loader's and the armour registry's window for
// as long as it lives.
class MainWindow : public QMainWindow,
                   public DatabaseWindowHooks,
                   public TankLoaderWindowHooks,
                   public CollisionArmorWindowHooks,
                   public CamoLoaderWindowHooks
{
    Q_OBJECT

public:
    // scene is not owned and must outlive the window (the view releases it when it
    // dies, after the window's own members).
    explicit MainWindow(TankScene &scene, Qt::WindowFlags flags = {});
    ~MainWindow() override;

    // The window while it exists, else null.
    static MainWindow *instance();
    // The hidden .visual editor; null until the editor exists.
    static QWidget *visualEditor();

    // Rounds a rotation range inward to the tenths the rotation boxes show, so that a
    // box never offers an angle past the limit; a range narrower than a tenth becomes
    // the tenth nearest its middle.
    [[nodiscard]] static std::pair<double, double> tenthRangeInside(double minimum, double maximum);

    // The quick screenshot's file name in the screenshot folder: the tank name with
    // every character a file name may not hold made "_", the time as "_h-m-s" when
    // timeStamp is set, then ".png". No tank gives ".png" alone.
    [[nodiscard]] static QString screenshotFileName(const QString &tankName, bool timeStamp,
                                                    const QTime &time);

    // Writes the recent tanks into recent.list in the data folder; an empty list
    // writes nothing. The destructor calls it too; start-up calls it after the
    // event loop.
    void saveRecentTanks();
    // The gun's pitch range (minimum, maximum) in the sector the turret yaw (degrees,
    // truncated) lies in: the front sector wins over the back one; none outside both.
    [[nodiscard]] static std::optional<std::pair<double, double>> gunPitchSector(int yaw,
                                                                                 const Gun &gun);
    // A thickness clicked in an armour table: highlight it, or, when it is the one
    // selected already, end the highlight (selected -1).
    struct ThicknessPick
    {
        bool highlight = false;
        float selected = -1.0f;
    };
    [[nodiscard]] static ThicknessPick pickThickness(float clicked, float selected);
    // Copies a member of the open packages (a game path, "/" separated) to the same
    // path in the mod folder, asking before it overwrites; every failure is logged and
    // shown. False when nothing was written.
    static bool exportGameFile(QWidget *parent, const QString &texture);

    // DatabaseWindowHooks and TankLoaderWindowHooks
    void showStatus(const QString &text, int timeoutMs) override;
    QWidget *dialogParent() override;
    void reloadSceneAfterRebuild() override;
    void clearStatus() override;
    void armTurretRotation(double minimum, double maximum) override;
    void armGunRotation(double minimum, double maximum) override;
    void showVisualText(int pane, const QString &text) override;

    // CollisionArmorWindowHooks
    QTableView *armorTableView() override;
    QTableView *spacedArmorTableView() override;
    bool hideSpacedArmor() override;

    // A key press that reached a dock and nothing inside it: the window's key table,
    // once.
    void dockKeyPress(QKeyEvent *event);
    // Takes the actions added so that their shortcuts work with the bars hidden off
    // the window again; before the window goes.
    void removeShortcutActions();
    // The Scene Settings dock and the view's hangar switch from the settings.
    void loadSceneSettings();
    // Loads the named tank as "Load" does, for every road that makes a tank current:
    // the previous tank's shot results go first, and a loaded tank's gun box takes the
    // front sector. False when the load failed; the loader has shown what it reports.
    bool loadTankByName(const QString &name);

    // CamoLoaderWindowHooks (status and dialog parent as above)
    void updateCamoList(bool selectFirst) override;
    void checkSummerSeason() override;

    Ui_MainWindow ui;

signals:
    void reloadSceneItems();
    void armorModeToggled(bool on);
    void shellParamatersChanged(ShellParamaters params);

public slots:
    void aboutQt();
    void aboutViewer();
    void aboutHelp();
    void showPreferences();
    void updateLogWidget();
    void changeViewportColor();
    void setViewportLabelColor(QColor colour);
    void saveSceneSettings();
    void ambientLightChanged(int value);
    void toggleDamagedMode(bool on);
    void toggleMaterial(bool on);
    void saveLayout();
    void loadDefaultLayout();
    void updateTankList();
    void updateTankList(const QString &text);
    void tankFilterChanged();
    void loadTank();
    void tankOptionsChanged();
    void turretListChanged(const QString &turret);
    void changeTurretGun();
    void toggleWireframeMode();
    void toggleSolidMode();
    void toggleSolidWireMode();
    void toggleAllDocks(bool on);
    void toggleTextureLocation(bool modFolder);
    void toggleGridTexture(bool defaultTexture);
    void toggleHideTurret(bool hide);
    void toggleHideGun(bool hide);
    void toggleHideChassis(bool hide);
    void toggleHideHull(bool hide);
    void toggleCamoEnable(bool disable);
    void toggleCamo();
    void changeSpacedAlpha(int alpha);
    void toggleDisableShortcuts(bool disable);
    void reloadScene();
    void takeScreenshot();
    void takeScreenshotFile();
    void openScreenshotDir();
    void tankRotate(double degrees);
    void turretRotate(double degrees);
    void gunRotate(double degrees);
    void gunRotateReset();
    void turretRotateReset();
    void tankRotateReset();
    void exportCamoPattern();
    void exportCamoBake();
    void regularArmorClicked(const QModelIndex &index);
    void spacedArmorClicked(const QModelIndex &index);
    void showVisualEditor();
    void updateCheck();
    void changeTurret(const QString &turret);
    void changeGun(const QString &gun);
    // The tank loader's hook for each tank loaded by name.
    void addTankRecent(const QString &tankName) override;
    void toggleFullscreen(bool on);
    void toggleArmorInspector(bool on);
    void toggleArmorInspectorMesh(bool collision);
    void armorAmmoChange(int type);
    void armorCalibreChange(double calibre);
    void armorNormChange(double normalization);
    void showScreenshot();

private slots:
    void _loadTankFromRecent();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // What needs the view's loader: made each time the scene is ready, never after a
    // failed GL start-up.
    void connectScene();
    void setupDocks();
    // The last step of setupDocks: user.layout, else the shipped default.layout, else
    // the start-up arrangement; a file whose state does not restore falls through.
    void restoreStartupLayout();
    // Restores the window state kept in an INI file; false when the file is missing
    // or its state does not restore.
    bool restoreLayoutFile(const QString &file);
    void showStartupArrangement();
    void createRecentActions();
    void updateRecentMenu();
    // The view's frame, with alpha only when screenshots keep it.
    QImage grabView();
    // A dock tabbed behind another comes to the front; otherwise it is shown or closed.
    void toggleDock(QDockWidget *dock);
    void createWindowMenu();
    // The dock toggles' icons and the Window tool bar.
    void setupDockToggles();
    // The twelve actions whose shortcuts must work with the menu and tool bars hidden.
    QList<QAction *> shortcutActions() const;
    void addShortcutActions();
    void showRenderMode(QAction *mode, bool wireframe, bool solidWire);
    // Empties the armour tool's ray line and results.
    void clearArmourResults();
    // The checks both camouflage exports start with; false after the box that stops them.
    bool camoExportAllowed();
    // Shows the rows of an executed query (column 4, the translated name) as the
    // tank list, then deletes the query.
    void showTanks(QSqlQuery *query);
    // The swatches again once the tank counts as loaded, with the select-first flag
    // of its camouflage step: the refill during the load found no tank yet.
    void refillCamoList();

    QAction *saveLayoutAction = nullptr;
    QAction *loadDefaultLayoutAction = nullptr;
    QByteArray hiddenDocksState;
    QByteArray fullscreenState;
    QAction *recentTankActions[5] = {};
    bool disableShortcuts = false;
    bool hideAllWasChecked = false;
    QStringList recentTanks;
    // A child made by the constructor, kept for a reply handler; nothing shows it.
    UpdateCheck *updateDialog = nullptr;
    // What the log boxes show already: characters of the whole log, lines per level.
    qsizetype mLogAllShown = 0;
    qsizetype mLogErrorLines = 0;
    qsizetype mLogWarningLines = 0;

    TankScene &mScene;
    VisualEditWidget *mVisualEditor = nullptr;

    Q_DISABLE_COPY(MainWindow)
};
