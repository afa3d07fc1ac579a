// A tank definition, packed or plain, read into its turrets and guns as the tank
// loader reads it: positions, limits, camouflage and models. The input is the
// definition, optionally followed by GUNS_SEPARATOR and the nation's guns.xml, which
// names the shared guns and their limits.
#include "tank/turretgun.h"

#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QMessageBox>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QByteArray GUNS_SEPARATOR("\n\0guns.xml\0\n", 12);

template <int N> bool allFinite(const glm::vec<N, float> &v)
{
    return !glm::any(glm::isnan(v)) && !glm::any(glm::isinf(v));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const int split = bytes.indexOf(GUNS_SEPARATOR);
    const QByteArray definition = split < 0 ? bytes : bytes.left(split);
    const QByteArray guns = split < 0 ? QByteArray() : bytes.mid(split + GUNS_SEPARATOR.size());
    const QDomDocument tank =
        PackedXmlReader::parse(definition, QStringLiteral("vehicles/x/x01_tank.xml"));
    const QDomDocument shared =
        PackedXmlReader::parse(guns, QStringLiteral("vehicles/x/components/guns.xml"));
    const QVector<Turret> turrets = readTurrets(tank, shared);
    // Limits go to the rotation boxes and positions into every matrix of the tank:
    // whatever the text, none may be NaN or infinite.
    for (const Turret &turret : turrets) {
        bool finite = allFinite(turret.turretPosition) && allFinite(turret.gunPosition)
                      && allFinite(turret.hullPosition) && allFinite(turret.yawLimits)
                      && allFinite(turret.camoTiling);
        for (const Gun &gun : turret.guns) {
            finite = finite && allFinite(gun.turretYawLimits) && allFinite(gun.pitchLimits)
                     && allFinite(gun.extraPitchBack) && allFinite(gun.extraPitchFront)
                     && allFinite(gun.camoTiling);
        }
        if (!finite) {
            std::abort();
        }
    }
    return 0;
}
