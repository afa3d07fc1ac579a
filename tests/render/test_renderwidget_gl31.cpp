#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "core/settings.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/renderwidget.h"
#include "render/shaderloader.h"
#include "render/textureloader.h"
#include "viewtestsupport.h"

#include "support/servicestack.h"

#include <QApplication>
#include <QDir>
#include <QOpenGLContext>
#include <QTest>

// The view on a context below 3.2: Mesa is told to offer OpenGL 3.1 only.
class TestRenderWidgetGl31 : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, Settings>> mServices;

private slots:
    void tooOldContextIsFatalAndCreatesNothing()
    {
        const ViewTestTree tree;
        QVERIFY(tree.ready());
        QList<MessageBoxRequest> boxes;
        setMessageBoxHandler([&boxes](const MessageBoxRequest &request) {
            boxes.append(request);
            return int(QMessageBox::Ok);
        });
        mServices = std::make_unique<ServiceStack<Log, Settings>>();
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        boxes.clear();
        resetFatalErrorState();
        eventLoopRunning = true;

        {
            RenderWidget view;
            view.setFormat(viewSurfaceFormat(QStringLiteral("Disabled"), 0));
            view.resize(320, 240);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            QTRY_COMPARE(boxes.size(), 1);
            QVERIFY(view.context());
            QVERIFY(view.context()->format().version() < qMakePair(3, 2));
            QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
            QCOMPARE(boxes.at(0).text,
                     QStringLiteral("OpenGL 3.2 is required.\nApplication will now close."));
            QVERIFY(Log::instance()->text(Error).contains(
                QStringLiteral("[ Error ] OpenGL 3.2 is required.\r\n")));
            QVERIFY(!view.initialised);
            QCOMPARE(ShaderLoader::instance(), nullptr);
            QCOMPARE(MaterialLoader::instance(), nullptr);
            QCOMPARE(TextureLoader::instance(), nullptr);
            QCOMPARE(MatrixStack::instance(), nullptr);
            QCOMPARE(view.shadowMap.framebuffer(), 0u);

            // Paint events go on arriving while the box is up; none of them may draw.
            view.update();
            QTest::qWait(100);
            QImage grabbed = view.grabFramebuffer();
            Q_UNUSED(grabbed);
            QCOMPARE(view.framesDrawn, qint64(0));
            QCOMPARE(boxes.size(), 1);
        }

        eventLoopRunning = false;
        mServices.reset();
        setMessageBoxHandler({});
    }
};

int main(int argc, char **argv)
{
    // Read by Mesa when the first context is made.
    qputenv("MESA_GL_VERSION_OVERRIDE", "3.1");
    QApplication app(argc, argv);
    TestRenderWidgetGl31 test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_renderwidget_gl31.moc"
