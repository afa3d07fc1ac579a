#include "render/transformstack.h"

void TransformStack::push()
{
    stack.append(current);
}

void TransformStack::pop()
{
    if (stack.isEmpty()) {
        return;
    }
    current = stack.takeLast();
}
