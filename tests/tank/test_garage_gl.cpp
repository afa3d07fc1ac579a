#include "tank/garage.h"
#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "tanktestsupport.h"

#include "render/buffermanager.h"
#include "render/overlayimage.h"
#include "render/renderwidget.h"
#include "render/viewtestsupport.h"

#include "core/constants.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

namespace {

int openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

// Both hangars of the sample game in the view, through its scene hooks.
class TestGarageGl : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TankServices> mServices;
    TankScene mScene;
    std::unique_ptr<RenderWidget> mView;
    const QColor mBackground = QColor(Qt::darkGray);

    QString problems() const
    {
        return Log::instance()->text(Warning) + Log::instance()->text(Error);
    }

private slots:
    void initTestCase()
    {
        mServices = std::make_unique<TankServices>();
        for (const QString &name :
             {GARAGES_FILE, QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QVERIFY(QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + name,
                                mServices->path(QStringLiteral("data/") + name)));
        }
        Settings *settings = Settings::instance();
        settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        settings->msaa = QStringLiteral("Disabled");
        settings->shadowMapSize = 1024;
        settings->showShadows = false;
        settings->screenshotAlpha = false;
        settings->viewportColor = mBackground;

        // The view's scene makes its own tank loader.
        delete TankLoader::instance();
        new BufferManager();
        mView = std::make_unique<RenderWidget>();
        mView->setSceneHooks(&mScene);
        mView->setFormat(viewSurfaceFormat(settings->msaa, 0));
        mView->resize(640, 480);
        mView->show();
        QVERIFY(QTest::qWaitForWindowExposed(mView.get()));
        if (!QTest::qWaitFor([this]() { return mView->initialised; }, 10000)) {
            QSKIP("no OpenGL 3.2 core view");
        }
        mView->paintBlocked = true; // frames only through renderToImage
    }

    void cleanupTestCase()
    {
        mView.reset();
        QCOMPARE(mScene.hangar(false), nullptr);
        QCOMPARE(mScene.hangar(true), nullptr);
        delete BufferManager::instance();
        mServices.reset();
    }

    void eachHangarIsDrawn_data()
    {
        QTest::addColumn<bool>("premium");
        QTest::newRow("basic") << false;
        QTest::newRow("premium") << true;
    }

    void eachHangarIsDrawn()
    {
        QFETCH(bool, premium);
        Garage *hangar = mScene.hangar(premium);
        QVERIFY(hangar);
        QCOMPARE(hangar->meshes().size(), 2);
        QCOMPARE(problems(), QString());
        QVERIFY(hangar->triangleCount() > 0);

        OverlayInfo info;
        mScene.fillOverlay(info, true, premium);
        QCOMPARE(info.hangarTriangles, qint64(hangar->triangleCount()));
        mScene.fillOverlay(info, false, premium);
        QCOMPARE(info.hangarTriangles, qint64(0));

        mView->resetCamera();
        mView->usePremiumGarage = premium;
        mView->garageVisible = true;
        const int width = mView->width();
        const int height = mView->height();
        const QImage shown = mView->renderToImage(width, height, false);
        mView->garageVisible = false;
        const QImage hidden = mView->renderToImage(width, height, false);
        mView->garageVisible = true;
        QCOMPARE(shown.size(), QSize(width, height));
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(shown.save(dir
                           + (premium ? QStringLiteral("/hangar_premium.png")
                                      : QStringLiteral("/hangar_basic.png"))));

        // A spot of floor between grid lines: background without the hangar, floor with it.
        const Camera &camera = mView->cameraController().camera;
        const QPoint spot = projectToImage(camera, glm::vec3(2.5f, -0.01f, 2.5f), width, height);
        QVERIFY(shown.rect().contains(spot));
        const QColor background = hidden.pixelColor(spot);
        QCOMPARE(background.rgb(), mBackground.rgb());
        QVERIFY(nearPixel(shown, spot, 0,
                          [&](const QColor &c) { return c.rgb() != background.rgb(); }));
    }

    void reloadsKeepPackagesAndDescriptors()
    {
        FileManager *files = FileManager::instance();
        const int packages = files->archives.size();
        const int descriptors = openDescriptorCount();
        for (int i = 0; i < 20; ++i) {
            mView->sceneReload();
        }
        QCOMPARE(files->archives.size(), packages);
        QCOMPARE(openDescriptorCount(), descriptors);
        QCOMPARE(mScene.hangar(false)->meshes().size(), 2);
        QCOMPARE(mScene.hangar(true)->meshes().size(), 2);

        // A game path change rebuilds both hangars, in the view's context though
        // another context is current.
        QOpenGLContext other;
        QVERIFY(other.create());
        QOffscreenSurface surface;
        surface.create();
        QVERIFY(other.makeCurrent(&surface));
        emit Settings::instance()->brastelPathChanged();
        QCOMPARE(QOpenGLContext::currentContext(), &other);
        other.doneCurrent();
        QCOMPARE(files->archives.size(), packages);
        QCOMPARE(mScene.hangar(false)->meshes().size(), 2);
        QCOMPARE(mScene.hangar(true)->meshes().size(), 2);
        QCOMPARE(problems(), QString());

        // Still drawn after all that.
        mView->usePremiumGarage = false;
        const QImage image = mView->renderToImage(mView->width(), mView->height(), false);
        const QPoint spot =
            projectToImage(mView->cameraController().camera, glm::vec3(2.5f, -0.01f, 2.5f),
                           image.width(), image.height());
        QVERIFY(image.pixelColor(spot).rgb() != mBackground.rgb());
    }
};

QTEST_MAIN(TestGarageGl)
#include "test_garage_gl.moc"
