#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "render/buffermanager.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/renderwidget.h"
#include "render/transformstack.h"
#include "render/viewtestsupport.h"
#include "render/visual.h"

#include "gamedata/database.h"
#include "gamedata/moreadercached.h"

#include "armour/physics.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "tanktestsupport.h"

#include <QDirIterator>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {

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
class RecordingMesh : public Mesh
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
        QVector<Mesh *> *lists[] = {&l->chassisMeshes, &l->hullMeshes, &l->turretMeshes,
                                    &l->gunMeshes};
        QVector<Mesh *> saved[4];
        QVector<DrawCall> calls;
        for (int part = 0; part < 4; ++part) {
            saved[part] = *lists[part];
            for (int form = 0; form < 3; ++form) {
                (*lists[part])[form] = new RecordingMesh(part, form, &calls);
            }
        }
        const bool wasLoaded = l->loaded;
        l->loaded = true;
        mView->makeCurrent();
        test(calls);
        mView->doneCurrent();
        l->loaded = wasLoaded;
        for (int part = 0; part < 4; ++part) {
            qDeleteAll(*lists[part]);
            *lists[part] = saved[part];
        }
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
        QDir().mkpath(modPath());
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        new Log();
        new MoReaderCached();
        new FileManager();
        new Settings();
        Settings *settings = Settings::instance();
        settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        settings->modPath = modPath();
        settings->msaa = QStringLiteral("Disabled");
        settings->showShadows = false;
        settings->screenshotAlpha = false;
        settings->viewportColor = mBackground;
        FileManager::instance()->loadZipFiles();
        new BufferManager();
        new Database();
        new Physics();
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
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        delete Settings::instance();
        delete FileManager::instance();
        delete MoReaderCached::instance();
        delete Log::instance();
        setMessageBoxHandler(nullptr);
        mTree.reset();
    }

    void init()
    {
        resetModes();
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
        const quint32 hull = l->hullMeshes.at(Undamaged)->visual->triangleCount();
        QVERIFY(hull > 0 && all > hull);
        l->hideHull = true;
        QCOMPARE(l->triangleCount(), all - hull);
        l->damageModeChanged(Destroyed);
        QCOMPARE(l->tankModel, int(Destroyed));
        l->hideHull = false;
        l->hideGun = true;
        quint32 destroyed = 0;
        for (const QVector<Mesh *> *list : {&l->chassisMeshes, &l->hullMeshes, &l->turretMeshes}) {
            destroyed += list->at(Destroyed)->visual->triangleCount();
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
        const QPoint centre =
            projectToImage(camera, l->hullMeshes.at(Undamaged)->position, width, height);
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

    void exportAllWritesEveryPart()
    {
        TankLoader *l = loader();
        l->unload();
        l->loaded = false;
        QVERIFY(!l->exportAll());
        QVERIFY(QDir(modPath()).isEmpty());

        // The files go below the mod folder by the models' game paths, whose folders
        // the export does not make: a failure is reported as one.
        QVERIFY(l->load(mTank));
        QVERIFY(!l->exportAll());
        for (const QVector<Mesh *> *list :
             {&l->chassisMeshes, &l->hullMeshes, &l->turretMeshes, &l->gunMeshes}) {
            QVERIFY(
                QDir().mkpath(QFileInfo(modPath() + QLatin1Char('/') + list->at(0)->path).path()));
        }
        l->setTankRotation(90.0f);
        QVERIFY(l->exportAll());
        l->setTankRotation(0.0f);
        int files = 0;
        QDirIterator it(modPath(), {QStringLiteral("*.obj")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            QVERIFY2(text.contains("\nv ") || text.startsWith("v "), qPrintable(file.fileName()));
            QVERIFY(text.contains("\nf "));
            ++files;
        }
        QVERIFY(files >= 4);
    }

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
        const QPoint at = projectToImage(camera, l->hullMeshes.at(Undamaged)->position,
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
};

QTEST_MAIN(TestTankPassesGl)
#include "test_tankpasses_gl.moc"
