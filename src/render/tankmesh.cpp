#include "render/tankmesh.h"

#include "core/log.h"
#include "core/settings.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/visualnode.h"
#include "render/internal/glcore.h"
#include "render/material.h"
#include "render/objexport.h"
#include "render/shaderprogram.h"
#include "render/textureloader.h"
#include "render/transformstack.h"
#include "render/visual.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/matrix_transform.hpp>

namespace {

// Stands in for the tank's stack while no tank is registered.
TransformStack &fallbackStack()
{
    static TransformStack stack;
    return stack;
}

} // namespace

TankMesh::TankMesh()
{
    primitives = std::make_unique<PrimitiveParser>();
    visual = std::make_unique<Visual>();
}

TankMesh::~TankMesh() = default;

TransformStack &TankMesh::tankStack() const
{
    TransformStack *stack = mTankHooks ? mTankHooks->transformStack() : nullptr;
    return stack ? *stack : fallbackStack();
}

bool TankMesh::load(const QString &meshPath, const glm::vec3 &mountPosition, quint32 meshPart,
                    bool tankTextures)
{
    part = meshPart;
    path = meshPath;
    position = mountPosition;
    mMissingMasks.clear();
    const int form = mTankHooks ? mTankHooks->loadingForm() : 0;

    if (!primitives->load(path)) {
        return false;
    }
    const bool built =
        visual->load(primitives.get(), path, geometries, extraGeometries, true, tankTextures);
    // The buffers and geometries hold what the file had; its bytes need not stay.
    primitives->clear();
    if (!built) {
        return false;
    }
    if (part == 4) {
        return true;
    }

    auto visualOf = [this, form](quint32 which) -> const Visual * {
        const Mesh *mesh = mTankHooks ? mTankHooks->partMesh(which, form) : nullptr;
        return mesh ? mesh->visual.get() : nullptr;
    };
    // Without a tank the chassis is its own source of the "tank" node.
    const Visual *chassis = mTankHooks ? visualOf(0) : (part == 0 ? visual.get() : nullptr);
    const TankPartPlacement placement =
        composeTankPartModel(part, position, *visual, chassis, visualOf(1), visualOf(2));
    model = placement.model;
    position = placement.position;
    return true;
}

bool TankMesh::reload()
{
    deleteGeometries();
    extraGeometries.clear();
    primitives->clear();
    visual->clear();
    return load(path, position, part, false);
}

void TankMesh::clear()
{
    clearShared();
    extraGeometries.clear();
    mMissingMasks.clear();
    position = glm::vec3(0.0f);
}

bool TankMesh::exportObj()
{
    TransformStack &stack = tankStack();
    if (part == 0) {
        stack.push();
    }
    stack.current = stack.current * model;
    const Settings *settings = Settings::instance();
    const bool written =
        settings && writeObjFiles(settings->modPath, path, geometries, stack.current);
    if (part == 0) {
        stack.pop();
    }
    return written;
}

void TankMesh::draw(bool hidden, bool mainPass, Material *overrideMaterial,
                    ShaderProgram *overrideProgram)
{
    TransformStack &stack = tankStack();
    if (part == 0) {
        stack.push();
    }
    // Once per draw, however many render sets the visual has, so that a part's
    // placement and everything mounted on it match the export.
    stack.current = stack.current * model;
    const glm::mat4 current = stack.current;
    const MeshMatrices matrices = meshMatrices(current, mainPass);
    modelView = matrices.modelView;
    mvp = matrices.mvp;

    if (!hidden) {
        mShownForm = mTankHooks ? mTankHooks->shownForm() : 0;
        mCamouflage = mTankHooks ? mTankHooks->camouflage() : TankCamouflage();
        GroupPass pass;
        pass.shadowPass = !mainPass;
        pass.forceDoubleSided = part == 0;
        pass.modelUniform = current;
        pass.matrices = matrices;
        pass.overrideMaterial = overrideMaterial;
        pass.overrideProgram = overrideProgram;
        drawRenderSets(pass, [this](Material *material) { drawGroups(material); });
    }

    if (part == 0) {
        stack.pop();
    }
}

GLuint TankMesh::exclusionMask(const QString &name)
{
    TextureLoader *textures = TextureLoader::instance();
    if (name.isEmpty() || !textures) {
        return 0;
    }
    if (mMissingMasks.contains(name)) {
        // Looked up without logging: the mask may be loaded after its first miss.
        QString slashed = name;
        slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
        GLuint texture = textures->tankTextures.value(name, 0);
        if (texture == 0) {
            texture = textures->tankTextures.value(slashed, 0);
        }
        if (texture != 0) {
            mMissingMasks.remove(name);
        }
        return texture;
    }
    const GLuint texture = textures->findTexture(name, false);
    if (texture == 0) {
        // The loader has reported the miss; asking again every frame would repeat it.
        mMissingMasks.insert(name);
    }
    return texture;
}

void TankMesh::drawGroups(Material *material)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    const CamouflageDecision decision =
        decideCamouflage(mShownForm, part, material->identifier, mCamouflage);
    material->camoEnabled = decision.enabled;
    if (decision.enabled) {
        material->camoColor0 = decision.colors[0];
        material->camoColor1 = decision.colors[1];
        material->camoColor2 = decision.colors[2];
        material->camoColor3 = decision.colors[3];
        material->camoTiling = decision.tiling;
        material->bindExclusionMap(exclusionMask(decision.maskName));
        if (gl && material->program) {
            gl->glUniform1i(material->program->uniform(QStringLiteral("camoMap")), 9);
        }
        if (TextureLoader *textures = TextureLoader::instance()) {
            textures->bind(9, mCamouflage.texture);
        }
        material->bindCamouflage();
    }
    // bind() sent the value before it was decided for this group.
    material->uploadCamoEnabled();
}
