#include "gamedata/image.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A 2048 x 2048 nvcompress file of the given block flag, made once per run;
// the picture is noisy enough that every block has its own end points.
struct Fixture
{
    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    QByteArray bytes;
};

const Fixture &fixture(const QString &flag, int size = 2048)
{
    static std::map<std::pair<QString, int>, Fixture> cache;
    auto it = cache.find({flag, size});
    if (it != cache.end()) {
        return it->second;
    }
    Fixture f;
    f.dir = std::make_unique<QTemporaryDir>();
    const QString png = f.dir->filePath(QStringLiteral("source.png"));
    QImage img(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = ((x * 73856093) ^ (y * 19349663)) & 0x3F;
            line[x] =
                qRgba((x / 8 + n) & 0xFF, (y / 8 + n) & 0xFF, (x ^ y) & 0xFF, (x + y + n) & 0xFF);
        }
    }
    img.save(png);
    f.path = f.dir->filePath(QStringLiteral("texture.dds"));
    QProcess nv;
    nv.start(QStringLiteral("nvcompress"),
             {QStringLiteral("-fast"), QStringLiteral("-nomips"), flag, png, f.path});
    nv.waitForFinished(300000);
    QFile file(f.path);
    if (file.open(QIODevice::ReadOnly)) {
        f.bytes = file.readAll();
    }
    return cache.emplace(std::make_pair(flag, size), std::move(f)).first->second;
}

// The codec: parse the file and decode every block.
void decode(benchmark::State &state, const QString &flag)
{
    const Fixture &f = fixture(flag);
    if (f.bytes.isEmpty()) {
        state.SkipWithError("nvcompress did not write the texture");
        return;
    }
    std::int64_t written = 0;
    for (auto _ : state) {
        std::optional<Image> image = Image::loadDds(f.bytes);
        if (!image || !image->uncompress()) {
            state.SkipWithError("decode failed");
            return;
        }
        written = image->pixels.size();
        benchmark::DoNotOptimize(image->pixels.constData());
    }
    // What the decoder writes: RGB8 for DXT1, RGBA8 for DXT3 and DXT5.
    state.SetBytesProcessed(state.iterations() * written);
}

// Seconds one run of `convert <path> -depth 8 RGBA:/dev/null` takes, start to
// exit; negative when it cannot be started or fails. Nothing flows through a
// pipe: convert writes the pixels to /dev/null itself.
double runConvert(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    const char *argv[] = {"convert", file.constData(), "-depth", "8", "RGBA:/dev/null", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, "convert", &actions, nullptr, const_cast<char *const *>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1.0;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of five runs of convert on a 4 x 4 file: what starting it costs.
double convertStartup()
{
    static double startup = [] {
        const Fixture &tiny = fixture(QStringLiteral("-bc1"), 4);
        std::vector<double> runs;
        for (int i = 0; i < 5 && !tiny.bytes.isEmpty(); ++i) {
            runs.push_back(runConvert(tiny.path));
        }
        std::sort(runs.begin(), runs.end());
        return runs.empty() || runs.front() < 0 ? -1.0 : runs[runs.size() / 2];
    }();
    return startup;
}

// ImageMagick's decode of the same file to raw RGBA, as a whole process (no
// Magick++ library is installed). The time shown is the whole run; the counters
// give the start-up (convertStartup) and the run with it taken off.
void magick(benchmark::State &state, const QString &flag, int size = 2048)
{
    const Fixture &f = fixture(flag, size);
    if (f.bytes.isEmpty()) {
        state.SkipWithError("nvcompress did not write the texture");
        return;
    }
    const double startup = convertStartup();
    if (startup < 0) {
        state.SkipWithError("convert failed on the 4 x 4 file");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const double seconds = runConvert(f.path);
        if (seconds < 0) {
            state.SkipWithError("convert failed");
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double whole = total / double(state.iterations());
    state.counters["startup_ms"] = startup * 1e3;
    state.counters["net_ms"] = (whole - startup) * 1e3;
}

// The floor: copying a decoded picture's worth of bytes, 3 or 4 per texel.
void copyOutput(benchmark::State &state)
{
    const QByteArray source(qsizetype(2048) * 2048 * state.range(0), '\x5a');
    for (auto _ : state) {
        QByteArray copy(source.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), source.constData(), size_t(source.size()));
        benchmark::DoNotOptimize(copy.constData());
    }
    state.SetBytesProcessed(state.iterations() * source.size());
}

void BM_DecodeDxt1(benchmark::State &state)
{
    decode(state, QStringLiteral("-bc1"));
}
void BM_DecodeDxt5(benchmark::State &state)
{
    decode(state, QStringLiteral("-bc3"));
}
void BM_MagickDecodeDxt1(benchmark::State &state)
{
    magick(state, QStringLiteral("-bc1"));
}
void BM_MagickDecodeDxt5(benchmark::State &state)
{
    magick(state, QStringLiteral("-bc3"));
}
void BM_CopyDecodedSize(benchmark::State &state)
{
    copyOutput(state);
}
// What starting convert costs on its own: a 4 x 4 file (net_ms near 0).
void BM_MagickStartup(benchmark::State &state)
{
    magick(state, QStringLiteral("-bc1"), 4);
}

} // namespace

BENCHMARK(BM_DecodeDxt1)->Unit(benchmark::kMillisecond);
// Wall time of the child process, start to exit.
BENCHMARK(BM_MagickDecodeDxt1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_DecodeDxt5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickDecodeDxt5)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_CopyDecodedSize)->Unit(benchmark::kMillisecond)->Arg(3)->Arg(4);
BENCHMARK(BM_MagickStartup)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
