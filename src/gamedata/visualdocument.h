#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QVector>

#include <optional>

class PrimitiveParser;
struct PrimitiveChunk;
class VisualNode;

// The CPU side of a .visual file: what its render sets ask for, before any GL
// object or material exists.

// One "primitiveGroup" element.
struct VisualGroupRecord
{
    int groupIndex = 0;
    QDomElement material; // its first "material" child; null when there is none
};

// One "geometry" element: the section names with blanks removed.
struct VisualGeometryRecord
{
    QString vertices;
    QString primitive;
    QString stream;
    QVector<VisualGroupRecord> groups;

    // The vertices name without ".vertices".
    QString name() const;
};

// One "renderSet" element.
struct VisualRenderSetRecord
{
    bool treatAsWorldSpaceObject = false;
    QVector<VisualNode *> nodes; // into the tree read by readVisualDocument; not owned
    QVector<VisualGeometryRecord> geometries;
};

// The sections one geometry uses; null where the file lacks them.
struct VisualGeometrySections
{
    const PrimitiveChunk *vertices = nullptr;
    const PrimitiveChunk *primitive = nullptr;
    const PrimitiveChunk *uv2 = nullptr;
};

// Reads the node tree into root (from the first "node" child of the document
// element; root is cleared first) and every "renderSet" in document order, binding
// each render-set node name to the tree. The records point into doc and root.
[[nodiscard]] QVector<VisualRenderSetRecord> readVisualDocument(const QDomDocument &doc,
                                                                VisualNode *root);

// The node a render set names: root when the root's identifier matches (ignoring
// case), else the first match below it, else root.
[[nodiscard]] VisualNode *bindVisualNode(VisualNode *root, const QString &name);

// The first run of decimal digits in the element's own text nodes; 0 without one.
[[nodiscard]] int primitiveGroupIndex(const QDomElement &element);

// Looks up the sections of a geometry; misses are Warning lines ("Could not locate
// data chunk: ", and for a "uv2" stream without its section the stream warning
// naming fileName).
[[nodiscard]] VisualGeometrySections findGeometrySections(const PrimitiveParser &parser,
                                                          const VisualGeometryRecord &geometry,
                                                          const QString &fileName);

// Reads the .visual file fileName (packed or plain XML) through the FileManager. No
// file: Warning "Failed loading: " and the name; a buffer that cannot be opened:
// Warning "Binary reader Failed loading: " and the name; both give nothing.
[[nodiscard]] std::optional<QDomDocument> openVisualDocument(const QString &fileName);
