#include "render/cameracontroller.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/savefile.h"
#include "render/camerafile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr float perspectiveNear = 0.1f;
constexpr float perspectiveFar = 400.0f;
// What the dock's field-of-view box and zoom slider allow.
constexpr float minFov = 20.0f;
constexpr float maxFov = 90.0f;
constexpr float minZoom = 1.0f;
constexpr float maxZoom = 50.0f;

float clampFinite(float v, float lo, float hi)
{
    if (!std::isfinite(v)) {
        return lo;
    }
    return std::clamp(v, lo, hi);
}

} // namespace

float wrapDegrees(float degrees)
{
    if (!std::isfinite(degrees)) {
        return degrees;
    }
    // Equals one "above 180: minus 360, below -180: plus 360" step for every
    // angle a single step can bring back, and keeps going for larger ones.
    return float(std::remainder(double(degrees), 360.0));
}

CameraController::CameraController(Clock clock, QObject *parent)
    : QObject(parent)
    , mClock(std::move(clock))
{
    if (!mClock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        mClock = [timer]() { return timer->elapsed(); };
    }
}

void CameraController::resize(int width, int height)
{
    widthPx = width;
    heightPx = height;
    orthoExtents[0] = -width / 2.0f;
    orthoExtents[1] = width / 2.0f;
    orthoExtents[2] = height / 2.0f;
    orthoExtents[3] = -height / 2.0f;
    updateProjection();
}

void CameraController::updateProjection()
{
    // Before the first resize the height is 0; any finite aspect does until then.
    const float aspect = heightPx != 0 ? float(widthPx) / float(heightPx) : 1.0f;
    if (camera.type == Camera::TypeOrthographic) {
        // Bottom below top, so the picture stays upright.
        const float s = zoom / aspect;
        const float w = float(widthPx);
        const float h = float(heightPx);
        camera.aspect = aspect;
        camera.setOrthographic(-w / 2.0f * s, w / 2.0f * s, -h / 2.0f * s, h / 2.0f * s);
    } else {
        camera.fov = fov;
        camera.near = perspectiveNear;
        camera.far = perspectiveFar;
        camera.aspect = aspect;
        camera.setPerspective();
    }
}

PressResult CameraController::mousePress(const QPointF &pos, Qt::MouseButtons buttons,
                                         Qt::KeyboardModifiers modifiers, bool armourMode)
{
    pressMs = mClock();
    dragAccumulator = glm::vec3(0.0f);
    spinVelocity = glm::vec3(0.0f);
    // A press can come without a move to the same spot (after a dialog closed);
    // the ray and the first drag delta must start here, not at a stale point.
    lastMouseX = pos.x();
    lastMouseY = pos.y();

    PressResult result;
    if (modifiers == Qt::ControlModifier) {
        result.castArmourRay = armourMode && buttons == Qt::LeftButton;
        return result;
    }
    if (buttons == Qt::RightButton) {
        result.cursor = NavigationCursor::Pan;
    } else if (buttons == Qt::LeftButton) {
        result.cursor = NavigationCursor::Orbit;
    } else if (buttons == Qt::MiddleButton) {
        result.cursor = NavigationCursor::Roll;
    }
    return result;
}

void CameraController::mouseMove(const QPointF &pos, Qt::MouseButtons buttons)
{
    const double dx = pos.x() - lastMouseX;
    const double dy = pos.y() - lastMouseY;
    if (buttons == Qt::LeftButton) {
        cameraRotation.x += float(0.3 * dy);
        cameraRotation.y += float(0.3 * dx);
        dragAccumulator.x += float(0.3 * dy);
        dragAccumulator.y += float(0.3 * dx);
        cameraRotation.x = wrapDegrees(cameraRotation.x);
        cameraRotation.y = wrapDegrees(cameraRotation.y);
        // The camera follows through the dock, which calls the rotation slots back.
        emitRotation();
    } else if (buttons == Qt::RightButton) {
        const glm::vec3 d(float(-(dx / 150.0) * invertX), float((dy / 150.0) * invertY), 0.0f);
        camera.pan(d);
        panLock = true;
        cameraTarget = camera.target;
        emitPosition();
    } else if (buttons == Qt::MiddleButton) {
        cameraRotation.z -= float(dy / 13.0);
        emit cameraRotationZChanged(cameraRotation.z);
    }
    lastMouseX = pos.x();
    lastMouseY = pos.y();
}

NavigationCursor CameraController::mouseRelease(bool armourMode)
{
    qint64 d = mClock() - pressMs;
    if (d < 2) {
        d = 1;
    }
    spinVelocity = dragAccumulator * 1000.0f / float(d);
    panLock = false;
    return armourMode ? NavigationCursor::Armour : NavigationCursor::Idle;
}

void CameraController::wheel(int delta)
{
    if (delta > 0) {
        zoom -= 1.0f;
    } else if (delta < 0) {
        zoom += 1.0f;
    }
    zoom = std::clamp(zoom, minZoom, maxZoom);
    updateProjection();
    camera.distance = zoom;
    camera.updateView();
    emit cameraZoomChanged(int(zoom));
}

void CameraController::autoRotate(double elapsedMs)
{
    cameraRotation.y = float(double(cameraRotation.y) + elapsedMs / 7000.0 * spinVelocity.y);
    cameraRotation.y = wrapDegrees(cameraRotation.y);
    camera.setRotation(cameraRotation);
    emit cameraRotationYChanged(cameraRotation.y);
}

void CameraController::setMouseInverted(bool x, bool y)
{
    invertX = x ? -1.0f : 1.0f;
    invertY = y ? -1.0f : 1.0f;
}

void CameraController::setTargetComponent(int component, double v)
{
    if (panLock) {
        return;
    }
    cameraTarget[component] = float(v);
    camera.target = cameraTarget;
    camera.updateView();
}

void CameraController::setRotationComponent(int component, double v)
{
    cameraRotation[component] = float(v);
    camera.setRotation(cameraRotation);
}

void CameraController::setcameraPositionX(double v)
{
    setTargetComponent(0, v);
}

void CameraController::setcameraPositionY(double v)
{
    setTargetComponent(1, v);
}

void CameraController::setcameraPositionZ(double v)
{
    setTargetComponent(2, v);
}

void CameraController::setcameraRotationX(double v)
{
    setRotationComponent(0, v);
}

void CameraController::setcameraRotationY(double v)
{
    setRotationComponent(1, v);
}

void CameraController::setcameraRotationZ(double v)
{
    setRotationComponent(2, v);
}

void CameraController::setCameraFov(int v)
{
    fov = float(v);
    updateProjection();
    emit cameraFovChanged(int(fov));
}

void CameraController::setCameraZoom(int v)
{
    zoom = float(v);
    camera.distance = zoom;
    camera.updateView();
    updateProjection();
    emit cameraZoomChanged(int(zoom));
}

void CameraController::resetCamera()
{
    camera.reset();
    cameraTarget = glm::vec3(0.0f);
    zoom = 12.0f;
    spinVelocity = glm::vec3(0.0f);
    cameraRotation = glm::vec3(28.0f, -25.0f, 0.0f);
    fov = 55.0f;
    updateProjection();
    emit cameraFovChanged(55);
    emit cameraZoomChanged(12);
    camera.target = cameraTarget;
    camera.setRotation(cameraRotation);
    camera.distance = zoom;
    camera.updateView();
    emitRotation();
    emitPosition();
    updateProjection();
}

void CameraController::cameraTypeChanged(int i)
{
    if (const std::optional<int> type = cameraTypeFromSelectorIndex(i)) {
        camera.type = *type;
    }
    updateProjection();
}

void CameraController::cameraViewChanged(int i)
{
    switch (i) {
    case 0: resetCamera(); return;
    case 1: // Top
        cameraRotation = glm::vec3(90.0f, 0.0f, 0.0f);
        break;
    case 2: // Bottom
        cameraRotation = glm::vec3(-90.0f, 0.0f, 0.0f);
        break;
    case 3: // Left
        cameraRotation = glm::vec3(0.0f, -90.0f, 0.0f);
        break;
    case 4: // Right
        cameraRotation = glm::vec3(0.0f, 90.0f, 0.0f);
        break;
    case 5: // Front
        cameraRotation = glm::vec3(0.0f, 0.0f, 0.0f);
        break;
    case 6: // Back
        cameraRotation = glm::vec3(0.0f, 180.0f, 0.0f);
        break;
    default: break;
    }
    emitRotation();
    camera.setRotation(cameraRotation);
}

void CameraController::saveCameraView()
{
    const QString name = chooseSaveFile(mDialogParent, tr("Save Camera File"), QString(),
                                        QStringLiteral("Camera (*.Camera)"), QStringList());
    if (name.isEmpty()) {
        return;
    }
    CameraFile contents;
    contents.target = camera.target;
    contents.rotation = cameraRotation;
    contents.fov = fov;
    contents.zoom = zoom;
    contents.type = cameraSelectorIndexFromType(camera.type);
    if (!saveFileBytes(name, writeCameraFile(contents).toUtf8())) {
        logLine(QStringLiteral("Could not open camera file."), Error);
    }
}

void CameraController::loadCameraView()
{
    const QString name = chooseOpenFile(mDialogParent, tr("Open Camera File"), QString(),
                                        QStringLiteral("Camera (*.Camera)"), QStringList());
    if (name.isEmpty()) {
        return;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Could not open camera file."), Error);
        return;
    }
    const std::optional<CameraFile> contents = readCameraFile(file.readAll());
    file.close();
    if (!contents) {
        return;
    }

    camera.reset();
    cameraTarget = contents->target;
    camera.target = cameraTarget;
    cameraRotation = contents->rotation;
    camera.setRotation(cameraRotation);
    // A missing or zero Fov or Zoom would make the projection infinite; hold both
    // to the range the dock would force.
    zoom = clampFinite(contents->zoom, minZoom, maxZoom);
    camera.distance = zoom;
    fov = clampFinite(contents->fov, minFov, maxFov);
    if (const std::optional<int> type = cameraTypeFromSelectorIndex(contents->type)) {
        camera.type = *type;
    }
    camera.updateView();
    updateProjection();
    emitRotation();
    emitPosition();
    emit cameraFovChanged(int(fov));
    emit cameraZoomChanged(int(zoom));
    emit cameraFileLoaded(cameraSelectorIndexFromType(camera.type));
}

void CameraController::emitRotation()
{
    emit cameraRotationXChanged(cameraRotation.x);
    emit cameraRotationYChanged(cameraRotation.y);
    emit cameraRotationZChanged(cameraRotation.z);
}

void CameraController::emitPosition()
{
    emit cameraPositionXChanged(cameraTarget.x);
    emit cameraPositionYChanged(cameraTarget.y);
    emit cameraPositionZChanged(cameraTarget.z);
}
