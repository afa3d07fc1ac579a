#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Text that deflates well, with a few random bytes so no two members are alike.
QByteArray memberBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        bytes += "<armor>" + QByteArray::number(random.bounded(1000)) + "</armor>\n";
    }
    bytes.truncate(size);
    return bytes;
}

// Runs Info-ZIP zip in the folder, so the members are stored under the given names.
bool zip(const QString &package, const QString &folder, const QStringList &options,
         const QStringList &members)
{
    QDir().mkpath(QFileInfo(package).path());
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("zip"), QStringList {QStringLiteral("-q"), QStringLiteral("-X")}
                                             + options + QStringList {package} + members);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

QByteArray unzipMember(const QString &package, const QString &member)
{
    QProcess process;
    process.start(QStringLiteral("unzip"), {QStringLiteral("-p"), package, member});
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

// Overwrites a 32-bit field of the member's central-directory entry
// (20: compressed size, 24: uncompressed size).
bool patchCentralEntry(const QString &package, const QByteArray &member, int fieldOffset,
                       quint32 value)
{
    QByteArray bytes = readAll(package);
    for (int at = bytes.indexOf("PK\x01\x02"); at >= 0; at = bytes.indexOf("PK\x01\x02", at + 4)) {
        if (bytes.size() - at < 46) {
            return false;
        }
        const int nameLength = quint8(bytes[at + 28]) | quint8(bytes[at + 29]) << 8;
        if (bytes.mid(at + 46, nameLength) == member) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + fieldOffset + i] = char((value >> (8 * i)) & 0xff);
            }
            return writeFile(package, bytes);
        }
    }
    return false;
}

int openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

// Notices a reader blocked in open() of a named pipe: a writer's non-blocking open
// succeeds only while a reader waits. It then opens and closes the write end, so
// the reader sees an empty file and the test fails instead of hanging.
class FifoWatch
{
public:
    explicit FifoWatch(const QStringList &fifos)
        : mThread([this, fifos]() {
            while (!mStop) {
                for (const QString &fifo : fifos) {
                    const int fd =
                        ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        mReaderBlocked = true;
                        ::close(fd);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        })
    {
    }
    ~FifoWatch()
    {
        mStop = true;
        mThread.join();
    }
    bool readerBlocked() const { return mReaderBlocked; }

private:
    std::atomic<bool> mStop {false};
    std::atomic<bool> mReaderBlocked {false};
    std::thread mThread;
};

} // namespace

class TestFileManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> mRoot;
    QString mOldCurrent;
    QList<MessageBoxRequest> mBoxes;

    QString path(const QString &relative) const { return mRoot->filePath(relative); }
    QString game() const { return path(QStringLiteral("game")); }
    QString packages() const { return game() + QStringLiteral("/res/packages/"); }
    QString staging() const { return path(QStringLiteral("staging")); }

    // Writes the members below a fresh staging folder and zips them into the package.
    void makePackage(const QString &package, const QList<QPair<QString, QByteArray>> &members,
                     const QStringList &options = {})
    {
        QDir(staging()).removeRecursively();
        QStringList names;
        for (const auto &member : members) {
            QVERIFY(writeFile(staging() + QLatin1Char('/') + member.first, member.second));
            names.append(member.first);
        }
        QVERIFY(zip(package, staging(), options, names));
    }

    void writeResources(const QByteArray &xml)
    {
        QVERIFY(writeFile(path(QStringLiteral("data/resources.cfg")), xml));
    }

    // Settings naming the game and mod folders, then the two services in the
    // program's order, so the valid game path opens the packages at once.
    void startServices(const QString &gamePath, const QString &modPath)
    {
        QByteArray xml = "<Settings><Version>1</Version><Paths><BrastelPath>" + gamePath.toUtf8()
                         + "</BrastelPath><ModPath>" + modPath.toUtf8()
                         + "</ModPath></Paths></Settings>";
        QVERIFY(writeFile(path(QStringLiteral("data/settings.cfg")), xml));
        new FileManager();
        new Settings();
    }

    QStringList openPackageNames() const
    {
        QStringList names;
        for (QFile *file : FileManager::instance()->archiveFiles) {
            names.append(QFileInfo(file->fileName()).fileName());
        }
        return names;
    }

    static QByteArray contentOf(QBuffer *buffer)
    {
        std::unique_ptr<QBuffer> owned(buffer);
        if (!buffer) {
            return "<null>";
        }
        if (!buffer->isOpen() || (buffer->openMode() & QIODevice::ReadWrite) != QIODevice::ReadOnly
            || buffer->pos() != 0) {
            return "<not open for reading>";
        }
        return buffer->readAll();
    }

private slots:
    void init()
    {
        mRoot = std::make_unique<QTemporaryDir>();
        QVERIFY(mRoot->isValid());
        QVERIFY(QDir().mkpath(path(QStringLiteral("bin_x64"))));
        QVERIFY(QDir().mkpath(path(QStringLiteral("data"))));
        QVERIFY(writeFile(game() + QStringLiteral("/Brastel.exe"), "MZ"));
        QVERIFY(QDir().mkpath(packages()));
        QVERIFY(QDir().mkpath(path(QStringLiteral("mod"))));
        mOldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(path(QStringLiteral("bin_x64"))));
        mBoxes.clear();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        new Log();
    }

    void cleanup()
    {
        delete Settings::instance();
        delete FileManager::instance();
        delete Log::instance();
        setMessageBoxHandler({});
        resetFatalErrorState();
        QDir::setCurrent(mOldCurrent);
        mRoot.reset();
    }

    void firstHitWins_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("mod before everything") << "all.txt" << QByteArray("mod");
        QTest::newRow("loose res before packages") << "nomod.txt" << QByteArray("res");
        QTest::newRow("first listed package") << "packed.txt" << QByteArray("first");
        QTest::newRow("later package") << "second.txt" << QByteArray("second");
        QTest::newRow("hangar package last") << "hangar.txt" << QByteArray("hangar");
        QTest::newRow("nested member") << "a/b/c/deep.txt" << QByteArray("deep");
        QTest::newRow("backslashes and capitals")
            << "Vehicles\\German\\Tank.XML" << QByteArray("tank");
        QTest::newRow("upper-case member") << "textures/camo.dds" << QByteArray("camo");
        QTest::newRow("loose name in any case")
            << "Vehicles\\German\\LOOSE.xml" << QByteArray("loose");
        QTest::newRow("mod name in any case") << "SCRIPTS/Mod_Only.TXT" << QByteArray("modonly");
        QTest::newRow("nowhere") << "missing.txt" << QByteArray("<null>");
    }

    void firstHitWins()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);

        QVERIFY(writeFile(path("mod/all.txt"), "mod"));
        QVERIFY(writeFile(path("mod/scripts/mod_only.txt"), "modonly"));
        QVERIFY(writeFile(game() + "/res/all.txt", "res"));
        QVERIFY(writeFile(game() + "/res/nomod.txt", "res"));
        QVERIFY(writeFile(game() + "/res/vehicles/german/loose.xml", "loose"));
        makePackage(packages() + "first.pkg", {{"all.txt", "first"},
                                               {"nomod.txt", "first"},
                                               {"packed.txt", "first"},
                                               {"a/b/c/deep.txt", "deep"},
                                               {"vehicles/german/tank.xml", "tank"}});
        makePackage(
            packages() + "second.pkg",
            {{"packed.txt", "second"}, {"second.txt", "second"}, {"TEXTURES/CAMO.DDS", "camo"}});
        makePackage(packages() + "hangar.pkg",
                    {{"packed.txt", "hangar"}, {"second.txt", "hangar"}, {"hangar.txt", "hangar"}});
        writeResources("<Resources><Paths><Zip>first.pkg</Zip><Zip>second.pkg</Zip></Paths>"
                       "</Resources>");
        startServices(game(), path("mod"));
        QCOMPARE(openPackageNames(), (QStringList {"first.pkg", "second.pkg"}));
        QVERIFY(FileManager::instance()->addArchive(packages() + "hangar.pkg", true));

        QCOMPARE(contentOf(FileManager::instance()->openFile(name)), expected);
        const QString warnings = Log::instance()->text(Warning);
        if (expected == "<null>") {
            QCOMPARE(warnings, "[ Warning ] Could not open file: " + name + "\r\n");
        } else {
            QCOMPARE(warnings, QString());
        }
    }

    void bytesEqualUnzip_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("size");
        QTest::newRow("stored") << QStringList {"-0"} << 70000;
        QTest::newRow("deflated") << QStringList {"-9"} << 300000;
        QTest::newRow("empty stored") << QStringList {"-0"} << 0;
        QTest::newRow("empty deflated") << QStringList {"-9"} << 0;
        QTest::newRow("one byte") << QStringList {} << 1;
    }

    void bytesEqualUnzip()
    {
        QFETCH(QStringList, options);
        QFETCH(int, size);
        const QString package = packages() + "bytes.pkg";
        const QString member = QStringLiteral("vehicles/velmora/V01/normal/lod0/Hull.primitives");
        makePackage(package, {{member, memberBytes(size, quint32(size))}}, options);
        writeResources("<Resources><Zip>bytes.pkg</Zip></Resources>");
        startServices(game(), QString());

        const QByteArray expected = unzipMember(package, member);
        QCOMPARE(expected.size(), size);
        QVERIFY(FileManager::instance()->fileExistsInZips(member.toUpper()));
        QCOMPARE(contentOf(FileManager::instance()->readFromZips(member)), expected);
        // A second read of the same member gives the same bytes.
        QCOMPARE(contentOf(FileManager::instance()->openFile(member)), expected);
        QVERIFY(mBoxes.isEmpty());
    }

    void gamePathChangeReopensThePackages()
    {
        const QString other = path("other");
        QVERIFY(writeFile(other + "/Brastel.exe", "MZ"));
        makePackage(packages() + "shared.pkg", {{"old.txt", "old"}});
        makePackage(other + "/res/packages/shared.pkg", {{"new.txt", "new"}});
        makePackage(packages() + "hangar.pkg", {{"hangar.txt", "hangar"}});
        QVERIFY(writeFile(game() + "/res/loose_old.txt", "old"));
        writeResources("<Resources><Zip>shared.pkg</Zip></Resources>");
        startServices(game(), QString());
        FileManager *files = FileManager::instance();
        QVERIFY(files->addArchive(packages() + "hangar.pkg", true));
        QVERIFY(files->fileExistsInZips("old.txt"));
        QCOMPARE(contentOf(files->openFile("loose_old.txt")), QByteArray("old"));

        Settings::instance()->setBrastelPath(other);
        QCOMPARE(files->archives.size(), 2); // nothing happens before the save
        Settings::instance()->saveSettings();

        QCOMPARE(files->archives.size(), 1);
        QCOMPARE(files->archiveFiles.size(), 1);
        QVERIFY(!files->fileExistsInZips("old.txt"));
        QVERIFY(!files->fileExistsInZips("hangar.txt"));
        QCOMPARE(contentOf(files->openFile("new.txt")), QByteArray("new"));
        QCOMPARE(contentOf(files->openFile("loose_old.txt")), QByteArray("<null>"));

        files->closeAll();
        QVERIFY(files->archives.isEmpty());
        QVERIFY(files->archiveFiles.isEmpty());
        QVERIFY(!files->fileExistsInZips("new.txt"));
    }

    void resourceListIsReadInDocumentOrder()
    {
        for (const char *name : {"a.pkg", "b.pkg", "c.pkg", "d.pkg"}) {
            makePackage(packages() + name, {{"x.txt", name}});
        }
        QVERIFY(writeFile(packages() + "notazip.pkg", "this is not a zip file at all"));
        // Any depth, any shape; a missing and a broken package are skipped.
        writeResources("<R><Zip>c.pkg</Zip><G><H><Zip>a.pkg</Zip></H><Zip>missing.pkg</Zip>"
                       "</G><Zip>notazip.pkg</Zip><Zip>D.PKG</Zip><Other>b.pkg</Other></R>");
        startServices(game(), QString());

        QCOMPARE(openPackageNames(), (QStringList {"c.pkg", "a.pkg", "d.pkg"}));
        QCOMPARE(contentOf(FileManager::instance()->readFromZips("x.txt")), QByteArray("c.pkg"));
        const QString native = QDir::toNativeSeparators(packages());
        QCOMPARE(Log::instance()->text(Warning), "[ Warning ] Failed to add archive: " + native
                                                     + "missing.pkg\r\n"
                                                       "[ Warning ] Failed to add archive: "
                                                     + native + "notazip.pkg\r\n");
        QVERIFY(Log::instance()->text(Info).contains(
            "[ Info ] Loading zip archives.\r\n[ Info ] Adding file archive: " + native
            + "c.pkg\r\n"));
    }

    void resourceListFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << QByteArray() << "Could not open resource file.";
        QTest::newRow("malformed")
            << QByteArray("<R><Zip>a.pkg</R>") << "Could not set XML content.";
    }

    void resourceListFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        makePackage(packages() + "a.pkg", {{"x.txt", "x"}});
        if (!content.isEmpty()) {
            writeResources(content);
        }
        startServices(game(), QString());
        QCOMPARE(Log::instance()->text(Error), "[ Error ] " + error + "\r\n");
        QVERIFY(FileManager::instance()->archives.isEmpty());
        QVERIFY(!fatalErrorPending);
    }

    void addArchiveFailures()
    {
        writeResources("<R/>");
        startServices(game(), QString());
        FileManager *files = FileManager::instance();
        const QString logBefore = Log::instance()->allText;
        QVERIFY(!files->addArchive(path("nothing.pkg"), true));
        QCOMPARE(Log::instance()->allText, logBefore);

        // A failed open leaves no descriptor behind and closes none twice.
        QVERIFY(writeFile(path("junk.pkg"), QByteArray(4096, 'J')));
        const int descriptors = openDescriptorCount();
        QVERIFY(!files->addArchive(path("junk.pkg"), true));
        QCOMPARE(Log::instance()->text(Warning),
                 "[ Warning ] Failed to add archive: " + path("junk.pkg") + "\r\n");
        QCOMPARE(openDescriptorCount(), descriptors);

        makePackage(path("good.pkg"), {{"g.txt", "g"}});
        QVERIFY(files->addArchive(path("good.pkg"), true));
        QCOMPARE(openDescriptorCount(), descriptors + 2); // the QFile's and zziplib's own
        files->closeAll();
        QCOMPARE(openDescriptorCount(), descriptors);
    }

    void openPackagesAreRecognisedByAnyName()
    {
        writeResources("<R/>");
        startServices(game(), QString());
        FileManager *files = FileManager::instance();
        makePackage(packages() + "Hangar.pkg", {{"h.txt", "h"}});
        makePackage(packages() + "other.pkg", {{"o.txt", "o"}});
        QVERIFY(!files->isArchiveOpen(packages() + "Hangar.pkg"));
        QVERIFY(files->addArchive(packages() + "Hangar.pkg", true));

        QVERIFY(files->isArchiveOpen(packages() + "Hangar.pkg"));
        QVERIFY(files->isArchiveOpen(packages() + "hANGAR.PKG"));
        QVERIFY(files->isArchiveOpen(game() + "/res/../res/packages/hangar.pkg"));
        QVERIFY(!files->isArchiveOpen(packages() + "other.pkg"));
        QVERIFY(!files->isArchiveOpen(packages() + "missing.pkg"));
        QVERIFY(!files->isArchiveOpen(QString()));
        files->closeAll();
        QVERIFY(!files->isArchiveOpen(packages() + "Hangar.pkg"));
    }

    void corruptPackagesDoNotCrash()
    {
        const QByteArray big = memberBytes(50000, 7);
        makePackage(packages() + "broken.pkg",
                    {{"longer.txt", big}, {"negative.txt", big}, {"fine.txt", "fine"}}, {"-9"});
        QVERIFY(patchCentralEntry(packages() + "broken.pkg", "longer.txt", 24, big.size() + 100));
        QVERIFY(patchCentralEntry(packages() + "broken.pkg", "negative.txt", 24, 0xfffffff0u));
        makePackage(packages() + "bzip.pkg", {{"shared.txt", memberBytes(5000, 1)}},
                    {"-Z", "bzip2"});
        makePackage(packages() + "plain.pkg", {{"shared.txt", "from plain"}});
        // A package cut short: its central directory is gone.
        makePackage(packages() + "cut.pkg", {{"cut.txt", big}});
        QByteArray cut = readAll(packages() + "cut.pkg");
        QVERIFY(writeFile(packages() + "cut.pkg", cut.left(cut.size() / 2)));
        writeResources("<R><Zip>broken.pkg</Zip><Zip>bzip.pkg</Zip><Zip>plain.pkg</Zip>"
                       "<Zip>cut.pkg</Zip></R>");
        startServices(game(), QString());
        FileManager *files = FileManager::instance();
        QCOMPARE(openPackageNames(), (QStringList {"broken.pkg", "bzip.pkg", "plain.pkg"}));

        // A size larger than the data: the bytes that were there, and the fatal box.
        QCOMPARE(contentOf(files->readFromZips("longer.txt")), big);
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).text, QStringLiteral("Size mismatch\nApplication will now close."));

        // A size that cannot be one: nothing, with a Warning, and no allocation.
        QCOMPARE(contentOf(files->readFromZips("negative.txt")), QByteArray("<null>"));
        QVERIFY(Log::instance()->text(Warning).contains("negative.txt"));
        QCOMPARE(mBoxes.size(), 1);

        // An unsupported method is not found in that package; the next one serves it.
        QCOMPARE(contentOf(files->openFile("shared.txt")), QByteArray("from plain"));
        QCOMPARE(contentOf(files->readFromZips("fine.txt")), QByteArray("fine"));
        files->closeAll();
        QVERIFY(files->addArchive(packages() + "bzip.pkg", true));
        QVERIFY(!files->fileExistsInZips("shared.txt"));
        QCOMPARE(contentOf(files->readFromZips("shared.txt")), QByteArray("<null>"));
    }

    void namedPipesAreSkipped()
    {
        // A pipe in place of a listed package and of a loose file; the package
        // after it and the packaged copy of the file still serve.
        QVERIFY(::mkfifo(QFile::encodeName(packages() + "pipe.pkg").constData(), 0600) == 0);
        QVERIFY(QDir().mkpath(game() + "/res/scripts"));
        const QString loose = game() + "/res/scripts/list.xml";
        QVERIFY(::mkfifo(QFile::encodeName(loose).constData(), 0600) == 0);
        makePackage(packages() + "good.pkg", {{"scripts/list.xml", "packed"}});
        writeResources("<R><Zip>pipe.pkg</Zip><Zip>good.pkg</Zip></R>");

        FifoWatch watch({packages() + "pipe.pkg", loose});
        startServices(game(), QString());
        FileManager *files = FileManager::instance();
        QCOMPARE(openPackageNames(), QStringList {"good.pkg"});
        QCOMPARE(contentOf(files->openFile("Scripts\\List.xml")), QByteArray("packed"));
        QCOMPARE(contentOf(files->openPlainFile(loose)), QByteArray("<null>"));
        QVERIFY(!files->addArchive(packages() + "pipe.pkg", true));
        QVERIFY(!watch.readerBlocked());

        const QString native = QDir::toNativeSeparators(packages());
        const QString skipped = "[ Warning ] Not a regular file, skipped: " + loose + "\r\n";
        QCOMPARE(Log::instance()->text(Warning),
                 "[ Warning ] Failed to add archive: " + native
                     + "pipe.pkg (not a regular file)\r\n" + skipped + skipped
                     + "[ Warning ] Failed to add archive: " + packages()
                     + "pipe.pkg (not a regular file)\r\n");
    }

    void emptyOrInvalidRootsAreNotProbed()
    {
        // With the mod step joined to an empty path, this name would be /etc/hostname.
        QVERIFY(QFileInfo::exists("/etc/hostname"));
        writeResources("<R/>");
        const QString invalid = path("invalid");
        QVERIFY(writeFile(invalid + "/res/inside.txt", "inside"));
        startServices(invalid, QString());
        QVERIFY(!Settings::instance()->brastelPathValid);
        QCOMPARE(contentOf(FileManager::instance()->openFile("etc/hostname")),
                 QByteArray("<null>"));
        QCOMPARE(contentOf(FileManager::instance()->openFile("inside.txt")), QByteArray("<null>"));
        // The name as given still counts, relative to the program's folder.
        QVERIFY(writeFile(path("bin_x64/here.txt"), "here"));
        QCOMPARE(contentOf(FileManager::instance()->openFile("here.txt")), QByteArray("here"));
    }

    void plainFilesAndFolders()
    {
        FileManager files;
        QVERIFY(writeFile(path("Some/Folder/File.TXT"), "plain"));
        QCOMPARE(contentOf(files.openPlainFile(path("some\\folder\\file.txt"))),
                 QByteArray("plain"));
        QCOMPARE(contentOf(files.openPlainFile(path("Some/Folder"))), QByteArray("<null>"));
        QCOMPARE(contentOf(files.openPlainFile(QString())), QByteArray("<null>"));
        QCOMPARE(files.absoluteDirOf(path("Some/Folder/new.visual")), path("Some/Folder"));
        QCOMPARE(files.absoluteDirOf("x/y.txt"), path("bin_x64/x"));
        // No settings: only the name as given and the packages are searched.
        QCOMPARE(contentOf(files.openFile(path("Some/Folder/File.TXT"))), QByteArray("plain"));
    }
};

QTEST_MAIN(TestFileManager)
#include "test_filemanager.moc"
