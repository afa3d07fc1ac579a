#pragma once

#include "render/mesh.h"

#include <QSet>
#include <QString>

#include <glm/glm.hpp>

class TransformStack;

using GLuint = unsigned int;

// What a tank part reads of the loaded tank. The tank loader registers itself on
// each part mesh it creates (TankMesh::setTankHooks); while unset a part is placed
// by its own model alone, from an identity matrix, in form 0 without camouflage.
class TankMeshHooks
{
public:
    virtual ~TankMeshHooks() = default;
    // The form shown: 0 undamaged, 1 destroyed, 2 collision.
    virtual int shownForm() const = 0;
    // The form whose parts are being loaded.
    virtual int loadingForm() const = 0;
    // The mesh of a part (0 chassis .. 3 gun) in a form; null when there is none.
    virtual Mesh *partMesh(quint32 part, int form) const = 0;
    // The running matrix of the tank's parts.
    virtual TransformStack *transformStack() = 0;
    virtual TankCamouflage camouflage() const = 0;
    // The display names of the chooser's current turret and gun; empty while unknown.
    virtual QString currentTurretName() const { return QString(); }
    virtual QString currentGunName() const { return QString(); }
};

// One part of the loaded tank in one of its forms, placed through the tank's hard
// points and drawn with camouflage.
class TankMesh : public Mesh
{
public:
    TankMesh();
    ~TankMesh() override;

    // Loads the model and builds model from the hard points of the form being loaded
    // (none for part 4, the untransformed copy for texture-coordinate maps). With
    // tankTextures the textures go to the per-tank cache. False when the primitives
    // or the visual fail to load.
    bool load(const QString &path, const glm::vec3 &mountPosition, quint32 part, bool tankTextures);
    bool reload() override;
    void clear() override;
    // One file per geometry below Settings::modPath; the chassis leaves the transform
    // stack as it found it, the other parts leave their model multiplied onto it.
    bool exportObj() override;
    // Multiplies model onto the transform stack's current matrix once (the chassis
    // restores it afterwards), then draws every render set under it.
    void draw(bool hidden, bool mainPass, Material *overrideMaterial,
              ShaderProgram *overrideProgram) override;

    // The camouflage step of one group, on the bound material: decides, sends the
    // colours, tiling and textures, and sends "camoEnabled" once decided.
    void drawGroups(Material *material);

    // The loaded tank this part belongs to; null unregisters. Not owned.
    void setTankHooks(TankMeshHooks *hooks) { mTankHooks = hooks; }
    TankMeshHooks *tankHooks() const { return mTankHooks; }

    quint32 part = 0;

private:
    GLuint exclusionMask(const QString &name);
    TransformStack &tankStack() const;

    TankMeshHooks *mTankHooks = nullptr;

    // Masks already reported missing, so a failed mask is looked up and logged once.
    QSet<QString> mMissingMasks;
    // Read once per draw for all its groups.
    TankCamouflage mCamouflage;
    int mShownForm = 0;
};
