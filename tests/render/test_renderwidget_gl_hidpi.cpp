#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/camera.h"
#include "render/renderwidget.h"
#include "viewtestsupport.h"

#include "support/servicestack.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdlib>
#include <memory>

namespace {

// The bounding box of the bright (text) pixels on a black picture.
QRect brightExtent(const QImage &image)
{
    QRect extent;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 100 && c.green() > 100 && c.blue() > 100) {
                extent |= QRect(x, y, 1, 1);
            }
        }
    }
    return extent;
}

} // namespace

// The view on a screen with two device pixels per logical pixel.
class TestRenderWidgetGlHiDpi : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Settings>> mServices;

private:
    std::unique_ptr<ViewTestTree> mTree;

private slots:
    void initTestCase()
    {
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        mServices = std::make_unique<ServiceStack<Log, Settings>>();
        Settings *s = Settings::instance();
        s->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        s->brastelPath.clear();
        s->msaa = QStringLiteral("Disabled");
        s->screenshotAlpha = false;
        resetFatalErrorState();
    }

    void cleanupTestCase()
    {
        mServices.reset();
        setMessageBoxHandler({});
        mTree.reset();
    }

    void frameFillsTheWholeScaledView()
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
            QVERIFY2(nearPixel(frame, p, 2, red),
                     qPrintable(QStringLiteral("red at %1, %2").arg(p.x()).arg(p.y())));
            const QPoint cell = projectToImage(camera, glm::vec3(2.5f, 0.01f, t + 0.4f), w, h);
            QVERIFY2(
                background(frame.pixelColor(cell)),
                qPrintable(QStringLiteral("empty cell at %1, %2").arg(cell.x()).arg(cell.y())));
        }
        view.paintBlocked = true;
    }

    void overlayTextScalesWithTheView()
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
        view.setViewportColor(Qt::black);
        view.showGrid(true);
        view.toggleText(false);
        view.toggleRenderInfo(false);

        // An image render draws one pixel per logical pixel; the live frame two. The
        // text must grow with the frame, from a corner that grows with it, and switching
        // between the two must repaint it each time.
        for (int round = 0; round < 2; ++round) {
            const QRect single = brightExtent(view.renderToImage(400, 300, false));
            const QRect doubled = brightExtent(view.grabFramebuffer());
            QVERIFY(single.width() > 20 && single.height() > 20);
            const QString sizes = QStringLiteral("%1x%2+%3+%4 and %5x%6+%7+%8")
                                      .arg(single.width())
                                      .arg(single.height())
                                      .arg(single.x())
                                      .arg(single.y())
                                      .arg(doubled.width())
                                      .arg(doubled.height())
                                      .arg(doubled.x())
                                      .arg(doubled.y());
            // Hinting differs between the two sizes by a few pixels.
            QVERIFY2(std::abs(doubled.width() - 2 * single.width()) <= single.width() / 10,
                     qPrintable(sizes));
            QVERIFY2(std::abs(doubled.height() - 2 * single.height()) <= single.height() / 10,
                     qPrintable(sizes));
            QVERIFY2(std::abs(doubled.x() - 2 * single.x()) <= 4, qPrintable(sizes));
            QVERIFY2(std::abs(doubled.y() - 2 * single.y()) <= 4, qPrintable(sizes));
        }
        view.paintBlocked = true;
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
