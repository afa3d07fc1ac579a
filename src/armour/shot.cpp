#include "armour/shot.h"

#include "armour/collisionmesh.h"
#include "armour/internal/rayresultcallback.h"

#include <algorithm>
#include <cmath>

namespace {

// The read-out's angles are figured in float with these two factors.
constexpr float DEGREES_PER_RADIAN = 57.29578f;
constexpr float RADIANS_PER_DEGREE = 0.017453292f;
// The hit marker sits 4 cm short of the first plate, on the shooter's side, so that
// the plate does not hide it.
constexpr float MARKER_PULL_BACK = 0.04f;
// AP and APCR shells glance off a plate they meet more than 70 degrees from its
// normal once normalised; HEAT only past 80 degrees; HE never does.
constexpr float RICOCHET_KINETIC = 70.0f;
constexpr float RICOCHET_HEAT = 80.0f;
// An AP or APCR shell at least twice as wide as the plate is thick bites into it:
// its normalisation is multiplied by NORMALIZATION_GAIN times calibre over
// thickness. At three times the thickness it cannot ricochet any more, neither on
// this plate nor on any plate behind it on the same shot.
constexpr float TWO_CALIBRES = 2.0f;
constexpr float THREE_CALIBRES = 3.0f;
constexpr double NORMALIZATION_GAIN = 1.4;
// The steepest normalised angle a shell can meet a plate at: just short of a right
// angle, so that a grazing shell finds the plate very thick, never negative. In float
// pi/2 rounds up, and its cosine is a little below zero.
const float STEEPEST = std::nextafter(1.5707963f, 0.0f);

glm::vec3 toGlm(const btVector3 &v)
{
    return glm::vec3(v.x(), v.y(), v.z());
}

HitClass classify(const RawRayHit &hit)
{
    if (hit.spaced) {
        return HitSpaced;
    }
    if (hit.material.contains(QLatin1String("track"), Qt::CaseInsensitive)) {
        return HitTrack;
    }
    if (hit.material.contains(QLatin1String("survey"), Qt::CaseInsensitive)) {
        return HitSurveyingDevice;
    }
    if (hit.material.contains(QLatin1String("gun"), Qt::CaseInsensitive)) {
        return HitGun;
    }
    return HitRegular;
}

RayResult missed()
{
    RayResult miss;
    miss.material = QStringLiteral("Missed");
    miss.hitPoint = glm::vec3(-999.0f);
    return miss;
}

} // namespace

namespace internal {

AllResultsRayResultCallback::AllResultsRayResultCallback(const btVector3 &from, const btVector3 &to)
    : AllHitsRayResultCallback(from, to)
{
}

btScalar AllResultsRayResultCallback::addSingleResult(btCollisionWorld::LocalRayResult &result,
                                                      bool normalInWorldSpace)
{
    lastShape = result.m_collisionObject ? result.m_collisionObject->getCollisionShape() : nullptr;
    shapePart = result.m_localShapeInfo ? result.m_localShapeInfo->m_shapePart : 0;
    triangleIndex = result.m_localShapeInfo ? result.m_localShapeInfo->m_triangleIndex : 0;
    shapeParts.push_back(shapePart);
    triangleIndices.push_back(triangleIndex);
    rayDirections.push_back(rayDirection);
    return AllHitsRayResultCallback::addSingleResult(result, normalInWorldSpace);
}

QVector<RawRayHit> sortedRawHits(const AllResultsRayResultCallback &callback, const glm::vec3 &eye)
{
    QVector<RawRayHit> hits;
    const int count = callback.m_collisionObjects.size();
    hits.reserve(count);
    for (int k = 0; k < count; ++k) {
        const btCollisionObject *object = callback.m_collisionObjects[k];
        const auto *group =
            object ? static_cast<const CollisionGroup *>(object->getUserPointer()) : nullptr;
        const int triangle =
            group ? group->triangleAt(callback.shapeParts[k], callback.triangleIndices[k]) : -1;
        // Every object of the program's world is a group's; a foreign one has no
        // plate to rate.
        if (triangle < 0) {
            continue;
        }
        const glm::vec3 &n = group->triangles.at(triangle).normal;
        RawRayHit hit;
        hit.direction = toGlm(callback.rayDirections[k]);
        hit.hitPoint = toGlm(callback.m_hitPointWorld[k]);
        hit.distance = glm::length(eye - hit.hitPoint);
        hit.normal = toGlm(object->getWorldTransform().getBasis() * btVector3(n.x, n.y, n.z));
        hit.material = group->name;
        hit.armor = group->armor;
        hit.spaced = group->spaced != 0;
        hit.object = quintptr(object);
        hits.append(hit);
    }
    std::sort(hits.begin(), hits.end(),
              [](const RawRayHit &a, const RawRayHit &b) { return a.distance < b.distance; });
    return hits;
}

} // namespace internal

ShotOutcome evaluate(const QVector<RawRayHit> &sortedHits, const ShellParamaters &shell,
                     const glm::vec3 &to)
{
    ShotOutcome outcome;
    outcome.shellType = shell.shellType;
    outcome.shotEnd = to;
    if (sortedHits.isEmpty()) {
        outcome.records.append(missed());
        outcome.results = outcome.records;
        return outcome;
    }

    const RawRayHit &first = sortedHits.first();
    outcome.marker = first.hitPoint - MARKER_PULL_BACK * first.direction;
    const float limit = freeTravelLimit(shell.caliber);
    const float caliber = shell.caliber;
    const float normalization = shell.normalization;
    const bool kinetic = shell.shellType == ShellAP || shell.shellType == ShellAPCR;
    float ricochetAngle = 0.0f;
    if (kinetic) {
        ricochetAngle = RICOCHET_KINETIC;
    } else if (shell.shellType == ShellHEAT) {
        ricochetAngle = RICOCHET_HEAT;
    } else {
        outcome.shellType = ShellHE;
    }

    int surveying = 0;
    int guns = 0;
    float travelled = 0.0f;
    bool stoppedByLimit = false;
    RayResultsList &out = outcome.records;
    for (int i = 0; i < sortedHits.size(); ++i) {
        const RawRayHit &hit = sortedHits.at(i);
        RayResult record;
        const HitClass hitClass = classify(hit);
        if (hitClass == HitSurveyingDevice) {
            ++surveying;
        } else if (hitClass == HitGun) {
            ++guns;
        }
        if (i >= 1) {
            const bool sameObject = hit.object == sortedHits.at(i - 1).object;
            if ((hitClass == HitTrack || hitClass == HitGun) && sameObject) {
                record.skipped = true;
            }
            if (hitClass == HitGun && guns > 1) {
                record.skipped = true;
            }
            if (hitClass == HitSurveyingDevice && surveying > 1) {
                record.skipped = true;
                surveying = 0;
            }
        }

        const glm::vec3 &normal = hit.normal;
        const glm::vec3 &d = hit.direction;
        float c = glm::dot(-d, normal) / std::sqrt(glm::dot(d, d) * glm::dot(normal, normal));
        c = std::clamp(c, -1.0f, 1.0f);
        float a = std::acos(c);
        if (hitClass == HitSurveyingDevice || hitClass == HitTrack) {
            a = 0.0f;
        }
        float deg = a * DEGREES_PER_RADIAN;
        if (deg > 90.0f) {
            deg = 180.0f - deg;
            a = deg * RADIANS_PER_DEGREE;
        }

        const float armor = float(hit.armor);
        float e = 0.0f;
        if (deg > normalization) {
            e = a - normalization * RADIANS_PER_DEGREE;
            if (kinetic && caliber >= TWO_CALIBRES * armor) {
                if (caliber >= THREE_CALIBRES * armor) {
                    ricochetAngle = 0.0f;
                }
                if (hit.armor == 0) {
                    // No registry entry: the gain would divide by zero. The plate
                    // counts as not normalised, as any normalisation above 0 gives.
                    e = 0.0f;
                } else {
                    const float q = float(double(normalization) * NORMALIZATION_GAIN
                                          * double(caliber) / double(hit.armor));
                    e = (deg - q) * RADIANS_PER_DEGREE;
                }
            }
        }
        e = std::clamp(e, 0.0f, STEEPEST);

        record.armor = armor;
        record.effectiveArmor = armor / std::cos(e);
        record.angle = deg;
        record.normalizedAngle = e * DEGREES_PER_RADIAN;
        record.ricochet = ricochetAngle > 0.0f && record.normalizedAngle > ricochetAngle;
        record.spaced = hit.spaced;
        record.material = hit.material;
        record.hitPoint = hit.hitPoint;
        record.hitClass = hitClass;
        if (i + 1 < sortedHits.size()) {
            record.freeTravel = glm::length(hit.hitPoint - sortedHits.at(i + 1).hitPoint);
        }

        if (!out.isEmpty()) {
            travelled += out.last().freeTravel;
            if (travelled > limit) {
                outcome.shotEnd = out.first().hitPoint + first.direction * limit;
                stoppedByLimit = true;
                break;
            }
        }
        out.append(record);
        if (!record.skipped && record.ricochet) {
            break;
        }
    }
    if (!stoppedByLimit && !out.isEmpty()) {
        outcome.shotEnd = out.last().hitPoint;
    }
    for (const RayResult &record : std::as_const(out)) {
        if (!record.skipped) {
            outcome.results.append(record);
        }
    }
    return outcome;
}
