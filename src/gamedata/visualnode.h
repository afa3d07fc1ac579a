#pragma once

#include <QString>

#include <glm/glm.hpp>

#include <memory>
#include <vector>

class QDomElement;

// A named node of a .visual file's tree (hard points such as "HP_turretJoint").
class VisualNode
{
public:
    VisualNode() = default;
    VisualNode(const VisualNode &) = delete;
    VisualNode &operator=(const VisualNode &) = delete;

    // Reads a "node" element and its subtree: identifier, transform (only its
    // translation and diagonal scale are kept) and the direct "node" children.
    void load(const QDomElement &element);
    // The first descendant (depth-first, pre-order; not this node) whose identifier
    // equals name ignoring case; null when none does.
    VisualNode *findChild(const QString &name) const;
    // Empties the identifier, resets both transforms and deletes the children.
    void clear();

    QString identifier;
    std::vector<std::unique_ptr<VisualNode>> children;
    glm::mat4 localTransform {1.0f};
    glm::vec3 translation {0.0f};
    glm::vec3 scale {0.0f};
    glm::mat4 worldTransform {1.0f};

private:
    void load(const QDomElement &element, int depth);
};
