#include "core/filemanager.h"
#include "core/log.h"
#include "render/textureloader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QSurfaceFormat>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kPackage = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR)
                         + QStringLiteral("/Brastel/res/packages/vehicles_kastrel.pkg");

// The textures of one sample tank, read from its package.
QStringList tankTextureNames()
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), kPackage});
    unzip.waitForFinished(60000);
    QStringList names;
    for (const QByteArray &line : unzip.readAllStandardOutput().split('\n')) {
        if (line.startsWith("vehicles/kastrel/K08_Colossus/") && line.endsWith(".dds")) {
            names << QString::fromUtf8(line);
        }
    }
    return names;
}

// Every texture of the tank from the package into GL, as a tank load does:
// a fresh per-tank cache each time, emptied afterwards.
void BM_LoadSampleTankTextures(benchmark::State &state)
{
    QSurfaceFormat format;
    format.setVersion(3, 2);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOpenGLContext context;
    context.setFormat(format);
    QOffscreenSurface surface;
    if (!context.create()) {
        state.SkipWithError("no OpenGL 3.2 core context");
        return;
    }
    surface.setFormat(context.format());
    surface.create();
    context.makeCurrent(&surface);

    const QStringList names = tankTextureNames();
    if (names.isEmpty() || !FileManager::instance()->addArchive(kPackage, false)) {
        state.SkipWithError("sample game missing: build the sample_game target");
        return;
    }
    TextureLoader loader;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        for (const QString &name : names) {
            if (loader.getTexture(name) == loader.noTexture) {
                state.SkipWithError("a texture did not load");
                return;
            }
        }
        context.functions()->glFinish();
        state.PauseTiming();
        loader.clear();
        state.ResumeTiming();
    }
    for (const QString &name : names) {
        if (QBuffer *b = FileManager::instance()->readFromZips(name)) {
            bytes += b->size();
            delete b;
        }
    }
    state.counters["textures"] = double(names.size());
    state.SetBytesProcessed(state.iterations() * bytes);
    FileManager::instance()->closeAll();
}

} // namespace

BENCHMARK(BM_LoadSampleTankTextures)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    // The loader reads "../data/" beside a bin folder, as the program does.
    QTemporaryDir root;
    QDir().mkpath(root.filePath(QStringLiteral("bin_x64")));
    QDir().mkpath(root.filePath(QStringLiteral("data")));
    for (const char *name : {"NoTexture.dds", "grid.dds"}) {
        QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + QLatin1String(name),
                    root.filePath(QStringLiteral("data/")) + QLatin1String(name));
    }
    QDir::setCurrent(root.filePath(QStringLiteral("bin_x64")));
    Log log;
    FileManager files;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
