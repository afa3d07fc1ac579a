#include "render/image.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <utility>
#include <memory>

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
            line[x] = qRgba((x / 8 + n) & 0xFF, (y / 8 + n) & 0xFF, (x ^ y) & 0xFF,
                            (x + y + n) & 0xFF);
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
    for (auto _ : state) {
        std::optional<Image> image = Image::loadDds(f.bytes);
        if (!image || !image->uncompress()) {
            state.SkipWithError("decode failed");
            return;
        }
        benchmark::DoNotOptimize(image->pixels.constData());
    }
    state.SetBytesProcessed(state.iterations() * 2048 * 2048 * 4);
}

// ImageMagick's decode of the same file to raw RGBA, as a separate process
// (no Magick++ library is installed, so the cost includes starting convert).
void magick(benchmark::State &state, const QString &flag, int size = 2048)
{
    const Fixture &f = fixture(flag, size);
    if (f.bytes.isEmpty()) {
        state.SkipWithError("nvcompress did not write the texture");
        return;
    }
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral("convert"),
                {f.path + QStringLiteral("[0]"), QStringLiteral("-depth"), QStringLiteral("8"),
                 QStringLiteral("rgba:-")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            state.SkipWithError("convert failed");
            return;
        }
        benchmark::DoNotOptimize(p.readAllStandardOutput().size());
    }
    state.SetBytesProcessed(state.iterations() * 2048 * 2048 * 4);
}

// The floor: copying a decoded picture's worth of bytes.
void copyOutput(benchmark::State &state)
{
    const QByteArray source(2048 * 2048 * 4, '\x5a');
    for (auto _ : state) {
        QByteArray copy(source.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), source.constData(), size_t(source.size()));
        benchmark::DoNotOptimize(copy.constData());
    }
    state.SetBytesProcessed(state.iterations() * source.size());
}

void BM_DecodeDxt1(benchmark::State &state) { decode(state, QStringLiteral("-bc1")); }
void BM_DecodeDxt5(benchmark::State &state) { decode(state, QStringLiteral("-bc3")); }
void BM_MagickDecodeDxt1(benchmark::State &state) { magick(state, QStringLiteral("-bc1")); }
void BM_MagickDecodeDxt5(benchmark::State &state) { magick(state, QStringLiteral("-bc3")); }
void BM_CopyDecodedSize(benchmark::State &state) { copyOutput(state); }
// What starting convert costs on its own: a 4 x 4 file.
void BM_MagickStartup(benchmark::State &state) { magick(state, QStringLiteral("-bc1"), 4); }

} // namespace

BENCHMARK(BM_DecodeDxt1)->Unit(benchmark::kMillisecond);
// Wall time: the work happens in the child process.
BENCHMARK(BM_MagickDecodeDxt1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_DecodeDxt5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickDecodeDxt5)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CopyDecodedSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickStartup)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

BENCHMARK_MAIN();
