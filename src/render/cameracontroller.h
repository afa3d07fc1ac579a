#pragma once

#include "render/camera.h"

#include <QObject>
#include <QPointF>

#include <glm/glm.hpp>

#include <functional>
#include <optional>

class QWidget;

// The cursors the view shows while navigating.
enum class NavigationCursor { Pan, Orbit, Roll, Idle, Armour };

// What the view has to do after a mouse press.
struct PressResult
{
    std::optional<NavigationCursor> cursor; // empty: keep the current cursor
    bool castArmourRay = false;             // read the depth under lastMouseX/Y and trace a shot
};

// The view's side of the camera: the values shown to the camera dock (target,
// angles, zoom, field of view), mouse navigation, the camera presets and camera
// files. The view forwards its mouse events, its size and the camera slots here
// and relays the signals; nothing in here touches GL.
class CameraController : public QObject
{
    Q_OBJECT

public:
    // Milliseconds from a monotonic clock.
    using Clock = std::function<qint64()>;

    // Without a clock, the controller times drags with its own monotonic clock.
    explicit CameraController(Clock clock = {}, QObject *parent = nullptr);

    // Stores the viewport size in pixels and updates the projection.
    void resize(int width, int height);
    // Aspect = widthPx / heightPx (1 while the height is 0).
    void updateProjection();

    PressResult mousePress(const QPointF &pos, Qt::MouseButtons buttons,
                           Qt::KeyboardModifiers modifiers, bool armourMode);
    void mouseMove(const QPointF &pos, Qt::MouseButtons buttons);
    // Answers the cursor to show afterwards.
    NavigationCursor mouseRelease(bool armourMode);
    void wheel(int delta);

    // One frame of auto-rotation after elapsedMs milliseconds, at spinVelocity.y / 7 degrees
    // per second.
    void autoRotate(double elapsedMs);

    // Reads MouseInvertX/Y: true flips that pan direction.
    void setMouseInverted(bool x, bool y);

    // Parent of the file choosers.
    void setDialogParent(QWidget *parent) { mDialogParent = parent; }

    Camera camera;
    glm::vec3 cameraTarget {0.0f};
    glm::vec3 cameraRotation {0.0f};
    float zoom = 12.0f;
    glm::vec3 spinVelocity {0.0f};
    glm::vec3 dragAccumulator {0.0f};
    float fov = 55.0f;
    int widthPx = 0;
    int heightPx = 0;
    qint64 pressMs = 0;
    double lastMouseX = 0.0;
    double lastMouseY = 0.0;
    float invertX = 1.0f;
    float invertY = 1.0f;
    bool panLock = false;
    float orthoExtents[4] = {0.0f, 0.0f, 0.0f, 0.0f};

public slots:
    void setcameraPositionX(double v);
    void setcameraPositionY(double v);
    void setcameraPositionZ(double v);
    void setcameraRotationX(double v);
    void setcameraRotationY(double v);
    void setcameraRotationZ(double v);
    void setCameraFov(int v);
    void setCameraZoom(int v);
    void resetCamera();
    // i is the dock selector index: 0 perspective, 1 orthographic.
    void cameraTypeChanged(int i);
    void cameraViewChanged(int i);
    void saveCameraView();
    void loadCameraView();

signals:
    void cameraZoomChanged(int zoom);
    void cameraFovChanged(int fov);
    void cameraRotationXChanged(double v);
    void cameraRotationYChanged(double v);
    void cameraRotationZChanged(double v);
    void cameraPositionXChanged(double v);
    void cameraPositionYChanged(double v);
    void cameraPositionZChanged(double v);
    // After a camera file was loaded: the dock shows typeIndex in its type selector and
    // "Default" in its view selector, both with their signals blocked.
    void cameraFileLoaded(int typeIndex);

private:
    void setTargetComponent(int component, double v);
    void setRotationComponent(int component, double v);
    void emitRotation();
    void emitPosition();

    Clock mClock;
    QWidget *mDialogParent = nullptr;

    Q_DISABLE_COPY(CameraController)
};

// Wraps an angle in degrees into -180..180.
float wrapDegrees(float degrees);
