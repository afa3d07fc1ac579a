#pragma once

#include "core/singleton.h"
#include "render/shaderloader.h"

#include <QDomNodeList>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <glm/glm.hpp>

class Material;

// The scene light. The view owns it and hands its address to the material loader;
// lit materials send position, diffuse and ambient.
struct LightRecord
{
    glm::vec3 origin {2.75f, 7.8f, 16.0f};
    glm::vec3 position {2.75f, 7.8f, 16.0f}; // "lightPos"; the shadow pass looks from it
    glm::vec3 diffuse {1.0f, 1.0f, 1.0f};    // "lightDiffuse"
    glm::vec3 specular {1.0f, 1.0f, 1.0f};
    glm::vec3 ambient {127.0f / 255.0f}; // "lightAmbient"
    qint32 enabled = 1;
    float range = 10000.0f;
    float constantAttenuation = 1.0f;
    float linearAttenuation = 0.2f;
    float quadraticAttenuation = 0.08f;
};

// One "material" element of a .visual, read without GL: what loadMaterial turns
// into its lit and unlit material. Texture values are game paths, by kind.
struct MaterialDescription
{
    QString identifier;
    QString fx; // simplified and trimmed
    QMap<int, QString> litTextures;
    QMap<int, QString> unlitTextures;
    bool detailMetallic = false; // lit only
    bool dxt1NormalMap = true;
    bool alphaTest = false;
    float alphaRef = 0.0f;
    float detailPower = 0.0f;    // lit only
    glm::vec4 detailTile {0.0f}; // lit only
    bool blend = false;
    int destBlend = 0;
    bool doubleSided = false;
};

// The children of a "material" element. Property names are the trimmed text
// nodes of a "property" element; the value is the text of its first child
// element of the property's type. A missing value reads as empty text.
[[nodiscard]] MaterialDescription parseMaterialChildren(const QDomNodeList &children);

// The two things a collision model's material carries.
struct CollisionMaterialDescription
{
    QString identifier; // simplified and trimmed
    bool doubleSided = false;
};
[[nodiscard]] CollisionMaterialDescription
parseCollisionMaterialChildren(const QDomNodeList &children);

// A "Bool" property value: true when it contains "true" in any letter case.
[[nodiscard]] bool parseMaterialBool(const QString &text);

// The effect tables without side effects; the path prefix "shaders/std_effects/"
// is part of the name and the comparison is exact. found is false for a name
// the table lacks (the empty name counts as found).
[[nodiscard]] ShaderId litShaderLookup(const QString &fx, bool *found = nullptr);
[[nodiscard]] ShaderId unlitShaderLookup(const QString &fx);

// The address named in the warning about an effect the tables lack.
extern const QString MATERIAL_SUPPORT_ADDRESS;

// Turns .visual materials into lit and unlit Materials and holds the default,
// wireframe and depth materials. Created by the view once its context exists;
// the materials of loadMaterial and createCollisionMaterials belong to the caller
// (the Visual), the default, wireframe and depth materials to the loader.
class MaterialLoader : public QObject, public Singleton<MaterialLoader>
{
    Q_OBJECT

public:
    explicit MaterialLoader(QObject *parent = nullptr);
    ~MaterialLoader() override;

    // Logs "Creating default materials." and builds defaultMaterials (lit, unlit,
    // both with the grid texture as diffuse; the lit one drawn with the LightingOnly
    // program, as it has no normal or specular map), wireframeMaterial and depthMaterial.
    // Needs the shader programs and the texture loader's grid texture.
    void createDefaultMaterials();

    // The lit and the unlit material of one "material" element's children, in
    // that order; textures come from the per-tank cache with tankTextures, else
    // from the shared one. The caller owns both.
    QList<Material *> loadMaterial(const QDomNodeList &children, bool tankTextures);
    // The lit and unlit material of a collision model's primitive group: only
    // identifier and doubleSided are read. The caller owns both.
    QList<Material *> createCollisionMaterials(const QDomNodeList &children);

    // The tables; an unknown, non-empty name logs a Warning and gives LightingOnly.
    static ShaderId litShaderForEffect(const QString &fx);
    static ShaderId unlitShaderForEffect(const QString &fx);

    // 0 draws the lit entry of each group, 1 the unlit one.
    int defaultIndex = 0;
    LightRecord *light = nullptr;          // the view's; not owned
    QList<Material *> defaultMaterials;    // owned
    Material *wireframeMaterial = nullptr; // owned
    Material *depthMaterial = nullptr;     // owned

private:
    Q_DISABLE_COPY(MaterialLoader)
};
