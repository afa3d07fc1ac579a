#include "tank/tankinfo.h"
#include "tank/tankloader.h"
#include "tank/tankscene.h"
#include "tank/turretgunchooser.h"

#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "render/buffermanager.h"
#include "render/renderwidget.h"
#include "render/tankmesh.h"
#include "render/textureloader.h"
#include "render/visual.h"

#include "gamedata/database.h"
#include "gamedata/moreadercached.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/primitiveparser.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "platform/platform.h"

#include "leviathan.h"
#include "pagefaults.h"

#include "support/servicestack.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The services and a shown view on the large sample, made once for every benchmark.
class Fixture
{
    std::unique_ptr<ServiceStack<Log, MoReaderCached, FileManager, Settings>> mServices;
    std::unique_ptr<ServiceStack<BufferManager, Database, Physics>> mLateServices;

public:
    Fixture()
    {
        QDir root(mTemp.path());
        root.mkpath(QStringLiteral("bin"));
        root.mkpath(QStringLiteral("data"));
        root.mkpath(QStringLiteral("mod"));
        mOldCwd = QDir::currentPath();
        QDir::setCurrent(mTemp.filePath(QStringLiteral("bin")));
        const QString data = mTemp.filePath(QStringLiteral("data/"));
        for (const QString &file :
             {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg")}) {
            QFile::copy(LARGE_SAMPLE + QStringLiteral("/data/") + file, data + file);
        }
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file, data + file);
        }
        QProcess::execute(QStringLiteral("python3"),
                          {QStringLiteral(HULLSCOPE_TOOLS_DIR "/samplegame/write_settings.py"),
                           data + QStringLiteral("settings.cfg"), LARGE_SAMPLE});
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        mServices = std::make_unique<ServiceStack<Log, MoReaderCached, FileManager, Settings>>();
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        Settings::instance()->modPath = mTemp.filePath(QStringLiteral("mod"));
        FileManager::instance()->loadZipFiles();
        mLateServices = std::make_unique<ServiceStack<BufferManager, Database, Physics>>();
        view = std::make_unique<RenderWidget>();
        view->setSceneHooks(&scene);
        view->resize(320, 240);
        view->show();
        if (!QTest::qWaitFor([this]() { return view->initialised; }, 20000)) {
            return;
        }
        tank = leviathanName();
        if (!tank.isEmpty()) {
            const long faults = minorFaults();
            QElapsedTimer timer;
            timer.start();
            if (loader()->load(tank)) {
                firstLoadSeconds = double(timer.nsecsElapsed()) / 1e9;
                firstLoadFaults = minorFaults() - faults;
            }
        }
    }

    ~Fixture()
    {
        view.reset();
        mLateServices.reset();
        mServices.reset();
        QDir::setCurrent(mOldCwd);
    }

    bool ready() const { return view && view->initialised && !tank.isEmpty(); }
    TankLoader *loader() const { return TankLoader::instance(); }
    QString modPath() const { return mTemp.filePath(QStringLiteral("mod")); }

    TankScene scene;
    std::unique_ptr<RenderWidget> view;
    QString tank;
    double firstLoadSeconds = 0.0;
    long firstLoadFaults = 0;

private:
    QTemporaryDir mTemp;
    QString mOldCwd;
};

Fixture *fixture = nullptr;

bool loaded(benchmark::State &state)
{
    if (!fixture->ready()
        || (!fixture->loader()->loaded && !fixture->loader()->load(fixture->tank))) {
        state.SkipWithError("the large sample's V99_Leviathan did not load");
        return false;
    }
    return true;
}

QVector<Mesh *> formMeshes(int form)
{
    TankLoader *l = fixture->loader();
    return {l->chassisMeshes.at(form), l->hullMeshes.at(form), l->turretMeshes.at(form),
            l->gunMeshes.at(form)};
}

// The whole load: definition, three forms, textures, collision objects, armour, as
// when the user picks one tank after another.
void BM_TankLoad(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    ViewContextGuard guard(fixture->view.get());
    const long faults = minorFaults();
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture->loader()->load(fixture->tank));
    }
    state.counters["faults"] =
        benchmark::Counter(double(minorFaults() - faults), benchmark::Counter::kAvgIterations);
}

// The process's first load, made by the fixture: every buffer lands on fresh pages,
// which the later loads find again in malloc's heap.
void BM_TankLoadFirst(benchmark::State &state)
{
    if (!loaded(state) || fixture->firstLoadSeconds <= 0.0) {
        state.SkipWithError("the first load failed");
        return;
    }
    for (auto _ : state) {
        state.SetIterationTime(fixture->firstLoadSeconds);
    }
    state.counters["faults"] = double(fixture->firstLoadFaults);
}

void BM_Stage_DefinitionAndGuns(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    const QString xml = Database::instance()->xmlFileOf(fixture->tank);
    const QString guns = QFileInfo(xml).path() + QStringLiteral("/components/guns.xml");
    for (auto _ : state) {
        for (const QString &name : {xml, guns}) {
            const std::unique_ptr<QBuffer> buffer(FileManager::instance()->openFile(name));
            benchmark::DoNotOptimize(PackedXmlReader::parse(buffer->data(), name));
        }
    }
}

// One form's four models parsed and uploaded again; their textures are cached.
void BM_Stage_FormModels(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    ViewContextGuard guard(fixture->view.get());
    const QVector<Mesh *> meshes = formMeshes(int(state.range(0)));
    for (auto _ : state) {
        for (Mesh *mesh : meshes) {
            benchmark::DoNotOptimize(mesh->reload());
        }
    }
    fixture->loader()->loaded = false;
}

// The collision objects of the four collision models, from parsed models.
void BM_Stage_CollisionBvh(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    ViewContextGuard guard(fixture->view.get());
    const QVector<Mesh *> meshes = formMeshes(Collision);
    for (auto _ : state) {
        state.PauseTiming();
        for (Mesh *mesh : meshes) {
            auto *collision = static_cast<CollisionMesh *>(mesh);
            const QString path = collision->path;
            collision->clear();
            collision->path = path;
            collision->primitives->load(path);
            collision->visual->load(collision->primitives.get(), path, collision->geometries,
                                    collision->extraGeometries, false, false);
        }
        state.ResumeTiming();
        for (Mesh *mesh : meshes) {
            static_cast<CollisionMesh *>(mesh)->buildCollisionObjects();
        }
    }
    fixture->loader()->loaded = false;
}

void BM_Stage_TankInfoParse(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    TankLoader *l = fixture->loader();
    for (auto _ : state) {
        l->tankInfo->clear();
        l->tankInfo->parse(l->tankDocument);
    }
}

// The tank's textures decoded and uploaded again into an empty per-tank cache.
void BM_Stage_Textures(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    ViewContextGuard guard(fixture->view.get());
    TextureLoader *textures = TextureLoader::instance();
    const QStringList names = textures->tankTextures.keys();
    for (auto _ : state) {
        textures->clear();
        for (const QString &name : names) {
            benchmark::DoNotOptimize(textures->getTexture(name));
        }
    }
    state.counters["textures"] = double(names.size());
    fixture->loader()->loaded = false;
}

void BM_Stage_LoadArmor(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    for (auto _ : state) {
        fixture->loader()->loadArmor();
    }
}

// What tankLoaded() sets off: the main window's boxes load the turret and gun again.
void BM_FollowUp_ChangeTurret(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    TankLoader *l = fixture->loader();
    const QString turret = l->turretGunChooser()->currentTurretName;
    for (auto _ : state) {
        benchmark::DoNotOptimize(l->changeTurret(turret));
    }
}

// assimp's raw import of the same three forms as OBJ files, without its start-up.
void BM_AssimpRawImportObj(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    const QString folder = fixture->modPath();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    {
        ViewContextGuard guard(fixture->view.get());
        for (int form = Undamaged; form <= Collision; ++form) {
            for (Mesh *mesh : formMeshes(form)) {
                QDir().mkpath(folder + QLatin1Char('/') + QFileInfo(mesh->path).path());
                mesh->exportObj();
            }
        }
    }
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.obj")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(it.next());
    }
    const QString tiny = folder + QStringLiteral("/tiny.obj");
    QFile tinyFile(tiny);
    tinyFile.open(QIODevice::WriteOnly);
    tinyFile.write("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    tinyFile.close();
    auto run = [](const QString &file) {
        QElapsedTimer timer;
        timer.start();
        QProcess::execute(QStringLiteral("assimp"),
                          {QStringLiteral("info"), file, QStringLiteral("-r")});
        return double(timer.nsecsElapsed()) / 1e9;
    };
    if (files.isEmpty()
        || QProcess::execute(QStringLiteral("assimp"), {QStringLiteral("version")}) != 0) {
        state.SkipWithError("no OBJ files or no assimp");
        return;
    }
    for (auto _ : state) {
        double seconds = 0.0;
        for (const QString &file : std::as_const(files)) {
            seconds += run(file) - run(tiny);
        }
        state.SetIterationTime(seconds);
    }
    state.counters["files"] = double(files.size());
}

} // namespace

BENCHMARK(BM_TankLoadFirst)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TankLoad)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_DefinitionAndGuns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_FormModels)->Arg(Undamaged)->Arg(Destroyed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_CollisionBvh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_TankInfoParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_Textures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_LoadArmor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FollowUp_ChangeTurret)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssimpRawImportObj)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    platform::keepFreedMemoryForReuse(); // as the program does
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture shared;
    fixture = &shared;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture = nullptr;
    return 0;
}
