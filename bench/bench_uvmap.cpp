#include "leviathan.h"

#include "tools/uvgenerateui.h"

#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "render/renderwidget.h"

#include "gamedata/ddshelpers.h"

#include "core/dialogs.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <memory>

// The UV map of a sample tank: generate() whole (collection, which loads every turret
// and gun again with buffers and textures, then one preview per texture), collection
// and painting apart, and "Save All" as PNG at four times the texture size. Run on a
// tank of the small sample and on the large sample's V99_Leviathan.

namespace {

struct Sink : UvMeshSink
{
    void buildTabs(const QVector<UvMapEntry> &e, const QStringList &t) override
    {
        entries = e;
        textures = t;
    }
    QVector<UvMapEntry> entries;
    QStringList textures;
};

class Fixture
{
public:
    Fixture(const QString &sample, bool large)
        : services(sample, {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg")})
    {
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file,
                        QStringLiteral("../data/") + file);
        }
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        Settings *settings = Settings::instance();
        settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        settings->msaa = QStringLiteral("Disabled");
        new BufferManager();
        new Database();
        new Physics();
        view = std::make_unique<RenderWidget>();
        view->setSceneHooks(&scene);
        view->setFormat(viewSurfaceFormat(settings->msaa, 0));
        view->resize(320, 240);
        view->show();
        if (!QTest::qWaitFor([this]() { return view->initialised; }, 20000)) {
            return;
        }
        view->paintBlocked = true;
        QString tank = large ? leviathanName() : QString();
        Database *db = Database::instance();
        if (!large && !db->nations.isEmpty()) {
            const std::unique_ptr<QSqlQuery> query(
                db->filterQueryAll(db->nations.first(), db->categories.first(), db->tiers.first()));
            if (query->next()) {
                tank = query->value(4).toString();
            }
        }
        TankLoader *loader = scene.tankLoader();
        loaded = !tank.isEmpty() && loader && loader->load(tank);
    }

    ~Fixture()
    {
        view.reset();
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        setMessageBoxHandler({});
        setFileChooserHandler({});
    }

    SampleGameServices services;
    TankScene scene;
    std::unique_ptr<RenderWidget> view;
    bool loaded = false;
};

// One sample's fixture at a time: the services are singletons. Benchmarks run in
// registration order, so each sample is set up once.
std::unique_ptr<Fixture> fixture;
int fixtureSample = -1;

bool ready(benchmark::State &state, int sample)
{
    if (fixtureSample != sample) {
        fixture.reset();
        fixture = sample == 0
                      ? std::make_unique<Fixture>(QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR), false)
                      : std::make_unique<Fixture>(LARGE_SAMPLE, true);
        fixtureSample = sample;
    }
    if (!fixture->loaded) {
        state.SkipWithError("the sample tank did not load");
        return false;
    }
    return true;
}

void BM_UvGenerate(benchmark::State &state, int sample)
{
    if (!ready(state, sample)) {
        return;
    }
    UvGenerateUI dialog;
    for (auto _ : state) {
        dialog.generate();
    }
    qint64 triangles = 0;
    Sink sink;
    fixture->scene.tankLoader()->collectUvMeshes(&sink);
    for (const UvMapEntry &entry : std::as_const(sink.entries)) {
        triangles += entry.points.size() / 3;
    }
    state.counters["triangles"] = double(triangles);
    state.counters["textures"] = double(dialog.textures().size());
    // The shown tank's own count, tracks included, which the UV map leaves out.
    state.counters["tank_triangles"] = double(fixture->scene.tankLoader()->triangleCount());
}

void BM_UvCollect(benchmark::State &state, int sample)
{
    if (!ready(state, sample)) {
        return;
    }
    for (auto _ : state) {
        Sink sink;
        fixture->scene.tankLoader()->collectUvMeshes(&sink);
        benchmark::DoNotOptimize(sink.entries.size());
    }
}

// The previews' painting alone, on the collected triangles.
void BM_UvPaintPreviews(benchmark::State &state, int sample)
{
    if (!ready(state, sample)) {
        return;
    }
    Sink sink;
    fixture->scene.tankLoader()->collectUvMeshes(&sink);
    UvGenerateUI dialog;
    dialog.buildTabs(sink.entries, sink.textures);
    for (auto _ : state) {
        for (const QString &texture : dialog.textures()) {
            const int width = int(ddsTextureSize(texture).width);
            QImage image(width, width, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter;
            dialog.paintUvMap(painter, &image, texture, image.size());
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}

void BM_UvSaveAllPngX4(benchmark::State &state, int sample)
{
    if (!ready(state, sample)) {
        return;
    }
    UvGenerateUI dialog;
    dialog.generate();
    dialog.ui.formatMultCombo->setCurrentIndex(0);
    dialog.ui.resMultCombo->setCurrentIndex(3);
    const QString out = fixture->services.modPath() + QStringLiteral("/uv");
    QDir().mkpath(out);
    int n = 0;
    setFileChooserHandler([&](const FileChooserRequest &) {
        return out + QStringLiteral("/map%1.png").arg(n++ % 64);
    });
    for (auto _ : state) {
        dialog.save();
    }
    state.counters["files"] = double(n) / double(state.iterations());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const char *samples[] = {"small", "leviathan"};
    for (int sample = 0; sample < 2; ++sample) {
        const std::string suffix = std::string("/") + samples[sample];
        benchmark::RegisterBenchmark(("BM_UvGenerate" + suffix).c_str(), BM_UvGenerate, sample)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_UvCollect" + suffix).c_str(), BM_UvCollect, sample)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_UvPaintPreviews" + suffix).c_str(), BM_UvPaintPreviews,
                                     sample)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_UvSaveAllPngX4" + suffix).c_str(), BM_UvSaveAllPngX4,
                                     sample)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::RunSpecifiedBenchmarks();
    fixture.reset();
    benchmark::Shutdown();
    return 0;
}
