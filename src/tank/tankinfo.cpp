#include "tank/tankinfo.h"

#include "tank/turretgun.h"

#include "render/textureloader.h"

#include "gamedata/packedxmlreader.h"

#include "core/filemanager.h"

#include <QBuffer>
#include <QDomDocument>
#include <QDomElement>

#include <memory>

namespace {

const QString MODELS = QStringLiteral("models");

// ".model" only: a folder whose name holds "model" must keep its name.
QString visualOf(const QString &model)
{
    QString visual = model;
    return visual.replace(QLatin1String(".model"), QLatin1String(".visual"));
}

QString modelOf(const QDomElement &part, const QString &form)
{
    return visualOf(part.firstChildElement(MODELS).firstChildElement(form).text().trimmed());
}

QString maskOf(const QDomElement &part)
{
    return part.firstChildElement(QStringLiteral("camouflage"))
        .firstChildElement(QStringLiteral("exclusionMask"))
        .text()
        .trimmed();
}

} // namespace

TankInfo::TankInfo() = default;

TankInfo::~TankInfo() = default;

void TankInfo::clear()
{
    for (QStringList *list :
         {&undamagedDiffuse, &undamagedSpecular, &undamagedNormal, &exclusionMasks,
          &undamagedMetallic, &detailMaps, &texformatFiles, &destroyedDiffuse, &destroyedSpecular,
          &destroyedNormal, &destroyedMetallic, &mAllFiles, &collisionList}) {
        list->clear();
    }
}

void TankInfo::parse(const QDomDocument &definition)
{
    clear();
    const QDomElement root = definition.documentElement();
    stateIndex = 1;
    collectModels(root, QStringLiteral("destroyed"));
    stateIndex = 0;
    collectModels(root, QStringLiteral("undamaged"));
}

void TankInfo::addTo(QStringList *list, const QString &name)
{
    if (!mAllFiles.contains(name, Qt::CaseInsensitive)) {
        mAllFiles.append(name);
    }
    if (list && !list->contains(name, Qt::CaseInsensitive)) {
        list->append(name);
    }
}

void TankInfo::addFormTexture(Kind kind, const QString &name)
{
    if (name.isEmpty()) {
        return;
    }
    QStringList *undamaged[] = {&undamagedDiffuse, &undamagedSpecular, &undamagedNormal,
                                &undamagedMetallic};
    QStringList *destroyed[] = {&destroyedDiffuse, &destroyedSpecular, &destroyedNormal,
                                &destroyedMetallic};
    QStringList *list = nullptr;
    if (stateIndex == 0) {
        list = undamaged[kind];
    } else if (stateIndex == 1) {
        list = destroyed[kind];
    }
    addTo(list, name);
}

void TankInfo::addDiffuse(const QString &name)
{
    addFormTexture(Diffuse, name);
}

void TankInfo::addSpecular(const QString &name)
{
    addFormTexture(Specular, name);
}

void TankInfo::addNormal(const QString &name)
{
    addFormTexture(Normal, name);
}

void TankInfo::addMetallic(const QString &name)
{
    addFormTexture(Metallic, name);
}

void TankInfo::addDetailMap(const QString &name)
{
    if (!name.isEmpty()) {
        addTo(&detailMaps, name);
    }
}

void TankInfo::addExclusionMask(const QString &name)
{
    if (!name.isEmpty()) {
        addTo(&exclusionMasks, name);
    }
}

void TankInfo::addTexformatFile(const QString &name)
{
    if (!name.isEmpty()) {
        addTo(&texformatFiles, name);
    }
}

QStringList TankInfo::camoTextures() const
{
    QStringList textures;
    for (const QString &name : undamagedDiffuse) {
        if (!name.contains(QLatin1String("track"), Qt::CaseInsensitive)
            && !name.contains(QLatin1String("bottoms"), Qt::CaseInsensitive)
            && !name.contains(QLatin1String("equipment"), Qt::CaseInsensitive)) {
            textures.append(name);
        }
    }
    return textures;
}

void TankInfo::collectModels(const QDomElement &root, const QString &form)
{
    stateName = form;
    QStringList visuals;
    visuals << modelOf(root.firstChildElement(QStringLiteral("hull")), form)
            << modelOf(root.firstChildElement(QStringLiteral("chassis")).firstChildElement(), form);
    addExclusionMask(maskOf(root));

    QStringList guns;
    const QDomElement turrets = root.firstChildElement(QStringLiteral("turrets0"));
    for (QDomElement turret = turrets.firstChildElement(); !turret.isNull();
         turret = turret.nextSiblingElement()) {
        if (stateIndex == 0) {
            addExclusionMask(maskOf(turret));
        }
        visuals << modelOf(turret, form);
        const QDomElement gunList = turret.firstChildElement(QStringLiteral("guns"));
        for (QDomElement gun = gunList.firstChildElement(); !gun.isNull();
             gun = gun.nextSiblingElement()) {
            guns << modelOf(gun, form);
        }
    }
    visuals << guns;
    for (const QString &visual : qAsConst(visuals)) {
        if (!visual.isEmpty()) {
            readVisualTextures(visual);
        }
    }
}

void TankInfo::readVisualTextures(const QString &path)
{
    FileManager *files = FileManager::instance();
    const std::unique_ptr<QBuffer> buffer(files ? files->openFile(path) : nullptr);
    if (!buffer) {
        return;
    }
    const QDomDocument document = PackedXmlReader::parse(buffer->data(), path);
    const QDomNodeList renderSets = document.elementsByTagName(QStringLiteral("renderSet"));
    for (int s = 0; s < renderSets.size(); ++s) {
        // Every geometry: the mesh loads them all, so their textures are all drawn.
        for (QDomElement geometry = renderSets.at(s).firstChildElement(QStringLiteral("geometry"));
             !geometry.isNull();
             geometry = geometry.nextSiblingElement(QStringLiteral("geometry"))) {
            const QDomNodeList groups =
                geometry.elementsByTagName(QStringLiteral("primitiveGroup"));
            for (int g = 0; g < groups.size(); ++g) {
                const QDomElement material =
                    groups.at(g).firstChildElement(QStringLiteral("material"));
                for (QDomElement property = material.firstChildElement(QStringLiteral("property"));
                     !property.isNull();
                     property = property.nextSiblingElement(QStringLiteral("property"))) {
                    const QString kind = ownText(property);
                    void (TankInfo::*add)(const QString &) = nullptr;
                    if (kind == QLatin1String("diffuseMap")) {
                        add = &TankInfo::addDiffuse;
                    } else if (kind == QLatin1String("normalMap")) {
                        add = &TankInfo::addNormal;
                    } else if (kind == QLatin1String("specularMap")) {
                        add = &TankInfo::addSpecular;
                    } else if (kind == QLatin1String("metallicGlossMap")) {
                        add = &TankInfo::addMetallic;
                    } else if (kind == QLatin1String("metallicDetailMap")) {
                        add = &TankInfo::addDetailMap;
                    } else {
                        continue;
                    }
                    const QString text =
                        property.firstChildElement(QStringLiteral("Texture")).text().trimmed();
                    if (text.isEmpty()) {
                        continue;
                    }
                    // The name the texture loader draws it under, so that extraction
                    // and the picker find the file the view shows.
                    const QString name = normaliseTextureName(text);
                    (this->*add)(name);
                    (this->*add)(addTexformat(name));
                }
            }
        }
    }
}

QString TankInfo::addTexformat(const QString &name)
{
    const QString companion = texformatName(name);
    FileManager *files = FileManager::instance();
    // A name without ".dds" has no companion; it would name the texture itself.
    if (companion == name || !files || !files->fileExistsInZips(companion)) {
        return QString();
    }
    addTexformatFile(companion);
    const std::unique_ptr<QBuffer> buffer(files->readFromZips(companion));
    if (!buffer) {
        return QString();
    }
    const QString mip = PackedXmlReader::parse(buffer->data(), companion)
                            .documentElement()
                            .firstChildElement()
                            .firstChildElement(QStringLiteral("mip"))
                            .text()
                            .trimmed();
    addTexformatFile(mip);
    return mip;
}
