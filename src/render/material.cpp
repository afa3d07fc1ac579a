#include "render/material.h"

#include "core/settings.h"
#include "render/internal/glcore.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"
#include "render/textureloader.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/type_ptr.hpp>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif

namespace {

struct TextureFilter
{
    GLenum minFilter = GL_LINEAR_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
    float anisotropy = 0.0f;
};

TextureFilter currentTextureFilter()
{
    TextureFilter filter;
    if (const TextureLoader *textures = TextureLoader::instance()) {
        filter.minFilter = GLenum(textures->minFilter);
        filter.magFilter = GLenum(textures->magFilter);
        filter.anisotropy = textures->anisotropy;
    }
    return filter;
}

GLuint currentShadowTexture()
{
    if (const TextureLoader *textures = TextureLoader::instance()) {
        return textures->shadowTexture;
    }
    return 0;
}

void bindTextureOnUnit(int unit, GLuint texture)
{
    if (TextureLoader *textures = TextureLoader::instance()) {
        textures->bind(unit, texture);
        return;
    }
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        gl->glBindTexture(GL_TEXTURE_2D, texture);
    }
}

// The unit the shadow map sits on; the shaders' "shadowMap" sampler reads it.
constexpr int SHADOW_UNIT = 7;
constexpr int EXCLUSION_UNIT = 8;

GLint location(ShaderProgram *program, const char *name)
{
    return program ? program->uniform(QString::fromLatin1(name)) : -1;
}

void applyFilter(QOpenGLFunctions_3_2_Core *gl, const TextureFilter &filter)
{
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(filter.minFilter));
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(filter.magFilter));
    if (filter.anisotropy != 0.0f) {
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, GLint(filter.anisotropy));
    }
}

const LightRecord &currentLight()
{
    static const LightRecord fallback;
    const MaterialLoader *loader = MaterialLoader::instance();
    return loader && loader->light ? *loader->light : fallback;
}

} // namespace

QString samplerForTextureKind(int kind)
{
    switch (kind) {
    case TextureDiffuse: return QStringLiteral("diffuseMap0");
    case TextureDiffuse2: return QStringLiteral("diffuseMap1");
    case TextureNormal: return QStringLiteral("normalMap");
    case TextureSpecular: return QStringLiteral("specularMap");
    case TextureGloss: return QStringLiteral("glossMap");
    case TextureDetail: return QStringLiteral("detailMap");
    default: return QString();
    }
}

bool textureKindApplies(int textureKind, quint32 materialKind)
{
    if (textureKind >= TextureDiffuse && textureKind <= TextureNormal) {
        return true;
    }
    return materialKind == MATERIAL_LIT && textureKind >= TextureSpecular
           && textureKind <= TextureDetail;
}

QList<MaterialTextureUnit> textureUnitsFor(const QMap<int, GLuint> &textures, quint32 materialKind)
{
    QList<MaterialTextureUnit> units;
    int unit = 0;
    for (auto it = textures.cbegin(); it != textures.cend(); ++it, ++unit) {
        if (textureKindApplies(it.key(), materialKind)) {
            units.append({it.key(), unit, it.value()});
        }
    }
    return units;
}

Material::Material(quint32 materialKind)
    : kind(materialKind)
{
    if (ShaderLoader *shaders = ShaderLoader::instance()) {
        program = shaders->program(kind == MATERIAL_LIT ? ShaderBumped : ShaderNoLighting);
    }
}

void Material::bind()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    if (blend) {
        gl->glEnable(GL_BLEND);
        // A blended material without its own factor still needs one pair; the
        // usual alpha blend is what the game's blended materials look like.
        gl->glBlendFunc(GL_SRC_ALPHA, blendFactorSet ? GLenum(blendDest) : GL_ONE_MINUS_SRC_ALPHA);
    } else {
        gl->glDisable(GL_BLEND);
        gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (doubleSided) {
        gl->glDisable(GL_CULL_FACE);
    } else {
        gl->glEnable(GL_CULL_FACE);
        gl->glCullFace(GL_BACK);
    }
    if (!program || !program->program) {
        return;
    }
    program->program->bind();
    gl->glUniform1f(location(program, "alphaRef"), alphaTest ? alphaRef : 0.0f);

    const TextureFilter filter = currentTextureFilter();
    for (const MaterialTextureUnit &entry : textureUnitsFor(textures, kind)) {
        gl->glUniform1i(program->uniform(samplerForTextureKind(entry.kind)), entry.unit);
        gl->glActiveTexture(GLenum(GL_TEXTURE0 + entry.unit));
        gl->glBindTexture(GL_TEXTURE_2D, entry.texture);
        applyFilter(gl, filter);
    }

    const glm::mat4 view =
        MatrixStack::instance() ? MatrixStack::instance()->view : glm::mat4(1.0f);
    gl->glUniformMatrix4fv(location(program, "View"), 1, GL_FALSE, glm::value_ptr(view));
    gl->glUniform1i(location(program, "dxt1NormalMap"), dxt1NormalMap ? 1 : 0);

    if (kind == MATERIAL_LIT) {
        const Settings *settings = Settings::instance();
        const bool shadows = settings && settings->showShadows;
        if (shadows) {
            gl->glActiveTexture(GL_TEXTURE0 + SHADOW_UNIT);
            gl->glBindTexture(GL_TEXTURE_2D, currentShadowTexture());
            if (filter.anisotropy != 0.0f) {
                gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                    GLint(filter.anisotropy));
            }
            gl->glUniform1i(location(program, "shadowMap"), SHADOW_UNIT);
            gl->glUniform1f(location(program, "shadowDivide"), shadowDivide);
            gl->glUniform1f(location(program, "shadowSamples"), settings->shadowMapSamples);
        }
        const LightRecord &light = currentLight();
        gl->glUniform3f(location(program, "lightPos"), light.position.x, light.position.y,
                        light.position.z);
        gl->glUniform3f(location(program, "lightAmbient"), light.ambient.x, light.ambient.y,
                        light.ambient.z);
        gl->glUniform3f(location(program, "lightDiffuse"), light.diffuse.x, light.diffuse.y,
                        light.diffuse.z);
        gl->glUniform1i(location(program, "shadowEnabled"), shadows ? 1 : 0);
        gl->glUniform1i(location(program, "detailMetallic"), detailMetallic ? 1 : 0);
        if (detailMetallic) {
            gl->glUniform4f(location(program, "detailTile"), detailTile.x, detailTile.y,
                            detailTile.z, detailTile.w);
            gl->glUniform1f(location(program, "detailPower"), detailPower);
        }
    }
    uploadCamoEnabled();
    gl->glUniform4f(location(program, "diffuseColor"), diffuseColor.x, diffuseColor.y,
                    diffuseColor.z, diffuseColor.w);
}

void Material::bindCamouflage()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || !program) {
        return;
    }
    gl->glUniform4f(location(program, "camoTiling"), camoTiling.x, camoTiling.y, camoTiling.z,
                    camoTiling.w);
    const glm::vec4 *colours[4] = {&camoColor0, &camoColor1, &camoColor2, &camoColor3};
    for (int i = 0; i < 4; ++i) {
        const glm::vec4 &c = *colours[i];
        gl->glUniform4f(program->uniform(QStringLiteral("camoColor%1").arg(i)), c.x, c.y, c.z, c.w);
    }
}

void Material::bindExclusionMap(GLuint texture)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || !program) {
        return;
    }
    gl->glUniform1i(location(program, "exclusionMap"), EXCLUSION_UNIT);
    bindTextureOnUnit(EXCLUSION_UNIT, texture);
}

bool Material::effectiveCamoEnabled() const
{
    return camoEnabled && !identifier.contains(QStringLiteral("equipment"));
}

void Material::uploadCamoEnabled()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || !program) {
        return;
    }
    gl->glUniform1i(location(program, "camoEnabled"), effectiveCamoEnabled() ? 1 : 0);
}

GLuint Material::diffuseTextureId()
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (gl && program && program->program) {
        GLint previous = 0;
        gl->glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
        gl->glUseProgram(program->program->programId());
        gl->glUniform1i(location(program, "diffuseMap0"), 0);
        gl->glUseProgram(GLuint(previous));
    }
    return textures.value(TextureDiffuse, 0);
}
