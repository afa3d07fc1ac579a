#pragma once

#include <QByteArray>
#include <QString>

#include <glm/glm.hpp>

#include <optional>

// The contents of a "*.Camera" file: an XML document with root "Camera".
struct CameraFile
{
    glm::vec3 target {0.0f};
    glm::vec3 rotation {0.0f}; // degrees
    float fov = 0.0f;          // degrees
    float zoom = 0.0f;
    int type = 0; // dock selector index: 0 perspective, 1 orthographic
};

// The document text, children Target, Rotation, Fov, Zoom, Type in that order;
// numbers in the shortest general format with 6 significant digits.
[[nodiscard]] QString writeCameraFile(const CameraFile &file);
// Empty when the bytes are not well-formed XML. Missing elements read as 0, and a
// vector reads as zero unless all three numbers parse. Numbers use '.' whatever the locale.
[[nodiscard]] std::optional<CameraFile> readCameraFile(const QByteArray &bytes);

// Three numbers separated by blanks; (0, 0, 0) unless all three parse.
[[nodiscard]] glm::vec3 parseCameraVector(const QString &text);
