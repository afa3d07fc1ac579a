#include "core/fatalerror.h"
#include "core/log.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QTime fixedTime()
{
    return QTime(9, 5, 7);
}
} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        resetFatalErrorState();
        QVERIFY(mRoot.isValid());
        QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
        QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    }
    void cleanup() { Log::setClockForTesting(nullptr); }

    void headerAndLineFormat()
    {
        Log::setClockForTesting(&fixedTime);
        {
            Log log;
            QCOMPARE(Log::instance(), &log);
            log.write(QStringLiteral("Building database."), Info);

            // The file is complete after every line, while the log is alive.
            QFile file(mRoot.path() + QStringLiteral("/data/Hullscope.log"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QStringList lines =
                QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
            QCOMPARE(lines.size(), 7); // five header lines, ours, and the empty tail
            QVERIFY(lines.at(0).startsWith(QStringLiteral("9:5:7[ Info ] OS Version: ")));
            QCOMPARE(lines.at(1), QStringLiteral("9:5:7[ Info ] Hullscope Version: 1.0.17 x64"));
            QVERIFY(lines.at(2).startsWith(QStringLiteral("9:5:7[ Info ] Cpu Count: ")));
            QVERIFY(lines.at(3).startsWith(QStringLiteral("9:5:7[ Info ] QT Version: 6.")));
            QVERIFY(lines.at(4).startsWith(QStringLiteral("9:5:7[ Info ] Local Language: ")));
            QCOMPARE(lines.at(5), QStringLiteral("9:5:7[ Info ] Building database."));
        }
        QCOMPARE(Log::instance(), nullptr);
        QVERIFY(!fatalErrorPending);
    }

    void levelsKeepArrivalOrder()
    {
        Log log;
        QSignalSpy changed(&log, &Log::logChanged);
        log.write(QStringLiteral("first"), Warning);
        log.write(QStringLiteral("info"), Info);
        log.write(QStringLiteral("second"), Warning);
        log.write(QStringLiteral("bad"), Error);
        QCOMPARE(changed.count(), 4);
        QCOMPARE(log.text(Warning), QStringLiteral("[ Warning ] first\r\n[ Warning ] second\r\n"));
        QCOMPARE(log.text(Error), QStringLiteral("[ Error ] bad\r\n"));
        QVERIFY(log.allText.endsWith(QStringLiteral(
            "[ Warning ] first\r\n[ Info ] info\r\n[ Warning ] second\r\n[ Error ] bad\r\n")));
    }

    void secondStartReplacesTheFile()
    {
        {
            Log log;
            log.write(QStringLiteral("old run"), Info);
        }
        {
            Log log;
        }
        QFile file(mRoot.path() + QStringLiteral("/data/Hullscope.log"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(!text.contains(QStringLiteral("old run")));
        QCOMPARE(text.count(QStringLiteral("Hullscope Version")), 1);
        QVERIFY(text.endsWith(QStringLiteral("[ Info ] Log shutting down.\r\n")));
    }

    void unopenableFileIsQueuedAndMemoryStillWorks()
    {
        // Root can write anywhere, so make the log path a folder instead.
        QFile::remove(mRoot.path() + QStringLiteral("/data/Hullscope.log"));
        QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("data/Hullscope.log")));
        Log log;
        QVERIFY(fatalErrorPending);
        // The data folder exists, so only the open failure is reported.
        QCOMPARE(pendingFatalError,
                 QStringLiteral("Could not open log file,this is most likely a permissions "
                                "issue.\nPlease check that you have sufficient write access to: ")
                     + mRoot.path() + QStringLiteral("/data"));
        QSignalSpy changed(&log, &Log::logChanged);
        log.write(QStringLiteral("kept"), Info);
        QCOMPARE(changed.count(), 1);
        QVERIFY(log.allText.endsWith(QStringLiteral("[ Info ] kept\r\n")));
        QVERIFY(QDir(mRoot.path()).rmpath(QStringLiteral("data/Hullscope.log")));
    }

    void missingFolderThatCannotBeMadeIsQueuedTwice()
    {
        // A regular file where the program folder's parent should hold "data".
        QTemporaryDir other;
        QFile blocker(other.path() + QStringLiteral("/data"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(QDir(other.path()).mkpath(QStringLiteral("bin_x64")));
        QVERIFY(QDir::setCurrent(other.path() + QStringLiteral("/bin_x64")));
        Log log;
        QVERIFY(pendingFatalError.startsWith(QStringLiteral("Could not create user directory,")));
        QVERIFY(pendingFatalError.contains(QStringLiteral("Could not open log file,")));
    }

private:
    QTemporaryDir mRoot;
};

QTEST_GUILESS_MAIN(TestLog)
#include "test_log.moc"
