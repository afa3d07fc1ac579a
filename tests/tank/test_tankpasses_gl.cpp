#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "render/buffermanager.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/objexport.h"
#include "render/renderwidget.h"
#include "render/transformstack.h"
#include "render/viewtestsupport.h"
#include "render/visual.h"

#include "gamedata/database.h"
#include "gamedata/moreadercached.h"
#include "gamedata/vectortext.h"
#include "gamedata/visualgeometry.h"

#include "armour/collisionmesh.h"
#include "armour/physics.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "tanktestsupport.h"

#include "support/servicestack.h"

#include <QDirIterator>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The box of an OBJ file's vertex lines, and how many face lines it has.
struct ObjBox
{
    glm::vec3 min {1e30f};
    glm::vec3 max {-1e30f};
    int faces = 0;
};

ObjBox readObj(const QString &path)
{
    ObjBox box;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return box;
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.startsWith("v ")) {
            const glm::vec3 v = parseVec3(QString::fromLatin1(line.mid(2)));
            box.min = glm::min(box.min, v);
            box.max = glm::max(box.max, v);
        } else if (line.startsWith("f ")) {
            ++box.faces;
        }
    }
    return box;
}

// A number that "assimp info" prints for a file, as "label: number"; -1 when absent.
int assimpCount(const QString &path, const QString &label)
{
    QProcess assimp;
    assimp.start(QStringLiteral("assimp"), {QStringLiteral("info"), path});
    if (!assimp.waitForFinished(60000) || assimp.exitCode() != 0) {
        return -1;
    }
    const QStringList lines = QString::fromLocal8Bit(assimp.readAllStandardOutput()).split('\n');
    for (const QString &line : lines) {
        if (line.startsWith(label + QLatin1Char(':'))) {
            return line.mid(label.size() + 1).trimmed().toInt();
        }
    }
    return -1;
}

struct DrawCall
{
    int part;
    int form;
    bool hidden;
    bool mainPass;
    Material *material;
    ShaderProgram *program;
};

// Records its draws in the shared list instead of drawing.
template <typename Base> class RecordingMesh : public Base
{
public:
    RecordingMesh(int part, int form, QVector<DrawCall> *calls)
        : mPart(part)
        , mForm(form)
        , mCalls(calls)
    {
    }
    void clear() override { }
    bool exportObj() override { return true; }
    bool reload() override { return true; }
    void draw(bool hidden, bool mainPass, Material *material, ShaderProgram *program) override
    {
        mCalls->append({mPart, mForm, hidden, mainPass, material, program});
    }

private:
    int mPart;
    int mForm;
    QVector<DrawCall> *mCalls;
};

struct Sink : UvMeshSink
{
    void buildTabs(const QVector<UvMapEntry> &e, const QStringList &t) override
    {
        entries = e;
        textures = t;
        ++calls;
    }
    QVector<UvMapEntry> entries;
    QStringList textures;
    int calls = 0;
};

} // namespace

// The loaded tank's passes and operations, in a shown view whose scene makes the loader.
class TestTankPassesGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, MoReaderCached, FileManager, Settings>> mServices;
    std::unique_ptr<ServiceStack<BufferManager, Database, Physics>> mLateServices;

    std::unique_ptr<ViewTestTree> mTree;
    TankScene mScene;
    std::unique_ptr<RenderWidget> mView;
    QString mTank;
    const QColor mBackground = QColor(Qt::darkGray);

    TankLoader *loader() const { return TankLoader::instance(); }
    QString modPath() const { return mTree->path() + QStringLiteral("/mod"); }

    // Runs test with the loader's twelve meshes swapped for recording ones.
    template <typename Test> void withRecorders(Test test)
    {
        TankLoader *l = loader();
        TankParts &parts = l->parts();
        std::unique_ptr<TankMesh> saved[4][2];
        std::unique_ptr<CollisionMesh> savedCollisions[4];
        QVector<DrawCall> calls;
        for (TankPart part : allTankParts) {
            const int p = int(part);
            for (TankModel form : {Undamaged, Destroyed}) {
                saved[p][form] = parts.setMesh(
                    part, form, std::make_unique<RecordingMesh<TankMesh>>(p, form, &calls));
            }
            savedCollisions[p] = parts.setCollision(
                part, std::make_unique<RecordingMesh<CollisionMesh>>(p, Collision, &calls));
        }
        const bool wasLoaded = l->loaded;
        l->loaded = true;
        mView->makeCurrent();
        test(calls);
        l->loaded = wasLoaded;
        for (TankPart part : allTankParts) {
            const int p = int(part);
            for (TankModel form : {Undamaged, Destroyed}) {
                parts.setMesh(part, form, std::move(saved[p][form]));
            }
            parts.setCollision(part, std::move(savedCollisions[p]));
        }
        mView->doneCurrent();
    }

    void resetModes()
    {
        TankLoader *l = loader();
        l->wireframe = l->solidWire = l->gridTexture = l->armorView = false;
        l->hideChassis = l->hideHull = l->hideTurret = l->hideGun = false;
        l->tankModel = Undamaged;
        l->armorMeshMode = 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        QVERIFY(fillSampleData(mTree->path() + QStringLiteral("/data/")));
        QVERIFY(QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + GARAGES_FILE,
                            mTree->path() + QStringLiteral("/data/") + GARAGES_FILE));
        QDir().mkpath(modPath());
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        mServices = std::make_unique<ServiceStack<Log, MoReaderCached, FileManager, Settings>>();
        Settings *settings = Settings::instance();
        settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        settings->modPath = modPath();
        settings->msaa = QStringLiteral("Disabled");
        settings->showShadows = false;
        settings->screenshotAlpha = false;
        settings->viewportColor = mBackground;
        FileManager::instance()->loadZipFiles();
        mLateServices = std::make_unique<ServiceStack<BufferManager, Database, Physics>>();
        QVERIFY(settings->brastelPathValid);

        mView = std::make_unique<RenderWidget>();
        mView->setSceneHooks(&mScene);
        mView->setFormat(viewSurfaceFormat(settings->msaa, 0));
        mView->resize(480, 360);
        mView->show();
        QVERIFY(QTest::qWaitForWindowExposed(mView.get(), 20000));
        if (!QTest::qWaitFor([this]() { return mView->initialised; }, 20000)) {
            QSKIP("no OpenGL 3.2 core view");
        }
        mView->paintBlocked = true; // frames only through renderToImage
        QVERIFY(loader());

        Database *db = Database::instance();
        const std::unique_ptr<QSqlQuery> query(
            db->filterQueryAll(db->nations.first(), db->categories.first(), db->tiers.first()));
        QVERIFY(query->next());
        mTank = query->value(4).toString();
    }

    void cleanupTestCase()
    {
        mView.reset();
        QVERIFY(!TankLoader::instance());
        mLateServices.reset();
        mServices.reset();
        setMessageBoxHandler(nullptr);
        mTree.reset();
    }

    void init()
    {
        resetModes();
        // The view as most tests expect it: no hangar, grid and text shown, grey.
        mView->garageVisible = false;
        mView->usePremiumGarage = false;
        mView->gridVisible = true;
        mView->showTankInfo = true;
        mView->viewportColor = mBackground;
        mView->doneCurrent();
    }

    void passesPickMeshesAndOverrides()
    {
        MaterialLoader *materials = MaterialLoader::instance();
        QVERIFY(materials && materials->wireframeMaterial && materials->depthMaterial);
        Material *grid = materials->defaultMaterials.value(materials->defaultIndex);
        QVERIFY(grid);
        Material *wire = materials->wireframeMaterial;
        TankLoader *l = loader();
        withRecorders([&](QVector<DrawCall> &calls) {
            l->wireframe = true;
            l->render(0);
            QVERIFY(calls.isEmpty());

            // Solid then lines, and the polygon mode back to fill.
            l->wireframe = false;
            l->solidWire = true;
            l->gridTexture = true;
            l->hideHull = true;
            l->render(1);
            QCOMPARE(calls.size(), 8);
            for (int i = 0; i < 8; ++i) {
                QCOMPARE(calls[i].part, i % 4);
                QCOMPARE(calls[i].form, int(Undamaged));
                QVERIFY(calls[i].mainPass);
                QCOMPARE(calls[i].hidden, i % 4 == 1);
                QCOMPARE(calls[i].material, i < 4 ? grid : wire);
                QCOMPARE(calls[i].program, i < 4 ? nullptr : wire->program);
            }
            GLint modes[2] = {0, 0};
            QOpenGLContext::currentContext()->functions()->glGetIntegerv(0x0B40, modes);
            QCOMPARE(modes[0], GLint(0x1B02)); // GL_POLYGON_MODE reads GL_FILL

            // The grid texture belongs to the undamaged form; the shadow pass takes depth.
            calls.clear();
            l->solidWire = false;
            l->tankModel = Destroyed;
            l->render(1);
            QCOMPARE(calls.size(), 4);
            for (const DrawCall &call : calls) {
                QCOMPARE(call.form, int(Destroyed));
                QCOMPARE(call.material, nullptr);
            }
            calls.clear();
            l->render(0);
            QCOMPARE(calls.size(), 4);
            QCOMPARE(calls[0].material, materials->depthMaterial);
            QVERIFY(!calls[0].mainPass);

            // Armour view: mode 2 draws the collision parts once, mode 0 places them
            // hidden and draws the undamaged parts with the grid texture.
            calls.clear();
            l->armorView = true;
            l->armorMeshMode = 2;
            l->render(1);
            QCOMPARE(calls.size(), 4);
            for (const DrawCall &call : calls) {
                QCOMPARE(call.form, int(Collision));
                QCOMPARE(call.hidden, call.part == 1);
                QCOMPARE(call.material, nullptr);
            }
            calls.clear();
            l->armorMeshMode = 0;
            l->render(1);
            QCOMPARE(calls.size(), 8);
            for (int i = 0; i < 8; ++i) {
                QCOMPARE(calls[i].form, i < 4 ? int(Collision) : int(Undamaged));
                QCOMPARE(calls[i].hidden, i < 4 || i == 5);
                QCOMPARE(calls[i].material, i < 4 ? nullptr : grid);
            }
        });
    }

    void triangleCountLeavesOutHiddenParts()
    {
        TankLoader *l = loader();
        QVERIFY(l->load(mTank));
        const quint32 all = l->triangleCount();
        const quint32 hull = l->parts().mesh(TankPart::Hull, Undamaged)->visual->triangleCount();
        QVERIFY(hull > 0 && all > hull);
        l->hideHull = true;
        QCOMPARE(l->triangleCount(), all - hull);
        l->damageModeChanged(Destroyed);
        QCOMPARE(l->tankModel, int(Destroyed));
        l->hideHull = false;
        l->hideGun = true;
        quint32 destroyed = 0;
        for (TankPart part : {TankPart::Chassis, TankPart::Hull, TankPart::Turret}) {
            destroyed += l->parts().mesh(part, Destroyed)->visual->triangleCount();
        }
        QCOMPARE(l->triangleCount(), destroyed);
    }

    void tankIsDrawnSolidAndWireframe()
    {
        TankLoader *l = loader();
        QVERIFY(l->load(mTank));
        const int width = mView->width();
        const int height = mView->height();
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QVERIFY(QDir().mkpath(dir));
        const QImage solid = mView->renderToImage(width, height, false);
        l->wireframe = true;
        const QImage wire = mView->renderToImage(width, height, false);
        QVERIFY(solid.save(dir + QStringLiteral("/tank_solid.png")));
        QVERIFY(wire.save(dir + QStringLiteral("/tank_wireframe.png")));

        // The tank's middle covers the view's centre; in wireframe most of the tank's
        // area shows the background between its lines.
        const Camera &camera = mView->cameraController().camera;
        const QPoint centre = projectToImage(
            camera, l->parts().mesh(TankPart::Hull, Undamaged)->position, width, height);
        QVERIFY(solid.rect().contains(centre));
        const QRgb background = solid.pixel(0, 0);
        QVERIFY(
            nearPixel(solid, centre, 2, [&](const QColor &c) { return c.rgb() != background; }));
        auto backgroundPixels = [&](const QImage &image) {
            int count = 0;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    count += image.pixel(x, y) == background;
                }
            }
            return count;
        };
        QVERIFY(backgroundPixels(wire) > backgroundPixels(solid));
        QVERIFY(backgroundPixels(wire) < width * height);
    }

    // The other modes and forms, and both hangars, each picture kept and checked
    // against the plain solid one.
    void tankIsDrawnInEveryMode()
    {
        TankLoader *l = loader();
        QVERIFY(l->load(mTank));
        mView->gridVisible = false;
        mView->showTankInfo = false;
        // A colour no lit grey or khaki face comes out as.
        mView->viewportColor = QColor(Qt::magenta);
        const int width = mView->width();
        const int height = mView->height();
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts/tank_");
        QVERIFY(QDir().mkpath(QFileInfo(dir).path()));
        const QRgb background = mView->viewportColor.rgb();
        auto shot = [&](const char *name, const std::function<void()> &set) {
            resetModes();
            set();
            const QImage image = mView->renderToImage(width, height, false);
            resetModes();
            image.save(dir + QLatin1String(name) + QStringLiteral(".png"));
            return image;
        };
        // Whether every pixel part of the tank in b is so in a.
        auto covers = [&](const QImage &a, const QImage &b) {
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    if (b.pixel(x, y) != background && a.pixel(x, y) == background) {
                        return false;
                    }
                }
            }
            return true;
        };
        auto shows = [&](const QImage &image, const QPoint &at) {
            return nearPixel(image, at, 2, [&](const QColor &c) { return c.rgb() != background; });
        };
        const Camera &camera = mView->cameraController().camera;
        const QPoint centre = projectToImage(
            camera, l->parts().mesh(TankPart::Hull, Undamaged)->position, width, height);

        const QImage solid = shot("plain", [] {});
        const QImage solidWire = shot("solidwire", [l] { l->solidWire = true; });
        const QImage grid = shot("grid", [l] { l->gridTexture = true; });
        const QImage destroyed = shot("destroyed", [l] { l->tankModel = Destroyed; });
        const QImage collision = shot("collision", [l] { l->tankModel = Collision; });
        for (const QImage *image : {&solid, &solidWire, &grid, &destroyed, &collision}) {
            QVERIFY(shows(*image, centre));
        }
        // Lines over the solid tank; the grid texture over all of it (no alpha-tested
        // holes); other forms.
        QVERIFY(solidWire != solid && covers(solidWire, solid));
        QVERIFY(grid != solid && covers(grid, solid));
        QVERIFY(destroyed != solid && collision != solid && collision != destroyed);

        // The armour view shows the undamaged form with its grid texture in mesh mode
        // 0, the collision form without it in mode 2.
        auto armour = [l](int mode) {
            return [l, mode] {
                l->armorView = true;
                l->armorMeshMode = mode;
                l->gridTexture = true;
            };
        };
        QCOMPARE(shot("armour_undamaged", armour(0)), grid);
        QCOMPARE(shot("armour_collision", armour(2)), collision);

        // With hull and chassis hidden the turret stays where the plain picture has
        // the tank, and it is what covers its own middle.
        const Mesh *turret = l->parts().mesh(TankPart::Turret, Undamaged);
        glm::vec3 middle(0.0f);
        for (const glm::vec3 &p : turret->geometries.first()->positions) {
            middle += p / float(turret->geometries.first()->positions.size());
        }
        const glm::vec3 world = glm::vec3(l->parts().mesh(TankPart::Hull, Undamaged)->model
                                          * turret->model * glm::vec4(middle, 1.0f));
        const QPoint turretAt = projectToImage(camera, world, width, height);
        const QImage noHull = shot("hidden_hull", [l] { l->hideHull = l->hideChassis = true; });
        const QImage noTurret = shot("hidden_hull_turret", [l] {
            l->hideHull = l->hideChassis = l->hideTurret = l->hideGun = true;
        });
        QVERIFY(shows(noHull, turretAt));
        QVERIFY(!shows(noTurret, turretAt));
        QVERIFY(covers(solid, noHull));

        // The hangar fills the background around the tank and stands behind it.
        mView->garageVisible = true;
        const QPoint corner(width / 20, height - height / 20);
        QVERIFY(!shows(solid, corner));
        QImage hangars[2];
        for (bool premium : {false, true}) {
            mView->usePremiumGarage = premium;
            hangars[premium] = shot(premium ? "hangar_premium" : "hangar_basic", [] {});
            QVERIFY(shows(hangars[premium], corner));
            QCOMPARE(hangars[premium].pixel(centre), solid.pixel(centre));
        }
        QVERIFY(hangars[0] != hangars[1]);
    }

    // Close up, the grid texture's lines stand out on the lit and the unlit tank: they
    // must survive the light, which makes a face up to 1.5 times its texel.
    void gridLinesShowAtCloseRange()
    {
        TankLoader *l = loader();
        QVERIFY(l->load(mTank));
        mView->gridVisible = false;
        mView->showTankInfo = false;
        mView->viewportColor = QColor(Qt::magenta);
        const QRgb background = mView->viewportColor.rgb();
        CameraController &camera = mView->cameraController();
        const float zoom = camera.zoom;
        camera.setCameraZoom(3);
        l->gridTexture = true;
        MaterialLoader *materials = MaterialLoader::instance();
        for (int index : {0, 1}) {
            materials->defaultIndex = index;
            const QImage image = mView->renderToImage(mView->width(), mView->height(), false);
            image.save(QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts/tank_grid_close_%1.png")
                           .arg(index ? QStringLiteral("unlit") : QStringLiteral("lit")));
            // A line pixel is darker by a third than the tank six pixels to both sides
            // along its row or column; flat shading and face edges make no such dips.
            int tank = 0;
            int lines = 0;
            const int reach = 6;
            for (int y = reach; y < image.height() - reach; ++y) {
                for (int x = reach; x < image.width() - reach; ++x) {
                    if (image.pixel(x, y) == background) {
                        continue;
                    }
                    ++tank;
                    const int here = qGray(image.pixel(x, y));
                    auto dip = [&](QPoint a, QPoint b) {
                        const QRgb pa = image.pixel(a);
                        const QRgb pb = image.pixel(b);
                        return pa != background && pb != background
                               && here * 3 < std::min(qGray(pa), qGray(pb)) * 2;
                    };
                    lines +=
                        dip({x - reach, y}, {x + reach, y}) || dip({x, y - reach}, {x, y + reach})
                            ? 1
                            : 0;
                }
            }
            QVERIFY2(tank > image.width() * image.height() / 2, qPrintable(QString::number(tank)));
            QVERIFY2(lines > tank / 50,
                     qPrintable(QStringLiteral("%1 of %2").arg(lines).arg(tank)));
        }
        materials->defaultIndex = 0;
        l->gridTexture = false;
        camera.setCameraZoom(int(zoom));
    }

    void exportAllWritesEveryPart()
    {
        TankLoader *l = loader();
        l->unload();
        l->loaded = false;
        QVERIFY(!l->exportAll());
        QVERIFY(QDir(modPath()).isEmpty());

        // The files go below the mod folder by the models' game paths, whose folders
        // the export makes: a fresh mod folder gets every part.
        QVERIFY(l->load(mTank));
        QVERIFY(l->exportAll());
        for (TankPart part : allTankParts) {
            const QString path = l->parts().mesh(part, Undamaged)->path;
            QVERIFY(QFileInfo::exists(objFileName(modPath(), path, 0)));
        }
        // The tank's rotation on screen is not the export's.
        auto exported = [&](float degrees) {
            QDirIterator old(modPath(), {QStringLiteral("*.obj")}, QDir::Files,
                             QDirIterator::Subdirectories);
            while (old.hasNext()) {
                QFile::remove(old.next());
            }
            l->setTankRotation(degrees);
            const bool written = l->exportAll();
            l->setTankRotation(0.0f);
            QMap<QString, QByteArray> files;
            QDirIterator it(modPath(), {QStringLiteral("*.obj")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (written && it.hasNext()) {
                QFile file(it.next());
                files[file.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : "";
            }
            return files;
        };
        const QMap<QString, QByteArray> turned = exported(90.0f);
        QVERIFY(turned.size() >= 4);
        QVERIFY(exported(0.0f) == turned);

        // Every file reads back whole: assimp's faces are the part's triangles, its
        // vertices at most the part's (it joins equal ones).
        for (TankPart which : allTankParts) {
            const Mesh *part = l->parts().mesh(which, Undamaged);
            for (int i = 0; i < part->geometries.size(); ++i) {
                const QString name = objFileName(modPath(), part->path, i);
                QVERIFY2(turned.contains(name), qPrintable(name));
                const int faces = int(part->geometries.at(i)->triangleCount);
                QVERIFY(faces > 0);
                QCOMPARE(readObj(name).faces, faces);
                QCOMPARE(assimpCount(name, QStringLiteral("Faces")), faces);
                const int vertices = assimpCount(name, QStringLiteral("Vertices"));
                QVERIFY(vertices > 0 && vertices <= part->geometries.at(i)->positions.size());
            }
        }

        // The turret stands on the hull's joint, which the definition also names:
        // hull position plus turret position, x mirrored like every game position.
        const QDomElement root = l->tankDocument.documentElement();
        auto mirrored = [](const QString &text) {
            const glm::vec3 v = parseVec3(text);
            return glm::vec3(-v.x, v.y, v.z);
        };
        const QDomElement chassis =
            root.firstChildElement(QStringLiteral("chassis")).firstChildElement();
        const QDomElement turretAt = root.firstChildElement(QStringLiteral("hull"))
                                         .firstChildElement(QStringLiteral("turretPositions"))
                                         .firstChildElement(QStringLiteral("turret"));
        const glm::vec3 joint =
            mirrored(chassis.firstChildElement(QStringLiteral("hullPosition")).text())
            + mirrored(turretAt.text());
        QVERIFY(glm::length(joint) > 0.5f);
        const Mesh *turretMesh = l->parts().mesh(TankPart::Turret, Undamaged);
        const VisualGeometry *turret = turretMesh->geometries.first();
        glm::vec3 low(1e30f);
        glm::vec3 high(-1e30f);
        for (const glm::vec3 &p : turret->positions) {
            low = glm::min(low, p);
            high = glm::max(high, p);
        }
        const ObjBox box = readObj(objFileName(modPath(), turretMesh->path, 0));
        QVERIFY(glm::all(glm::lessThan(glm::abs(box.min - joint - low), glm::vec3(1e-3f))));
        QVERIFY(glm::all(glm::lessThan(glm::abs(box.max - joint - high), glm::vec3(1e-3f))));
    }

    // A definition whose hull model climbs out of the mod folder into the game's, with
    // that model's files loose there: the tank loads, but no part is exported outside
    // the mod folder.
    void exportStaysInsideTheModFolder()
    {
        const QString game = mTree->path() + QStringLiteral("/Brastel/res/");
        const QString lod = QStringLiteral("vehicles/velmora/V04_Warden/normal/lod0/");
        for (const QString &file :
             {QStringLiteral("Hull.visual"), QStringLiteral("Hull.primitives")}) {
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"),
                        {QStringLiteral("-p"),
                         SAMPLE + QStringLiteral("/Brastel/res/packages/vehicles_velmora.pkg"),
                         lod + file});
            QVERIFY(unzip.waitForFinished() && unzip.exitCode() == 0);
            QVERIFY(writeFile(game + lod + file, unzip.readAllStandardOutput()));
        }
        QFile definition(QStringLiteral(HULLSCOPE_SOURCE_DIR
                                        "/tests/tank/data/v04_warden-model-path-climbs.xml"));
        QVERIFY(definition.open(QIODevice::ReadOnly));
        const QString xml = QStringLiteral("scripts/item_defs/vehicles/climb/v04_warden.xml");
        QVERIFY(writeFile(modPath() + QLatin1Char('/') + xml, definition.readAll()));
        QVERIFY(Database::instance()->insertTank(
            QStringLiteral("velmora"), QStringLiteral("Velmora"), QStringLiteral("V04_Warden"),
            QStringLiteral("Climbing Warden"), QStringLiteral("mediumTank"),
            QStringLiteral("Medium"), 4, QStringLiteral("vehicles/velmora/V04_Warden"), xml,
            QString()));

        TankLoader *l = loader();
        QVERIFY(l->load(QStringLiteral("Climbing Warden")));
        const QString climbing =
            QStringLiteral("../Brastel/res/") + lod + QStringLiteral("Hull.model");
        QCOMPARE(l->parts().mesh(TankPart::Hull, Undamaged)->path, climbing);
        for (TankPart part : allTankParts) {
            const QString path = l->parts().mesh(part, Undamaged)->path;
            QVERIFY(QDir().mkpath(QFileInfo(modPath() + QLatin1Char('/') + path).path()));
        }
        QVERIFY(!l->exportAll());
        QVERIFY(QDir(game + lod).entryList({QStringLiteral("*.obj")}, QDir::Files).isEmpty());
        QVERIFY(Log::instance()->text(Warning).contains(
            QStringLiteral("Refusing to export outside the mod folder: ") + climbing));
        l->unload();
        QVERIFY(QDir(mTree->path() + QStringLiteral("/Brastel")).removeRecursively());
    }

    // The sanitizer run's leak check sees whether the temporary meshes are freed.
    void uvMeshesCollectEveryTextureOnce()
    {
        TankLoader *l = loader();
        QVERIFY(l->load(mTank));
        Sink sink;
        l->collectUvMeshes(&sink);
        QCOMPARE(sink.calls, 1);
        QVERIFY(!sink.entries.isEmpty());
        QStringList seen;
        for (const UvMapEntry &entry : std::as_const(sink.entries)) {
            if (!seen.contains(entry.texture)) {
                seen.append(entry.texture);
            }
        }
        QCOMPARE(sink.textures, seen);
        l->collectUvMeshes(nullptr);
    }

    // The whole road of a shot: the drawn tank's depth, the view's scene hooks, the
    // collision world, the ordered plates and the stored line.
    void ctrlClickShootsTheLoadedTank()
    {
        TankLoader *l = loader();
        QVERIFY(l->load(mTank));
        l->armorToggle(true);
        mView->armorToggle(true);
        mView->paintBlocked = false;
        const qint64 drawn = mView->framesDrawn;
        mView->update();
        QVERIFY(QTest::qWaitFor([&]() { return mView->framesDrawn > drawn + 1; }, 20000));

        const Camera &camera = mView->cameraController().camera;
        const QPoint at =
            projectToImage(camera, l->parts().mesh(TankPart::Hull, Undamaged)->position,
                           mView->width(), mView->height());
        QSignalSpy spy(Physics::instance(), &Physics::rayHit);
        QTest::mousePress(mView.get(), Qt::LeftButton, Qt::ControlModifier, at);
        QTest::mouseRelease(mView.get(), Qt::LeftButton, Qt::ControlModifier, at);
        mView->paintBlocked = true;
        l->armorToggle(false);
        mView->armorToggle(false);

        QCOMPARE(spy.size(), 1);
        const auto results = spy.at(0).at(0).value<RayResultsList>();
        QVERIFY(!results.isEmpty());
        QVERIFY(results.first().material != QLatin1String("Missed"));
        QVERIFY(results.first().armor > 0.0f);
        const glm::vec3 eye = camera.eye;
        for (int i = 1; i < results.size(); ++i) {
            QVERIFY(glm::distance(eye, results.at(i - 1).hitPoint)
                    <= glm::distance(eye, results.at(i).hitPoint));
        }
        glm::vec3 start;
        glm::vec3 end;
        QVERIFY(mScene.shotLine(start, end));
        QVERIFY(glm::distance(start, eye) < 1e-3f);
    }

    // Qt gives the view a new context when it moves into another top-level window: the
    // scene goes with the old context and is made again, once, in the new one, where
    // the grid, the hangar and the tank draw as they did.
    void reparentedViewMakesTheSceneAgain()
    {
        const int width = mView->width();
        const int height = mView->height();
        mView->showTankInfo = false;
        auto pictures = [&](QImage &plain, QImage &hangar) {
            mView->resetCamera();
            mView->garageVisible = false;
            plain = mView->renderToImage(width, height, false);
            mView->garageVisible = true;
            hangar = mView->renderToImage(width, height, false);
            mView->makeCurrent();
            QCOMPARE(QOpenGLContext::currentContext()->functions()->glGetError(),
                     GLenum(GL_NO_ERROR));
            mView->doneCurrent();
        };
        QVERIFY(loader()->load(mTank));
        QImage plain;
        QImage hangar;
        pictures(plain, hangar);
        const QPoint centre = projectToImage(
            mView->cameraController().camera,
            loader()->parts().mesh(TankPart::Hull, Undamaged)->position, width, height);
        QVERIFY(plain.pixel(centre) != mBackground.rgb() && plain != hangar);

        QSignalSpy released(&mScene, &TankScene::sceneReleased);
        QSignalSpy ready(&mScene, &TankScene::sceneReady);
        QSignalSpy rebuilt(Database::instance(), &Database::databaseRebuilt);
        connect(&mScene, &TankScene::sceneReleased, this, [this]() {
            QVERIFY(!mScene.tankLoader() && !TankLoader::instance());
            QVERIFY(!mScene.hangar(false) && !mScene.hangar(true));
        });
        QWidget window;
        window.resize(width, height);
        mView->setParent(&window);
        // The window must not take the view with it when a check stops the case.
        auto unparent = qScopeGuard([this]() { mView->setParent(nullptr); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window, 20000));
        QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 20000);
        QCOMPARE(released.size(), 1);
        QCOMPARE(rebuilt.size(), 0);
        QVERIFY(mView->initialised);
        QVERIFY(loader() && loader() == mScene.tankLoader());
        QVERIFY(!loader()->loaded);
        QVERIFY(mScene.hangar(false) && mScene.hangar(true));

        QVERIFY(loader()->load(mTank));
        QImage plainAgain;
        QImage hangarAgain;
        pictures(plainAgain, hangarAgain);
        QCOMPARE(plainAgain, plain);
        QCOMPARE(hangarAgain, hangar);

        // Back to a window of its own, as the other cases left it.
        unparent.dismiss();
        mView->setParent(nullptr);
        mView->resize(width, height);
        mView->show();
        QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 2, 20000);
        QCOMPARE(released.size(), 2);
        disconnect(&mScene, nullptr, this, nullptr);
    }
};

QTEST_MAIN(TestTankPassesGl)
#include "test_tankpasses_gl.moc"
