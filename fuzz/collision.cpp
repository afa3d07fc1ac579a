// A collision model's .primitives file into the collision groups the armour view
// and the shots use, CPU side: each "X.vertices" section with its "X.indices" section
// decoded as the model loader decodes them, then one Bullet triangle mesh and tree
// per primitive group, over the group's index range cut to the indices held, as the
// collision mesh builds them.
#include "armour/collisionmesh.h"

#include "gamedata/indexsection.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualgeometry.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QMessageBox>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

const PrimitiveChunk *section(const PrimitiveParser &parser, const QString &name)
{
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        if (chunk->name == name) {
            return chunk;
        }
    }
    return nullptr;
}

void buildGroups(const VisualGeometry &geometry, const IndexSection &indices)
{
    const qsizetype held =
        indices.use32BitIndices ? geometry.indices32.size() : geometry.indices16.size();
    for (const PrimitiveGroup &range : indices.groups) {
        const qsizetype start = qsizetype(range.startIndex);
        const qsizetype count =
            start < held ? std::min(qsizetype(range.primitiveCount) * 3, held - start) / 3 * 3 : 0;
        if (count <= 0) {
            continue;
        }
        int skipped = 0;
        const std::unique_ptr<CollisionGroup> group =
            indices.use32BitIndices
                ? buildCollisionGroup(geometry.positions, geometry.indices32.constData() + start,
                                      count, glm::mat4(1.0f), &skipped)
                : buildCollisionGroup(geometry.positions, geometry.indices16.constData() + start,
                                      count, glm::mat4(1.0f), &skipped);
        if (group->triangles.size() + skipped != count / 3) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    PrimitiveParser parser;
    (void)parser.parseBytes(bytes);
    const QString verticesSuffix = QStringLiteral(".vertices");
    for (const PrimitiveChunk *chunk : std::as_const(parser.chunks)) {
        if (!chunk->name.endsWith(verticesSuffix)) {
            continue;
        }
        const PrimitiveChunk *indexChunk = section(
            parser, chunk->name.chopped(verticesSuffix.size()) + QStringLiteral(".indices"));
        if (!indexChunk) {
            continue;
        }
        const VisualGeometry geometry =
            decodeVisualGeometry(chunk->name, &chunk->data, nullptr, &indexChunk->data);
        buildGroups(geometry, geometry.indexLayout);
    }
    return 0;
}
