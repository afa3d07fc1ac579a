#include "core/textconvert.h"

#include <QStringList>

#include <cmath>
#include <limits>

QString colorToString(const QColor &colour)
{
    return QString::number(colour.red()) + QLatin1Char(' ') + QString::number(colour.green())
           + QLatin1Char(' ') + QString::number(colour.blue()) + QLatin1Char(' ')
           + QString::number(colour.alpha());
}

QString boolToString(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool stringToBool(const QString &text)
{
    return text.contains(QLatin1String("true"), Qt::CaseInsensitive);
}

QString firstWord(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSpace() || c.isNull()) {
            return text.left(i);
        }
    }
    return text;
}

QColor stringToColor(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4) {
        return QColor();
    }
    int values[4];
    for (int i = 0; i < 4; ++i) {
        // Same leniency as a plain float conversion: unparsable text reads 0.
        const double value = parts.at(i).toDouble();
        if (!std::isfinite(value) || value >= double(std::numeric_limits<int>::max()) + 1.0
            || value <= double(std::numeric_limits<int>::min()) - 1.0) {
            return QColor();
        }
        values[i] = static_cast<int>(value);
    }
    return QColor(values[0], values[1], values[2], values[3]);
}
