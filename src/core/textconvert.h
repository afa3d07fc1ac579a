#pragma once

#include <QColor>
#include <QString>

// Conversions between settings values and their text form.

// "r g b a" as decimal integers joined by one blank.
QString colorToString(const QColor &colour);
QString boolToString(bool value);
// True when the text contains "true" in any letter case.
bool stringToBool(const QString &text);
// The leading characters up to the first white-space or NUL character.
QString firstWord(const QString &text);
// Four blank-separated numbers, each truncated to an integer; anything else,
// including a part that is not a finite number in int range, is an invalid colour.
QColor stringToColor(const QString &text);
