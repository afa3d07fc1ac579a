#include "gamedata/visualdocument.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "gamedata/binaryreader.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/visualnode.h"

#include <QBuffer>
#include <QDomNodeList>

#include <limits>
#include <memory>

namespace {

// Whitespace simplified and every blank removed, as the game's names never hold one.
QString compactText(const QDomElement &element)
{
    return element.text().simplified().remove(QLatin1Char(' '));
}

QString compactChildText(const QDomElement &parent, const QString &name)
{
    return compactText(parent.firstChildElement(name));
}

} // namespace

QString VisualGeometryRecord::name() const
{
    QString n = vertices;
    return n.remove(QStringLiteral(".vertices"));
}

VisualNode *bindVisualNode(VisualNode *root, const QString &name)
{
    if (root->identifier.compare(name, Qt::CaseInsensitive) == 0) {
        return root;
    }
    if (VisualNode *found = root->findChild(name)) {
        return found;
    }
    return root;
}

int primitiveGroupIndex(const QDomElement &element)
{
    // Only the element's own value counts: the material below it holds digits too.
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (!n.isText()) {
            continue;
        }
        const QString text = n.toText().data();
        int i = 0;
        while (i < text.size() && !text.at(i).isDigit()) {
            ++i;
        }
        if (i == text.size()) {
            continue;
        }
        qint64 value = 0;
        for (; i < text.size() && text.at(i).isDigit(); ++i) {
            value = value * 10 + text.at(i).digitValue();
            if (value > std::numeric_limits<int>::max()) {
                return 0;
            }
        }
        return int(value);
    }
    return 0;
}

QVector<VisualRenderSetRecord> readVisualDocument(const QDomDocument &doc, VisualNode *root)
{
    root->clear();
    root->load(doc.documentElement().firstChildElement(QStringLiteral("node")));

    QVector<VisualRenderSetRecord> sets;
    const QDomNodeList setElements = doc.elementsByTagName(QStringLiteral("renderSet"));
    for (int s = 0; s < setElements.size(); ++s) {
        const QDomElement setElement = setElements.at(s).toElement();
        VisualRenderSetRecord set;
        set.treatAsWorldSpaceObject =
            setElement.firstChildElement(QStringLiteral("treatAsWorldSpaceObject"))
                .text()
                .contains(QLatin1String("true"), Qt::CaseInsensitive);

        const QDomNodeList nodes = setElement.elementsByTagName(QStringLiteral("node"));
        for (int i = 0; i < nodes.size(); ++i) {
            set.nodes.append(bindVisualNode(root, compactText(nodes.at(i).toElement())));
        }

        const QDomNodeList geometries = setElement.elementsByTagName(QStringLiteral("geometry"));
        for (int g = 0; g < geometries.size(); ++g) {
            const QDomElement geometryElement = geometries.at(g).toElement();
            VisualGeometryRecord geometry;
            geometry.vertices = compactChildText(geometryElement, QStringLiteral("vertices"));
            geometry.primitive = compactChildText(geometryElement, QStringLiteral("primitive"));
            geometry.stream = compactChildText(geometryElement, QStringLiteral("stream"));
            const QDomNodeList groups =
                geometryElement.elementsByTagName(QStringLiteral("primitiveGroup"));
            for (int k = 0; k < groups.size(); ++k) {
                const QDomElement groupElement = groups.at(k).toElement();
                VisualGroupRecord group;
                group.groupIndex = primitiveGroupIndex(groupElement);
                group.material = groupElement.firstChildElement(QStringLiteral("material"));
                geometry.groups.append(group);
            }
            set.geometries.append(geometry);
        }
        sets.append(set);
    }
    return sets;
}

VisualGeometrySections findGeometrySections(const PrimitiveParser &parser,
                                            const VisualGeometryRecord &geometry,
                                            const QString &fileName)
{
    VisualGeometrySections sections;
    sections.vertices = parser.findChunk(geometry.vertices);
    if (geometry.stream == QLatin1String("uv2")) {
        for (const PrimitiveChunk *chunk : parser.chunks) {
            if (chunk->name == geometry.stream) {
                sections.uv2 = chunk;
                break;
            }
        }
        if (!sections.uv2) {
            logLine(QStringLiteral("Visual file: ") + fileName
                        + QStringLiteral(" contains a stream tag: ") + geometry.stream
                        + QStringLiteral(" but no stream chunk exists by that name in the "
                                         "primitive file."),
                    Warning);
        }
    }
    sections.primitive = parser.findChunk(geometry.primitive);
    return sections;
}

std::optional<QDomDocument> openVisualDocument(const QString &fileName)
{
    FileManager *files = FileManager::instance();
    std::unique_ptr<QBuffer> buffer(files ? files->openFile(fileName) : nullptr);
    if (!buffer) {
        logLine(QStringLiteral("Failed loading: ") + fileName, Warning);
        return std::nullopt;
    }
    if (!buffer->isOpen() && !buffer->open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Binary reader Failed loading: ") + fileName, Warning);
        return std::nullopt;
    }
    BinaryReader stream(buffer.get());
    PackedXmlReader reader(&stream);
    return reader.read(fileName);
}
