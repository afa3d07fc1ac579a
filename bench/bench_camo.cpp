// The camouflage bake of a 1024 x 1024 diffuse (render, read-back, DXT1 with mips,
// write) against the floor, libnvtt compressing the same BGRA pixels with the same
// options; and reading a nation of 40 camouflages with 512 x 512 DXT1 textures.
#include "tank/camoloader.h"

#include "render/camobake.h"
#include "render/shaderloader.h"
#include "render/textureloader.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QSurfaceFormat>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QTemporaryDir *gRoot = nullptr;

QString game()
{
    return gRoot->filePath(QStringLiteral("Brastel"));
}

// An image of ImageMagick's into a DXT1 texture of nvcompress's, below the game's res.
bool makeDds(const QString &gamePath, const QString &imageSpec, int size)
{
    const QString dds = game() + QStringLiteral("/res/") + gamePath;
    QDir().mkpath(QFileInfo(dds).path());
    const QString png = dds + QStringLiteral(".png");
    const QString geometry = QString::number(size) + QLatin1Char('x') + QString::number(size);
    return QProcess::execute(QStringLiteral("convert"),
                             {QStringLiteral("-size"), geometry, imageSpec, png})
               == 0
           && QProcess::execute(QStringLiteral("nvcompress"),
                                {QStringLiteral("-silent"), QStringLiteral("-bc1"), png, dds})
                  == 0;
}

struct Context
{
    QOpenGLContext context;
    QOffscreenSurface surface;
    bool ready = false;
    Context()
    {
        QSurfaceFormat format;
        format.setVersion(3, 2);
        format.setProfile(QSurfaceFormat::CoreProfile);
        context.setFormat(format);
        if (context.create()) {
            surface.setFormat(context.format());
            surface.create();
            ready = context.makeCurrent(&surface);
        }
    }
};

void BM_SaveBake1024(benchmark::State &state)
{
    Context gl;
    if (!gl.ready) {
        state.SkipWithError("no OpenGL 3.2 core context");
        return;
    }
    ShaderLoader shaders(nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150"));
    TextureLoader textures;
    if (!shaders.buildShaders()) {
        state.SkipWithError("shaders failed");
        return;
    }
    const QString diffuse = QStringLiteral("bench/Hull_AM.dds");
    const QString mask = QStringLiteral("bench/Hull_CM.dds");
    CamoBakeJob job;
    job.diffusePath = diffuse;
    job.exclusionPath = mask;
    job.camoTexture = textures.loadTexture(QStringLiteral("bench/camo.dds"));
    job.tiling = glm::vec4(1, 1, 0, 0);
    job.colors = {glm::vec4(94, 89, 68, 255), glm::vec4(60, 70, 40, 255),
                  glm::vec4(120, 110, 80, 255), glm::vec4(0.0f)};
    textures.getTexture(diffuse);
    textures.getTexture(mask);
    for (auto _ : state) {
        // The bake's own framebuffer and quad are part of every bake.
        CamoBakeJob run;
        run.diffusePath = job.diffusePath;
        run.exclusionPath = job.exclusionPath;
        run.camoTexture = job.camoTexture;
        run.tiling = job.tiling;
        run.colors = job.colors;
        if (saveBake(run, nullptr) != BakeResult::Written) {
            state.SkipWithError("bake failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
    gl.context.functions()->glDeleteTextures(1, &job.camoTexture);
}

// The least any bake must do: libnvtt on the bake's own BGRA pixels (rendered and read
// back once, outside the timing) with the same options, into memory.
void BM_NvttFloor1024(benchmark::State &state)
{
    Context gl;
    if (!gl.ready) {
        state.SkipWithError("no OpenGL 3.2 core context");
        return;
    }
    ShaderLoader shaders(nullptr, QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150"));
    TextureLoader textures;
    if (!shaders.buildShaders()) {
        state.SkipWithError("shaders failed");
        return;
    }
    CamoBakeJob job;
    job.diffusePath = QStringLiteral("bench/Hull_AM.dds");
    job.exclusionPath = QStringLiteral("bench/Hull_CM.dds");
    job.camoTexture = textures.loadTexture(QStringLiteral("bench/camo.dds"));
    job.tiling = glm::vec4(1, 1, 0, 0);
    job.colors = {glm::vec4(94, 89, 68, 255), glm::vec4(60, 70, 40, 255),
                  glm::vec4(120, 110, 80, 255), glm::vec4(0.0f)};
    if (!createBakeFramebuffer(job, 1024, 1024)) {
        state.SkipWithError("no framebuffer");
        return;
    }
    createBakeQuad(job);
    QOpenGLFunctions *f = gl.context.functions();
    f->glViewport(0, 0, 1024, 1024);
    job.framebuffer->bind();
    renderBake(job);
    QByteArray pixels(1024 * 1024 * 4, Qt::Uninitialized);
    f->glReadPixels(0, 0, 1024, 1024, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    job.framebuffer->release();
    for (qsizetype i = 0; i < pixels.size(); i += 4) {
        std::swap(pixels[i], pixels[i + 2]);
    }
    QImage(reinterpret_cast<const uchar *>(pixels.constData()), 1024, 1024, QImage::Format_ARGB32)
        .save(gRoot->filePath(QStringLiteral("baked.png")));
    for (auto _ : state) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        if (!saveDdsFile(out, pixels.constData(), 1024, 1024, true)) {
            state.SkipWithError("compression failed");
            return;
        }
        benchmark::DoNotOptimize(out.size());
    }
    f->glDeleteTextures(1, &job.camoTexture);
}

void BM_LoadCamoXml40(benchmark::State &state)
{
    Context gl;
    if (!gl.ready) {
        state.SkipWithError("no OpenGL 3.2 core context");
        return;
    }
    TextureLoader textures;
    CamoLoader loader;
    for (auto _ : state) {
        if (!loader.loadCamoXml(QStringLiteral("bench/customization.xml"), QStringLiteral("Bench"))
            || loader.nations.first().second.size() != 40) {
            state.SkipWithError("catalogue not read");
            return;
        }
        state.PauseTiming();
        loader.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

} // namespace

BENCHMARK(BM_SaveBake1024)->Unit(benchmark::kMillisecond)->MinTime(5.0);
BENCHMARK(BM_NvttFloor1024)->Unit(benchmark::kMillisecond)->MinTime(5.0);
BENCHMARK(BM_LoadCamoXml40)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir root;
    gRoot = &root;
    QDir().mkpath(root.filePath(QStringLiteral("bin_x64")));
    QDir().mkpath(root.filePath(QStringLiteral("data")));
    QDir().mkpath(root.filePath(QStringLiteral("mod")));
    for (const char *name : {"NoTexture.dds", "grid.dds"}) {
        QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + QLatin1String(name),
                    root.filePath(QStringLiteral("data/")) + QLatin1String(name));
    }
    QDir::setCurrent(root.filePath(QStringLiteral("bin_x64")));
    if (!makeDds(QStringLiteral("bench/Hull_AM.dds"), QStringLiteral("plasma:olive-grey"), 1024)
        || !makeDds(QStringLiteral("bench/Hull_CM.dds"), QStringLiteral("xc:white"), 1024)
        || !makeDds(QStringLiteral("bench/camo.dds"), QStringLiteral("plasma:red-blue"), 512)) {
        qCritical("ImageMagick or nvcompress failed");
        return 1;
    }
    QByteArray catalogue = "<customization.xml><armorColor>90 90 70 255</armorColor><camouflages>";
    for (int i = 0; i < 40; ++i) {
        const QString tex = QStringLiteral("bench/camo_%1.dds").arg(i);
        QFile::copy(game() + QStringLiteral("/res/bench/camo.dds"),
                    game() + QStringLiteral("/res/") + tex);
        catalogue += "<c" + QByteArray::number(i) + "><group>summer</group><texture>" + tex.toUtf8()
                     + "</texture><colors><c0>94 89 68 255</c0><c1>60 70 40 255</c1>"
                       "<c2>120 110 80 255</c2><c3>0 0 0 0</c3></colors><tiling><t1>1 1 0 0</t1>"
                       "</tiling><description>#c:x</description></c"
                     + QByteArray::number(i) + ">";
    }
    catalogue += "</camouflages></customization.xml>";
    QFile file(game() + QStringLiteral("/res/bench/customization.xml"));
    if (!file.open(QIODevice::WriteOnly) || file.write(catalogue) != catalogue.size()) {
        return 1;
    }
    file.close();
    // For scale: nvcompress -bc1 of the bake's pixels as a PNG, "baked.png" in the root
    // (written by the floor benchmark); run by hand with `time`.
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    Log log;
    FileManager files;
    Settings settings;
    settings.brastelPath = game();
    settings.brastelPathValid = true;
    settings.modPath = root.filePath(QStringLiteral("mod"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
