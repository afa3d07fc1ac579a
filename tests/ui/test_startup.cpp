#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "ui/mainapplication.h"
#include "ui/startup.h"

#include <QFile>
#include <QtTest>

// Runs the real start-up in-process, with the boxes recorded instead of shown.
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
