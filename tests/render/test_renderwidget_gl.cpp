#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/camera.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/renderwidget.h"
#include "render/shaderloader.h"
#include "render/textureloader.h"
#include "viewtestsupport.h"

#include "support/servicestack.h"

#include <QDir>
#include <QMouseEvent>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <limits>
#include <memory>

namespace {

const QString SHADERS = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");

int countOf(const QString &haystack, const QString &needle)
{
    return haystack.count(needle);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

bool sameVec(const glm::vec3 &a, const glm::vec3 &b, float tolerance)
{
    return glm::all(glm::lessThanEqual(glm::abs(a - b), glm::vec3(tolerance)));
}

} // namespace

class TestRenderWidgetGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Settings>> mServices;

private:
    // A shown view of the given size and settings' MSAA text, initialised.
    std::unique_ptr<RenderWidget> makeView(const QString &msaa = QStringLiteral("Disabled"),
                                           CameraController::Clock clock = {},
                                           QSize size = QSize(640, 480))
    {
        Settings::instance()->msaa = msaa;
        auto view = std::make_unique<RenderWidget>(nullptr, std::move(clock));
        view->setFormat(viewSurfaceFormat(msaa, 0));
        view->resize(size);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get())
            || !QTest::qWaitFor([&view]() { return view->initialised; }, 10000)) {
            return nullptr;
        }
        return view;
    }

    QOpenGLFunctions_3_2_Core *glOf(RenderWidget &view)
    {
        view.makeCurrent();
        return QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(view.context());
    }

    QString logText(int level) const { return Log::instance()->text(level); }
    // The Error lines since the test began.
    QString newErrors() const { return logText(Error).mid(mErrorMark); }

    std::unique_ptr<ViewTestTree> mTree;
    QList<MessageBoxRequest> mBoxes;
    int mErrorMark = 0;

private slots:
    void initTestCase()
    {
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        mServices = std::make_unique<ServiceStack<Log, Settings>>();
        Settings::instance()->shaderDir = SHADERS;
        Settings::instance()->brastelPath.clear();
        Settings::instance()->showShadows = true;
        mBoxes.clear();
    }

    void cleanupTestCase()
    {
        mServices.reset();
        setMessageBoxHandler({});
        mTree.reset();
    }

    void init()
    {
        Settings *s = Settings::instance();
        s->shadowMapSize = 2048;
        s->screenshotAlpha = false;
        s->viewportColor = QColor(Qt::darkGray);
        resetFatalErrorState();
        mBoxes.clear();
        mErrorMark = logText(Error).size();
    }

    void initialisationBuildsTheServices()
    {
        auto view = makeView();
        QVERIFY(view);
        QVERIFY(mBoxes.isEmpty());
        QVERIFY(ShaderLoader::instance());
        QVERIFY(MatrixStack::instance());
        QVERIFY(TextureLoader::instance());
        const QString info = logText(Info);
        const int first = info.indexOf(QStringLiteral("Initialising OpenGL."));
        const int vendor = info.indexOf(QStringLiteral("OpenGL Vendor: "), first);
        const int renderer = info.indexOf(QStringLiteral("OpenGL Renderer: "), vendor);
        const int version = info.indexOf(QStringLiteral("OpenGL Version: "), renderer);
        const int glsl = info.indexOf(QStringLiteral("GLSL Version: "), version);
        const int done = info.indexOf(QStringLiteral("OpenGL Initialising complete."), glsl);
        QVERIFY(first >= 0 && vendor > first && renderer > vendor && version > renderer
                && glsl > version && done > glsl);
        QCOMPARE(view->missingGlFunctions, 0);
        QCOMPARE(view->cameraController().zoom, 12.0f);
        QCOMPARE(view->viewportColor, QColor(Qt::darkGray));

        QOpenGLFunctions_3_2_Core *gl = glOf(*view);
        GLint limits[4] = {0, 0, 0, 0};
        gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits[0]);
        gl->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits[1]);
        gl->glGetIntegerv(GL_MAX_VIEWPORT_DIMS, &limits[2]);
        QVERIFY(view->maxImageSize > 0);
        for (GLint limit : limits) {
            QVERIFY(view->maxImageSize <= limit);
        }
        QVERIFY(view->maxImageSize == limits[0] || view->maxImageSize == limits[1]
                || view->maxImageSize == limits[2] || view->maxImageSize == limits[3]);

        // The loop runs on its own.
        const qint64 before = view->framesDrawn;
        QTRY_VERIFY(view->framesDrawn > before + 3);
        QCOMPARE(newErrors(), QString());
        view.reset();
        QCOMPARE(ShaderLoader::instance(), nullptr);
        QCOMPARE(TextureLoader::instance(), nullptr);
        QCOMPARE(MatrixStack::instance(), nullptr);
    }

    void failedShadersStopInitialisation()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        Settings::instance()->shaderDir = empty.path();
        RenderWidget view;
        view.setFormat(viewSurfaceFormat(QStringLiteral("Disabled"), 0));
        view.resize(200, 150);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(!mBoxes.isEmpty());
        QTest::qWait(100); // paint events while and after the boxes are up
        Settings::instance()->shaderDir = SHADERS;

        // One box, for the first failure; the rest go to the log only.
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.first().text,
                 QStringLiteral("Failed to open shader: ") + empty.path()
                     + QStringLiteral("/lighting.vert\nApplication will now close."));
        QVERIFY(newErrors().contains(QStringLiteral("[ Error ] Shader initialization failed.")));
        QVERIFY(!view.initialised);
        QCOMPARE(MaterialLoader::instance(), nullptr);
        QCOMPARE(MatrixStack::instance(), nullptr);
        QCOMPARE(view.shadowMap.framebuffer(), 0u);
        QCOMPARE(view.framesDrawn, qint64(0));
    }

    void samplesWarnedOnceInTheFirstFrame_data()
    {
        QTest::addColumn<QString>("msaa");
        QTest::addColumn<int>("requested");
        QTest::newRow("8x") << QStringLiteral("8x") << 8;
        QTest::newRow("16x") << QStringLiteral("16x") << 16;
        QTest::newRow("4x") << QStringLiteral("4x") << 4;
        QTest::newRow("2x") << QStringLiteral("2x") << 2;
        QTest::newRow("Disabled") << QStringLiteral("Disabled") << 0;
        QTest::newRow("translated") << QStringLiteral("Aus") << 0;
    }

    void samplesWarnedOnceInTheFirstFrame()
    {
        QFETCH(QString, msaa);
        QFETCH(int, requested);
        const QString warning = QStringLiteral("Requested anti alias");
        const int warningsBefore = countOf(logText(Warning), warning);
        auto view = makeView(msaa);
        QVERIFY(view);
        QTRY_VERIFY(view->framesDrawn > 5);
        QOpenGLFunctions_3_2_Core *gl = glOf(*view);
        GLint maxSamples = 0;
        gl->glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        const QString warnings = logText(Warning);
        const int count = countOf(warnings, warning) - warningsBefore;
        if (requested > maxSamples) {
            QCOMPARE(count, 1);
            QVERIFY(warnings.contains(QStringLiteral("Requested anti alias setting ")
                                      + QString::number(requested) + QStringLiteral(" but got ")
                                      + QString::number(maxSamples) + QStringLiteral("\r\n")));
        } else {
            QCOMPARE(count, 0);
        }
        // Initialisation turns multisampling off; a multisampled view must turn it on
        // again in its frames, or the samples go unused.
        GLint obtained = 0;
        gl->glGetIntegerv(GL_SAMPLES, &obtained);
        QCOMPARE(view->sampleBuffers, obtained > 0);
        if (obtained > 0) {
            QVERIFY(gl->glIsEnabled(GL_MULTISAMPLE));
        }
    }

    void loopStopsWhileMinimisedOrBlocked()
    {
        auto view = makeView();
        QVERIFY(view);
        QTRY_VERIFY(view->framesDrawn > 2);

        view->showMinimized();
        QVERIFY(view->isMinimized());
        QTest::qWait(50);
        qint64 stopped = view->framesDrawn;
        QTest::qWait(200);
        QCOMPARE(view->framesDrawn, stopped);

        view->showNormal();
        QTRY_VERIFY(view->framesDrawn > stopped + 2);

        view->paintBlocked = true;
        QTest::qWait(50);
        stopped = view->framesDrawn;
        QTest::qWait(200);
        QCOMPARE(view->framesDrawn, stopped);
        const QImage grabbed = view->grabFramebuffer(); // paints without a paint event
        QVERIFY(!grabbed.isNull());
        QCOMPARE(view->framesDrawn, stopped);

        view->paintBlocked = false;
        view->update();
        QTRY_VERIFY(view->framesDrawn > stopped + 2);
    }

    void loopFollowsTheWindowAroundTheView()
    {
        QWidget window;
        window.resize(400, 300);
        auto *view = new RenderWidget(&window);
        view->setFormat(viewSurfaceFormat(QStringLiteral("Disabled"), 0));
        view->setGeometry(0, 0, 400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(view->initialised);
        QTRY_VERIFY(view->framesDrawn > 2);

        window.showMinimized();
        QTest::qWait(50);
        const qint64 stopped = view->framesDrawn;
        QTest::qWait(200);
        QCOMPARE(view->framesDrawn, stopped);
        window.showNormal();
        QTRY_VERIFY(view->framesDrawn > stopped + 2);
    }

    void nothingDrawnBeforeInitialisation()
    {
        RenderWidget view;
        QVERIFY(!view.initialised);
        view.renderFrame();
        view.drawOverlayText(100, 100);
        QCOMPARE(view.framesDrawn, qint64(0));
        QVERIFY(view.renderToImage(16, 16, false).isNull());
        QCOMPARE(ShaderLoader::instance(), nullptr);
    }

    void autoRotationFollowsTheDrag()
    {
        qint64 now = 1000;
        auto view = makeView(QStringLiteral("Disabled"), [&now]() { return now; });
        QVERIFY(view);
        view->paintBlocked = true;
        CameraController &camera = view->cameraController();
        view->setAutoRotation(true);
        QSignalSpy spins(view.get(), &RenderWidget::cameraRotationYChanged);

        // No drag since the last press: the view stays still.
        view->makeCurrent();
        view->renderFrame();
        const float still = camera.cameraRotation.y;
        now += 1000;
        view->renderFrame();
        QCOMPARE(camera.cameraRotation.y, still);

        // A 300 pixel drag (90 degrees) in 500 ms.
        camera.cameraRotation = glm::vec3(0.0f);
        sendMouse(view.get(), QEvent::MouseButtonPress, QPointF(100, 200), Qt::LeftButton,
                  Qt::LeftButton);
        sendMouse(view.get(), QEvent::MouseMove, QPointF(400, 200), Qt::NoButton, Qt::LeftButton);
        now += 500;
        sendMouse(view.get(), QEvent::MouseButtonRelease, QPointF(400, 200), Qt::LeftButton,
                  Qt::NoButton);
        QCOMPARE(camera.spinVelocity.y, 180.0f);
        QCOMPARE(camera.cameraRotation.y, 90.0f);

        // The time counted is the time since the previous frame, not since the start.
        view->makeCurrent();
        view->renderFrame();
        const float start = camera.cameraRotation.y;
        spins.clear();
        now += 1000;
        view->renderFrame();
        QVERIFY(std::abs(camera.cameraRotation.y - start - 180.0f / 7.0f) < 1e-3f);
        now += 700;
        view->renderFrame();
        QVERIFY(std::abs(camera.cameraRotation.y - start - 180.0f / 7.0f - 18.0f) < 1e-3f);
        QCOMPARE(spins.size(), 2);
        QCOMPARE(spins.last().at(0).toDouble(), double(camera.cameraRotation.y));
        // The camera turned as well.
        Camera expected = camera.camera;
        expected.setRotation(camera.cameraRotation);
        QVERIFY(sameVec(camera.camera.eye, expected.eye, 1e-5f));

        // Crossing 180 wraps to the negative side.
        camera.cameraRotation.y = 170.0f;
        camera.spinVelocity.y = 140.0f; // 20 degrees a second
        now += 1000;
        view->renderFrame();
        QVERIFY(std::abs(camera.cameraRotation.y + 170.0f) < 1e-3f);

        // Switched off: nothing turns.
        view->setAutoRotation(false);
        const float off = camera.cameraRotation.y;
        now += 1000;
        view->renderFrame();
        QCOMPARE(camera.cameraRotation.y, off);
    }

    void shadowMapIsADepthOnlyFramebuffer()
    {
        auto view = makeView();
        QVERIFY(view);
        view->paintBlocked = true;
        QVERIFY(logText(Info).contains(QStringLiteral("Creating Shadow Map Texture.")));
        QVERIFY(logText(Info).contains(QStringLiteral("Shadow Map size: 2048 x 2048")));

        auto check = [&](int size) {
            QOpenGLFunctions_3_2_Core *gl = glOf(*view);
            QVERIFY(view->shadowMap.framebuffer() != 0 && view->shadowMap.texture() != 0);
            QCOMPARE(TextureLoader::instance()->shadowTexture, view->shadowMap.texture());
            gl->glBindFramebuffer(GL_FRAMEBUFFER, view->shadowMap.framebuffer());
            QCOMPARE(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
            GLint attached = 0;
            gl->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                                      GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                                      &attached);
            QCOMPARE(GLuint(attached), view->shadowMap.texture());
            GLint drawBuffer = -1;
            GLint readBuffer = -1;
            gl->glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
            gl->glGetIntegerv(GL_READ_BUFFER, &readBuffer);
            QCOMPARE(drawBuffer, GLint(GL_NONE));
            QCOMPARE(readBuffer, GLint(GL_NONE));
            gl->glBindFramebuffer(GL_FRAMEBUFFER, view->defaultFramebufferObject());

            gl->glBindTexture(GL_TEXTURE_2D, view->shadowMap.texture());
            GLint value = 0;
            gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
            QCOMPARE(value, size);
            gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
            QCOMPARE(value, size);
            gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
            QCOMPARE(value, GLint(GL_DEPTH_COMPONENT24));
            gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
            QCOMPARE(value, GLint(GL_LINEAR));
            gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
            QCOMPARE(value, GLint(GL_LINEAR));
            gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
            QCOMPARE(value, GLint(GL_CLAMP_TO_EDGE));
            gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
            QCOMPARE(value, GLint(GL_CLAMP_TO_EDGE));
            gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, &value);
            QCOMPARE(value, GLint(GL_LEQUAL));
            // Compared by hand in the shaders.
            gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, &value);
            QCOMPARE(value, GLint(GL_NONE));
            gl->glBindTexture(GL_TEXTURE_2D, 0);
            QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
        };
        check(2048);
        if (QTest::currentTestFailed()) {
            return;
        }

        // A new size through the settings: same framebuffer, new texture.
        const GLuint fbo = view->shadowMap.framebuffer();
        Settings::instance()->setShadowMapSize(1024);
        QCOMPARE(view->shadowMap.framebuffer(), fbo);
        check(1024);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(logText(Info).contains(QStringLiteral("Shadow Map size: 1024 x 1024")));
        QVERIFY(!newErrors().contains(QStringLiteral("Failed to create FBO.")));

        // Sizes the GPU cannot take are clamped with a Warning (past the limit, Mesa's
        // software renderer crashed in glTexImage2D), and the shadow pass of the next
        // frame keeps to the texture: a negative viewport would raise an error.
        GLint maxTextureSize = 0;
        glOf(*view)->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
        const QPair<int, int> clamped[] = {
            {0, 1}, {-5, 1}, {std::numeric_limits<int>::max(), maxTextureSize}};
        for (const auto &[requested, used] : clamped) {
            Settings::instance()->setShadowMapSize(requested);
            check(used);
            if (QTest::currentTestFailed()) {
                return;
            }
            QVERIFY(logText(Warning).contains(QStringLiteral("Shadow Map size %1 outside 1..%2, "
                                                             "using %3")
                                                  .arg(requested)
                                                  .arg(maxTextureSize)
                                                  .arg(used)));
            QCOMPARE(view->shadowMap.size(), used);
            const qint64 frames = view->framesDrawn;
            view->makeCurrent();
            view->renderFrame();
            QCOMPARE(view->framesDrawn, frames + 1);
            QCOMPARE(glOf(*view)->glGetError(), GLenum(GL_NO_ERROR));
        }
        QCOMPARE(newErrors(), QString());
    }

    void imageRenderLeavesTheViewAsItWas()
    {
        qint64 now = 0;
        auto view = makeView(QStringLiteral("4x"), [&now]() { return now; });
        QVERIFY(view);
        view->paintBlocked = true; // the screenshot dialog is open
        CameraController &camera = view->cameraController();
        view->setViewportColor(QColor(10, 20, 30));
        view->setAutoRotation(true);
        camera.spinVelocity.y = 100.0f;
        now = 5000;

        QOpenGLFunctions_3_2_Core *gl = glOf(*view);
        GLint viewportBefore[4] = {0, 0, 0, 0};
        gl->glGetIntegerv(GL_VIEWPORT, viewportBefore);
        const glm::mat4 projectionBefore = MatrixStack::instance()->projection;
        const glm::vec3 rotationBefore = camera.cameraRotation;
        const qint64 lastFrameBefore = view->lastFrameMs;
        const int widthBefore = camera.widthPx;
        const int heightBefore = camera.heightPx;

        const QImage transparent = view->renderToImage(320, 200, true);
        QCOMPARE(transparent.size(), QSize(320, 200));
        // The bottom-right corner shows background only.
        QCOMPARE(transparent.pixelColor(318, 198).alpha(), 0);
        const QImage opaque = view->renderToImage(320, 200, false);
        QCOMPARE(opaque.size(), QSize(320, 200));
        const QColor corner = opaque.pixelColor(318, 198);
        QCOMPARE(corner.alpha(), 255);
        QCOMPARE(corner.red(), 10);
        QCOMPARE(corner.green(), 20);
        QCOMPARE(corner.blue(), 30);

        // The view's own colour keeps its alpha: the scene settings save it.
        QCOMPARE(view->viewportColor.alpha(), 255);
        QCOMPARE(camera.widthPx, widthBefore);
        QCOMPARE(camera.heightPx, heightBefore);
        GLint viewportAfter[4] = {0, 0, 0, 0};
        gl = glOf(*view);
        gl->glGetIntegerv(GL_VIEWPORT, viewportAfter);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(viewportAfter[i], viewportBefore[i]);
        }
        QVERIFY(MatrixStack::instance()->projection == projectionBefore);
        QVERIFY(camera.cameraRotation == rotationBefore);
        QCOMPARE(view->lastFrameMs, lastFrameBefore);
        GLint bound = -1;
        gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        QCOMPARE(GLuint(bound), view->defaultFramebufferObject());

        QVERIFY(view->renderToImage(view->maxImageSize + 1, 8, false).isNull());
        QVERIFY(view->renderToImage(0, 8, false).isNull());
        QCOMPARE(newErrors(), QString());
    }

    void gridLinesWhereTheCameraSaysAndScreenshot()
    {
        auto view = makeView(QStringLiteral("Disabled"), {}, QSize(800, 600));
        QVERIFY(view);
        view->paintBlocked = true;
        view->setViewportColor(QColor(200, 200, 200));
        view->toggleText(true);
        view->cameraViewChanged(1); // Top
        CameraController &camera = view->cameraController();
        QVERIFY(sameVec(camera.camera.eye, glm::vec3(0.0f, 12.0f, 0.0f), 1e-4f));

        const int w = 400;
        const int h = 400;
        const QImage image = view->renderToImage(w, h, false);
        QCOMPARE(image.size(), QSize(w, h));
        // renderToImage projects for the image size.
        Camera shot = camera.camera;
        shot.aspect = 1.0f;
        shot.setPerspective();

        auto red = [](const QColor &c) {
            return c.red() > 200 && c.green() < 120 && c.blue() < 120;
        };
        auto blue = [](const QColor &c) {
            return c.blue() > 200 && c.red() < 140 && c.green() < 140;
        };
        auto dark = [](const QColor &c) { return c.red() < 60 && c.green() < 60 && c.blue() < 60; };
        auto background = [](const QColor &c) {
            return c.red() == 200 && c.green() == 200 && c.blue() == 200;
        };
        for (float t : {-4.0f, -2.5f, 3.0f}) {
            const QPoint alongZ = projectToImage(shot, glm::vec3(0.0f, 0.01f, t), w, h);
            QVERIFY2(nearPixel(image, alongZ, 1, red),
                     qPrintable(QStringLiteral("red at %1").arg(t)));
            const QPoint alongX = projectToImage(shot, glm::vec3(t, 0.01f, 0.0f), w, h);
            QVERIFY2(nearPixel(image, alongX, 1, blue),
                     qPrintable(QStringLiteral("blue at %1").arg(t)));
            const QPoint grey = projectToImage(shot, glm::vec3(2.0f, 0.01f, t + 0.5f), w, h);
            QVERIFY2(nearPixel(image, grey, 1, dark),
                     qPrintable(QStringLiteral("grey at %1").arg(t)));
            const glm::vec3 cellCentre(std::floor(t) + 0.5f, 0.01f, 1.5f);
            const QPoint cell = projectToImage(shot, cellCentre, w, h);
            QVERIFY2(background(image.pixelColor(cell)),
                     qPrintable(QStringLiteral("empty cell at %1").arg(t)));
        }

        // The live view itself, kept for looking at.
        view->resetCamera();
        view->toggleText(false);
        view->paintBlocked = false;
        const QImage frame = view->grabFramebuffer();
        QCOMPARE(frame.size(), QSize(800, 600) * view->devicePixelRatio());
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(frame.save(dir + QStringLiteral("/renderwidget_view.png")));
        bool varied = false;
        for (int y = 0; y < frame.height() && !varied; y += 7) {
            for (int x = 0; x < frame.width(); x += 7) {
                if (frame.pixel(x, y) != frame.pixel(0, frame.height() - 1)) {
                    varied = true;
                    break;
                }
            }
        }
        QVERIFY(varied);
    }

    void armourRayReadsTheDepthUnderThePress_data()
    {
        QTest::addColumn<QString>("msaa");
        QTest::newRow("off") << QStringLiteral("Disabled");
        QTest::newRow("4x") << QStringLiteral("4x");
    }

    void armourRayReadsTheDepthUnderThePress()
    {
        QFETCH(QString, msaa);
        auto view = makeView(msaa);
        QVERIFY(view);
        view->paintBlocked = true;
        QTest::qWait(50); // let the frame in flight pass
        view->armorToggle(true);
        const int w = view->width();
        const int h = view->height();

        // Depth 0.25 everywhere but a box in the lower left (GL rows 0..99), 0.75 there.
        QOpenGLFunctions_3_2_Core *gl = glOf(*view);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, view->defaultFramebufferObject());
        gl->glDepthMask(GL_TRUE);
        gl->glClearDepth(0.25);
        gl->glClear(GL_DEPTH_BUFFER_BIT);
        gl->glEnable(GL_SCISSOR_TEST);
        gl->glScissor(0, 0, 200, 100);
        gl->glClearDepth(0.75);
        gl->glClear(GL_DEPTH_BUFFER_BIT);
        gl->glDisable(GL_SCISSOR_TEST);
        gl->glClearDepth(1.0);
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

        const Camera &camera = view->cameraController().camera;
        struct Pick
        {
            QPointF at;
            float depth;
        };
        // Window y counts from the top: y = h - 50 lies in GL row 50, the top row reads
        // GL row h - 1, and the bottom edge row h would lie outside.
        const Pick picks[] = {{QPointF(300, 100), 0.25f},
                              {QPointF(100, h - 50), 0.75f},
                              {QPointF(100, 0), 0.25f},
                              {QPointF(w - 1, h - 1), 0.25f},
                              {QPointF(50, h - 1), 0.75f}};
        for (const Pick &pick : picks) {
            // A press with no move before it, as after a dialog closed.
            sendMouse(view.get(), QEvent::MouseButtonPress, pick.at, Qt::LeftButton, Qt::LeftButton,
                      Qt::ControlModifier);
            sendMouse(view.get(), QEvent::MouseButtonRelease, pick.at, Qt::LeftButton, Qt::NoButton,
                      Qt::ControlModifier);
            const CameraRay expected =
                cameraRayThrough(camera, pick.at.x(), pick.at.y(), w, h, pick.depth);
            QVERIFY2(
                sameVec(view->rayStart, expected.from, 1e-4f),
                qPrintable(QStringLiteral("start at %1,%2").arg(pick.at.x()).arg(pick.at.y())));
            QVERIFY2(sameVec(view->rayEnd, expected.to, 1e-2f),
                     qPrintable(QStringLiteral("end at %1,%2").arg(pick.at.x()).arg(pick.at.y())));
        }
        // A background pick (depth 1) still runs from the eye through the far plane.
        gl = glOf(*view);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, view->defaultFramebufferObject());
        gl->glClear(GL_DEPTH_BUFFER_BIT);
        const CameraRay far = view->armourRayAt(300, 100);
        const CameraRay farExpected = cameraRayThrough(camera, 300, 100, w, h, 1.0f);
        QVERIFY(sameVec(far.to, farExpected.to, 1e-2f));
        QVERIFY(std::abs(glm::length(far.to - far.from) - 1000.0f) < 1e-2f);
        gl = glOf(*view);
        QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
        QCOMPARE(newErrors(), QString());
    }
};

QTEST_MAIN(TestRenderWidgetGl)
#include "test_renderwidget_gl.moc"
