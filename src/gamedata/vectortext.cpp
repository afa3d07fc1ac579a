#include "gamedata/vectortext.h"

#include "core/log.h"

#include <QByteArray>
#include <QDomElement>

#include <charconv>
#include <cmath>

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

enum class VectorRead { Read, Missing, NotFinite };

// Reads n numbers; Read only when all n are read and each fits a finite float.
VectorRead readFloats(const QString &text, float *out, int n)
{
    const QByteArray bytes = text.toUtf8();
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    bool finite = true;
    for (int i = 0; i < n; ++i) {
        if (!readFloat(p, end, &out[i])) {
            return VectorRead::Missing;
        }
        // "nan", "inf" and numbers past the float range would carry NaN into every
        // matrix built from them.
        finite = finite && std::isfinite(out[i]);
    }
    return finite ? VectorRead::Read : VectorRead::NotFinite;
}

// The numbers of text, or zeros when they are not all there or not all finite; the
// latter is worth a Warning, as the file names a value that cannot be drawn.
template <int N> glm::vec<N, float> parseVec(const QString &text)
{
    float v[N];
    switch (readFloats(text, v, N)) {
    case VectorRead::Read: {
        glm::vec<N, float> result;
        for (int i = 0; i < N; ++i) {
            result[i] = v[i];
        }
        return result;
    }
    case VectorRead::NotFinite:
        logLine(QStringLiteral("Vector text \"") + text
                    + QStringLiteral("\": a number is not finite; read as zeros"),
                Warning);
        break;
    case VectorRead::Missing: break;
    }
    return glm::vec<N, float>(0.0f);
}

} // namespace

bool vectorTextIsFinite(const QString &text, int count)
{
    float v[4];
    Q_ASSERT(count >= 1 && count <= 4);
    return readFloats(text, v, count) != VectorRead::NotFinite;
}

glm::vec2 parseVec2(const QString &text)
{
    return parseVec<2>(text);
}

glm::vec2 parseLimits(const QString &text)
{
    return parseVec2(text);
}

glm::vec3 parseVec3(const QString &text)
{
    return parseVec<3>(text);
}

glm::vec4 parseVec4(const QString &text)
{
    return parseVec<4>(text);
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
