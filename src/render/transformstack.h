#pragma once

#include <QVector>

#include <glm/glm.hpp>

// The running matrix of a model's parts while they are drawn or exported.
class TransformStack
{
public:
    // Saves `current` on the stack.
    void push();
    // Restores `current` from the top entry and drops it; an empty stack changes nothing.
    void pop();

    QVector<glm::mat4> stack;
    glm::mat4 current {1.0f};
};
