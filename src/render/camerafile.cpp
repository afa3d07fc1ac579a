#include "render/camerafile.h"

#include <QDomDocument>
#include <QRegularExpression>
#include <QStringList>

namespace {

QString number(float v)
{
    return QString::number(double(v), 'g', 6);
}

QString vectorText(const glm::vec3 &v)
{
    return number(v.x) + QLatin1Char(' ') + number(v.y) + QLatin1Char(' ') + number(v.z);
}

void appendText(QDomDocument &doc, QDomElement &parent, const QString &name, const QString &text)
{
    QDomElement element = doc.createElement(name);
    element.appendChild(doc.createTextNode(text));
    parent.appendChild(element);
}

QString childText(const QDomElement &root, const QString &name)
{
    return root.firstChildElement(name).text();
}

} // namespace

QString writeCameraFile(const CameraFile &file)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Camera"));
    doc.appendChild(root);
    appendText(doc, root, QStringLiteral("Target"), vectorText(file.target));
    appendText(doc, root, QStringLiteral("Rotation"), vectorText(file.rotation));
    appendText(doc, root, QStringLiteral("Fov"), number(file.fov));
    appendText(doc, root, QStringLiteral("Zoom"), number(file.zoom));
    appendText(doc, root, QStringLiteral("Type"), QString::number(file.type));
    return doc.toString(1);
}

glm::vec3 parseCameraVector(const QString &text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList parts = text.trimmed().split(blanks, Qt::SkipEmptyParts);
    if (parts.size() < 3) {
        return glm::vec3(0.0f);
    }
    glm::vec3 v(0.0f);
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts.at(i).toFloat(&ok);
        if (!ok) {
            return glm::vec3(0.0f);
        }
    }
    return v;
}

std::optional<CameraFile> readCameraFile(const QByteArray &bytes)
{
    QDomDocument doc;
    if (!doc.setContent(bytes)) {
        return std::nullopt;
    }
    const QDomElement root = doc.documentElement();
    CameraFile file;
    file.type = childText(root, QStringLiteral("Type")).trimmed().toInt();
    file.target = parseCameraVector(childText(root, QStringLiteral("Target")));
    file.rotation = parseCameraVector(childText(root, QStringLiteral("Rotation")));
    file.zoom = childText(root, QStringLiteral("Zoom")).trimmed().toFloat();
    file.fov = childText(root, QStringLiteral("Fov")).trimmed().toFloat();
    return file;
}
