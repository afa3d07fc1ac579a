#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <optional>

// The orbit camera: Euler angles give an orientation, the eye sits `distance`
// behind `target` along `back`. Angles are degrees, lengths world units.
//
// Two encodings of the projection kind exist: `type` (1 perspective, 0
// orthographic) and the index of the camera dock's type selector and of camera
// files (0 perspective, 1 orthographic). The helpers below convert between them.
class Camera
{
public:
    static constexpr int TypeOrthographic = 0;
    static constexpr int TypePerspective = 1;

    Camera();

    // Aspect 1, target and eye at the origin, identity axes and matrices,
    // distance 1; orientation, fov, near, far and type are kept.
    void reset();
    // Orientation = q(x about X) * q(y about Y) * q(z about Z); then updateView().
    void setRotation(const glm::vec3 &degrees);
    void updateView();
    // Moves the target along the camera axes by d (right, up, back).
    void pan(const glm::vec3 &d);
    // Both write the matrix into `projection` and into the matrix stack, if any.
    void setPerspective();
    // Bounds in pixels, scaled by 0.002 to world units.
    void setOrthographic(float left, float right, float bottom, float top);

    bool isPerspective() const { return type == TypePerspective; }

    glm::mat4 view {1.0f};
    glm::mat4 projection {1.0f};
    glm::vec3 target {0.0f};
    glm::vec3 eye {0.0f};
    glm::vec3 right {1.0f, 0.0f, 0.0f};
    glm::vec3 up {0.0f, 1.0f, 0.0f};
    glm::vec3 back {0.0f, 0.0f, 1.0f};
    glm::vec3 forward {0.0f, 0.0f, -1.0f};
    glm::quat orientation {1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 groundAxis {1.0f, 0.0f, 0.0f};
    float aspect = 1.0f;
    float fov = 55.0f;
    float near = 0.1f;
    float far = 400.0f;
    int type = TypePerspective;
    float distance = 1.0f;
};

// Dock selector / camera file index (0 perspective, 1 orthographic) to `Camera::type`;
// empty for any other index.
std::optional<int> cameraTypeFromSelectorIndex(int index);
// `Camera::type` to the dock selector / camera file index.
int cameraSelectorIndexFromType(int type);

// A pick ray from the eye through a window point; `to` = `from` + 1000 * direction.
struct CameraRay
{
    glm::vec3 from {0.0f};
    glm::vec3 to {0.0f};
};

// The pixel whose depth a pick at window point (x, y) (top-left origin) reads,
// in GL's bottom-left convention, clamped into the framebuffer.
glm::ivec2 depthPixelForPick(double x, double y, int width, int height);

// The ray under window point (x, y) of a width x height view, given the depth
// buffer value (0..1) read there; a background pick (1.0) runs through the far plane.
CameraRay cameraRayThrough(const Camera &camera, double x, double y, int width, int height,
                           float depth);
