#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

class AllResultsRayResultCallback;
class btCollisionObject;

// The shell the shots simulate, as the shell dock sets it.
struct ShellParamaters
{
    float caliber = 88.0f;      // mm
    float normalization = 2.0f; // degrees
    qint32 shellType = 0;       // a ShellType
};

enum ShellType : qint32 { ShellAP = 0, ShellAPCR = 1, ShellHE = 2, ShellHEAT = 3 };

enum HitClass : qint32 {
    HitSpaced = 0,
    HitSurveyingDevice = 1,
    HitTrack = 2,
    HitGun = 3,
    HitRegular = 4
};

// One plate a shot crossed.
struct RayResult
{
    float armor = 0.0f;          // mm, the group's truncated thickness
    float effectiveArmor = 0.0f; // mm along the shell's path
    float angle = 0.0f;          // degrees to the face normal, 0..90
    float normalizedAngle = 0.0f;
    float freeTravel = 0.0f; // metres to the next hit, 0 for the last
    bool spaced = false;
    bool ricochet = false;
    QString material;
    glm::vec3 hitPoint {0.0f};
    qint32 hitClass = HitSpaced;
    bool skipped = false;
};

using RayResultsList = QVector<RayResult>;

Q_DECLARE_METATYPE(ShellParamaters)
Q_DECLARE_METATYPE(RayResult)
Q_DECLARE_METATYPE(RayResultsList)

// One Bullet hit of a shot.
struct RawRayHit
{
    glm::vec3 direction {0.0f}; // unit
    glm::vec3 hitPoint {0.0f};
    float distance = 0.0f; // from the eye
    const btCollisionObject *object = nullptr;
    qint32 triangleIndex = 0;
};

// The free-travel limit in metres: caliber * 10 * 0.01, a hundred calibres, as the
// program computes it (not ten calibres, which would end every shot within a metre).
inline float freeTravelLimit(float caliber)
{
    return caliber * 10.0f * 0.01f;
}

// Where the marker parks after a miss or a cleared world.
constexpr float PARKED_MARKER = 999.0f;

struct ShotOutcome
{
    RayResultsList records; // every record made, skipped ones included
    RayResultsList results; // what is emitted: the records not skipped
    glm::vec3 shotEnd {0.0f};
    glm::vec3 marker {PARKED_MARKER};
    qint32 shellType = ShellAP; // the type stored back after the shot
};

// The hits of a ray test as raw hits sorted by distance from eye (unstable). Hits on
// objects that are not a collision group's, or on a triangle the group does not
// list, are left out.
[[nodiscard]] QVector<RawRayHit> sortedRawHits(const AllResultsRayResultCallback &callback,
                                               const glm::vec3 &eye);

// The shell rules over hits sorted by distance: classes, skipping, normalisation,
// the two- and three-calibre rules, ricochet and the free-travel limit. Without a hit
// the one "Missed" record, the marker parked and the shot ending at to.
[[nodiscard]] ShotOutcome evaluate(const QVector<RawRayHit> &sortedHits,
                                   const ShellParamaters &shell, const glm::vec3 &to);
