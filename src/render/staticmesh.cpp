#include "render/staticmesh.h"

#include "gamedata/primitiveparser.h"
#include "render/visual.h"

StaticMesh::StaticMesh()
{
    primitives = std::make_unique<PrimitiveParser>();
    visual = std::make_unique<Visual>();
}

StaticMesh::~StaticMesh() = default;

bool StaticMesh::load(const QString &meshPath, const glm::mat4 &placement)
{
    path = meshPath;
    if (!primitives->load(path)) {
        return false;
    }
    if (!visual->load(primitives.get(), path, geometries, extraGeometries, false, false)) {
        return false;
    }
    model = placement;
    return true;
}

bool StaticMesh::reload()
{
    deleteGeometries();
    primitives->clear();
    visual->clear();
    return load(path, model);
}

void StaticMesh::clear()
{
    clearShared();
    position = glm::vec3(0.0f);
}

bool StaticMesh::exportObj()
{
    return false;
}

void StaticMesh::draw(bool, bool, Material *overrideMaterial, ShaderProgram *overrideProgram)
{
    const MeshMatrices matrices = meshMatrices(model, true);
    modelView = matrices.modelView;
    mvp = matrices.mvp;

    GroupPass pass;
    pass.modelUniform = model;
    pass.matrices = matrices;
    pass.overrideMaterial = overrideMaterial;
    pass.overrideProgram = overrideProgram;
    drawRenderSets(pass, {});
}
