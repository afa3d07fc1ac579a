#pragma once

#include "tank/tankparts.h"

#include "render/tankmesh.h"
#include "render/textureloader.h"

#include "core/singleton.h"

#include <QDomDocument>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <memory>

class QWidget;
class CollisionArmor;
class Material;
class Mesh;
class ShaderProgram;
class RenderWidget;
class TankInfo;
class TransformStack;
class TurretGunChooser;

// Receives the tank's texture-space triangles and the textures they belong to.
class UvMeshSink
{
public:
    virtual ~UvMeshSink() = default;
    virtual void buildTabs(const QVector<UvMapEntry> &entries, const QStringList &textures) = 0;
};

// The main window registers itself here while it exists.
class TankLoaderWindowHooks
{
public:
    virtual ~TankLoaderWindowHooks() = default;
    // Enables the turret rotation box, sets its value to 0 and its range.
    virtual void armTurretRotation(double minimum, double maximum) = 0;
    // The same for the gun rotation box.
    virtual void armGunRotation(double minimum, double maximum) = 0;
    // Parent of the loader's progress dialog and message boxes.
    virtual QWidget *dialogParent() = 0;
    // The status bar; timeoutMs 0 keeps the text until replaced.
    virtual void showStatus(const QString &text, int timeoutMs) { }
    virtual void clearStatus() { }
    // A tank loaded by name goes to the top of the recent-tanks list.
    virtual void addTankRecent(const QString &tankName) { }
    // The .visual editor's panes: 0 chassis, 1 hull, 2 turret, 3 gun.
    virtual void showVisualText(int pane, const QString &text) { }
};

// Loads the chosen tank in its three forms and places its turret and gun. Creates
// and owns the twelve part meshes, the tank's file lists and its turret and gun
// chooser. Every operation that creates or deletes GL objects makes the view's
// context current itself.
class TankLoader : public QObject,
                   public Singleton<TankLoader>,
                   public TankMeshHooks,
                   public TextureLoaderTankHooks
{
    Q_OBJECT

public:
    TankLoader();
    ~TankLoader() override;

    // Not owned; pass null to unregister.
    void setWindowHooks(TankLoaderWindowHooks *hooks);
    TankLoaderWindowHooks *windowHooks() const { return mWindowHooks; }
    // The view whose context the meshes live in and whose overlay shows the tank;
    // not owned, null while there is none.
    void setView(RenderWidget *view);
    RenderWidget *view() const;

    // The load time as reported: half a second added, six significant digits.
    [[nodiscard]] static QString loadSecondsText(qint64 elapsedMs);

    // Loads the tank again with the turret and gun it had; false when none is loaded
    // or the load fails.
    bool reload();
    void unload();
    void updateVisualEditor();
    void loadArmor();
    // Shows the turret of that name with its first gun.
    bool changeTurret(const QString &turretName);
    // Loads the named turret and gun in all three forms; false when no tank is loaded
    // or a part failed to load (the chooser is then emptied).
    bool changeGun(const QString &turretName, const QString &gunName);

    // Rotations in degrees, from the main window's boxes.
    void setTankRotation(float degrees);
    void setTurretRotation(float degrees);
    void setGunRotation(float degrees);
    // What the model matrix is multiplied by before the turret is drawn: the turret
    // rotation about pivot, the hull mesh's position plus the turret mesh's.
    [[nodiscard]] glm::mat4 turretTransform(const glm::vec3 &pivot) const;
    // The same for the gun, about the gun mesh's position, on top of the turret's.
    [[nodiscard]] glm::mat4 gunTransform(const glm::vec3 &pivot) const;
    // Arms the main window's turret and gun boxes for the current turret and gun;
    // nothing without both.
    void setupRotationLimits();

    // Copies every file of the tank's lists out of the packages into the mod folder.
    // False when no tank is loaded, when cancelled, or when a file cannot be written.
    bool extractTextureFiles();

    TurretGunChooser *turretGunChooser() const { return mTurretGunChooser; }
    // The twelve part meshes, made at construction and kept for the loader's life.
    TankParts &parts() { return *mParts; }
    const TankParts &parts() const { return *mParts; }

    // Pass 0 is the shadow-depth pass, 1 the main pass; the view's context is current.
    void render(int pass);
    void renderArmorView(int pass);
    // Triangles of the shown form's parts, hidden parts left out.
    [[nodiscard]] quint32 triangleCount() const;
    // Hands the undamaged chassis and hull and every turret and gun of the chooser,
    // untransformed, to the sink; null does nothing.
    void collectUvMeshes(UvMeshSink *sink);

    // TankMeshHooks
    int shownForm() const override { return tankModel; }
    int loadingForm() const override { return modelSetsLoaded; }
    Mesh *partMesh(quint32 part, int form) const override;
    TransformStack *transformStack() override { return mTransformStack; }
    TankCamouflage camouflage() const override;
    QString currentTurretName() const override;
    QString currentGunName() const override;

    // TextureLoaderTankHooks
    bool texturesFromPackagesOnly() const override { return textureLocation; }

    QString tier;
    QString tankName;
    QString category;
    QString nation;
    bool loaded = false;
    bool wireframe = false;
    bool solidWire = false;
    bool textureLocation = false;
    bool hideChassis = false;
    bool hideHull = false;
    bool hideTurret = false;
    bool hideGun = false;
    bool gridTexture = false;
    bool armorView = false;
    int tankModel = Undamaged;
    int armorMeshMode = 0;
    int modelSetsLoaded = 0;
    QDomDocument tankDocument;
    QDomDocument gunsDocument;
    bool sharedGun = false;
    int firstChildIndex = 0;
    TankInfo *tankInfo = nullptr;
    qint32 chassisMaxHealth = 0;
    qint32 hullMaxHealth = 0;
    qint32 turretMaxHealth = 0;
    glm::mat4 tankRotation {1.0f};
    glm::mat4 turretRotation {1.0f};
    glm::mat4 gunRotation {1.0f};

signals:
    void tankLoaded();

public slots:
    bool load(const QString &name);
    void damageModeChanged(TankModel model);
    // False when no tank is loaded or a part's files could not all be written.
    bool exportAll();
    void armorToggle(bool on);

private:
    void markOverlayDirty();
    void showStatus(const QString &text);
    // The four parts of one form with the turret and gun matrices, from identity x
    // tankRotation.
    void drawForm(TankModel form, bool allHidden, int pass, Material *material,
                  ShaderProgram *program);
    // The overrides and polygon modes of the shown modes around drawForm.
    void drawModes(TankModel form, int pass, bool gridAllowed);
    // The form tankModel names, kept inside the three.
    [[nodiscard]] TankModel shownTankModel() const;

    std::unique_ptr<TankParts> mParts;
    TurretGunChooser *mTurretGunChooser = nullptr;
    // Reached by everyone through its instance pointer; owned here.
    CollisionArmor *mCollisionArmor = nullptr;
    TransformStack *mTransformStack = nullptr;
    TankLoaderWindowHooks *mWindowHooks = nullptr;
    QPointer<RenderWidget> mView;

    Q_DISABLE_COPY(TankLoader)
};
