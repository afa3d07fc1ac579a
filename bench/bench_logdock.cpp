// One log line with the main window's log dock connected, at 1,000, 5,000 and 20,000
// lines already in the log: the dock appends what is new, against the peer that
// rewrites the three boxes with the whole log per line. Needs a display with OpenGL 3.2
// (xvfb-run with Mesa).
#include "ui/mainwindow.h"

#include "tank/tankscene.h"

#include "armour/physics.h"

#include "render/buffermanager.h"
#include "render/renderwidget.h"

#include "gamedata/database.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/settings.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The program's services and its window on the small sample, the log dock shown and
// the frame loop stopped; made once for every benchmark.
struct LogDockWindow
{
    SampleGameServices services {QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR),
                                 {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg"),
                                  QStringLiteral("garages.cfg")}};
    std::unique_ptr<TankScene> scene;
    std::unique_ptr<MainWindow> window;

    LogDockWindow()
    {
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file,
                        QStringLiteral("../data/") + file);
        }
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        new MessageStrings();
        new BufferManager();
        new Database();
        new Physics();
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        scene = std::make_unique<TankScene>();
        window = std::make_unique<MainWindow>(*scene);
        window->ui.mRenderWidget->paintBlocked = true;
        window->ui.LogViewDock->show();
        QTest::qWait(50);
    }

    ~LogDockWindow()
    {
        window.reset();
        scene.reset();
        setMessageBoxHandler({});
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        delete MessageStrings::instance();
    }

    // The log holds lines lines, the boxes show them.
    void fill(int lines)
    {
        Log *log = Log::instance();
        log->allText.clear();
        log->linesByLevel.clear();
        window->updateLogWidget();
        const bool blocked = log->blockSignals(true);
        for (int i = 0; i < lines; ++i) {
            log->write(QStringLiteral("Loading Tank: line ") + QString::number(i), i % 7 == 0);
        }
        log->blockSignals(blocked);
        window->updateLogWidget();
    }
};

// Goes before the application does.
std::unique_ptr<LogDockWindow> gWindow;

LogDockWindow &shared()
{
    if (!gWindow) {
        gWindow = std::make_unique<LogDockWindow>();
    }
    return *gWindow;
}

void BM_LogLineWithDock(benchmark::State &state)
{
    LogDockWindow &w = shared();
    w.fill(int(state.range(0)));
    Log *log = Log::instance();
    for (auto _ : state) {
        log->write(QStringLiteral("Loading Tank: one more"), Info);
    }
    state.counters["lines"] = double(log->linesByLevel.value(Info).size());
}
BENCHMARK(BM_LogLineWithDock)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

// The peer: the whole log into each box per line, as a rewrite does it.
void BM_LogLineFullRewrite(benchmark::State &state)
{
    LogDockWindow &w = shared();
    w.fill(int(state.range(0)));
    Log *log = Log::instance();
    Ui_MainWindow &ui = w.window->ui;
    const bool blocked = log->blockSignals(true);
    for (auto _ : state) {
        log->write(QStringLiteral("Loading Tank: one more"), Info);
        ui.LogAllText->setPlainText(log->allText);
        ui.LogErrorText->setPlainText(log->text(Error));
        ui.LogWarningText->setPlainText(log->text(Warning));
        for (QTextEdit *box : {ui.LogAllText, ui.LogErrorText, ui.LogWarningText}) {
            box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
        }
    }
    log->blockSignals(blocked);
    w.window->updateLogWidget();
}
BENCHMARK(BM_LogLineFullRewrite)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gWindow.reset();
    return 0;
}
