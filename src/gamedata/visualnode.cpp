#include "gamedata/visualnode.h"

#include "gamedata/vectortext.h"

#include <QDomElement>

#include <glm/gtc/matrix_transform.hpp>

namespace {

// Deeper trees come only from crafted files; the rest of such a branch is dropped
// so that loading and searching cannot exhaust the stack.
constexpr int maxDepth = 256;

} // namespace

void VisualNode::load(const QDomElement &element)
{
    load(element, 0);
}

void VisualNode::load(const QDomElement &element, int depth)
{
    identifier = element.firstChildElement(QStringLiteral("identifier")).text().trimmed();
    const glm::mat4 m = parseMatrix(element.firstChildElement(QStringLiteral("transform")));
    translation = glm::vec3(m[3]);
    scale = glm::vec3(m[0].x, m[1].y, m[2].z);
    // The file's rotation is dropped on purpose: hard points are placed by
    // translation and scale alone.
    localTransform = glm::scale(glm::translate(glm::mat4(1.0f), translation), scale);

    if (depth >= maxDepth) {
        return;
    }
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement() && n.nodeName() == QLatin1String("node")) {
            auto child = std::make_unique<VisualNode>();
            child->load(n.toElement(), depth + 1);
            children.push_back(std::move(child));
        }
    }
}

VisualNode *VisualNode::findChild(const QString &name) const
{
    for (const auto &child : children) {
        if (child->identifier.compare(name, Qt::CaseInsensitive) == 0) {
            return child.get();
        }
        if (VisualNode *found = child->findChild(name)) {
            return found;
        }
    }
    return nullptr;
}

void VisualNode::clear()
{
    identifier.clear();
    localTransform = glm::mat4(1.0f);
    worldTransform = glm::mat4(1.0f);
    children.clear();
}
