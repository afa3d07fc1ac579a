#include "render/visual.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "gamedata/binaryreader.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/visualdocument.h"
#include "render/buffermanager.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/textureloader.h"
#include "render/vertexbuffer.h"

#include <QBuffer>
#include <QDomNodeList>

namespace {

// The file name of a material's diffuse texture; empty without one.
QString diffuseTextureName(Material *material)
{
    TextureLoader *textures = TextureLoader::instance();
    if (!material || !textures) {
        return QString();
    }
    const GLuint texture = material->diffuseTextureId();
    return texture ? textures->textureName(texture) : QString();
}

} // namespace

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

    FileManager *files = FileManager::instance();
    QBuffer *buffer = files ? files->openFile(fileName) : nullptr;
    if (!buffer) {
        logLine(QStringLiteral("Failed loading: ") + fileName, Warning);
        return false;
    }
    if (!buffer->isOpen() && !buffer->open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Binary reader Failed loading: ") + fileName, Warning);
        delete buffer;
        return false;
    }
    QDomDocument doc;
    {
        BinaryReader stream(buffer);
        PackedXmlReader reader(&stream);
        doc = reader.read(fileName);
    }
    delete buffer;
    text = doc.toString(1);

    PrimitiveParser none;
    const PrimitiveParser &parser = primitives ? *primitives : none;
    // Each geometry entry with the record made for it, so that UV triangles come
    // from the right geometry whatever the caller's vector held before.
    std::vector<std::pair<const VisualGeometryEntry *, const VisualGeometry *>> made;

    const QVector<VisualRenderSetRecord> records = readVisualDocument(doc, root.get());
    renderSets.reserve(renderSets.size() + size_t(records.size()));
    for (const VisualRenderSetRecord &setRecord : records) {
        VisualRenderSet set;
        set.treatAsWorldSpaceObject = setRecord.treatAsWorldSpaceObject;
        set.nodes = setRecord.nodes;
        set.geometries.reserve(size_t(setRecord.geometries.size()));
        for (const VisualGeometryRecord &record : setRecord.geometries) {
            auto *geometry = new VisualGeometry;
            geometry->name = record.name();
            geometries.append(geometry);

            const VisualGeometrySections sections = findGeometrySections(parser, record, fileName);
            VisualGeometryEntry entry;
            const QString bufferName = fileName + record.vertices;
            if (BufferManager *manager = BufferManager::instance()) {
                entry.vertexBuffer =
                    sections.vertices
                        ? manager->loadVertices(bufferName, sections.vertices->data, geometry,
                                                sections.uv2 ? sections.uv2->data : QByteArray())
                        : manager->addBuffer(new VertexBuffer, bufferName);
            }
            entry.indexBuffer = std::make_unique<IndexBuffer>();
            if (sections.primitive) {
                entry.indexBuffer->load(sections.primitive->data, geometry);
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
        // Pointers into the set are taken once it has its place.
        const VisualRenderSet &placed = renderSets.back();
        const int first = int(geometries.size()) - int(placed.geometries.size());
        for (size_t g = 0; g < placed.geometries.size(); ++g) {
            made.emplace_back(&placed.geometries[g], geometries.at(first + int(g)));
        }
    }

    if (collectUv && !made.empty()) {
        for (const auto &[entry, geometry] : made) {
            QStringList textures;
            for (const PrimitiveGroupMaterials &group : entry->groups) {
                Material *first = group.materials.isEmpty() ? nullptr : group.materials.first();
                textures.append(diffuseTextureName(first));
            }
            collectUvTriangles(*geometry, entry->indexBuffer->use32BitIndices,
                               entry->indexBuffer->groups, textures, &uvEntries);
        }
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
