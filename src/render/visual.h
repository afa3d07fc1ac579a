#pragma once

#include "gamedata/uvmapentry.h"
#include "gamedata/visualgeometry.h"
#include "gamedata/visualnode.h"
#include "render/indexbuffer.h"

#include <QDomElement>
#include <QList>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <memory>
#include <vector>

class Material;
class PrimitiveParser;
class VertexBuffer;

// The materials of one primitive group: a lit and an unlit one, owned.
struct PrimitiveGroupMaterials
{
    int groupIndex = 0;
    QList<Material *> materials;
};

// One "geometry" of a render set.
struct VisualGeometryEntry
{
    VertexBuffer *vertexBuffer = nullptr; // owned by BufferManager
    std::unique_ptr<IndexBuffer> indexBuffer;
    QVector<PrimitiveGroupMaterials> groups;
};

// One "renderSet" of a .visual file.
struct VisualRenderSet
{
    std::vector<VisualGeometryEntry> geometries;
    QVector<VisualNode *> nodes; // into Visual::root; not owned
    bool treatAsWorldSpaceObject = false;
    glm::mat4 transform {1.0f};
};

// The diffuse texture a "material" element names, under the name the texture loader
// caches it by (normaliseTextureName); empty without one. Reads no file and needs no
// context.
[[nodiscard]] QString materialDiffuseTexture(const QDomElement &material);

// Reads the model at path (".model" stands for the ".visual" and the ".primitives")
// into CPU records only and appends the UV triangles of every geometry to entries,
// as Visual::load collects them. Makes no buffer, material or texture and needs no
// context. False, with load's warnings, when either file cannot be read.
[[nodiscard]] bool collectModelUvTriangles(const QString &path, QVector<UvMapEntry> *entries);

// A model's .visual file read into vertex and index buffers, materials and a node
// tree. Needs the GL context current while loading and clearing.
class Visual
{
public:
    Visual();
    virtual ~Visual();
    Visual(const Visual &) = delete;
    Visual &operator=(const Visual &) = delete;

    // Reads the .visual of path (".model" stands for it) with the sections of
    // primitives. Each geometry is decoded into a VisualGeometry record, appended to
    // geometries (the caller owns them), before its GL buffers are made from it; with
    // collectUv the UV triangles go to uvEntries. False, with a Warning line and
    // nothing loaded, when the file cannot be opened.
    virtual bool load(PrimitiveParser *primitives, const QString &path,
                      QVector<VisualGeometry *> &geometries, QVector<UvMapEntry> &uvEntries,
                      bool collectUv, bool tankTextures);
    // Releases what load made; fileName stays.
    void clear();
    // The triangles of every primitive group of every geometry.
    quint32 triangleCount() const;

    quint32 counters[3] = {0, 0, 0};
    std::vector<VisualRenderSet> renderSets;
    std::unique_ptr<VisualNode> root;
    QString text; // the document as XML, indent 1
    QString fileName;

protected:
    // The materials of one primitive group, from the material loader (none without
    // one); a collision visual makes other ones.
    virtual QList<Material *> loadMaterials(const QDomElement &material, bool tankTextures);
};
