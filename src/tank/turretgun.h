#pragma once

#include <QString>
#include <QVector>

#include <glm/glm.hpp>

class QDomDocument;
class QDomElement;

// One gun a turret offers, as read from the tank definition (and, for a shared gun,
// the nation's guns.xml).
struct Gun
{
    QString tagName;
    QString displayName;
    QString undamagedModel;
    QString destroyedModel;
    QString collisionModel;
    // (min, max) in degrees; (0, 0) means the turret's yawLimits apply.
    glm::vec2 turretYawLimits {0.0f};
    glm::vec4 camoTiling {1.0f};
    // Stored negated and swapped: the text "a b" gives (-b, -a), the range of the
    // gun's rotation, which turns the other way.
    glm::vec2 pitchLimits {0.0f};
    // (minimum pitch, maximum pitch, half-width in degrees of the turret-yaw sector),
    // centred on 180 and 0 degrees of turret yaw.
    glm::vec3 extraPitchBack {0.0f};
    glm::vec3 extraPitchFront {0.0f};
    QString exclusionMask;
};

struct Turret
{
    QString tagName;
    QString displayName;
    QString exclusionMask;
    glm::vec4 camoTiling {1.0f};
    // Positions have x negated for the viewer's mirrored x.
    glm::vec3 turretPosition {0.0f};
    glm::vec3 gunPosition {0.0f};
    glm::vec3 hullPosition {0.0f};
    QString undamagedModel;
    QString collisionModel;
    QString destroyedModel;
    qint32 maxHealth = 0;
    glm::vec2 yawLimits {0.0f};
    QVector<Gun> guns;
};

// The element's own text: its first text child, trimmed. Unlike QDomElement::text()
// it leaves out the text of the element's children.
[[nodiscard]] QString ownText(const QDomElement &element);

// Whether a gun element names a gun of the nation's guns.xml: its own text begins
// with "shared" in any letter case.
[[nodiscard]] bool isSharedGun(const QDomElement &gun);
// The translated name of a gun element of a turret whose userString is given;
// shared is the "shared" element of guns.xml.
[[nodiscard]] QString gunDisplayName(const QDomElement &gun, const QString &turretUserString,
                                     const QDomElement &shared);

// The turrets of a tank definition with their guns. Shared guns take their name and
// missing limits from the root of gunsDocument (the nation's guns.xml). A turret whose
// translated name repeats an earlier one gives its guns to that turret instead of
// being listed. Lists are walked over their child elements, so packed and plain
// definitions (comments included) read alike.
[[nodiscard]] QVector<Turret> readTurrets(const QDomDocument &definition,
                                          const QDomDocument &gunsDocument);
