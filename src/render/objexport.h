#pragma once

#include <QString>
#include <QVector>

#include <glm/glm.hpp>

struct VisualGeometry;

// Text of the OBJ lines: each component by QString::number 'g' with precision 6,
// joined by single blanks.
[[nodiscard]] QString vec4ToString(const glm::vec4 &v);
[[nodiscard]] QString vec2ToString(const glm::vec2 &v);

// The OBJ text of one geometry placed by placement. Positions go through the whole
// matrix, normals through the inverse-transpose of its upper 3x3 (normalised, three
// components), texture coordinates are written as (u, -v). Faces come from the 32-bit
// index list when the geometry has one, else from the 16-bit list; each corner names
// the same 1-based index for position, texture coordinate and normal.
[[nodiscard]] QString objText(const VisualGeometry &geometry, const glm::mat4 &placement);

// The file of geometry record index of the model at path:
// folder/<path without ".model">_<index>.obj, cleaned of "." and "..", in native
// separators. Backslashes in either part count as folder separators.
[[nodiscard]] QString objFileName(const QString &folder, const QString &path, int index);

// Writes one file per geometry (objFileName of folder and path) with objText under
// placement. A file that would fall outside folder (a path climbing out with "..",
// or an empty folder) is refused with a Warning. Stops at the first file refused or
// not written and answers false; files written before it stay, and each file is
// replaced whole or not at all. The folder of each file is created inside folder.
[[nodiscard]] bool writeObjFiles(const QString &folder, const QString &path,
                                 const QVector<VisualGeometry *> &geometries,
                                 const glm::mat4 &placement);
