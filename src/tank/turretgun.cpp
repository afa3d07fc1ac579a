#include "tank/turretgun.h"

#include "tank/tankloader.h"

#include "gamedata/moreadercached.h"
#include "gamedata/vectortext.h"

#include "core/log.h"

#include <QDomDocument>
#include <QDomElement>

namespace {

const QString CAMOUFLAGE = QStringLiteral("camouflage");
const QString EXCLUSION_MASK = QStringLiteral("exclusionMask");
const QString TILING = QStringLiteral("tiling");
const QString MODELS = QStringLiteral("models");
const QString UNDAMAGED = QStringLiteral("undamaged");
const QString DESTROYED = QStringLiteral("destroyed");
const QString HIT_TESTER = QStringLiteral("hitTester");
const QString COLLISION_MODEL = QStringLiteral("collisionModel");
const QString USER_STRING = QStringLiteral("userString");
const QString PITCH_LIMITS = QStringLiteral("pitchLimits");
const QString TURRET_YAW_LIMITS = QStringLiteral("turretYawLimits");

QString textOf(const QDomElement &element)
{
    return element.text().trimmed();
}

QString textAt(const QDomElement &parent, const QString &name)
{
    return textOf(parent.firstChildElement(name));
}

QString textAt(const QDomElement &parent, const QString &first, const QString &second)
{
    return textOf(parent.firstChildElement(first).firstChildElement(second));
}

glm::vec3 mirroredX(glm::vec3 v)
{
    v.x = -v.x;
    return v;
}

QString translate(const QString &reference)
{
    MoReaderCached *translator = MoReaderCached::instance();
    return translator ? translator->translate(reference) : reference;
}

// The part's own exclusion mask and tiling; the definition's mask stands in when
// the part has none, and only a part with its own mask has its own tiling.
void readCamouflage(const QDomElement &part, const QString &rootMask, QString *mask,
                    glm::vec4 *tiling)
{
    const QDomElement camouflage = part.firstChildElement(CAMOUFLAGE);
    *mask = textAt(camouflage, EXCLUSION_MASK);
    *tiling = glm::vec4(1.0f);
    if (mask->isEmpty()) {
        *mask = rootMask;
        return;
    }
    const QString tilingText = textAt(camouflage, TILING);
    if (!tilingText.isEmpty()) {
        *tiling = parseVec4(tilingText);
    }
}

Gun readGun(const QDomElement &element, const QString &turretUserString, const QDomElement &shared,
            const QString &rootMask)
{
    Gun gun;
    gun.tagName = element.tagName();
    const bool isShared = isSharedGun(element);
    const QDomElement sharedGun = isShared ? shared.firstChildElement(gun.tagName) : QDomElement();
    gun.displayName = gunDisplayName(element, turretUserString, shared);
    gun.undamagedModel = textAt(element, MODELS, UNDAMAGED);
    gun.destroyedModel = textAt(element, MODELS, DESTROYED);
    gun.collisionModel = textAt(element, HIT_TESTER, COLLISION_MODEL);

    QString yaw = textAt(element, TURRET_YAW_LIMITS);
    QString pitch = textAt(element, PITCH_LIMITS);
    if (isShared && yaw.isEmpty()) {
        yaw = textAt(sharedGun, TURRET_YAW_LIMITS);
    }
    if (isShared && pitch.isEmpty()) {
        pitch = textAt(sharedGun, PITCH_LIMITS);
    }
    gun.turretYawLimits = TankLoader::parseLimits(yaw);
    const glm::vec2 p = TankLoader::parseLimits(pitch);
    gun.pitchLimits = glm::vec2(-p.y, -p.x);

    const QDomElement extra = element.firstChildElement(QStringLiteral("extraPitchLimits"));
    if (!textOf(extra).isEmpty()) {
        for (QDomElement limit = extra.firstChildElement(); !limit.isNull();
             limit = limit.nextSiblingElement()) {
            const QString tag = limit.tagName();
            if (tag == QLatin1String("back")) {
                gun.extraPitchBack = parseVec3(textOf(limit));
            } else if (tag == QLatin1String("front")) {
                gun.extraPitchFront = parseVec3(textOf(limit));
            } else {
                logLine(QStringLiteral("Found an unsupported pitch node: ") + tag
                            + QStringLiteral(" on gun: ") + gun.tagName,
                        Warning);
            }
        }
    }
    readCamouflage(element, rootMask, &gun.exclusionMask, &gun.camoTiling);
    return gun;
}

} // namespace

QString ownText(const QDomElement &element)
{
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isText()) {
            return node.nodeValue().trimmed();
        }
    }
    return QString();
}

bool isSharedGun(const QDomElement &gun)
{
    return ownText(gun).startsWith(QLatin1String("shared"), Qt::CaseInsensitive);
}

QString gunDisplayName(const QDomElement &gun, const QString &turretUserString,
                       const QDomElement &shared)
{
    if (isSharedGun(gun)) {
        return translate(textAt(shared.firstChildElement(gun.tagName()), USER_STRING));
    }
    return translate(turretUserString.section(QLatin1Char(':'), 0, 0) + QLatin1Char(':')
                     + gun.tagName());
}

QVector<Turret> readTurrets(const QDomDocument &definition, const QDomDocument &gunsDocument)
{
    const QDomElement root = definition.documentElement();
    const QDomElement shared =
        gunsDocument.documentElement().firstChildElement(QStringLiteral("shared"));
    const QString rootMask = textAt(root, CAMOUFLAGE, EXCLUSION_MASK);
    const QDomElement hull = root.firstChildElement(QStringLiteral("hull"));
    const glm::vec3 turretPosition =
        mirroredX(parseVec3(textOf(hull.firstChildElement(QStringLiteral("turretPositions"))
                                       .firstChildElement(QStringLiteral("turret")))));
    const glm::vec3 hullPosition = mirroredX(
        parseVec3(textAt(root.firstChildElement(QStringLiteral("chassis")).firstChildElement(),
                         QStringLiteral("hullPosition"))));

    QVector<Turret> turrets;
    const QDomElement list = root.firstChildElement(QStringLiteral("turrets0"));
    for (QDomElement element = list.firstChildElement(); !element.isNull();
         element = element.nextSiblingElement()) {
        Turret turret;
        turret.tagName = element.tagName();
        const QString userString = textAt(element, USER_STRING);
        turret.displayName = translate(userString);
        readCamouflage(element, rootMask, &turret.exclusionMask, &turret.camoTiling);
        turret.turretPosition = turretPosition;
        turret.gunPosition = mirroredX(parseVec3(textAt(element, QStringLiteral("gunPosition"))));
        turret.hullPosition = hullPosition;
        turret.undamagedModel = textAt(element, MODELS, UNDAMAGED);
        turret.collisionModel = textAt(element, HIT_TESTER, COLLISION_MODEL);
        turret.destroyedModel = textAt(element, MODELS, DESTROYED);
        turret.maxHealth = textAt(element, QStringLiteral("maxHealth")).toInt();
        QString yaw = textAt(element, QStringLiteral("yawLimits"));
        if (yaw.isEmpty()) {
            yaw = QStringLiteral("-180 180");
        }
        turret.yawLimits = TankLoader::parseLimits(yaw);

        // An earlier turret of the same name takes this one's guns.
        Turret *owner = &turret;
        for (Turret &earlier : turrets) {
            if (earlier.displayName == turret.displayName) {
                owner = &earlier;
                break;
            }
        }
        const QDomElement guns = element.firstChildElement(QStringLiteral("guns"));
        for (QDomElement gun = guns.firstChildElement(); !gun.isNull();
             gun = gun.nextSiblingElement()) {
            owner->guns.append(readGun(gun, userString, shared, rootMask));
        }
        if (owner == &turret) {
            turrets.append(turret);
        }
    }
    return turrets;
}
