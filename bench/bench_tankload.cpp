// Loading the large sample's V99_Leviathan, in three pairs from one run:
// - the headline: the repeated load (BM_TankLoad) against the pooled floor
//   (BM_FloorPooled), the least work any loader must do with the collision trees
//   built as the load builds them, in pieces of at most PIECE_TRIANGLES on a pool of
//   as many threads; counter x_floor_pooled;
// - the repeated load against the one-thread floor (BM_FloorOneThread), which builds
//   each group's whole tree on this thread; counter x_floor_1thread;
// - the process's first load against assimp's raw import of the same forms.
// The stages after them show where a load's time goes.
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
#include <QThreadPool>

#include <benchmark/benchmark.h>
#include <btBulletCollisionCommon.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

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

// Seconds per iteration of the cases the summary compares, from this run.
double repeatedLoadSeconds = 0.0;
double pooledFloorSeconds = 0.0;
double floorSeconds = 0.0;
double assimpSeconds = 0.0;

// One deflated (or stored) member of a package, as the file holds it.
struct PackedMember
{
    QByteArray name; // lower case, "/" separated
    int method = 0;  // 0 stored, 8 deflated
    QByteArray packed;
    qsizetype size = 0; // inflated
};

quint32 le(const QByteArray &bytes, qsizetype at, int width)
{
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | quint8(bytes.at(at + i));
    }
    return value;
}

// The members of one package whose names are in wanted, read through its central
// directory. A package the sample game wrote, so only the checks that keep a read
// inside the file.
void readPackedMembers(const QString &path, const QSet<QByteArray> &wanted,
                       std::vector<PackedMember> &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray zip = file.readAll();
    qsizetype end = zip.size() - 22;
    while (end >= 0 && le(zip, end, 4) != 0x06054b50) {
        --end;
    }
    if (end < 0) {
        return;
    }
    qsizetype at = le(zip, end + 16, 4);
    const quint32 entries = le(zip, end + 10, 2);
    for (quint32 e = 0; e < entries && at + 46 <= zip.size() && le(zip, at, 4) == 0x02014b50; ++e) {
        const int nameLength = int(le(zip, at + 28, 2));
        const qsizetype next = at + 46 + nameLength + le(zip, at + 30, 2) + le(zip, at + 32, 2);
        const QByteArray name = zip.mid(at + 46, nameLength).toLower();
        if (wanted.contains(name)) {
            PackedMember member;
            member.name = name;
            member.method = int(le(zip, at + 10, 2));
            member.size = le(zip, at + 24, 4);
            const qsizetype local = le(zip, at + 42, 4);
            const qsizetype data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
            member.packed = zip.mid(data, le(zip, at + 20, 4));
            out.push_back(member);
        }
        at = next;
    }
}

// The triangles [start, end) of group, which get a tree of their own.
struct Piece
{
    size_t group = 0;
    int start = 0;
    int end = 0;
};

// What the floor works on, gathered once from the loaded tank: the packed members
// the load reads, the collision groups' triangles, and the pieces the load cuts
// them into.
struct FloorInput
{
    std::vector<PackedMember> members;
    std::vector<QVector<glm::vec3>> vertices;
    std::vector<QVector<qint32>> indices;
    std::vector<Piece> pieces; // in group order
    qsizetype inflatedBytes = 0;
    qsizetype triangles = 0;
};

// As src/armour/collisionmesh.cpp caps the pieces of a group: Bullet's compressed
// tree keeps a triangle's shape part in 10 bits.
constexpr int MAX_PIECES = 1024;

// The cut of the load's planPieces (src/armour/collisionmesh.cpp): as many even
// pieces as PIECE_TRIANGLES asks for, at most MAX_PIECES.
void planPieces(size_t group, int count, std::vector<Piece> &out)
{
    const int pieces = std::min((count + PIECE_TRIANGLES - 1) / PIECE_TRIANGLES, MAX_PIECES);
    for (int j = 0; j < pieces; ++j) {
        out.push_back(
            {group, int(qint64(count) * j / pieces), int(qint64(count) * (j + 1) / pieces)});
    }
}

// Bullet's view of triangles [start, end) of a group, as one part.
btIndexedMesh indexedPart(const QVector<glm::vec3> &vertices, const QVector<qint32> &indices,
                          int start, int end)
{
    btIndexedMesh part;
    part.m_numTriangles = end - start;
    part.m_triangleIndexBase =
        reinterpret_cast<const unsigned char *>(indices.constData() + 3 * start);
    part.m_triangleIndexStride = 3 * int(sizeof(qint32));
    part.m_numVertices = int(vertices.size());
    part.m_vertexBase = reinterpret_cast<const unsigned char *>(vertices.constData());
    part.m_vertexStride = int(sizeof(glm::vec3));
    return part;
}

// The same kind of pool as the load's own (shapePool in src/armour/collisionmesh.cpp,
// not reachable from outside it): a QThreadPool left at its default size, one thread
// per core.
QThreadPool &floorPool()
{
    static QThreadPool pool;
    return pool;
}

QVector<Mesh *> formMeshes(int form);

const FloorInput &floorInput()
{
    static FloorInput input;
    if (!input.members.empty()) {
        return input;
    }
    TankLoader *l = fixture->loader();
    const QString xml = Database::instance()->xmlFileOf(fixture->tank);
    QStringList names = l->tankInfo->allFiles();
    names << xml << QFileInfo(xml).path() + QStringLiteral("/components/guns.xml");
    for (int form = Undamaged; form <= Collision; ++form) {
        for (const Mesh *mesh : formMeshes(form)) {
            QString stem = mesh->path;
            stem.chop(int(qstrlen(".model")));
            names << stem + QStringLiteral(".visual") << stem + QStringLiteral(".primitives");
        }
    }
    QSet<QByteArray> wanted;
    for (const QString &name : std::as_const(names)) {
        wanted.insert(QDir::fromNativeSeparators(name).toLower().toUtf8());
    }
    QDirIterator packages(LARGE_SAMPLE + QStringLiteral("/Brastel/res/packages"),
                          {QStringLiteral("*.pkg")}, QDir::Files);
    while (packages.hasNext()) {
        readPackedMembers(packages.next(), wanted, input.members);
    }
    for (const PackedMember &member : input.members) {
        input.inflatedBytes += member.size;
    }
    for (const Mesh *mesh : formMeshes(Collision)) {
        for (const CollisionGroup *group : static_cast<const CollisionMesh *>(mesh)->groups) {
            if (!group->triangles.isEmpty()) {
                planPieces(input.vertices.size(), int(group->triangles.size()), input.pieces);
                input.vertices.push_back(group->vertices);
                input.indices.push_back(group->indices);
                input.triangles += group->triangles.size();
            }
        }
    }
    return input;
}

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
    QVector<Mesh *> meshes;
    for (TankPart part : allTankParts) {
        meshes.append(fixture->loader()->parts().mesh(part, TankModel(form)));
    }
    return meshes;
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
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture->loader()->load(fixture->tank));
    }
    repeatedLoadSeconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
    if (pooledFloorSeconds > 0.0) {
        state.counters["x_floor_pooled"] = repeatedLoadSeconds / pooledFloorSeconds;
    }
    if (floorSeconds > 0.0) {
        state.counters["x_floor_1thread"] = repeatedLoadSeconds / floorSeconds;
    }
    state.counters["faults"] =
        benchmark::Counter(double(minorFaults() - faults), benchmark::Counter::kAvgIterations);
}

// Every member the load reads inflated, each inflated byte copied once, and freed.
void inflateMembers(const FloorInput &input)
{
    for (const PackedMember &member : input.members) {
        std::unique_ptr<char[]> inflated(new char[size_t(member.size) + 1]);
        if (member.method == 8) {
            z_stream stream {};
            inflateInit2(&stream, -MAX_WBITS);
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(member.packed.data()));
            stream.avail_in = uInt(member.packed.size());
            stream.next_out = reinterpret_cast<Bytef *>(inflated.get());
            stream.avail_out = uInt(member.size + 1);
            inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
        } else {
            std::memcpy(inflated.get(), member.packed.constData(), size_t(member.packed.size()));
        }
        std::unique_ptr<char[]> copy(new char[size_t(member.size)]);
        std::memcpy(copy.get(), inflated.get(), size_t(member.size));
        benchmark::DoNotOptimize(copy.get());
    }
}

// The headline's floor: the least any loader of this tank must do, with the trees
// built as the load builds them. Each piece's tree is a task on the pool, started
// first; this thread inflates and copies the members meanwhile, as the loader goes
// on while its workers build, then waits and puts each cut group's pieces under one
// compound shape. The triangles are there before any member is read, which a loader
// cannot have, so this floor is if anything low.
void BM_FloorPooled(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    const FloorInput &input = floorInput();
    QThreadPool &pool = floorPool();
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) {
        std::vector<std::unique_ptr<btTriangleIndexVertexArray>> meshes(input.pieces.size());
        std::vector<std::unique_ptr<btBvhTriangleMeshShape>> trees(input.pieces.size());
        for (size_t p = 0; p < input.pieces.size(); ++p) {
            pool.start([&input, &meshes, &trees, p]() {
                const Piece &piece = input.pieces[p];
                meshes[p] = std::make_unique<btTriangleIndexVertexArray>();
                meshes[p]->addIndexedMesh(indexedPart(input.vertices[piece.group],
                                                      input.indices[piece.group], piece.start,
                                                      piece.end),
                                          PHY_INTEGER);
                trees[p] = std::make_unique<btBvhTriangleMeshShape>(meshes[p].get(), true, true);
            });
        }
        inflateMembers(input);
        pool.waitForDone();
        std::vector<std::unique_ptr<btCompoundShape>> compounds;
        btTransform identity;
        identity.setIdentity();
        for (size_t p = 0; p < input.pieces.size();) {
            size_t end = p + 1;
            while (end < input.pieces.size() && input.pieces[end].group == input.pieces[p].group) {
                ++end;
            }
            if (end - p > 1) {
                compounds.push_back(std::make_unique<btCompoundShape>(true, int(end - p)));
                for (; p < end; ++p) {
                    compounds.back()->addChildShape(identity, trees[p].get());
                }
            }
            p = end;
        }
        benchmark::DoNotOptimize(compounds.data());
    }
    pooledFloorSeconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
    state.counters["pieces"] = double(input.pieces.size());
    state.counters["threads"] = double(pool.maxThreadCount());
    state.counters["triangles"] = double(input.triangles);
}

// The least any loader of this tank must do, on one thread: inflate every member it
// reads, copy each inflated byte once, build Bullet's trees over the same collision
// triangles, a whole tree per group, and free it all.
void BM_FloorOneThread(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    const FloorInput &input = floorInput();
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) {
        inflateMembers(input);
        for (size_t g = 0; g < input.vertices.size(); ++g) {
            btTriangleIndexVertexArray mesh;
            mesh.addIndexedMesh(indexedPart(input.vertices[g], input.indices[g], 0,
                                            int(input.indices[g].size() / 3)),
                                PHY_INTEGER);
            btBvhTriangleMeshShape shape(&mesh, true, true);
            benchmark::DoNotOptimize(&shape);
        }
    }
    floorSeconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
    state.counters["members"] = double(input.members.size());
    state.counters["MB"] = double(input.inflatedBytes) / 1e6;
    state.counters["triangles"] = double(input.triangles);
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
    if (assimpSeconds > 0.0) {
        state.counters["x_assimp"] = fixture->firstLoadSeconds / assimpSeconds;
    }
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

// The collision objects of the four collision models, from parsed models: on this
// thread (0), or by the workers as a load builds them (1).
void BM_Stage_CollisionBvh(benchmark::State &state)
{
    if (!loaded(state)) {
        return;
    }
    ViewContextGuard guard(fixture->view.get());
    const TankParts &parts = fixture->loader()->parts();
    for (auto _ : state) {
        state.PauseTiming();
        for (TankPart part : allTankParts) {
            CollisionMesh *collision = parts.collision(part);
            const QString path = collision->path;
            collision->clear();
            collision->path = path;
            collision->primitives->load(path);
            collision->visual->load(collision->primitives.get(), path, collision->geometries,
                                    collision->extraGeometries, false, false);
        }
        state.ResumeTiming();
        for (TankPart part : allTankParts) {
            parts.collision(part)->buildCollisionObjects(state.range(0) != 0);
        }
        for (TankPart part : allTankParts) {
            parts.collision(part)->waitForShapes();
        }
    }
    // The workers can go no faster than the largest group's tree.
    qsizetype groups = 0;
    qsizetype total = 0;
    qsizetype largest = 0;
    for (TankPart part : allTankParts) {
        for (const CollisionGroup *group : parts.collision(part)->groups) {
            groups += group->triangles.isEmpty() ? 0 : 1;
            total += group->triangles.size();
            largest = std::max(largest, group->triangles.size());
        }
    }
    state.counters["groups"] = double(groups);
    state.counters["largest"] = total ? double(largest) / double(total) : 0.0;
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
    double total = 0.0;
    for (auto _ : state) {
        double seconds = 0.0;
        for (const QString &file : std::as_const(files)) {
            seconds += run(file) - run(tiny);
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    assimpSeconds = total / double(state.iterations());
    state.counters["files"] = double(files.size());
}

} // namespace

// The floors before the repeated load, and assimp before the first load, so that
// every ratio comes from this run.
BENCHMARK(BM_FloorPooled)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorOneThread)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TankLoad)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssimpRawImportObj)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TankLoadFirst)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_DefinitionAndGuns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_FormModels)->Arg(Undamaged)->Arg(Destroyed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_CollisionBvh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_TankInfoParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_Textures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage_LoadArmor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FollowUp_ChangeTurret)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    platform::keepFreedMemoryForReuse(); // as the program does
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture shared;
    fixture = &shared;
    benchmark::RunSpecifiedBenchmarks();
    if (pooledFloorSeconds > 0.0 && repeatedLoadSeconds > 0.0) {
        std::printf("repeated load %.1f ms = %.3fx the pooled floor (%.1f ms; pieces of %d "
                    "triangles, %d threads)\n",
                    repeatedLoadSeconds * 1e3, repeatedLoadSeconds / pooledFloorSeconds,
                    pooledFloorSeconds * 1e3, PIECE_TRIANGLES, floorPool().maxThreadCount());
    }
    if (floorSeconds > 0.0 && repeatedLoadSeconds > 0.0) {
        std::printf("repeated load %.1f ms = %.3fx the one-thread floor (%.1f ms)\n",
                    repeatedLoadSeconds * 1e3, repeatedLoadSeconds / floorSeconds,
                    floorSeconds * 1e3);
    }
    if (assimpSeconds > 0.0 && shared.firstLoadSeconds > 0.0) {
        std::printf("first load %.1f ms = %.3fx assimp's raw import (%.1f ms)\n",
                    shared.firstLoadSeconds * 1e3, shared.firstLoadSeconds / assimpSeconds,
                    assimpSeconds * 1e3);
    }
    benchmark::Shutdown();
    fixture = nullptr;
    return 0;
}
