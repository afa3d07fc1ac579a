#include "armour/shot.h"

#include "armour/collisionmesh.h"
#include "armour/physics.h"
#include "armour/rayresultcallback.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float DEGREES_PER_RADIAN = 57.29578f;
constexpr float RADIANS_PER_DEGREE = 0.017453292f;
constexpr float MARKER_PULL_BACK = 0.04f;
constexpr float RICOCHET_KINETIC = 70.0f;
constexpr float RICOCHET_HEAT = 80.0f;
constexpr float TWO_CALIBRES = 2.0f;
constexpr float THREE_CALIBRES = 3.0f;
constexpr double NORMALIZATION_GAIN = 1.4;

const CollisionGroup *groupOf(const btCollisionObject *object)
{
    if (!object || object->getUserIndex() != GROUP_OWNED_OBJECT) {
        return nullptr;
    }
    return static_cast<const CollisionGroup *>(object->getUserPointer());
}

glm::vec3 toGlm(const btVector3 &v)
{
    return glm::vec3(v.x(), v.y(), v.z());
}

HitClass classify(const CollisionGroup &group)
{
    if (group.spaced) {
        return HitSpaced;
    }
    if (group.name.contains(QLatin1String("track"), Qt::CaseInsensitive)) {
        return HitTrack;
    }
    if (group.name.contains(QLatin1String("survey"), Qt::CaseInsensitive)) {
        return HitSurveyingDevice;
    }
    if (group.name.contains(QLatin1String("gun"), Qt::CaseInsensitive)) {
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
        const CollisionGroup *group = groupOf(callback.m_collisionObjects[k]);
        const int triangle = callback.triangleIndices[k];
        // Every object of the program's world is a group's; a foreign one has no
        // plate to rate.
        if (!group || triangle < 0 || triangle >= group->triangles.size()) {
            continue;
        }
        RawRayHit hit;
        hit.direction = toGlm(callback.rayDirections[k]);
        hit.hitPoint = toGlm(callback.m_hitPointWorld[k]);
        hit.distance = glm::length(eye - hit.hitPoint);
        hit.object = callback.m_collisionObjects[k];
        hit.triangleIndex = triangle;
        hits.append(hit);
    }
    std::sort(hits.begin(), hits.end(),
              [](const RawRayHit &a, const RawRayHit &b) { return a.distance < b.distance; });
    return hits;
}

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
        const CollisionGroup *group = groupOf(hit.object);
        if (!group || hit.triangleIndex < 0 || hit.triangleIndex >= group->triangles.size()) {
            continue; // sortedRawHits never makes one
        }
        RayResult record;
        const HitClass hitClass = classify(*group);
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

        const btMatrix3x3 &basis = hit.object->getWorldTransform().getBasis();
        const glm::vec3 &n = group->triangles.at(hit.triangleIndex).normal;
        const glm::vec3 normal = toGlm(basis * btVector3(n.x, n.y, n.z));
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

        const float armor = float(group->armor);
        float e = 0.0f;
        if (deg > normalization) {
            e = a - normalization * RADIANS_PER_DEGREE;
            if (kinetic && caliber >= TWO_CALIBRES * armor) {
                if (caliber >= THREE_CALIBRES * armor) {
                    ricochetAngle = 0.0f;
                }
                if (group->armor == 0) {
                    // No registry entry: the gain would divide by zero. The plate
                    // counts as not normalised, as any normalisation above 0 gives.
                    e = 0.0f;
                } else {
                    const float q = float(double(normalization) * NORMALIZATION_GAIN
                                          * double(caliber) / double(group->armor));
                    e = (deg - q) * RADIANS_PER_DEGREE;
                }
            }
        }
        e = std::max(e, 0.0f);

        record.armor = armor;
        record.effectiveArmor = armor / std::cos(e);
        record.angle = deg;
        record.normalizedAngle = e * DEGREES_PER_RADIAN;
        record.ricochet = ricochetAngle > 0.0f && record.normalizedAngle > ricochetAngle;
        record.spaced = group->spaced != 0;
        record.material = group->name;
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
