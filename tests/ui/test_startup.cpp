#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "render/offscreengl.h"
#include "render/renderwidget.h"
#include "tank/tankloader.h"
#include "ui/mainapplication.h"
#include "ui/mainwindow.h"
#include "ui/startup.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QtTest>

// Runs the real start-up in-process, main window included, with the boxes recorded
// instead of shown.
class TestStartup : public QObject
{
    Q_OBJECT

private:
    int run(const StartupHooks &hooks)
    {
        resetFatalErrorState();
        mBoxes.clear();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        int argc = 1;
        char name[] = "test_ui_startup";
        char *argv[] = {name, nullptr};
        const int result = runHullscope(argc, argv, hooks);
        setMessageBoxHandler({});
        return result;
    }

    // Whether a GL 3.2 context can be made; without one the window could not start.
    static OffscreenGl probeGl()
    {
        std::unique_ptr<QOpenGLContext> context;
        std::unique_ptr<QOffscreenSurface> surface;
        QOpenGLFunctions_3_2_Core *functions = nullptr;
        return createOffscreenGl(context, surface, functions);
    }

    static bool german() { return qEnvironmentVariable("LANG").startsWith(QLatin1String("de")); }

    QList<MessageBoxRequest> mBoxes;

private slots:
    void queuedErrorsMakeOneBox()
    {
        bool loopRan = false;
        StartupHooks hooks;
        hooks.afterInit = [](MainApplication &) {
            queueFatalError(QStringLiteral("First."));
            queueFatalError(QStringLiteral("Second."));
        };
        hooks.runEventLoop = [&](MainApplication &) {
            loopRan = true;
            return 0;
        };
        QCOMPARE(run(hooks), 1);
        QVERIFY(!loopRan);
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).icon, QMessageBox::Critical);
        QCOMPARE(mBoxes.at(0).title,
                 german() ? QStringLiteral("Schwerer Fehler") : QStringLiteral("Fatal Error"));
        QCOMPARE(mBoxes.at(0).text, QStringLiteral("First.Second."));
        QCOMPARE(mBoxes.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!fatalErrorPending);
    }

    void fatalErrorBeforeTheLoopEndsStartup()
    {
        bool loopRan = false;
        bool carriedOn = false;
        StartupHooks hooks;
        hooks.afterInit = [&](MainApplication &) {
            fatalError(QStringLiteral("No way on."));
            carriedOn = true; // the caller goes on after the box
        };
        hooks.runEventLoop = [&](MainApplication &) {
            loopRan = true;
            return 0;
        };
        QCOMPARE(run(hooks), 1);
        QVERIFY(carriedOn);
        QVERIFY(!loopRan);
        QCOMPARE(mBoxes.size(), 1);
        QVERIFY(mBoxes.at(0).text.startsWith(QStringLiteral("No way on.\n")));
    }

    void loopResultAndShutdownOrder()
    {
        QString logPath;
        StartupHooks hooks;
        hooks.afterInit = [&](MainApplication &app) {
            QVERIFY(app.initialised);
            QVERIFY(Log::instance());
            logPath = Log::instance()->filePath;
        };
        hooks.runEventLoop = [](MainApplication &) {
            // Queued texts are dropped once the loop runs.
            queueFatalError(QStringLiteral("late"));
            return eventLoopRunning && !fatalErrorPending ? 7 : -1;
        };
        QCOMPARE(run(hooks), 7);
        QVERIFY(mBoxes.isEmpty());
        QCOMPARE(Log::instance(), nullptr);

        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY(text.contains(QStringLiteral("[ Info ] Hullscope Version: 1.0.17 x64\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("[ Info ] Log shutting down.\r\n")));
        // The program folder is the current folder, so the log lies in ../data.
        QVERIFY(logPath.endsWith(QStringLiteral("/data/Hullscope.log")));
    }

    void windowStartsOnTheSampleGame()
    {
        OffscreenGl gl = OffscreenGl::Failed;
        int tanks = -1;
        bool loaderMade = false;
        bool registered = false;
        StartupHooks hooks;
        hooks.afterInit = [&gl](MainApplication &) { gl = probeGl(); };
        hooks.afterWindow = [&](MainApplication &, MainWindow &window) {
            registered = MainWindow::instance() == &window && window.ui.mRenderWidget->initialised;
            tanks = window.ui.mTankListView->model()->rowCount();
            loaderMade = TankLoader::instance() != nullptr;
        };
        hooks.runEventLoop = [](MainApplication &) { return 0; };
        const int result = run(hooks);
        if (gl == OffscreenGl::NoContext) {
            QSKIP("no OpenGL 3.2 core context");
        }
        QCOMPARE(result, 0);
        QVERIFY(mBoxes.isEmpty());
        QVERIFY(registered);
        QCOMPARE(tanks, 12);
        QVERIFY(loaderMade);
        QCOMPARE(MainWindow::instance(), nullptr);
        QCOMPARE(TankLoader::instance(), nullptr);
    }

    // The window's own start-up queues the error; the box comes once it is gone.
    void missingTankListEndsStartupAfterTheWindow()
    {
        bool windowBuilt = false;
        bool loopRan = false;
        QList<MainWindow *> windowAtBox;
        QString list;
        StartupHooks hooks;
        hooks.afterInit = [&list](MainApplication &) {
            list =
                QCoreApplication::applicationDirPath() + QStringLiteral("/../data/tank_list.cfg");
            QFile::rename(list, list + QStringLiteral(".away"));
        };
        hooks.afterWindow = [&](MainApplication &, MainWindow &) { windowBuilt = true; };
        hooks.runEventLoop = [&](MainApplication &) {
            loopRan = true;
            return 0;
        };
        resetFatalErrorState();
        setMessageBoxHandler([&](const MessageBoxRequest &request) {
            mBoxes.append(request);
            windowAtBox.append(MainWindow::instance());
            return int(QMessageBox::Ok);
        });
        int argc = 1;
        char name[] = "test_ui_startup";
        char *argv[] = {name, nullptr};
        const int result = runHullscope(argc, argv, hooks);
        setMessageBoxHandler({});
        QVERIFY(QFile::rename(list + QStringLiteral(".away"), list));

        QCOMPARE(result, 1);
        QVERIFY(windowBuilt);
        QVERIFY(!loopRan);
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).text, QStringLiteral("Could not open tank list file."));
        QCOMPARE(windowAtBox, QList<MainWindow *>({nullptr}));
    }

    void translatorFollowsTheLocale()
    {
        QString translated;
        StartupHooks hooks;
        hooks.afterInit = [&](MainApplication &) { translated = QObject::tr("Fatal Error"); };
        hooks.runEventLoop = [](MainApplication &) { return 0; };
        QCOMPARE(run(hooks), 0);
        QCOMPARE(translated,
                 german() ? QStringLiteral("Schwerer Fehler") : QStringLiteral("Fatal Error"));
    }
};

QTEST_APPLESS_MAIN(TestStartup)
#include "test_startup.moc"
