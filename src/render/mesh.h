#pragma once

#include "gamedata/uvmapentry.h"
#include "gamedata/visualgeometry.h"
#include "render/meshplacement.h"

#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <functional>
#include <memory>

class Material;
class PrimitiveParser;
class ShaderProgram;
class Visual;

// One drawable model of a .visual (or .model) file and its .primitives file: the
// parsed visual, the CPU-side geometry records and the matrices of the last draw.
// Draw, load, clear and reload need the view's GL context current.
class Mesh
{
public:
    Mesh();
    virtual ~Mesh();
    Mesh(const Mesh &) = delete;
    Mesh &operator=(const Mesh &) = delete;

    virtual void clear() = 0;
    // One OBJ file per geometry record; false when a file could not be written.
    virtual bool exportObj() = 0;
    // hidden: compute the placement but issue no draw; mainPass false draws the
    // shadow pass. The override material, when given, is used for every group (it
    // takes over the group material's identifier and double-sided flag); the
    // override program, when given, receives the matrix uniforms.
    virtual void draw(bool hidden, bool mainPass, Material *overrideMaterial,
                      ShaderProgram *overrideProgram) = 0;
    virtual bool reload() = 0;

    // mvp = glm::translate(mvp, v).
    void translate(const glm::vec3 &v);

    glm::vec3 position {0.0f};
    std::unique_ptr<PrimitiveParser> primitives;
    glm::mat4 mvp {1.0f};
    glm::mat4 modelView {1.0f};
    glm::mat4 model {1.0f};
    std::unique_ptr<Visual> visual;
    QString path;
    QVector<VisualGeometry *> geometries; // owned
    QVector<UvMapEntry> extraGeometries;

protected:
    // How drawRenderSets treats the groups of one draw.
    struct GroupPass
    {
        bool shadowPass = false;       // cull faces while drawing each group
        bool forceDoubleSided = false; // the chosen material is never back-face culled
        glm::mat4 modelUniform {1.0f}; // "Model"
        MeshMatrices matrices;
        Material *overrideMaterial = nullptr;
        ShaderProgram *overrideProgram = nullptr;
    };

    // Binds and draws every group of every geometry of every render set, skipping a
    // chosen material whose hidden flag is set; camouflage,
    // when set, runs on each group's material after Material::bind.
    void drawRenderSets(const GroupPass &pass, const std::function<void(Material *)> &camouflage);
    // Deletes the geometry records and empties geometries.
    void deleteGeometries();
    // The steps every clear shares: geometry records, primitives, visual.
    void clearShared();
};
