#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

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

// One plate a shot's ray crossed, copied out of the collision world with what the
// shell rules read, so that the rules run on plain values.
struct RawRayHit
{
    glm::vec3 direction {0.0f}; // the ray's, unit
    glm::vec3 hitPoint {0.0f};  // world
    float distance = 0.0f;      // from the eye
    // The crossed triangle's face normal turned into world space, not normalised.
    glm::vec3 normal {0.0f};
    QString material; // the collision group's name, its armour id
    qint32 armor = 0; // mm, the group's truncated thickness
    bool spaced = false;
    // Which collision object was hit: consecutive hits on one object share it.
    quintptr object = 0;
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

// The shell rules over hits sorted by distance: classes, skipping, normalisation,
// the two- and three-calibre rules, ricochet and the free-travel limit. Without a hit
// the one "Missed" record, the marker parked and the shot ending at to.
[[nodiscard]] ShotOutcome evaluate(const QVector<RawRayHit> &sortedHits,
                                   const ShellParamaters &shell, const glm::vec3 &to);
