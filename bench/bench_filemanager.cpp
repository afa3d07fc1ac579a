#include "core/filemanager.h"
#include "core/settings.h"

#include "pagefaults.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int PACKAGES = 40;
constexpr int MEMBERS_PER_PACKAGE = 200;
constexpr int TARGET_SIZE = 64 * 1024;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

QByteArray filler(int size, int seed)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i) {
        bytes += "<v>" + QByteArray::number((i * 7919 + seed) % 10007) + "</v>\n";
    }
    bytes.truncate(size);
    return bytes;
}

// A game folder with 40 packages of 200 members each, listed in resources.cfg;
// the 64 KiB member is in the last package only, a copy of it in the first
// package under another name, and a 64 KiB loose file in the mod folder.
struct Game
{
    Game()
    {
        const QString root = temp.path();
        QDir().mkpath(root + QStringLiteral("/bin_x64"));
        writeFile(root + QStringLiteral("/game/Brastel.exe"), "MZ");
        QByteArray resources = "<Resources><Paths>\n";
        for (int p = 0; p < PACKAGES; ++p) {
            const QString staging = root + QStringLiteral("/staging%1").arg(p);
            QStringList members;
            for (int m = 0; m < MEMBERS_PER_PACKAGE; ++m) {
                const QString name = QStringLiteral("vehicles/p%1/item%2.xml").arg(p).arg(m);
                writeFile(staging + QLatin1Char('/') + name, filler(1024, p * 1000 + m));
                members.append(name);
            }
            if (p == 0 || p == PACKAGES - 1) {
                const QString name = p == 0 ? QStringLiteral("vehicles/first/target.dds")
                                            : QStringLiteral("vehicles/last/target.dds");
                writeFile(staging + QLatin1Char('/') + name, filler(TARGET_SIZE, 1));
                members.append(name);
            }
            const QString package =
                root + QStringLiteral("/game/res/packages/package%1.pkg").arg(p);
            QDir().mkpath(QFileInfo(package).path());
            QProcess zip;
            zip.setWorkingDirectory(staging);
            zip.start(QStringLiteral("zip"),
                      QStringList {QStringLiteral("-q"), QStringLiteral("-X"), package} + members);
            zip.waitForFinished(120000);
            QDir(staging).removeRecursively();
            resources += "<Zip>package" + QByteArray::number(p) + ".pkg</Zip>\n";
        }
        resources += "</Paths></Resources>\n";
        writeFile(root + QStringLiteral("/data/resources.cfg"), resources);
        writeFile(root + QStringLiteral("/mod/vehicles/velmora/Hull_AM.dds"),
                  filler(TARGET_SIZE, 2));
        writeFile(root + QStringLiteral("/data/settings.cfg"),
                  "<Settings><Paths><BrastelPath>" + root.toUtf8() + "/game</BrastelPath><ModPath>"
                      + root.toUtf8() + "/mod</ModPath></Paths></Settings>");

        QDir::setCurrent(root + QStringLiteral("/bin_x64"));
        files = std::make_unique<FileManager>();
        settings = std::make_unique<Settings>();
    }

    QTemporaryDir temp;
    std::unique_ptr<FileManager> files;
    std::unique_ptr<Settings> settings;
};

Game &game()
{
    static Game instance;
    return instance;
}

// Also counts page faults per call: a buffer that malloc maps afresh for every
// call shows there before it shows in the time.
void timeOpenFile(benchmark::State &state, FileManager &files, const QString &name)
{
    const long faultsBefore = minorFaults();
    for (auto _ : state) {
        std::unique_ptr<QBuffer> buffer(files.openFile(name));
        if (!buffer || buffer->size() != TARGET_SIZE) {
            state.SkipWithError("the file was not found whole");
            return;
        }
        benchmark::DoNotOptimize(buffer->data().constData());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * TARGET_SIZE);
    state.counters["faults"] = benchmark::Counter(double(minorFaults() - faultsBefore),
                                                  benchmark::Counter::kAvgIterations);
}

void openFileBench(benchmark::State &state, const QString &name)
{
    Game &g = game();
    if (g.files->archives.size() != PACKAGES) {
        state.SkipWithError("the packages did not open");
        return;
    }
    timeOpenFile(state, *g.files, name);
}

void BM_OpenFileInLastOf40Packages(benchmark::State &state)
{
    openFileBench(state, QStringLiteral("vehicles\\Last\\Target.dds"));
}

// The peer: the same member found in the first package.
void BM_OpenFileInFirstPackage(benchmark::State &state)
{
    openFileBench(state, QStringLiteral("vehicles\\First\\Target.dds"));
}

void BM_OpenLooseModFile(benchmark::State &state)
{
    openFileBench(state, QStringLiteral("vehicles/velmora/Hull_AM.dds"));
}

// The same FileManager reloaded, as a change of game path does, with the last N
// packages listed; the member is in the last one. Run after the benchmarks above,
// in the order 1, 10, 40, so each reload follows a larger or smaller set.
void BM_OpenFileAfterReload(benchmark::State &state)
{
    Game &g = game();
    const int count = int(state.range(0));
    QByteArray resources = "<Resources><Paths>\n";
    for (int p = PACKAGES - count; p < PACKAGES; ++p) {
        resources += "<Zip>package" + QByteArray::number(p) + ".pkg</Zip>\n";
    }
    resources += "</Paths></Resources>\n";
    writeFile(g.temp.path() + QStringLiteral("/data/resources.cfg"), resources);
    g.files->loadZipFiles();
    if (g.files->archives.size() != count) {
        state.SkipWithError("the packages did not open");
        return;
    }
    timeOpenFile(state, *g.files, QStringLiteral("vehicles\\Last\\Target.dds"));
}

} // namespace

BENCHMARK(BM_OpenFileInLastOf40Packages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenFileInFirstPackage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenLooseModFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenFileAfterReload)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
