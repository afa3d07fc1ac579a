// The main window on the generated sample games: the tank list's refill per keystroke
// in the filter box (query and model) against the query alone, and the time from the
// window's construction to its first drawn frame, split into its phases. Needs a
// display with OpenGL 3.2 (xvfb-run with Mesa).
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
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTest>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString SMALL = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);
const QString LARGE = QStringLiteral(HULLSCOPE_LARGE_SAMPLE_GAME_DIR);

// The services the program has when it builds its window, on one sample game.
class WindowServices : public SampleGameServices
{
public:
    explicit WindowServices(const QString &sample)
        : SampleGameServices(sample,
                             {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg"),
                              QStringLiteral("garages.cfg")})
    {
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file,
                        QStringLiteral("../data/") + file);
        }
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        Settings::instance()->msaa = QStringLiteral("Disabled");
        new MessageStrings();
        new BufferManager();
        new Database();
        new Physics();
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    }

    ~WindowServices()
    {
        setMessageBoxHandler({});
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        delete MessageStrings::instance();
    }
};

// A window built and shown, its first frame drawn.
struct ShownWindow
{
    TankScene scene;
    std::unique_ptr<MainWindow> window;

    bool show()
    {
        window = std::make_unique<MainWindow>(scene);
        RenderWidget *view = window->ui.mRenderWidget;
        return QTest::qWaitFor([view]() { return view->framesDrawn > 0; }, 60000);
    }
};

// What a user types into the filter box, one keystroke at a time.
const QStringList KEYSTROKES = {
    QStringLiteral("W"),     QStringLiteral("Wa"),    QStringLiteral("War"),
    QStringLiteral("Ward"),  QStringLiteral("Warde"), QStringLiteral("Warden"),
    QStringLiteral("Warde"), QStringLiteral("Ward"),  QStringLiteral("War"),
    QStringLiteral("Wa"),    QStringLiteral("W"),     QString()};

void BM_FilterKeystrokeLarge(benchmark::State &state)
{
    WindowServices services(LARGE);
    if (!services.valid()) {
        state.SkipWithError("large sample game missing: build target sample_game_large");
        return;
    }
    ShownWindow shown;
    if (!shown.show()) {
        state.SkipWithError("no frame drawn");
        return;
    }
    MainWindow *window = shown.window.get();
    int key = 0;
    for (auto _ : state) {
        window->updateTankList(KEYSTROKES.at(key));
        key = (key + 1) % KEYSTROKES.size();
    }
    state.counters["tanks"] = window->ui.mTankListView->model()->rowCount();
}
BENCHMARK(BM_FilterKeystrokeLarge)->Unit(benchmark::kMillisecond);

// The floor: the same queries, their rows read, no list.
void BM_FilterQueryOnlyLarge(benchmark::State &state)
{
    WindowServices services(LARGE);
    if (!services.valid()) {
        state.SkipWithError("large sample game missing: build target sample_game_large");
        return;
    }
    Database *db = Database::instance();
    db->rebuildDatabase();
    const QString all = db->nations.value(0);
    int key = 0;
    for (auto _ : state) {
        const QString pattern = QLatin1Char('%') + KEYSTROKES.at(key) + QLatin1Char('%');
        std::unique_ptr<QSqlQuery> query(db->filterQuery(all, all, all, pattern));
        while (query->next()) {
            benchmark::DoNotOptimize(query->value(4).toString());
        }
        key = (key + 1) % KEYSTROKES.size();
    }
}
BENCHMARK(BM_FilterQueryOnlyLarge)->Unit(benchmark::kMillisecond);

// Construction to the first frame, with the phases taken from the log's milestones as
// they are written.
void runFirstFrame(benchmark::State &state, const QString &sample)
{
    WindowServices services(sample);
    if (!services.valid()) {
        state.SkipWithError("sample game missing");
        return;
    }
    const struct
    {
        const char *counter;
        const char *from;
        const char *to;
    } phases[] = {
        // Null ends are the construction's start and the first frame.
        {"form_ms", nullptr, "Initialising OpenGL."},
        {"gl_startup_ms", "Initialising OpenGL.", "Creating shader loader."},
        {"shaders_ms", "Creating shader loader.", "Creating tank loader."},
        {"database_ms", "Building database.", "Database rebuilt in: "},
        {"hangars_ms", "Loading garage.", "Creating Shadow Map Texture."},
        {"rest_to_frame_ms", "OpenGL Initialising complete.", nullptr},
    };
    QElapsedTimer clock;
    QList<QPair<QString, qint64>> lines;
    Log *log = Log::instance();
    QObject::connect(log, &Log::logChanged, log, [&]() {
        const QString text = log->text(0);
        const int start = text.lastIndexOf(QLatin1Char('\n'), -3) + 1;
        lines.append({text.mid(start), clock.nsecsElapsed()});
    });
    qint64 frameAt = 0;
    auto at = [&](const char *milestone) -> qint64 {
        if (!milestone) {
            return frameAt;
        }
        for (const auto &line : std::as_const(lines)) {
            if (line.first.contains(QLatin1String(milestone))) {
                return line.second;
            }
        }
        return -1;
    };
    std::map<std::string, double> totals;
    for (auto _ : state) {
        lines.clear();
        clock.start();
        ShownWindow shown;
        if (!shown.show()) {
            state.SkipWithError("no frame drawn");
            break;
        }
        frameAt = clock.nsecsElapsed();
        state.SetIterationTime(double(frameAt) * 1e-9);
        for (const auto &phase : phases) {
            const qint64 from = phase.from ? at(phase.from) : 0;
            totals[phase.counter] += double(at(phase.to) - from) * 1e-6;
        }
    }
    QObject::disconnect(log, &Log::logChanged, log, nullptr);
    for (const auto &[name, total] : totals) {
        state.counters[name] = benchmark::Counter(total / double(state.iterations()));
    }
}

void BM_FirstFrameSmall(benchmark::State &state)
{
    runFirstFrame(state, SMALL);
}
BENCHMARK(BM_FirstFrameSmall)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_FirstFrameLarge(benchmark::State &state)
{
    runFirstFrame(state, LARGE);
}
BENCHMARK(BM_FirstFrameLarge)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
