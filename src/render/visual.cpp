#include "render/visual.h"

#include "core/log.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/visualdocument.h"
#include "render/buffermanager.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/textureloader.h"
#include "render/vertexbuffer.h"

#include <QDomNodeList>

namespace {

VisualGeometry decodeSections(const VisualGeometryRecord &record,
                              const VisualGeometrySections &sections)
{
    return decodeVisualGeometry(record.name(),
                                sections.vertices ? &sections.vertices->data : nullptr,
                                sections.uv2 ? &sections.uv2->data : nullptr,
                                sections.primitive ? &sections.primitive->data : nullptr);
}

// The UV triangles of one decoded geometry. A geometry without both sections has
// no materials, and so nothing to collect; group record k takes draw range k.
void collectGeometryUv(const VisualGeometry &geometry, const VisualGeometryRecord &record,
                       const VisualGeometrySections &sections, QVector<UvMapEntry> *entries)
{
    if (!sections.vertices || !sections.primitive) {
        return;
    }
    QStringList textures;
    for (const VisualGroupRecord &group : record.groups) {
        textures.append(materialDiffuseTexture(group.material));
    }
    collectUvTriangles(geometry, geometry.indexLayout.use32BitIndices, geometry.indexLayout.groups,
                       textures, entries);
}

} // namespace

QString materialDiffuseTexture(const QDomElement &material)
{
    const QString path =
        parseMaterialChildren(material.childNodes()).litTextures.value(TextureDiffuse);
    // An empty text names no texture; the texture loader caches none for it.
    return path.trimmed().isEmpty() ? QString() : normaliseTextureName(path);
}

bool collectModelUvTriangles(const QString &path, QVector<UvMapEntry> *entries)
{
    PrimitiveParser parser;
    if (!parser.load(path)) {
        return false;
    }
    QString fileName = path;
    fileName.replace(QStringLiteral(".model"), QStringLiteral(".visual"));
    const std::optional<QDomDocument> doc = openVisualDocument(fileName);
    if (!doc) {
        return false;
    }
    VisualNode root;
    for (const VisualRenderSetRecord &set : readVisualDocument(*doc, &root)) {
        for (const VisualGeometryRecord &record : set.geometries) {
            const VisualGeometrySections sections = findGeometrySections(parser, record, fileName);
            collectGeometryUv(decodeSections(record, sections), record, sections, entries);
        }
    }
    return true;
}

Visual::Visual()
    : root(std::make_unique<VisualNode>())
{
}

Visual::~Visual()
{
    clear();
}

QList<Material *> Visual::loadMaterials(const QDomElement &material, bool tankTextures)
{
    MaterialLoader *loader = MaterialLoader::instance();
    return loader ? loader->loadMaterial(material.childNodes(), tankTextures) : QList<Material *>();
}

bool Visual::load(PrimitiveParser *primitives, const QString &path,
                  QVector<VisualGeometry *> &geometries, QVector<UvMapEntry> &uvEntries,
                  bool collectUv, bool tankTextures)
{
    root->clear();
    counters[0] = counters[1] = counters[2] = 0;
    fileName = path;
    fileName.replace(QStringLiteral(".model"), QStringLiteral(".visual"));

    const std::optional<QDomDocument> read = openVisualDocument(fileName);
    if (!read) {
        return false;
    }
    const QDomDocument &doc = *read;
    text = doc.toString(1);

    PrimitiveParser none;
    const PrimitiveParser &parser = primitives ? *primitives : none;

    const QVector<VisualRenderSetRecord> records = readVisualDocument(doc, root.get());
    renderSets.reserve(renderSets.size() + size_t(records.size()));
    for (const VisualRenderSetRecord &setRecord : records) {
        VisualRenderSet set;
        set.treatAsWorldSpaceObject = setRecord.treatAsWorldSpaceObject;
        set.nodes = setRecord.nodes;
        set.geometries.reserve(size_t(setRecord.geometries.size()));
        for (const VisualGeometryRecord &record : setRecord.geometries) {
            const VisualGeometrySections sections = findGeometrySections(parser, record, fileName);
            // The CPU record first; the GL objects are made from it.
            auto *geometry = new VisualGeometry(decodeSections(record, sections));
            geometries.append(geometry);
            if (collectUv) {
                collectGeometryUv(*geometry, record, sections, &uvEntries);
            }

            VisualGeometryEntry entry;
            const QString bufferName = fileName + record.vertices;
            if (BufferManager *manager = BufferManager::instance()) {
                entry.vertexBuffer = sections.vertices
                                         ? manager->loadVertices(bufferName, *geometry)
                                         : manager->addBuffer(new VertexBuffer, bufferName);
            }
            entry.indexBuffer = std::make_unique<IndexBuffer>();
            if (sections.primitive) {
                entry.indexBuffer->load(*geometry);
            }
            // Without both sections there is nothing to draw, so no materials are made.
            if (sections.vertices && sections.primitive) {
                for (const VisualGroupRecord &group : record.groups) {
                    entry.groups.append(
                        {group.groupIndex, loadMaterials(group.material, tankTextures)});
                }
            }
            set.geometries.push_back(std::move(entry));
        }
        renderSets.push_back(std::move(set));
    }
    return true;
}

void Visual::clear()
{
    counters[0] = counters[1] = counters[2] = 0;
    BufferManager *manager = BufferManager::instance();
    for (VisualRenderSet &set : renderSets) {
        for (VisualGeometryEntry &entry : set.geometries) {
            if (manager && entry.vertexBuffer) {
                manager->removeBuffer(entry.vertexBuffer);
            }
            entry.vertexBuffer = nullptr;
            for (PrimitiveGroupMaterials &group : entry.groups) {
                qDeleteAll(group.materials);
                group.materials.clear();
            }
        }
    }
    renderSets.clear();
    root->clear();
    text.clear();
}

quint32 Visual::triangleCount() const
{
    quint32 count = 0;
    for (const VisualRenderSet &set : renderSets) {
        for (const VisualGeometryEntry &entry : set.geometries) {
            if (!entry.indexBuffer) {
                continue;
            }
            for (const PrimitiveGroup &group : entry.indexBuffer->groups) {
                count += group.primitiveCount;
            }
        }
    }
    return count;
}
