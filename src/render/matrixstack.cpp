#include "render/matrixstack.h"

#include "render/camera.h"

MatrixStack::MatrixStack(QObject *parent)
    : QObject(parent)
    , depthBias(0.5f, 0.0f, 0.0f, 0.0f, //
                0.0f, 0.5f, 0.0f, 0.0f, //
                0.0f, 0.0f, 0.5f, 0.0f, //
                0.5f, 0.5f, 0.5f, 1.0f)
{
}

MatrixStack::~MatrixStack() = default;

void MatrixStack::setView(const Camera &camera)
{
    view = camera.view;
    normalMatrix = glm::transpose(glm::inverse(glm::mat3(view)));
    stack.clear();
    stack.append(projection);
}

void MatrixStack::setLightView(const glm::mat4 &matrix)
{
    lightView = matrix;
}
