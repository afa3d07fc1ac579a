#include "tank/tankinfo.h"
#include "tank/turretgun.h"

#include "gamedata/moreadercached.h"
#include "gamedata/packedxmlreader.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString SAMPLE = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);
const QString VELMORA = QStringLiteral("scripts/item_defs/vehicles/velmora/");

QByteArray readGameFile(const QString &name)
{
    const std::unique_ptr<QBuffer> buffer(FileManager::instance()->openFile(name));
    return buffer ? buffer->data() : QByteArray();
}

// The services on the small sample game, as the loader has them.
class Services : public SampleGameServices
{
public:
    Services()
        : SampleGameServices(SAMPLE)
    {
        new TankInfo();
    }

    ~Services() { delete TankInfo::instance(); }

    // A definition of 6 turrets with 6 guns each, every name in the velmora catalogue.
    QByteArray generatedDefinition(bool packed)
    {
        QByteArray xml =
            "<gen.xml><camouflage><exclusionMask>m.dds</exclusionMask></camouflage>"
            "<hull><turretPositions><turret>0 1.5 0.2</turret></turretPositions></hull>"
            "<chassis><Chassis_G><hullPosition>0 0.4 0</hullPosition></Chassis_G>"
            "</chassis><turrets0>";
        // Names the catalogue holds: a miss would log a line on every read.
        const char *names[] = {"Turret_1_V07_Bastion", "Turret_2_V07_Bastion", "V01_Sprite",
                               "V04_Warden",           "V07_Bastion",          "V10_Tempest"};
        for (int t = 0; t < 6; ++t) {
            const QByteArray tag = "Turret_" + QByteArray::number(t + 1);
            xml +=
                "<" + tag + "><userString>#velmora_vehicles:" + names[t]
                + "</userString>"
                  "<models><undamaged>v/normal/lod0/Turret.model</undamaged>"
                  "<destroyed>v/crash/lod0/Turret.model</destroyed></models>"
                  "<hitTester><collisionModel>v/collision/Turret.model</collisionModel></hitTester>"
                  "<maxHealth>150</maxHealth><yawLimits>-90 90</yawLimits>"
                  "<gunPosition>0 0.3 1.2</gunPosition><camouflage><exclusionMask>t.dds"
                  "</exclusionMask><tiling>1 1 0.1 0</tiling></camouflage><guns>";
            for (int g = 0; g < 6; ++g) {
                const QByteArray gun = g % 2 ? "_90mm_Gun_V07_Bastion" : "_75mm_Gun_V07_Bastion";
                xml +=
                    "<" + gun
                    + "><models><undamaged>v/normal/lod0/Gun_01.model</undamaged>"
                      "<destroyed>v/crash/lod0/Gun_01.model</destroyed></models>"
                      "<hitTester><collisionModel>v/collision/Gun_01.model</collisionModel>"
                      "</hitTester><turretYawLimits>-30 30</turretYawLimits>"
                      "<pitchLimits>-10 20</pitchLimits><extraPitchLimits><front>-5 15 20</front>"
                      "<back>0 5 40</back></extraPitchLimits><camouflage><exclusionMask>g.dds"
                      "</exclusionMask><tiling>1 1 0 0</tiling></camouflage></"
                    + gun + ">";
            }
            xml += "</guns></" + tag + ">";
        }
        xml += "</turrets0></gen.xml>";
        if (!packed) {
            return xml;
        }
        const QString in = mTemp.filePath(QStringLiteral("gen.xml"));
        const QString out = mTemp.filePath(QStringLiteral("gen.packed"));
        QFile file(in);
        file.open(QIODevice::WriteOnly);
        file.write(xml);
        file.close();
        QProcess::execute(QStringLiteral("python3"),
                          {QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats/packedxml.py"),
                           QStringLiteral("pack"), in, out});
        QFile result(out);
        return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
    }

private:
    QTemporaryDir mTemp;
};

Services *services = nullptr;

// The time is that of reading the turrets and guns of one decoded definition; the
// counter "vs_decode" is that time over the packed reader's decode of the same bytes,
// timed in the same iterations.
void runTurretRead(benchmark::State &state, const QByteArray &definition)
{
    if (!services->valid() || definition.isEmpty()) {
        state.SkipWithError("sample game missing: build target sample_game");
        return;
    }
    const QDomDocument guns = PackedXmlReader::parse(
        readGameFile(VELMORA + QStringLiteral("components/guns.xml")), QStringLiteral("guns.xml"));
    qint64 readNs = 0;
    qint64 decodeNs = 0;
    int turrets = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        const QDomDocument document = PackedXmlReader::parse(definition, QStringLiteral("d.xml"));
        decodeNs += timer.nsecsElapsed();
        timer.start();
        const QVector<Turret> list = readTurrets(document, guns);
        const qint64 ns = timer.nsecsElapsed();
        readNs += ns;
        turrets = list.size();
        state.SetIterationTime(double(ns) * 1e-9);
    }
    state.counters["turrets"] = turrets;
    state.counters["vs_decode"] = double(readNs) / double(qMax<qint64>(decodeNs, 1));
}

void BM_TurretsBastionPacked(benchmark::State &state)
{
    runTurretRead(state, readGameFile(VELMORA + QStringLiteral("v07_bastion.xml")));
}
BENCHMARK(BM_TurretsBastionPacked)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TurretsBastionPlain(benchmark::State &state)
{
    const QDomDocument document = PackedXmlReader::parse(
        readGameFile(VELMORA + QStringLiteral("v07_bastion.xml")), QStringLiteral("d.xml"));
    runTurretRead(state, document.toByteArray());
}
BENCHMARK(BM_TurretsBastionPlain)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TurretsGenerated36Packed(benchmark::State &state)
{
    runTurretRead(state, services->generatedDefinition(true));
}
BENCHMARK(BM_TurretsGenerated36Packed)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TurretsGenerated36Plain(benchmark::State &state)
{
    runTurretRead(state, services->generatedDefinition(false));
}
BENCHMARK(BM_TurretsGenerated36Plain)->Unit(benchmark::kMicrosecond)->UseManualTime();

// TankInfo::parse of O06_Falcon (with a .texformat companion); "vs_visuals" is its
// time over reading the same .visual files with the packed reader alone.
void BM_TankInfoParse(benchmark::State &state)
{
    if (!services->valid()) {
        state.SkipWithError("sample game missing: build target sample_game");
        return;
    }
    const QDomDocument definition = PackedXmlReader::parse(
        readGameFile(QStringLiteral("scripts/item_defs/vehicles/oriande/o06_falcon.xml")),
        QStringLiteral("o06_falcon.xml"));
    QStringList visuals;
    const QString folder = QStringLiteral("vehicles/oriande/O06_Falcon/");
    for (const QString &form : {QStringLiteral("normal/lod0/"), QStringLiteral("crash/lod0/")}) {
        for (const char *part : {"Hull", "Chassis", "Turret_01", "Gun_01"}) {
            visuals << folder + form + part + QStringLiteral(".visual");
        }
    }
    TankInfo *info = TankInfo::instance();
    qint64 parseNs = 0;
    qint64 visualsNs = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        for (const QString &visual : visuals) {
            benchmark::DoNotOptimize(PackedXmlReader::parse(readGameFile(visual), visual));
        }
        visualsNs += timer.nsecsElapsed();
        timer.start();
        info->parse(definition);
        const qint64 ns = timer.nsecsElapsed();
        parseNs += ns;
        state.SetIterationTime(double(ns) * 1e-9);
    }
    state.counters["files"] = info->allFiles().size();
    state.counters["vs_visuals"] = double(parseNs) / double(qMax<qint64>(visualsNs, 1));
}
BENCHMARK(BM_TankInfoParse)->Unit(benchmark::kMicrosecond)->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Services built;
    services = &built;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
