#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/camera.h"
#include "render/renderwidget.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// Window row and column of a world point in a width x height picture of the camera.
QPoint projectToImage(const Camera &camera, const glm::vec3 &world, int width, int height)
{
    const glm::vec4 clip = camera.projection * camera.view * glm::vec4(world, 1.0f);
    const glm::vec3 ndc = glm::vec3(clip) / clip.w;
    return QPoint(int(std::floor((ndc.x + 1.0f) * 0.5f * float(width))),
                  int(std::floor((1.0f - ndc.y) * 0.5f * float(height))));
}

template <typename Test>
bool nearPixel(const QImage &image, const QPoint &p, Test test)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && test(image.pixelColor(q))) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

// The view on a screen with two device pixels per logical pixel.
class TestRenderWidgetGlHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void frameFillsTheWholeScaledView()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QVERIFY(QDir(temp.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(temp.path()).mkpath(QStringLiteral("data")));
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(temp.filePath(QStringLiteral("bin"))));
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        new Log();
        new Settings();
        Settings *s = Settings::instance();
        s->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        s->brastelPath.clear();
        s->msaa = QStringLiteral("Disabled");
        s->screenshotAlpha = false;
        resetFatalErrorState();

        {
            RenderWidget view;
            view.setFormat(viewSurfaceFormat(QStringLiteral("Disabled"), 0));
            view.resize(400, 300);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            QTRY_VERIFY(view.initialised);
            if (view.devicePixelRatio() < 2.0) {
                QSKIP("the screen is not scaled");
            }
            view.setViewportColor(QColor(200, 200, 200));
            view.toggleText(true);
            view.cameraViewChanged(1); // Top
            const Camera camera = view.cameraController().camera;

            const QImage frame = view.grabFramebuffer();
            const int w = frame.width();
            const int h = frame.height();
            QCOMPARE(QSize(w, h), QSize(800, 600));
            auto red = [](const QColor &c) {
                return c.red() > 200 && c.green() < 120 && c.blue() < 120;
            };
            auto background = [](const QColor &c) {
                return c.red() == 200 && c.green() == 200 && c.blue() == 200;
            };
            // The red line along z at x = 0 runs through the middle column from the top
            // of the picture to its bottom.
            for (float t : {-4.0f, 0.5f, 4.0f}) {
                const QPoint p = projectToImage(camera, glm::vec3(0.0f, 0.01f, t), w, h);
                QVERIFY2(nearPixel(frame, p, red),
                         qPrintable(QStringLiteral("red at %1, %2").arg(p.x()).arg(p.y())));
                const QPoint cell = projectToImage(camera, glm::vec3(2.5f, 0.01f, t + 0.4f), w, h);
                QVERIFY2(background(frame.pixelColor(cell)),
                         qPrintable(QStringLiteral("empty cell at %1, %2").arg(cell.x())
                                        .arg(cell.y())));
            }
            view.paintBlocked = true;
        }

        delete Settings::instance();
        delete Log::instance();
        setMessageBoxHandler({});
        QDir::setCurrent(oldCwd);
    }
};

int main(int argc, char **argv)
{
    // Read when the application object is made.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestRenderWidgetGlHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_renderwidget_gl_hidpi.moc"
