#include "tank/turretgun.h"

#include "tank/internal/definitiontext.h"

#include "gamedata/vectortext.h"

#include "core/log.h"

#include <QDomDocument>
#include <QDomElement>

#include <array>

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
const QString EXTRA_PITCH_LIMITS = QStringLiteral("extraPitchLimits");
const QString GUN_POSITION = QStringLiteral("gunPosition");
const QString MAX_HEALTH = QStringLiteral("maxHealth");
const QString YAW_LIMITS = QStringLiteral("yawLimits");
const QString GUNS = QStringLiteral("guns");

using internal::textAt;
using internal::textOf;
using internal::translate;

// The first child element of each name, found in one walk over the children; a
// look-up per name walks them again each time, and DOM nodes are slow to walk.
template <std::size_t N>
std::array<QDomElement, N> firstChildren(const QDomElement &parent,
                                         const std::array<const QString *, N> &names)
{
    std::array<QDomElement, N> found;
    std::size_t left = N;
    for (QDomNode node = parent.firstChild(); left > 0 && !node.isNull();
         node = node.nextSibling()) {
        if (!node.isElement()) {
            continue;
        }
        const QString tag = node.nodeName();
        for (std::size_t i = 0; i < N; ++i) {
            if (found[i].isNull() && tag == *names[i]) {
                found[i] = node.toElement();
                --left;
                break;
            }
        }
    }
    return found;
}

glm::vec3 mirroredX(glm::vec3 v)
{
    v.x = -v.x;
    return v;
}

// The part's own exclusion mask and tiling; the definition's mask stands in when
// the part has none, and only a part with its own mask has its own tiling.
void readCamouflage(const QDomElement &camouflage, const QString &rootMask, QString *mask,
                    glm::vec4 *tiling)
{
    const auto [maskElement, tilingElement] =
        firstChildren<2>(camouflage, {&EXCLUSION_MASK, &TILING});
    *mask = textOf(maskElement);
    *tiling = glm::vec4(1.0f);
    if (mask->isEmpty()) {
        *mask = rootMask;
        return;
    }
    const QString tilingText = textOf(tilingElement);
    if (!tilingText.isEmpty()) {
        *tiling = parseVec4(tilingText);
    }
}

// Undamaged, destroyed and collision model paths of a turret or gun.
void readModels(const QDomElement &models, const QDomElement &hitTester, QString *undamaged,
                QString *destroyed, QString *collision)
{
    const auto [undamagedElement, destroyedElement] =
        firstChildren<2>(models, {&UNDAMAGED, &DESTROYED});
    *undamaged = textOf(undamagedElement);
    *destroyed = textOf(destroyedElement);
    *collision = textAt(hitTester, {COLLISION_MODEL});
}

QString sharedGunName(const QDomElement &sharedGun)
{
    return translate(textAt(sharedGun, {USER_STRING}));
}

QString ownGunName(const QString &turretUserString, const QString &tag)
{
    return translate(turretUserString.section(QLatin1Char(':'), 0, 0) + QLatin1Char(':') + tag);
}

Gun readGun(const QDomElement &element, const QString &turretUserString, const QDomElement &shared,
            const QString &rootMask)
{
    Gun gun;
    gun.tagName = element.tagName();
    const bool isShared = isSharedGun(element);
    const QDomElement sharedGun = isShared ? shared.firstChildElement(gun.tagName) : QDomElement();
    gun.displayName =
        isShared ? sharedGunName(sharedGun) : ownGunName(turretUserString, gun.tagName);
    const auto [models, hitTester, yawElement, pitchElement, extra, camouflage] =
        firstChildren<6>(element, {&MODELS, &HIT_TESTER, &TURRET_YAW_LIMITS, &PITCH_LIMITS,
                                   &EXTRA_PITCH_LIMITS, &CAMOUFLAGE});
    readModels(models, hitTester, &gun.undamagedModel, &gun.destroyedModel, &gun.collisionModel);

    QString yaw = textOf(yawElement);
    QString pitch = textOf(pitchElement);
    if (isShared && yaw.isEmpty()) {
        yaw = textAt(sharedGun, {TURRET_YAW_LIMITS});
    }
    if (isShared && pitch.isEmpty()) {
        pitch = textAt(sharedGun, {PITCH_LIMITS});
    }
    gun.turretYawLimits = parseLimits(yaw);
    const glm::vec2 p = parseLimits(pitch);
    gun.pitchLimits = glm::vec2(-p.y, -p.x);

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
    readCamouflage(camouflage, rootMask, &gun.exclusionMask, &gun.camoTiling);
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
    return isSharedGun(gun) ? sharedGunName(shared.firstChildElement(gun.tagName()))
                            : ownGunName(turretUserString, gun.tagName());
}

QVector<Turret> readTurrets(const QDomDocument &definition, const QDomDocument &gunsDocument)
{
    const QDomElement root = definition.documentElement();
    const QDomElement shared =
        gunsDocument.documentElement().firstChildElement(QStringLiteral("shared"));
    const QString rootMask = textAt(root, {CAMOUFLAGE, EXCLUSION_MASK});
    const QDomElement hull = root.firstChildElement(QStringLiteral("hull"));
    const glm::vec3 turretPosition =
        mirroredX(parseVec3(textOf(hull.firstChildElement(QStringLiteral("turretPositions"))
                                       .firstChildElement(QStringLiteral("turret")))));
    const glm::vec3 hullPosition = mirroredX(
        parseVec3(textAt(root.firstChildElement(QStringLiteral("chassis")).firstChildElement(),
                         {QStringLiteral("hullPosition")})));

    QVector<Turret> turrets;
    const QDomElement list = root.firstChildElement(QStringLiteral("turrets0"));
    for (QDomElement element = list.firstChildElement(); !element.isNull();
         element = element.nextSiblingElement()) {
        Turret turret;
        turret.tagName = element.tagName();
        const auto [userElement, camouflage, gunPosition, models, hitTester, maxHealth, yawElement,
                    guns] =
            firstChildren<8>(element, {&USER_STRING, &CAMOUFLAGE, &GUN_POSITION, &MODELS,
                                       &HIT_TESTER, &MAX_HEALTH, &YAW_LIMITS, &GUNS});
        const QString userString = textOf(userElement);
        turret.displayName = translate(userString);
        readCamouflage(camouflage, rootMask, &turret.exclusionMask, &turret.camoTiling);
        turret.turretPosition = turretPosition;
        turret.gunPosition = mirroredX(parseVec3(textOf(gunPosition)));
        turret.hullPosition = hullPosition;
        readModels(models, hitTester, &turret.undamagedModel, &turret.destroyedModel,
                   &turret.collisionModel);
        turret.maxHealth = textOf(maxHealth).toInt();
        QString yaw = textOf(yawElement);
        if (yaw.isEmpty()) {
            yaw = QStringLiteral("-180 180");
        }
        turret.yawLimits = parseLimits(yaw);

        // An earlier turret of the same name takes this one's guns.
        Turret *owner = &turret;
        for (Turret &earlier : turrets) {
            if (earlier.displayName == turret.displayName) {
                owner = &earlier;
                break;
            }
        }
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
