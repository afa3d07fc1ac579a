#include "tank/garage.h"

#include "render/renderwidget.h"
#include "render/staticmesh.h"
#include "render/visual.h"

#include "gamedata/vectortext.h"

#include "core/constants.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

// The text of holder's child called name when it is there to apply: empty text is
// none, and a number that is not finite would turn every model below into NaNs.
QString transformText(const QDomElement &holder, const QString &name, int count)
{
    const QString text = holder.firstChildElement(name).text();
    if (!text.isEmpty() && !vectorTextIsFinite(text, count)) {
        logLine(QStringLiteral("Hangar layout: ") + holder.tagName() + QLatin1Char(' ') + name
                    + QStringLiteral(" \"") + text
                    + QStringLiteral("\" holds a number that is not finite; skipped"),
                Warning);
        return QString();
    }
    return text;
}

} // namespace

glm::mat4 applyHangarTransform(const glm::mat4 &matrix, const QDomElement &holder)
{
    glm::mat4 result = matrix;
    const QString position = transformText(holder, QStringLiteral("Position"), 3);
    if (!position.isEmpty()) {
        result = glm::translate(result, parseVec3(position));
    }
    const QString rotation = transformText(holder, QStringLiteral("Rotation"), 4);
    if (!rotation.isEmpty()) {
        const glm::vec4 value = parseVec4(rotation);
        const glm::vec3 axis(value);
        const float length = glm::length(axis);
        // Finite numbers can still overflow the length.
        if (length > 0.0f && std::isfinite(length)) {
            result = glm::rotate(result, glm::radians(value.w), axis / length);
        }
    }
    const QString scale = transformText(holder, QStringLiteral("Scale"), 3);
    if (!scale.isEmpty()) {
        result = glm::scale(result, parseVec3(scale));
    }
    return result;
}

HangarLayout readHangarLayout(const QDomDocument &document, const QString &name)
{
    HangarLayout layout;
    const QDomElement hangar = document.documentElement().firstChildElement(name);
    if (hangar.isNull()) {
        return layout;
    }
    const glm::mat4 placement = applyHangarTransform(
        glm::mat4(1.0f), hangar.firstChildElement(QStringLiteral("Transform")));

    const QDomNodeList zips = hangar.elementsByTagName(ZIP_TAG);
    for (int i = 0; i < zips.size(); ++i) {
        const QString package = zips.at(i).toElement().text();
        if (!package.isEmpty()) {
            layout.packages.append(package);
        }
    }

    const QDomNodeList meshes = hangar.elementsByTagName(QStringLiteral("Mesh"));
    for (int i = 0; i < meshes.size(); ++i) {
        const QDomElement mesh = meshes.at(i).toElement();
        const QString file = mesh.firstChildElement(QStringLiteral("File")).text();
        if (file.isEmpty()) {
            continue;
        }
        const glm::mat4 matrix = placement * applyHangarTransform(glm::mat4(1.0f), mesh);
        // Finite but huge numbers can still multiply into inf and NaN.
        bool finite = true;
        for (int c = 0; c < 4; ++c) {
            finite = finite && !glm::any(glm::isnan(matrix[c])) && !glm::any(glm::isinf(matrix[c]));
        }
        if (!finite) {
            logLine(QStringLiteral("Hangar layout: ") + name + QStringLiteral(" mesh ") + file
                        + QStringLiteral(" is placed out of range; left out"),
                    Warning);
            continue;
        }
        layout.meshes.append({file, matrix});
    }
    return layout;
}

Garage::Garage(const QString &name)
    : mName(name)
{
}

Garage::~Garage()
{
    qDeleteAll(mMeshes);
}

void Garage::load()
{
    logLine(QStringLiteral("Loading garage."), Info);

    QFile file(DATA_DIR + GARAGES_FILE);
    if (!file.open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Could not open hangar file."), Error);
        return;
    }
    QDomDocument document;
    if (!document.setContent(&file)) {
        logLine(QStringLiteral("Could not set XML content: hangar."), Error);
        return;
    }
    const HangarLayout layout = readHangarLayout(document, mName);

    const QString gamePath = Settings::instance() ? Settings::instance()->brastelPath : QString();
    if (FileManager *files = FileManager::instance()) {
        for (const QString &package : layout.packages) {
            const QString path = QDir::toNativeSeparators(gamePath + PACKAGES_DIR + package);
            // Scene reloads come often; opening the package again each time would
            // pile up descriptors and lengthen the search.
            if (files->isArchiveOpen(path)) {
                continue;
            }
            if (!files->addArchive(path, true)) {
                logLine(QStringLiteral("Failed to add zip archive for garage: ") + path, Warning);
            }
        }
    }

    for (const HangarMeshEntry &entry : layout.meshes) {
        auto *mesh = new StaticMesh();
        if (mesh->load(entry.file, entry.matrix)) {
            mMeshes.append(mesh);
        } else {
            logLine(QStringLiteral("Failed to load hangar mesh: ") + entry.file, Warning);
            delete mesh;
        }
    }
}

void Garage::clear()
{
    qDeleteAll(mMeshes);
    mMeshes.clear();
}

void Garage::draw()
{
    for (StaticMesh *mesh : qAsConst(mMeshes)) {
        mesh->draw(false, true, nullptr, nullptr);
    }
}

quint32 Garage::triangleCount() const
{
    quint32 count = 0;
    for (const StaticMesh *mesh : mMeshes) {
        count += mesh->visual->triangleCount();
    }
    return count;
}

void Garage::reloadInView()
{
    ViewContextGuard guard(mView);
    clear();
    load();
}

BasicGarage::BasicGarage()
    : Garage(QStringLiteral("Basic"))
{
    if (Settings *settings = Settings::instance()) {
        connect(settings, &Settings::brastelPathChanged, this, &BasicGarage::reload);
    }
}

void BasicGarage::reload()
{
    reloadInView();
}

PremiumGarage::PremiumGarage()
    : Garage(QStringLiteral("Premium"))
{
    if (Settings *settings = Settings::instance()) {
        connect(settings, &Settings::brastelPathChanged, this, &PremiumGarage::reload);
    }
}

void PremiumGarage::reload()
{
    reloadInView();
}
