#pragma once

#include <QString>

#include <glm/glm.hpp>

class QDomElement;

// Two numbers read from text as scanf's "%f%f" reads them, independent of the
// process locale; (0, 0) unless both are read. A number that is not finite as a
// float ("nan", "inf", 1e39) makes the text read as missing, with a Warning; the
// same holds for the three- and four-number forms.
[[nodiscard]] glm::vec2 parseVec2(const QString &text);
// Three numbers read from text as scanf's "%f%f%f" reads them, independent of the
// process locale (the game always writes a decimal point); (0, 0, 0) unless all
// three are read.
[[nodiscard]] glm::vec3 parseVec3(const QString &text);
// A tank definition's limits, (minimum, maximum) in degrees, read as parseVec2 reads
// them.
[[nodiscard]] glm::vec2 parseLimits(const QString &text);
// Four numbers, read the same way; the zero vector unless all four are read.
[[nodiscard]] glm::vec4 parseVec4(const QString &text);

// False when all count (1 to 4) numbers of text are read and one of them is not
// finite, so that a caller may skip the value instead of taking zeros; logs nothing.
[[nodiscard]] bool vectorTextIsFinite(const QString &text, int count);

// A transform from the children "row0".."row3" of element: row0..row2 become the
// basis columns and row3 the translation, its x negated for the viewer's mirrored x.
// Missing rows are zero.
[[nodiscard]] glm::mat4 parseMatrix(const QDomElement &element);
