#include "tank/garage.h"
#include "tank/tankscene.h"

#include "render/buffermanager.h"
#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "support/servicestack.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

// A change of game path: every package closed and the resource packages opened,
// then both hangars cleared and loaded again from their packages.
void BM_GamePathChangeBothHangars(benchmark::State &state)
{
    QTemporaryDir temp;
    QDir(temp.path()).mkpath(QStringLiteral("bin"));
    QDir(temp.path()).mkpath(QStringLiteral("data"));
    const QString sample = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);
    QFile::copy(sample + QStringLiteral("/data/resources.cfg"),
                temp.filePath(QStringLiteral("data/resources.cfg")));
    QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + GARAGES_FILE,
                temp.filePath(QStringLiteral("data/") + GARAGES_FILE));
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(temp.filePath(QStringLiteral("bin")));
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    auto services = std::make_unique<ServiceStack<Log, FileManager, Settings, BufferManager>>();
    Settings *settings = Settings::instance();
    settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
    settings->brastelPath = sample + QStringLiteral("/Brastel");
    settings->brastelPathValid = true;
    settings->msaa = QStringLiteral("Disabled");
    settings->showShadows = false;
    FileManager::instance()->loadZipFiles();

    {
        TankScene scene;
        RenderWidget view;
        view.setSceneHooks(&scene);
        view.setFormat(viewSurfaceFormat(settings->msaa, 0));
        view.resize(320, 240);
        view.show();
        if (!QTest::qWaitFor([&view]() { return view.initialised; }, 10000)) {
            state.SkipWithError("the view did not initialise");
        }
        view.paintBlocked = true;
        for (auto _ : state) {
            emit settings->brastelPathChanged();
        }
        const Garage *basic = scene.hangar(false);
        const Garage *premium = scene.hangar(true);
        if (!basic || !premium || basic->meshes().size() != 2 || premium->meshes().size() != 2) {
            state.SkipWithError("the hangars did not load");
        }
    }

    services.reset();
    setMessageBoxHandler({});
    QDir::setCurrent(oldCwd);
}

} // namespace

BENCHMARK(BM_GamePathChangeBothHangars)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
