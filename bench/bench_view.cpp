#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/renderwidget.h"

#include "support/servicestack.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The multisample resolve and the swap happen after paintGL, so a frame is timed
// from one swap to the next.
void BM_ViewFrame1080pShadowMsaa4(benchmark::State &state)
{
    QTemporaryDir temp;
    QDir(temp.path()).mkpath(QStringLiteral("bin"));
    QDir(temp.path()).mkpath(QStringLiteral("data"));
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(temp.filePath(QStringLiteral("bin")));
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    auto services = std::make_unique<ServiceStack<Log, Settings>>();
    Settings *settings = Settings::instance();
    settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
    settings->brastelPath.clear();
    settings->msaa = QStringLiteral("4x");
    settings->showShadows = true;
    settings->shadowMapSize = 2048;

    std::vector<double> frameMs;
    {
        RenderWidget view;
        view.setFormat(viewSurfaceFormat(settings->msaa, 0));
        view.resize(1920, 1080);
        view.toggleText(false);
        view.toggleRenderInfo(false);
        view.show();

        QElapsedTimer clock;
        clock.start();
        qint64 lastSwapNs = -1;
        double lastFrameMs = 0.0;
        QEventLoop loop;
        QObject::connect(&view, &QOpenGLWidget::frameSwapped, &loop, [&]() {
            const qint64 now = clock.nsecsElapsed();
            if (lastSwapNs >= 0) {
                lastFrameMs = double(now - lastSwapNs) / 1e6;
                loop.quit();
            }
            lastSwapNs = now;
        });
        auto nextFrame = [&]() {
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
            guard.start(10000);
            loop.exec();
            return lastFrameMs;
        };
        for (int i = 0; i < 10; ++i) {
            nextFrame(); // warm-up: shaders compiled, overlay uploaded
        }
        if (!view.initialised) {
            state.SkipWithError("the view did not initialise");
        }
        for (auto _ : state) {
            const double ms = nextFrame();
            frameMs.push_back(ms);
            state.SetIterationTime(ms / 1000.0);
        }
    }
    if (!frameMs.empty()) {
        std::vector<double> sorted = frameMs;
        std::sort(sorted.begin(), sorted.end());
        state.counters["median_ms"] = sorted[sorted.size() / 2];
    }

    services.reset();
    setMessageBoxHandler({});
    QDir::setCurrent(oldCwd);
}

} // namespace

BENCHMARK(BM_ViewFrame1080pShadowMsaa4)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
