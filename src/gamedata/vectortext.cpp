#include "gamedata/vectortext.h"

#include <QByteArray>
#include <QDomElement>

#include <charconv>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// One "%f" conversion: skips white space, reads the longest number at p.
bool readFloat(const char *&p, const char *end, float *out)
{
    while (p != end && isSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars takes no sign of its own beyond '-', and '-' was taken above.
    if (p == end || *p == '-' || *p == '+') {
        return false;
    }
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(p, end, value);
    if (r.ec == std::errc::invalid_argument) {
        return false;
    }
    p = r.ptr;
    *out = float(negative ? -value : value);
    return true;
}

} // namespace

namespace {

// Reads n numbers; false unless all n are read.
bool readFloats(const QString &text, float *out, int n)
{
    const QByteArray bytes = text.toUtf8();
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    for (int i = 0; i < n; ++i) {
        if (!readFloat(p, end, &out[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

glm::vec2 parseVec2(const QString &text)
{
    float v[2];
    return readFloats(text, v, 2) ? glm::vec2(v[0], v[1]) : glm::vec2(0.0f);
}

glm::vec2 parseLimits(const QString &text)
{
    return parseVec2(text);
}

glm::vec3 parseVec3(const QString &text)
{
    float v[3];
    return readFloats(text, v, 3) ? glm::vec3(v[0], v[1], v[2]) : glm::vec3(0.0f);
}

glm::vec4 parseVec4(const QString &text)
{
    float v[4];
    return readFloats(text, v, 4) ? glm::vec4(v[0], v[1], v[2], v[3]) : glm::vec4(0.0f);
}

glm::mat4 parseMatrix(const QDomElement &element)
{
    glm::vec3 rows[4];
    for (int i = 0; i < 4; ++i) {
        const QDomElement row = element.firstChildElement(QStringLiteral("row%1").arg(i));
        rows[i] = parseVec3(row.text().trimmed());
    }
    glm::mat4 m(1.0f);
    m[0] = glm::vec4(rows[0], 0.0f);
    m[1] = glm::vec4(rows[1], 0.0f);
    m[2] = glm::vec4(rows[2], 0.0f);
    m[3] = glm::vec4(-rows[3].x, rows[3].y, rows[3].z, 1.0f);
    return m;
}
