#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "ui/mainwindow.h"
#include "ui/startup.h"

#include <QtTest>

// The real start-up on a driver that offers no OpenGL 3.2: the view's initialisation
// stops before it makes the tank loader, and the window must not reach for it.
class TestStartupGl31 : public QObject
{
    Q_OBJECT

private slots:
    void noOpenGl32EndsWithTheFatalBox()
    {
        resetFatalErrorState();
        QStringList boxes;
        setMessageBoxHandler([&boxes](const MessageBoxRequest &request) {
            boxes.append(request.text);
            return int(QMessageBox::Ok);
        });
        bool windowBuilt = false;
        StartupHooks hooks;
        hooks.afterWindow = [&](MainApplication &, MainWindow &window) {
            windowBuilt = !window.ui.mRenderWidget->initialised;
        };
        int argc = 1;
        char name[] = "test_ui_startupgl31_gl";
        char *argv[] = {name, nullptr};
        const int result = runHullscope(argc, argv, hooks);
        setMessageBoxHandler({});

        QCOMPARE(result, 1);
        QVERIFY(windowBuilt);
        QCOMPARE(
            boxes,
            QStringList({QStringLiteral("OpenGL 3.2 is required.\nApplication will now close.")}));
    }
};

int main(int argc, char **argv)
{
    // Read by Mesa when the first context is made.
    qputenv("MESA_GL_VERSION_OVERRIDE", "3.1");
    TestStartupGl31 test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_startupgl31_gl.moc"
