// The shell rules over the hits of one shot, as the ray test hands them over.
// Input, little endian: a 24-byte shell (calibre f32, normalisation f32, shell type
// i32, far point 3 x f32), then 44-byte hits: direction, hit point and face normal
// (3 x f32 each), the plate's registry thickness (f32, truncated as a group keeps
// it), a flag byte (bit 0: spaced), a name byte (an index into NAMES), an object
// byte (hits of one object share it) and one unused byte. A trailing part hit is
// ignored. The hits are sorted by their distance from the eye at the origin.
// With a finite calibre and normalisation every record must be sound: a thickness
// along the path at least the nominal one and finite, an angle within 0..90.
#include "armour/collisionmesh.h"
#include "armour/shot.h"

#include <QString>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The classes the rules tell apart by name, in both letter cases.
const char *const NAMES[] = {
    "armor_1",    "hull_front",      "Track_L",        "track_R", "gun_mantlet",
    "Gun_barrel", "surveyingDevice", "SurveyDevice_2", "",        "turret_side"};
constexpr std::size_t NAME_COUNT = sizeof(NAMES) / sizeof(NAMES[0]);
constexpr std::size_t SHELL_BYTES = 24;
constexpr std::size_t HIT_BYTES = 44;

float floatAt(const std::uint8_t *data)
{
    std::uint32_t bits = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8
                         | std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

glm::vec3 vec3At(const std::uint8_t *data)
{
    return glm::vec3(floatAt(data), floatAt(data + 4), floatAt(data + 8));
}

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (!data || size < SHELL_BYTES) {
        return 0;
    }
    ShellParamaters shell;
    shell.caliber = floatAt(data);
    shell.normalization = floatAt(data + 4);
    std::int32_t type = 0;
    std::memcpy(&type, data + 8, sizeof(type));
    shell.shellType = type;
    const glm::vec3 to = vec3At(data + 12);

    QVector<RawRayHit> hits;
    for (std::size_t at = SHELL_BYTES; size - at >= HIT_BYTES; at += HIT_BYTES) {
        const std::uint8_t *field = data + at;
        RawRayHit hit;
        hit.direction = vec3At(field);
        hit.hitPoint = vec3At(field + 12);
        hit.normal = vec3At(field + 24);
        hit.armor = truncatedThickness(floatAt(field + 36));
        hit.spaced = field[40] & 1;
        hit.material = QString::fromLatin1(NAMES[field[41] % NAME_COUNT]);
        hit.object = field[42];
        // Bullet's hit points are finite; a NaN distance would only break the sort.
        const float distance = glm::length(hit.hitPoint);
        hit.distance = std::isnan(distance) ? INFINITY : distance;
        hits.append(hit);
    }
    std::sort(hits.begin(), hits.end(),
              [](const RawRayHit &a, const RawRayHit &b) { return a.distance < b.distance; });

    const ShotOutcome outcome = evaluate(hits, shell, to);
    check(!outcome.results.isEmpty() && outcome.results.size() <= outcome.records.size());
    if (std::isfinite(shell.caliber) && std::isfinite(shell.normalization)) {
        for (const RayResult &r : outcome.records) {
            check(std::isfinite(r.effectiveArmor) && r.effectiveArmor >= r.armor);
            check(r.normalizedAngle >= 0.0f && r.normalizedAngle <= 90.0f);
        }
    }
    return 0;
}
