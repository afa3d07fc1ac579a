#include "render/meshplacement.h"

#include "core/log.h"
#include "gamedata/visualnode.h"
#include "render/indexbuffer.h"
#include "render/matrixstack.h"
#include "render/visual.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>

namespace {

// GL_UNSIGNED_SHORT and GL_UNSIGNED_INT, as glDrawElements takes them.
constexpr unsigned int indexTypeShort = 0x1403;
constexpr unsigned int indexTypeInt = 0x1405;

QString describe(const Visual *visual)
{
    return visual ? visual->fileName : QStringLiteral("(no model)");
}

// The named node of a visual, or null with a Warning naming what the part lacks.
const VisualNode *requireNode(const Visual *visual, const QString &name)
{
    const VisualNode *node = visual ? findVisualNode(*visual, name) : nullptr;
    if (!node) {
        logLine(QStringLiteral("Tank part placement: no node \"") + name + QStringLiteral("\" in ")
                    + describe(visual) + QStringLiteral("; using identity."),
                Warning);
    }
    return node;
}

// R: the first node bound to the first render set.
const VisualNode *boundNode(const Visual &visual)
{
    if (!visual.renderSets.empty() && !visual.renderSets.front().nodes.isEmpty()
        && visual.renderSets.front().nodes.front()) {
        return visual.renderSets.front().nodes.front();
    }
    logLine(QStringLiteral("Tank part placement: the first render set of ") + visual.fileName
                + QStringLiteral(" has no bound node; using identity."),
            Warning);
    return nullptr;
}

glm::mat4 scaleOf(const VisualNode *node)
{
    return node ? glm::scale(glm::mat4(1.0f), node->scale) : glm::mat4(1.0f);
}

glm::mat4 localOf(const VisualNode *node)
{
    return node ? node->localTransform : glm::mat4(1.0f);
}

glm::vec3 jointPosition(const Visual *visual, const QString &name)
{
    const VisualNode *joint = requireNode(visual, name);
    return joint ? joint->translation : glm::vec3(0.0f);
}

} // namespace

MeshMatrices meshMatrices(const glm::mat4 &placement, bool mainPass)
{
    const MatrixStack *stack = MatrixStack::instance();
    const glm::mat4 identity(1.0f);
    MeshMatrices m;
    if (mainPass) {
        m.modelView = (stack ? stack->view : identity) * placement;
        m.mvp = (stack ? stack->projection : identity) * m.modelView;
        m.depthBias = stack
                          ? stack->depthBias * stack->lightProjection * stack->lightView * placement
                          : placement;
    } else {
        m.modelView = (stack ? stack->lightView : identity) * placement;
        m.mvp = (stack ? stack->lightProjection : identity) * m.modelView;
        m.depthBias = identity;
    }
    return m;
}

std::optional<GroupDrawRange> groupDrawRange(const IndexBuffer &indices, int groupIndex)
{
    if (groupIndex < 0 || groupIndex >= indices.groups.size()) {
        return std::nullopt;
    }
    const PrimitiveGroup &group = indices.groups[groupIndex];
    const qint64 width = indices.use32BitIndices ? 4 : 2;
    // The group table of a file may promise more than the section holds; the draw
    // keeps to the whole triangles inside the buffer.
    const qint64 held = indices.byteSize() / width;
    const qint64 start = group.startIndex;
    const qint64 wanted = qint64(group.primitiveCount) * 3;
    const qint64 count = std::min(wanted, held - start) / 3 * 3;
    if (start >= held || count <= 0) {
        return std::nullopt;
    }
    GroupDrawRange range;
    range.indexCount = int(count);
    range.indexType = indices.use32BitIndices ? indexTypeInt : indexTypeShort;
    range.byteOffset = quintptr(start * width);
    return range;
}

VisualNode *findVisualNode(const Visual &visual, const QString &name)
{
    if (!visual.root) {
        return nullptr;
    }
    if (visual.root->identifier.compare(name, Qt::CaseInsensitive) == 0) {
        return visual.root.get();
    }
    return visual.root->findChild(name);
}

TankPartPlacement composeTankPartModel(quint32 part, const glm::vec3 &position, const Visual &own,
                                       const Visual *chassis, const Visual *hull,
                                       const Visual *turret)
{
    TankPartPlacement placement;
    placement.position = position;
    glm::mat4 &model = placement.model;
    switch (part) {
    case 0: {
        const glm::mat4 s = scaleOf(requireNode(chassis, QStringLiteral("tank")));
        model = glm::translate(model, position) * scaleOf(boundNode(own)) * s;
        break;
    }
    case 1: {
        const glm::mat4 s = scaleOf(requireNode(chassis, QStringLiteral("tank")));
        model = glm::translate(model, position) * localOf(boundNode(own)) * s;
        break;
    }
    case 2:
        placement.position = jointPosition(hull, QStringLiteral("HP_turretJoint"));
        model = glm::translate(model, placement.position);
        break;
    case 3: {
        placement.position = jointPosition(turret, QStringLiteral("HP_gunJoint"));
        model = glm::translate(model, placement.position);
        const VisualNode *r = boundNode(own);
        const bool worldSpace =
            !own.renderSets.empty() && own.renderSets.front().treatAsWorldSpaceObject;
        model = model * (worldSpace ? scaleOf(r) : localOf(r));
        // The "gun" node is optional.
        if (const VisualNode *gun = findVisualNode(own, QStringLiteral("gun"))) {
            model = model * gun->localTransform;
        }
        break;
    }
    default: break;
    }
    return placement;
}

CamouflageDecision decideCamouflage(int shownForm, quint32 part, const QString &identifier,
                                    const TankCamouflage &camouflage)
{
    CamouflageDecision decision;
    if (shownForm != 0 || !camouflage.overlay || part > 3
        || identifier.contains(QLatin1String("equipment"))
        || identifier.contains(QLatin1String("bottom"))
        || identifier.contains(QLatin1String("track"))) {
        return decision;
    }
    glm::vec4 tiling(1.0f);
    switch (part) {
    case 0:
        if (camouflage.chassisMask.isEmpty()) {
            return decision;
        }
        decision.maskName = camouflage.chassisMask;
        decision.maskName.replace(QLatin1Char('\\'), QLatin1Char('/'));
        break;
    case 1:
        decision.maskName = camouflage.hullMask;
        decision.maskName.replace(QLatin1Char('\\'), QLatin1Char('/'));
        break;
    case 2:
        tiling = camouflage.turretTiling;
        decision.maskName = camouflage.turretMask;
        break;
    default:
        tiling = camouflage.gunTiling;
        decision.maskName = camouflage.gunMask;
        break;
    }
    decision.enabled = true;
    for (int i = 0; i < 4; ++i) {
        decision.colors[i] = camouflage.colors[i] * 0.003921569f;
    }
    decision.tiling = tiling * camouflage.tankTiling;
    return decision;
}
