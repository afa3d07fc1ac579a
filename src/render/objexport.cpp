#include "render/objexport.h"

#include "core/log.h"
#include "core/savefile.h"
#include "gamedata/visualgeometry.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString number(float value)
{
    return QString::number(double(value), 'g', 6);
}

// The cofactor matrix is det(m) times the inverse-transpose, so after normalising it
// carries normals the same way, and it stays finite for a flattening matrix. Its sign
// is corrected so a mirroring placement keeps the normals on the outside.
glm::mat3 normalTransform(const glm::mat4 &placement)
{
    const glm::mat3 m(placement);
    glm::mat3 cofactor(glm::cross(m[1], m[2]), glm::cross(m[2], m[0]), glm::cross(m[0], m[1]));
    if (glm::determinant(m) < 0.0f) {
        cofactor = -cofactor;
    }
    return cofactor;
}

template <typename Index> void appendFaces(QString &text, const QVector<Index> &indices)
{
    for (int i = 0; i + 2 < indices.size(); i += 3) {
        text += QStringLiteral("f");
        for (int k = 0; k < 3; ++k) {
            const QString corner = QString::number(quint64(indices[i + k]) + 1);
            text +=
                QLatin1Char(' ') + corner + QLatin1Char('/') + corner + QLatin1Char('/') + corner;
        }
        text += QLatin1Char('\n');
    }
}

} // namespace

QString vec4ToString(const glm::vec4 &v)
{
    return number(v.x) + QLatin1Char(' ') + number(v.y) + QLatin1Char(' ') + number(v.z)
           + QLatin1Char(' ') + number(v.w);
}

QString vec2ToString(const glm::vec2 &v)
{
    return number(v.x) + QLatin1Char(' ') + number(v.y);
}

QString objText(const VisualGeometry &geometry, const glm::mat4 &placement)
{
    QString text = QStringLiteral("#Hullscope Obj Exporter\n");

    text += QStringLiteral("# Vertices\n");
    for (const glm::vec3 &p : geometry.positions) {
        text +=
            QStringLiteral("v ") + vec4ToString(placement * glm::vec4(p, 1.0f)) + QLatin1Char('\n');
    }

    text += QStringLiteral("# Normals\n");
    const glm::mat3 toModel = normalTransform(placement);
    for (const glm::vec3 &n : geometry.normals) {
        glm::vec3 carried = toModel * n;
        const float length = glm::length(carried);
        if (length > 0.0f) {
            carried /= length;
        }
        text += QStringLiteral("vn ") + number(carried.x) + QLatin1Char(' ') + number(carried.y)
                + QLatin1Char(' ') + number(carried.z) + QLatin1Char('\n');
    }

    text += QStringLiteral("# Texture Coords\n");
    for (const glm::vec2 &uv : geometry.uvs) {
        text += QStringLiteral("vt ") + vec2ToString(glm::vec2(uv.x, -uv.y)) + QLatin1Char('\n');
    }

    text += QStringLiteral("g ") + geometry.name + QLatin1Char('\n');
    text += QStringLiteral("# Faces\n");
    // A 32-bit section's 16-bit list holds truncated indices.
    if (!geometry.indices32.isEmpty()) {
        appendFaces(text, geometry.indices32);
    } else {
        appendFaces(text, geometry.indices16);
    }
    return text;
}

namespace {

// The file name with '/' separators, ".." and "." resolved.
QString cleanObjTarget(const QString &folder, const QString &path, int index)
{
    QString model = path;
    model.remove(QStringLiteral(".model"));
    QString name = folder + QLatin1Char('/') + model + QLatin1Char('_') + QString::number(index)
                   + QStringLiteral(".obj");
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(name);
}

} // namespace

QString objFileName(const QString &folder, const QString &path, int index)
{
    return QDir::toNativeSeparators(cleanObjTarget(folder, path, index));
}

bool writeObjFiles(const QString &folder, const QString &path,
                   const QVector<VisualGeometry *> &geometries, const glm::mat4 &placement)
{
    // Model paths come from game and mod files: one with ".." must not write into
    // the game or anywhere else; without a folder nothing is inside it.
    for (int i = 0; i < geometries.size(); ++i) {
        const QString target = cleanObjTarget(folder, path, i);
        if (!isInsideFolder(folder, target)) {
            logLine(QStringLiteral("Refusing to export outside the mod folder: ")
                        + QDir::toNativeSeparators(path),
                    Warning);
            return false;
        }
        // A model shared between tanks lies outside the tank's own folder.
        if (!makeFolderInside(folder, QFileInfo(target).path())) {
            return false;
        }
        if (!saveFileBytes(target, objText(*geometries[i], placement).toUtf8())) {
            return false;
        }
    }
    return true;
}
