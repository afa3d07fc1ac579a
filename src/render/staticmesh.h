#pragma once

#include "render/mesh.h"

// A model placed by a fixed matrix (the hangar scenes).
class StaticMesh : public Mesh
{
public:
    StaticMesh();
    ~StaticMesh() override;

    // Loads the model with shared textures; on success model = the given matrix.
    // False as soon as the primitives or the visual fail (model unchanged).
    bool load(const QString &path, const glm::mat4 &placement);
    bool reload() override;
    void clear() override;
    // A static mesh is not exported: false, nothing written.
    bool exportObj() override;
    // Always the main-pass matrices of model; hidden and mainPass are ignored.
    void draw(bool hidden, bool mainPass, Material *overrideMaterial,
              ShaderProgram *overrideProgram) override;
};
