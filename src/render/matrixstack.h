#pragma once

#include "core/singleton.h"

#include <QObject>
#include <QVector>

#include <glm/glm.hpp>

class Camera;

// The matrices every draw routine reads: the view's projection and view, the
// shadow light's projection and view, the normal matrix and the shadow-map bias.
// One instance, created by the view once its context exists.
class MatrixStack : public QObject, public Singleton<MatrixStack>
{
    Q_OBJECT

public:
    explicit MatrixStack(QObject *parent = nullptr);
    ~MatrixStack() override;

    // Takes the camera's view and its normal matrix; the stack restarts with the
    // current projection as its only entry.
    void setView(const Camera &camera);
    void setLightView(const glm::mat4 &matrix);

    QVector<glm::mat4> stack;
    glm::mat4 projection {1.0f};
    glm::mat4 view {1.0f};
    glm::mat4 lightProjection {1.0f};
    glm::mat4 lightView {1.0f};
    glm::mat3 normalMatrix {1.0f};
    // Maps clip space -1..1 to shadow-map texture space 0..1.
    glm::mat4 depthBias;

private:
    Q_DISABLE_COPY(MatrixStack)
};
