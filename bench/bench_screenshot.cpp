#include "ui/mainwindow.h"

#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "armour/physics.h"

#include "render/buffermanager.h"
#include "render/renderwidget.h"

#include "gamedata/database.h"

#include "core/dialogs.h"
#include "core/messagestrings.h"
#include "core/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

// The screenshot dialog's work for one picture of the sample's K08_Colossus (its
// chassis has more than 65,535 vertices): renderToImage and the PNG write at quality
// 100, one iteration each, at 1920 x 1080 and 7680 x 4320, without and with MSAA 4x.
// Reported with the process's peak resident size and the sizes of the framebuffer
// and the image; there is no goal.

namespace {

double peakResidentMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

class ScreenshotServices : public SampleGameServices
{
public:
    explicit ScreenshotServices(const QString &msaa)
        : SampleGameServices(QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR),
                             {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg"),
                              QStringLiteral("garages.cfg")})
    {
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file,
                        QStringLiteral("../data/") + file);
        }
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        Settings::instance()->msaa = msaa;
        new MessageStrings();
        new BufferManager();
        new Database();
        new Physics();
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    }

    ~ScreenshotServices()
    {
        setMessageBoxHandler({});
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        delete MessageStrings::instance();
    }
};

void BM_Screenshot(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const bool msaa = state.range(2) != 0;
    ScreenshotServices services(msaa ? QStringLiteral("4x") : QStringLiteral("Disabled"));
    if (!services.valid()) {
        state.SkipWithError("sample game missing: build target sample_game");
        return;
    }
    TankScene scene;
    auto window = std::make_unique<MainWindow>(scene);
    RenderWidget *view = window->ui.mRenderWidget;
    if (!QTest::qWaitFor([view]() { return view->framesDrawn > 0; }, 60000)
        || !TankLoader::instance() || !TankLoader::instance()->load(QStringLiteral("Colossus"))) {
        state.SkipWithError("no view or no tank");
        return;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    double renderMs = 0.0;
    double writeMs = 0.0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QImage image = view->renderToImage(width, height, false);
        renderMs = double(timer.nsecsElapsed()) / 1e6;
        if (image.isNull()) {
            state.SkipWithError("renderToImage gave no image");
            break;
        }
        timer.restart();
        QImageWriter writer(file);
        writer.setQuality(100);
        if (!writer.write(image)) {
            state.SkipWithError("write failed");
            break;
        }
        writeMs = double(timer.nsecsElapsed()) / 1e6;
    }
    const double pixels = double(width) * double(height);
    const int samples = msaa ? 4 : 1;
    state.counters["render_ms"] = renderMs;
    state.counters["png_ms"] = writeMs;
    state.counters["png_MB"] = double(QFileInfo(file).size()) / 1e6;
    // Colour and 24-bit depth (stored in 32) per sample, plus the resolved colour.
    state.counters["fbo_MB"] = pixels * 8.0 * samples / 1e6 + (msaa ? pixels * 4.0 / 1e6 : 0.0);
    state.counters["image_MB"] = pixels * 4.0 / 1e6;
    state.counters["peak_rss_MB"] = peakResidentMb();
    window.reset();
}
BENCHMARK(BM_Screenshot)
    ->Args({1920, 1080, 0})
    ->Args({7680, 4320, 0})
    ->Args({1920, 1080, 1})
    ->Args({7680, 4320, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
