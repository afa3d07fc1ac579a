#include "render/materialloader.h"

#include "core/log.h"
#include "gamedata/vectortext.h"
#include "render/material.h"
#include "render/shaderloader.h"
#include "render/textureloader.h"

#include <QByteArray>
#include <QDomElement>
#include <QDomNode>
#include <QHash>

namespace {

// GL_ONE_MINUS_SRC_ALPHA, and the D3D blend code the game writes for it.
constexpr quint32 ONE_MINUS_SRC_ALPHA = 0x0303;
constexpr int D3D_BLEND_INV_SRC_ALPHA = 13;
// 1/255, as the game's 0..255 alpha reference is stored.
constexpr float BYTE_TO_UNIT = 0.003921569f;

const QString EFFECT_PREFIX = QStringLiteral("shaders/std_effects/");

struct EffectPrograms
{
    ShaderId lit;
    ShaderId unlit;
};

const QHash<QString, EffectPrograms> &effectTable()
{
    static const QHash<QString, EffectPrograms> table = [] {
        const QList<QPair<QString, EffectPrograms>> rows = {
            {QStringLiteral("normalmap_specmap_dual.fx"), {ShaderBumpedDual, ShaderNoLightingDual}},
            {QStringLiteral("lightonly_alpha.fx"), {ShaderLightingOnlyAlpha, ShaderNoLighting}},
            {QStringLiteral("lightonly_uvtransform_alpha.fx"),
             {ShaderLightingOnlyAlpha, ShaderNoLighting}},
            {QStringLiteral("lightonly.fx"), {ShaderLightingOnly, ShaderNoLighting}},
            {QStringLiteral("lightonly_skinned.fx"), {ShaderLightingOnly, ShaderNoLighting}},
            {QStringLiteral("normalmap_specmap_uvtransform_skinned.fx"),
             {ShaderBumped, ShaderNoLighting}},
            {QStringLiteral("normalmap_specmap_skinned.fx"), {ShaderBumped, ShaderNoLighting}},
            {QStringLiteral("normalmap_specmap.fx"), {ShaderBumped, ShaderNoLighting}},
            {QStringLiteral("PBS_ext_dual.fx"), {ShaderBumpedPbsDual, ShaderNoLightingDual}},
            {QStringLiteral("PBS_ext.fx"), {ShaderBumpedPbs, ShaderNoLighting}},
            {QStringLiteral("PBS_tank.fx"), {ShaderBumpedPbs, ShaderNoLighting}},
            {QStringLiteral("PBS_tank_skinned.fx"), {ShaderBumpedPbs, ShaderNoLighting}},
            {QStringLiteral("PBS_tank_uvtransform_skinned.fx"),
             {ShaderBumpedPbs, ShaderNoLighting}},
            {QStringLiteral("PBS_tank_old.fx"), {ShaderBumped, ShaderNoLighting}},
            {QStringLiteral("PBS_tank_old_skinned.fx"), {ShaderBumped, ShaderNoLighting}},
            {QStringLiteral("PBS_tank_old_uvtransform_skinned.fx"),
             {ShaderBumped, ShaderNoLighting}},
        };
        QHash<QString, EffectPrograms> result;
        for (const auto &row : rows) {
            result.insert(EFFECT_PREFIX + row.first, row.second);
        }
        return result;
    }();
    return table;
}

// The value of a property: the text of the first child element of its type.
QString propertyValue(const QDomNode &property, const char *type)
{
    return property.firstChildElement(QString::fromLatin1(type)).text();
}

int parseInt(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

float parseFloat(const QString &text)
{
    bool ok = false;
    const float value = text.trimmed().toFloat(&ok);
    return ok ? value : 0.0f;
}

void applyProperty(MaterialDescription &d, const QString &name, const QDomNode &property)
{
    auto texture = [&](int kind, bool unlitToo) {
        const QString path = propertyValue(property, "Texture");
        d.litTextures.insert(kind, path);
        if (unlitToo) {
            d.unlitTextures.insert(kind, path);
        }
    };
    if (name == QLatin1String("diffuseMap")) {
        texture(TextureDiffuse, true);
    } else if (name == QLatin1String("diffuseMap2")) {
        texture(TextureDiffuse2, true);
    } else if (name == QLatin1String("normalMap")) {
        texture(TextureNormal, true);
    } else if (name == QLatin1String("metallicGlossMap")) {
        texture(TextureGloss, false);
    } else if (name == QLatin1String("metallicDetailMap")) {
        const QString path = propertyValue(property, "Texture");
        if (!path.trimmed().isEmpty()) {
            d.litTextures.insert(TextureDetail, path);
        }
    } else if (name == QLatin1String("specularMap")) {
        texture(TextureSpecular, false);
    } else if (name == QLatin1String("g_useDetailMetallic")) {
        d.detailMetallic = parseMaterialBool(propertyValue(property, "Bool"));
    } else if (name == QLatin1String("g_useNormalPackDXT1")) {
        d.dxt1NormalMap = parseMaterialBool(propertyValue(property, "Bool"));
    } else if (name == QLatin1String("alphaTestEnable")) {
        d.alphaTest = parseMaterialBool(propertyValue(property, "Bool"));
    } else if (name == QLatin1String("alphaReference")) {
        d.alphaRef = float(parseInt(propertyValue(property, "Int"))) * BYTE_TO_UNIT;
    } else if (name == QLatin1String("g_detailPower")) {
        d.detailPower = parseFloat(propertyValue(property, "Float")) * 0.01f;
    } else if (name == QLatin1String("g_metallicDetailUVTiling")) {
        d.detailTile = parseVec4(propertyValue(property, "Vector4"));
    } else if (name == QLatin1String("srcBlend")) {
        d.blend = true;
    } else if (name == QLatin1String("destBlend")) {
        d.destBlend = parseInt(propertyValue(property, "Int"));
        d.blend = true;
    } else if (name == QLatin1String("doubleSided")) {
        d.doubleSided = parseMaterialBool(propertyValue(property, "Bool").trimmed());
    }
}

// One GL texture per game path; 0 without a texture loader.
GLuint textureFor(const QString &path, bool tankTextures)
{
    if (TextureLoader *textures = TextureLoader::instance()) {
        return tankTextures ? textures->getTexture(path) : textures->getSharedTexture(path);
    }
    return 0;
}

GLuint gridTexture()
{
    if (const TextureLoader *textures = TextureLoader::instance()) {
        return textures->gridTexture;
    }
    return 0;
}

ShaderProgram *programFor(ShaderId id)
{
    ShaderLoader *shaders = ShaderLoader::instance();
    return shaders ? shaders->program(id) : nullptr;
}

} // namespace

const QString MATERIAL_SUPPORT_ADDRESS = QStringLiteral("https://hullscope.invalid/support");

bool parseMaterialBool(const QString &text)
{
    return text.contains(QLatin1String("true"), Qt::CaseInsensitive);
}

MaterialDescription parseMaterialChildren(const QDomNodeList &children)
{
    MaterialDescription d;
    for (int i = 0; i < children.count(); ++i) {
        const QDomNode child = children.at(i);
        const QString tag = child.nodeName().trimmed();
        if (tag == QLatin1String("identifier")) {
            d.identifier = child.toElement().text();
        } else if (tag == QLatin1String("fx")) {
            d.fx = child.toElement().text().simplified().trimmed();
        } else if (tag == QLatin1String("property")) {
            const QDomNodeList parts = child.childNodes();
            for (int j = 0; j < parts.count(); ++j) {
                const QString name = parts.at(j).nodeValue().trimmed();
                if (!name.isEmpty()) {
                    applyProperty(d, name, child);
                }
            }
        }
    }
    return d;
}

CollisionMaterialDescription parseCollisionMaterialChildren(const QDomNodeList &children)
{
    CollisionMaterialDescription d;
    for (int i = 0; i < children.count(); ++i) {
        const QDomNode child = children.at(i);
        const QString tag = child.nodeName().trimmed();
        if (tag == QLatin1String("identifier")) {
            d.identifier = child.toElement().text().simplified().trimmed();
        } else if (tag == QLatin1String("property")) {
            const QDomNodeList parts = child.childNodes();
            for (int j = 0; j < parts.count(); ++j) {
                if (parts.at(j).nodeValue().trimmed() == QLatin1String("doubleSided")) {
                    if (parseMaterialBool(propertyValue(child, "Bool").trimmed())) {
                        d.doubleSided = true;
                    }
                    break;
                }
            }
        }
    }
    return d;
}

ShaderId litShaderLookup(const QString &fx, bool *found)
{
    if (found) {
        *found = true;
    }
    if (fx.isEmpty()) {
        return ShaderLightingOnly;
    }
    const auto it = effectTable().constFind(fx);
    if (it == effectTable().cend()) {
        if (found) {
            *found = false;
        }
        return ShaderLightingOnly;
    }
    return it->lit;
}

ShaderId unlitShaderLookup(const QString &fx)
{
    const auto it = effectTable().constFind(fx);
    return it == effectTable().cend() ? ShaderNoLighting : it->unlit;
}

MaterialLoader::MaterialLoader(QObject *parent)
    : QObject(parent)
{
}

MaterialLoader::~MaterialLoader()
{
    qDeleteAll(defaultMaterials);
    defaultMaterials.clear();
    delete wireframeMaterial;
    wireframeMaterial = nullptr;
    delete depthMaterial;
    depthMaterial = nullptr;
}

ShaderId MaterialLoader::litShaderForEffect(const QString &fx)
{
    bool found = true;
    const ShaderId id = litShaderLookup(fx, &found);
    if (!found) {
        logLine(QStringLiteral("Could not find shader conversion for: ") + fx
                    + QStringLiteral("\nPlease report to ") + MATERIAL_SUPPORT_ADDRESS,
                Warning);
    }
    return id;
}

ShaderId MaterialLoader::unlitShaderForEffect(const QString &fx)
{
    return unlitShaderLookup(fx);
}

void MaterialLoader::createDefaultMaterials()
{
    logLine(QStringLiteral("Creating default materials."), Info);
    // A second call replaces the set rather than leaking the first.
    qDeleteAll(defaultMaterials);
    defaultMaterials.clear();
    delete wireframeMaterial;
    delete depthMaterial;

    const GLuint grid = gridTexture();
    auto *lit = new Material(MATERIAL_LIT);
    lit->textures.insert(TextureDiffuse, grid);
    // The grid has no normal or specular map: the bumped program would read them from
    // whatever units an earlier draw left bound (or the grid itself, as a normal map).
    lit->program = programFor(ShaderLightingOnly);
    auto *unlit = new Material(MATERIAL_UNLIT);
    unlit->textures.insert(TextureDiffuse, grid);
    defaultMaterials << lit << unlit;

    wireframeMaterial = new Material(MATERIAL_UNLIT);
    wireframeMaterial->program = programFor(ShaderWireframe);
    depthMaterial = new Material(MATERIAL_UNLIT);
    depthMaterial->program = programFor(ShaderDepth);
}

QList<Material *> MaterialLoader::loadMaterial(const QDomNodeList &children, bool tankTextures)
{
    const MaterialDescription d = parseMaterialChildren(children);
    auto *lit = new Material(MATERIAL_LIT);
    auto *unlit = new Material(MATERIAL_UNLIT);

    // The unlit kinds are a subset of the lit ones, so each path is fetched once.
    for (auto it = d.litTextures.cbegin(); it != d.litTextures.cend(); ++it) {
        const GLuint texture = textureFor(it.value(), tankTextures);
        lit->textures.insert(it.key(), texture);
        if (d.unlitTextures.contains(it.key())) {
            unlit->textures.insert(it.key(), texture);
        }
    }
    for (Material *m : {lit, unlit}) {
        m->identifier = d.identifier;
        m->dxt1NormalMap = d.dxt1NormalMap;
        m->alphaTest = d.alphaTest;
        m->alphaRef = d.alphaRef;
        m->doubleSided = d.doubleSided;
        if (d.blend) {
            m->blend = true;
            if (d.destBlend == D3D_BLEND_INV_SRC_ALPHA) {
                m->blendFactorSet = true;
                m->blendDest = ONE_MINUS_SRC_ALPHA;
            }
        }
    }
    lit->detailMetallic = d.detailMetallic;
    lit->detailPower = d.detailPower;
    lit->detailTile = d.detailTile;

    lit->program = programFor(litShaderForEffect(d.fx));
    unlit->program = programFor(unlitShaderForEffect(d.fx));
    return {lit, unlit};
}

QList<Material *> MaterialLoader::createCollisionMaterials(const QDomNodeList &children)
{
    const CollisionMaterialDescription d = parseCollisionMaterialChildren(children);
    auto *lit = new Material(MATERIAL_LIT);
    lit->program = programFor(ShaderCollisionLighting);
    auto *unlit = new Material(MATERIAL_UNLIT);
    unlit->program = programFor(ShaderCollisionNoLighting);
    for (Material *m : {lit, unlit}) {
        m->identifier = d.identifier;
        m->doubleSided = d.doubleSided;
    }
    return {lit, unlit};
}
