#pragma once

#include <QString>

#include <initializer_list>

class QDomElement;

namespace internal {

// The element's text, trimmed, as QDomElement::text() gives it; empty for a null
// element.
[[nodiscard]] QString textOf(const QDomElement &element);

// The text of the element reached from parent by the first child of each name in
// turn; empty when one is missing.
[[nodiscard]] QString textAt(const QDomElement &parent, std::initializer_list<QString> path);

// A definition's user string through the game's translations; the string itself
// while no translations are loaded.
[[nodiscard]] QString translate(const QString &reference);

} // namespace internal
