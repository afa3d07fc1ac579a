#include "render/camera.h"

#include "render/matrixstack.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float degreesToRadians = 0.017453292f;

glm::quat axisRotation(float degrees, const glm::vec3 &axis)
{
    const float half = degrees * degreesToRadians * 0.5f;
    const float s = std::sin(half);
    return glm::quat(std::cos(half), axis.x * s, axis.y * s, axis.z * s);
}

void publishProjection(const glm::mat4 &projection)
{
    if (MatrixStack *stack = MatrixStack::instance()) {
        stack->projection = projection;
    }
}

} // namespace

Camera::Camera()
{
    reset();
}

void Camera::reset()
{
    aspect = 1.0f;
    target = glm::vec3(0.0f);
    eye = glm::vec3(0.0f);
    right = glm::vec3(1.0f, 0.0f, 0.0f);
    up = glm::vec3(0.0f, 1.0f, 0.0f);
    back = glm::vec3(0.0f, 0.0f, 1.0f);
    forward = -back;
    groundAxis = glm::vec3(1.0f, 0.0f, 0.0f);
    distance = 1.0f;
    view = glm::mat4(1.0f);
    projection = glm::mat4(1.0f);
}

void Camera::setRotation(const glm::vec3 &degrees)
{
    orientation = axisRotation(degrees.x, glm::vec3(1.0f, 0.0f, 0.0f))
                  * axisRotation(degrees.y, glm::vec3(0.0f, 1.0f, 0.0f))
                  * axisRotation(degrees.z, glm::vec3(0.0f, 0.0f, 1.0f));
    updateView();
}

void Camera::updateView()
{
    const glm::mat3 r = glm::mat3_cast(orientation);
    right = glm::vec3(r[0][0], r[1][0], r[2][0]);
    up = glm::vec3(r[0][1], r[1][1], r[2][1]);
    back = glm::vec3(r[0][2], r[1][2], r[2][2]);
    forward = -back;
    eye = target + distance * back;
    groundAxis = glm::normalize(glm::cross(right, glm::vec3(0.0f, 1.0f, 0.0f)));

    view = glm::mat4(r);
    view[3] = glm::vec4(-glm::dot(right, eye), -glm::dot(up, eye), -glm::dot(back, eye), 1.0f);
}

void Camera::pan(const glm::vec3 &d)
{
    target += d.x * right + d.y * up + d.z * back;
    updateView();
}

void Camera::setPerspective()
{
    const float f = 1.0f / std::tan(fov * degreesToRadians * 0.5f);
    projection = glm::mat4(0.0f);
    projection[0][0] = f / aspect;
    projection[1][1] = f;
    projection[2][2] = -(far + near) / (far - near);
    projection[2][3] = -1.0f;
    projection[3][2] = -2.0f * far * near / (far - near);
    publishProjection(projection);
}

void Camera::setOrthographic(float left, float right_, float bottom, float top)
{
    // Pixel extents to world units.
    const float l = left * 0.002f;
    const float r = right_ * 0.002f;
    const float b = bottom * 0.002f;
    const float t = top * 0.002f;
    projection = glm::mat4(0.0f);
    projection[0][0] = 2.0f / (r - l);
    projection[1][1] = 2.0f / (t - b);
    projection[2][2] = -0.001f;
    projection[3][0] = -(r + l) / (r - l);
    projection[3][1] = -(t + b) / (t - b);
    projection[3][2] = 0.0f;
    projection[3][3] = 1.0f;
    publishProjection(projection);
}

std::optional<int> cameraTypeFromSelectorIndex(int index)
{
    switch (index) {
    case 0: return Camera::TypePerspective;
    case 1: return Camera::TypeOrthographic;
    default: return std::nullopt;
    }
}

int cameraSelectorIndexFromType(int type)
{
    return type == Camera::TypePerspective ? 0 : 1;
}

glm::ivec2 depthPixelForPick(double x, double y, int width, int height)
{
    // Window rows count down from the top, GL rows up from the bottom; the last
    // row of the window is GL row 0, so row h itself lies outside.
    const int px = std::clamp(int(x), 0, std::max(width - 1, 0));
    const int py = std::clamp(int(height - y), 0, std::max(height - 1, 0));
    return glm::ivec2(px, py);
}

CameraRay cameraRayThrough(const Camera &camera, double x, double y, int width, int height,
                           float depth)
{
    const float w = float(std::max(width, 1));
    const float h = float(std::max(height, 1));
    const glm::vec4 ndc(float(x) / w * 2.0f - 1.0f, (h - float(y)) / h * 2.0f - 1.0f,
                        depth * 2.0f - 1.0f, 1.0f);
    glm::vec4 p = glm::inverse(camera.projection * camera.view) * ndc;
    p /= p.w;
    const glm::vec3 dir = glm::normalize(glm::vec3(p) - camera.eye);
    return CameraRay {camera.eye, camera.eye + 1000.0f * dir};
}
