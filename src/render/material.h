#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

#include <glm/glm.hpp>

class ShaderProgram;

using GLuint = unsigned int;

// The texture kinds of a material, in the order their units are handed out.
enum MaterialTextureKind : int {
    TextureDiffuse = 0,
    TextureDiffuse2 = 1,
    TextureNormal = 2,
    TextureSpecular = 3,
    TextureGloss = 4,
    TextureDetail = 5,
};

inline constexpr quint32 MATERIAL_LIT = 0;
inline constexpr quint32 MATERIAL_UNLIT = 1;

// The sampler uniform a texture kind is bound through; empty for unknown kinds.
[[nodiscard]] QString samplerForTextureKind(int kind);
// Whether a material of the given kind (lit 0, unlit 1) binds textures of that kind.
[[nodiscard]] bool textureKindApplies(int textureKind, quint32 materialKind);

// One texture to bind: the kind's sampler gets unit.
struct MaterialTextureUnit
{
    int kind = 0;
    int unit = 0;
    GLuint texture = 0;
};

// The units bind() hands out: ascending kind, one unit per entry, so a kind the
// material does not bind still takes its unit (and is left out of the answer).
[[nodiscard]] QList<MaterialTextureUnit> textureUnitsFor(const QMap<int, GLuint> &textures,
                                                         quint32 materialKind);

// The render state of one primitive group: program, textures by kind, blending,
// culling, alpha test, detail and camouflage values. Textures belong to the
// texture loader and the program to the shader loader; a material owns neither.
// bind() and the other uniform writers need the GL context current.
class Material
{
public:
    // Lit (0) takes the Bumped program, unlit (1) NoLighting; null when the shader
    // loader or the program does not exist.
    explicit Material(quint32 kind);

    // Applies blending, culling, the program, alpha reference, textures, view,
    // light and shadow values, camouflage switch and diffuse colour. The blend
    // function is always set, so a draw never inherits the previous material's.
    // Leaves the program bound.
    void bind();
    // "camoTiling" and "camoColor0".."camoColor3" on the bound program.
    void bindCamouflage();
    // "exclusionMap" = 8 and the texture on unit 8.
    void bindExclusionMap(GLuint texture);
    // "camoEnabled" on the bound program, from camoEnabled unless the identifier
    // names equipment. bind() sends it too, but the camouflage step decides the
    // value after bind(), so the draw code sends it again once decided.
    void uploadCamoEnabled();
    // The value "camoEnabled" gets.
    bool effectiveCamoEnabled() const;
    // Sets "diffuseMap0" = 0 and answers the kind-0 texture (0 when none). Binds
    // the program for the uniform and restores whichever was bound before.
    GLuint diffuseTextureId();

    bool blend = false;
    bool alphaTest = false;
    float alphaRef = 0.0f;
    float shadowDivide = 90.0f;
    bool dxt1NormalMap = true;
    bool detailMetallic = false;
    bool blendFactorSet = false;
    quint32 blendDest = 0;
    // Kind to GL texture; ordered by kind, which fixes the texture units.
    QMap<int, GLuint> textures;
    QString identifier;
    ShaderProgram *program = nullptr; // not owned
    quint32 kind = MATERIAL_LIT;
    bool doubleSided = false;
    glm::vec4 diffuseColor {0.0f};
    glm::vec4 camoColor0 {0.0f};
    glm::vec4 camoColor1 {0.0f};
    glm::vec4 camoColor2 {0.0f};
    glm::vec4 camoColor3 {0.0f};
    glm::vec4 camoTiling {0.0f};
    bool camoEnabled = false;
    bool hidden = false;
    glm::vec4 detailTile {0.0f};
    float detailPower = 0.0f;
};
