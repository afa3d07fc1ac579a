// The checked save helper and the one containment rule for the mod folder.

#include "core/log.h"
#include "core/savefile.h"

#include "support/fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestSaveFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The log writes to ../data from the current folder.
        QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
        QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
        new Log();
    }
    void cleanupTestCase() { delete Log::instance(); }

    void targetInsideFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/m/mod"
                               << "vehicles/a/b.dds"
                               << "/m/mod/vehicles/a/b.dds";
        QTest::newRow("backslashes") << "/m/mod/"
                                     << "vehicles\\a\\b.dds"
                                     << "/m/mod/vehicles/a/b.dds";
        QTest::newRow("dot-dot inside") << "/m/mod"
                                        << "a/../b"
                                        << "/m/mod/b";
        QTest::newRow("climbs out") << "/m/mod"
                                    << "../../escape/x"
                                    << "";
        QTest::newRow("sibling with the prefix") << "/m/mod"
                                                 << "../mod2/x"
                                                 << "";
        QTest::newRow("the folder itself") << "/m/mod"
                                           << "a/.."
                                           << "";
        QTest::newRow("absolute") << "/m/mod"
                                  << "/etc/passwd"
                                  << "";
        QTest::newRow("no relative") << "/m/mod"
                                     << ""
                                     << "";
        QTest::newRow("no folder") << ""
                                   << "vehicles/a"
                                   << "";
    }
    void targetInsideFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, relative);
        QFETCH(QString, expected);
        QCOMPARE(::targetInsideFolder(folder, relative), expected);
        if (!relative.startsWith(QLatin1Char('/'))) {
            QCOMPARE(isInsideFolder(folder, folder + QStringLiteral("/") + relative),
                     !expected.isEmpty());
        }
    }

    void makeFolderRefusesOutsideAndMakesInside()
    {
        const QString mod = mRoot.path() + QStringLiteral("/mod");
        QString error;
        QVERIFY(!makeFolderInside(mod, mod + QStringLiteral("/../escape/x"), &error));
        QVERIFY(error.contains(QStringLiteral("outside the mod folder")));
        QVERIFY(!QFileInfo::exists(mRoot.path() + QStringLiteral("/escape")));
        QVERIFY(Log::instance()->text(Warning).contains(QStringLiteral("escape")));
        QVERIFY(makeFolderInside(mod, mod + QStringLiteral("/a/b")));
        QVERIFY(QFileInfo(mod + QStringLiteral("/a/b")).isDir());
        QVERIFY(makeFolderInside(mod, mod));
    }

    void saveReplacesTheFile()
    {
        const QString path = mRoot.path() + QStringLiteral("/ok.txt");
        QVERIFY(saveFileBytes(path, "first"));
        QVERIFY(saveFileBytes(path, "second"));
        QCOMPARE(readAll(path), QByteArray("second"));
    }

    // Below Qt's write buffer and above it: commit() alone answers true for both.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("fits the buffer") << 2000;
        QTest::newRow("longer than the buffer") << 40000;
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(int, size);
        const QString folder = mRoot.path() + QStringLiteral("/full");
        FullDisk disk(folder);
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QString path = folder + QStringLiteral("/a.visual");
        QVERIFY(saveFileBytes(path, "old copy"));
        disk.fill();

        QString error;
        QVERIFY(!saveFileBytes(path, QByteArray(size, 'x'), &error));
        QVERIFY2(error.contains(QStringLiteral("a.visual")), qPrintable(error));
        QCOMPARE(readAll(path), QByteArray("old copy"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(Log::instance()->text(Warning).contains(path));
    }

private:
    QTemporaryDir mRoot;
};

QTEST_GUILESS_MAIN(TestSaveFile)
#include "test_savefile.moc"
