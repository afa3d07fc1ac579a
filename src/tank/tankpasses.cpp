#include "tank/tankloader.h"
#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "render/material.h"
#include "render/materialloader.h"
#include "render/polygonmode.h"
#include "render/renderwidget.h"
#include "render/transformstack.h"
#include "render/visual.h"

void TankLoader::drawForm(TankModel form, bool allHidden, int pass, Material *material,
                          ShaderProgram *program)
{
    const bool mainPass = pass != 0;
    mTransformStack->current = glm::mat4(1.0f) * tankRotation;
    Mesh *hull = mParts->mesh(TankPart::Hull, form);
    Mesh *turret = mParts->mesh(TankPart::Turret, form);
    Mesh *gun = mParts->mesh(TankPart::Gun, form);
    mParts->mesh(TankPart::Chassis, form)
        ->draw(allHidden || hideChassis, mainPass, material, program);
    hull->draw(allHidden || hideHull, mainPass, material, program);
    mTransformStack->current *= turretTransform(hull->position + turret->position);
    turret->draw(allHidden || hideTurret, mainPass, material, program);
    mTransformStack->current *= gunTransform(gun->position);
    gun->draw(allHidden || hideGun, mainPass, material, program);
}

void TankLoader::drawModes(TankModel form, int pass, bool gridAllowed)
{
    MaterialLoader *materials = MaterialLoader::instance();
    Material *material = nullptr;
    ShaderProgram *program = nullptr;
    if (gridTexture && gridAllowed && materials) {
        material = materials->defaultMaterials.value(materials->defaultIndex, nullptr);
    }
    Material *wire = materials ? materials->wireframeMaterial : nullptr;
    if (solidWire) {
        drawForm(form, false, pass, material, nullptr);
        material = wire;
        program = wire ? wire->program : nullptr;
        setPolygonLines(true);
    }
    if (wireframe) {
        material = wire;
        program = wire ? wire->program : nullptr;
        setPolygonLines(true);
    }
    if (pass == 0) {
        material = materials ? materials->depthMaterial : nullptr;
    }
    drawForm(form, false, pass, material, program);
    if (wireframe || solidWire) {
        setPolygonLines(false);
    }
}

void TankLoader::render(int pass)
{
    if (!loaded || (pass == 0 && wireframe)) {
        return;
    }
    mTransformStack->current = glm::mat4(1.0f) * tankRotation;
    if (armorView) {
        renderArmorView(pass);
        return;
    }
    const TankModel form = shownTankModel();
    drawModes(form, pass, form == Undamaged);
}

void TankLoader::renderArmorView(int pass)
{
    // The collision parts are placed even when another form is shown, so that shots
    // hit where the tank is drawn.
    if (armorMeshMode != Collision) {
        drawForm(Collision, true, pass, nullptr, nullptr);
    }
    const TankModel form = armorMeshMode == Collision ? Collision : Undamaged;
    drawModes(form, pass, armorMeshMode == 0);
}

quint32 TankLoader::triangleCount() const
{
    const bool hidden[] = {hideChassis, hideHull, hideTurret, hideGun};
    quint32 count = 0;
    for (TankPart part : allTankParts) {
        const Mesh *mesh = mParts->mesh(part, shownTankModel());
        if (!hidden[int(part)] && mesh && mesh->visual) {
            count += mesh->visual->triangleCount();
        }
    }
    return count;
}

bool TankLoader::exportAll()
{
    if (!loaded) {
        return false;
    }
    mTransformStack->current = glm::mat4(1.0f);
    bool written = true;
    // Every part is tried, whatever an earlier one answered.
    for (TankPart part : allTankParts) {
        written = mParts->mesh(part, shownTankModel())->exportObj() && written;
    }
    return written;
}

void TankLoader::damageModeChanged(TankModel model)
{
    tankModel = model;
    updateVisualEditor();
}

void TankLoader::armorToggle(bool on)
{
    armorView = on;
}

void TankLoader::collectUvMeshes(UvMeshSink *sink)
{
    if (!sink) {
        return;
    }
    QVector<UvMapEntry> entries;
    // Before the first load there are no part meshes to read.
    for (const TankPart part : {TankPart::Chassis, TankPart::Hull}) {
        if (const Mesh *mesh = mParts->mesh(part, Undamaged)) {
            entries += mesh->extraGeometries;
        }
    }
    // Read from their files into CPU records only: no buffer, material or texture.
    for (const Turret &turret : std::as_const(mTurretGunChooser->turrets)) {
        (void)collectModelUvTriangles(turret.undamagedModel, &entries);
        for (const Gun &gun : turret.guns) {
            (void)collectModelUvTriangles(gun.undamagedModel, &entries);
        }
    }
    QStringList textures;
    for (const UvMapEntry &entry : std::as_const(entries)) {
        if (!textures.contains(entry.texture, Qt::CaseSensitive)) {
            textures.append(entry.texture);
        }
    }
    sink->buildTabs(entries, textures);
}
