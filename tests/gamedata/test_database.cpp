#include "gamedata/database.h"
#include "gamedata/moreadercached.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "support/servicestack.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <tuple>

namespace {

const QString SAMPLE = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(bytes);
}

// One vehicle entry of a plain nation list.
QByteArray vehicle(const QByteArray &model, const QByteArray &level, const QByteArray &tags,
                   const QByteArray &name)
{
    return "<" + model + "><level>" + level + "</level><tags>" + tags + "</tags><userString>" + name
           + "</userString><description>" + name + " text</description></" + model + ">";
}

struct CamoRecorder : DatabaseCamoHooks
{
    int clears = 0;
    QStringList loads;
    void clearCamouflages() override { ++clears; }
    void loadCamoXml(const QString &camoPath, const QString &nation) override
    {
        loads << QDir::fromNativeSeparators(camoPath) + QLatin1Char('|') + nation;
    }
};

struct WindowRecorder : DatabaseWindowHooks
{
    QStringList statuses;
    int reloads = 0;
    void showStatus(const QString &text, int timeoutMs) override
    {
        statuses << text + QLatin1Char('|') + QString::number(timeoutMs);
    }
    QWidget *dialogParent() override { return nullptr; }
    void reloadSceneAfterRebuild() override { ++reloads; }
};

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log, MoReaderCached, FileManager, Settings>> mServices;

private:
    QTemporaryDir mTemp;
    QString mOldCwd;
    QList<MessageBoxRequest> mBoxes;

    QString dataDir() const { return mTemp.filePath(QStringLiteral("data")); }
    QString handGame() const { return mTemp.filePath(QStringLiteral("hand/Brastel")); }

    void useGame(const QString &gamePath, const QByteArray &tankList)
    {
        Settings::instance()->brastelPath = gamePath;
        FileManager::instance()->loadZipFiles();
        writeFile(dataDir() + QStringLiteral("/tank_list.cfg"), tankList);
    }

    void useSampleGame()
    {
        QFile list(SAMPLE + QStringLiteral("/data/tank_list.cfg"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        useGame(SAMPLE + QStringLiteral("/Brastel"), list.readAll());
    }

    // A hand-made game: loose plain lists, the sample's catalogues for the
    // nation and "all" texts, plain texts (no catalogue) for names and classes.
    void useHandGame(const QByteArray &tankList) { useGame(handGame(), tankList); }

    static QStringList rows(QSqlQuery *query, int column)
    {
        std::unique_ptr<QSqlQuery> owned(query);
        QStringList values;
        while (owned->next()) {
            values << owned->value(column).toString();
        }
        return values;
    }

    static QString logText(int level) { return Log::instance()->text(level); }

private slots:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        QVERIFY(QFileInfo(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")).exists());
        QDir().mkpath(mTemp.filePath(QStringLiteral("bin")));
        QDir().mkpath(dataDir());
        mOldCwd = QDir::currentPath();
        // The program's relative paths ("../data/") resolve against its folder.
        QVERIFY(QDir::setCurrent(mTemp.filePath(QStringLiteral("bin"))));
        QFile::copy(SAMPLE + QStringLiteral("/data/resources.cfg"),
                    dataDir() + QStringLiteral("/resources.cfg"));
        writeFile(dataDir() + QStringLiteral("/settings.cfg"),
                  "<Settings><Version>1</Version><Paths><BrastelPath>none</BrastelPath>"
                  "<ModPath>"
                      + mTemp.filePath(QStringLiteral("mod")).toUtf8()
                      + "</ModPath></Paths></Settings>");
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });

        mServices = std::make_unique<ServiceStack<Log, MoReaderCached, FileManager, Settings>>();
        new Database();

        const QString hand = handGame();
        writeFile(hand + QStringLiteral("/Brastel.exe"), "");
        QVERIFY(QDir().mkpath(hand + QStringLiteral("/res/text/LC_MESSAGES")));
        QFile::copy(SAMPLE + QStringLiteral("/Brastel/res/text/LC_MESSAGES/menu.mo"),
                    hand + QStringLiteral("/res/text/LC_MESSAGES/menu.mo"));
        writeFile(hand + QStringLiteral("/res/scripts/item_defs/item_types.xml"),
                  "<?xml version=\"1.0\"?><item_types.xml><vehicle><tags>"
                  "<lightTank><userString>Light</userString></lightTank>"
                  "<heavyTank><userString>Heavy</userString></heavyTank>"
                  "</tags></vehicle></item_types.xml>");
        writeFile(hand + QStringLiteral("/res/lists/alpha/list.xml"),
                  "<list.xml><!-- a comment --><?pi data?>"
                      + vehicle("Observer", "1", "lightTank", "Observer")
                      + vehicle("A00_training_alpha", "1", "lightTank", "Drill")
                      + vehicle("A01_Training", "1", "lightTank", "Training Day")
                      + vehicle("A02_Quote", "10", "heavyTank", "O'Brien")
                      + vehicle("A03_Under", "2", "lightTank", "AxB")
                      + vehicle("A04_Odd", "x", "lightTank", "Oddity")
                      // A class without an item-type entry and no description.
                      + "<A05_Bare><level>2</level><tags>mediumTank</tags>"
                        "<userString>Bare</userString></A05_Bare>"
                      // No class at all: no class of the item-type table either.
                      + vehicle("A06_NoTags", "2", "", "Untagged") + "</list.xml>");
        // Another folder of the same name: the same translated nation.
        // B02_Copy shares its translated name with A03_Under, which is read first.
        writeFile(hand + QStringLiteral("/res/other/alpha/list.xml"),
                  "<list.xml>" + vehicle("B01_Twin", "3", "heavyTank", "Twin")
                      + vehicle("B02_Copy", "4", "lightTank", "AxB") + "</list.xml>");
        writeFile(hand + QStringLiteral("/res/lists/empty/list.xml"), "<list.xml> </list.xml>");
        // Definitions below the lower-cased list folder.
        writeFile(hand + QStringLiteral("/res/lists/alpha/a02_quote.xml"),
                  "<a02_quote.xml><hull><models><undamaged>"
                  "vehicles/n/Folder/normal/lod0/Hull.model</undamaged></models></hull>"
                  "</a02_quote.xml>");
        writeFile(hand + QStringLiteral("/res/lists/alpha/a03_under.xml"),
                  "<a03_under.xml><hull><models><undamaged>vehicles/n</undamaged></models></hull>"
                  "</a03_under.xml>");
    }

    void cleanupTestCase()
    {
        delete Database::instance();
        mServices.reset();
        setMessageBoxHandler({});
        QDir::setCurrent(mOldCwd);
    }

    void init()
    {
        mBoxes.clear();
        resetFatalErrorState();
        Database::instance()->setCamoHooks(nullptr);
        Database::instance()->setWindowHooks(nullptr);
    }

    void sampleGameTable()
    {
        useSampleGame();
        Database *db = Database::instance();
        QSignalSpy rebuilt(db, &Database::databaseRebuilt);
        db->rebuildDatabase();

        QCOMPARE(rebuilt.count(), 1);
        QCOMPARE(db->nations, QStringList({"All", "Velmora", "Kastrel", "Oriande"}));
        QCOMPARE(db->categories.value(0), QStringLiteral("All"));
        QCOMPARE(db->categories.size(), 6);
        QCOMPARE(db->tiers,
                 QStringList({"All", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));

        const QStringList names = rows(db->filterQueryAll("All", "All", "All"), 4);
        QCOMPARE(names.size(), 12);
        QVERIFY(!names.contains(QStringLiteral("Observer")));
        // Ordered by nation folder, then tier.
        const QStringList folders = rows(db->filterQuery("All", "All", "All", "%%"), 1);
        QCOMPARE(folders.size(), 12);
        QStringList sorted = folders;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(folders, sorted);
        QCOMPARE(rows(db->filterQuery("Kastrel", "All", "All", "%%"), 8),
                 QStringList({"2", "5", "8", "9"}));
        QCOMPARE(db->nextId, 13);
        QVERIFY(mBoxes.isEmpty());

        // Nation folder, then tier, then insertion order.
        const QStringList tiers = rows(db->filterQueryAll("All", "All", "All"), 8);
        const QStringList ids = rows(db->filterQueryAll("All", "All", "All"), 0);
        for (int i = 1; i < folders.size(); ++i) {
            const auto key = [&](int row) {
                return std::make_tuple(folders.at(row), tiers.at(row).toInt(), ids.at(row).toInt());
            };
            QVERIFY2(key(i - 1) < key(i), qPrintable(QString::number(i)));
        }
    }

    void cataloguesFollowTheGamePath()
    {
        useSampleGame();
        Database *db = Database::instance();
        MoReaderCached::instance()->setGamePath(handGame());
        QCOMPARE(db->translateNation("velmora"), QStringLiteral("Velmora"));
        QTemporaryDir empty;
        Settings::instance()->brastelPath = empty.path();
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^Failed to open file: ")));
        QCOMPARE(db->translateNation("velmora"), QString());
        MoReaderCached::instance()->setGamePath(QString());
        useSampleGame();
        QCOMPARE(db->translateNation("velmora"), QStringLiteral("Velmora"));
    }

    void gamePathSignalRebuilds()
    {
        useSampleGame();
        Database *db = Database::instance();
        QSignalSpy rebuilt(db, &Database::databaseRebuilt);
        emit Settings::instance()->brastelPathChanged();
        QCOMPARE(rebuilt.count(), 1);
        QCOMPARE(rows(db->filterQueryAll("All", "All", "All"), 4).size(), 12);
        const QString info = logText(Info);
        QVERIFY(info.contains(QStringLiteral("Building database.")));
        QVERIFY(info.contains(
            QRegularExpression(QStringLiteral("Database rebuilt in: [0-9.]+ seconds"))));
    }

    void sampleGameLookups()
    {
        useSampleGame();
        Database *db = Database::instance();
        db->rebuildDatabase();
        QCOMPARE(QDir::fromNativeSeparators(db->xmlFileOf("Warden")),
                 QStringLiteral("scripts/item_defs/vehicles/velmora/v04_warden.xml"));
        QCOMPARE(db->translatedNationOf("Warden"), QStringLiteral("Velmora"));
        QCOMPARE(db->translatedCategoryOf("Warden"), QStringLiteral("Medium Tanks"));
        QCOMPARE(db->tierOf("Warden"), QStringLiteral("4"));
        QCOMPARE(db->shortName("Warden"), QStringLiteral("v04_warden"));
        // Loose definition, packed definition in a package.
        QCOMPARE(db->tankDirectory("Warden"), QStringLiteral("vehicles/velmora/V04_Warden"));
        QCOMPARE(db->tankDirectory("Lynx"), QStringLiteral("vehicles/kastrel/K02_Lynx"));
        for (const QString &lookup : {db->xmlFileOf("nobody"), db->tierOf("nobody"),
                                      db->shortName("nobody"), db->tankDirectory("nobody")}) {
            QVERIFY(lookup.isEmpty());
        }
    }

    void camoAndWindowHooks()
    {
        useSampleGame();
        Database *db = Database::instance();
        CamoRecorder camo;
        WindowRecorder window;
        db->setCamoHooks(&camo);
        db->setWindowHooks(&window);
        db->rebuildDatabase();
        db->setCamoHooks(nullptr);
        db->setWindowHooks(nullptr);

        QCOMPARE(camo.clears, 1);
        QCOMPARE(camo.loads,
                 QStringList({"scripts/item_defs/vehicles/velmora/customization.xml|Velmora",
                              "scripts/item_defs/vehicles/kastrel/customization.xml|Kastrel",
                              "scripts/item_defs/vehicles/oriande/customization.xml|Oriande"}));
        QCOMPARE(window.statuses,
                 QStringList({"Rebuilding database.|0", "Database rebuilt.|4000"}));
        QCOMPARE(window.reloads, 1);
    }

    void rebuildTwiceReplacesEverything()
    {
        useSampleGame();
        Database *db = Database::instance();
        QSignalSpy rebuilt(db, &Database::databaseRebuilt);
        db->rebuildDatabase();
        const QStringList nations = db->nations;
        db->rebuildDatabase();
        QCOMPARE(rebuilt.count(), 2);
        QCOMPARE(db->nations, nations);
        QStringList ids = rows(db->filterQueryAll("All", "All", "All"), 0);
        std::sort(ids.begin(), ids.end(),
                  [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        QCOMPARE(ids.size(), 12);
        QCOMPARE(ids.first(), QStringLiteral("1"));
        QCOMPARE(ids.last(), QStringLiteral("12"));
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), 12);
    }

    void handMadeLists()
    {
        useHandGame("<TankList><!-- nations -->"
                    "<A><ResPath>lists/alpha</ResPath><DataPath>vehicles/n</DataPath></A>"
                    "<B><ResPath>other/alpha</ResPath><DataPath>vehicles/b</DataPath></B>"
                    "<C><ResPath>lists/empty</ResPath><DataPath>vehicles/e</DataPath></C>"
                    "<D><ResPath>lists/missing</ResPath><DataPath>vehicles/m</DataPath></D>"
                    "</TankList>");
        Database *db = Database::instance();
        CamoRecorder camo;
        db->setCamoHooks(&camo);
        db->rebuildDatabase();

        const QStringList names = rows(db->filterQueryAll("All", "All", "All"), 4);
        QCOMPARE(QSet<QString>(names.begin(), names.end()),
                 QSet<QString>(
                     {"Training Day", "O'Brien", "AxB", "Oddity", "Bare", "Untagged", "Twin"}));
        QCOMPARE(names.size(), 8);
        // Both folders named alpha translate alike: one entry, both read.
        QCOMPARE(db->nations, QStringList({"All", "nations/alpha"}));
        QCOMPARE(camo.loads.size(), 2);
        QCOMPARE(db->categories, QStringList({"All", "Light", "Heavy", ""}));
        QCOMPARE(db->translatedCategoryOf("Bare"), QString());
        QCOMPARE(db->translatedCategoryOf("Untagged"), QString());
        QCOMPARE(db->tiers.size(), 11);
        QCOMPARE(db->tierOf("Oddity"), QStringLiteral("0"));
        QVERIFY(logText(Error).contains(QStringLiteral("Nation list empty.")));
        QVERIFY(logText(Warning).contains(
            QStringLiteral("Failed to load nation file: ")
            + QDir::toNativeSeparators(QStringLiteral("lists/missing/list.xml"))));
    }

    void filterQueries_data()
    {
        QTest::addColumn<QString>("nation");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("tier");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("tier 1 is not tier 10") << "All"
                                               << "All"
                                               << "1"
                                               << "%%" << QStringList({"Training Day"});
        QTest::newRow("tier 10") << "All"
                                 << "All"
                                 << "10"
                                 << "%%" << QStringList({"O'Brien"});
        QTest::newRow("quote") << "All"
                               << "All"
                               << "All"
                               << "%'B%" << QStringList({"O'Brien"});
        QTest::newRow("case-insensitive") << "All"
                                          << "All"
                                          << "All"
                                          << "%bRIEN%" << QStringList({"O'Brien"});
        QTest::newRow("underscore wildcard") << "All"
                                             << "All"
                                             << "All"
                                             << "%x_%" << QStringList({"AxB", "AxB"});
        QTest::newRow("class") << "All"
                               << "Heavy"
                               << "All"
                               << "%%" << QStringList({"O'Brien", "Twin"});
        QTest::newRow("nation and class") << "nations/alpha"
                                          << "Heavy"
                                          << "3"
                                          << "%%" << QStringList({"Twin"});
        QTest::newRow("quoted nation") << "it's"
                                       << "All"
                                       << "All"
                                       << "%%" << QStringList();
    }

    void filterQueries()
    {
        QFETCH(QString, nation);
        QFETCH(QString, category);
        QFETCH(QString, tier);
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        QStringList found =
            rows(Database::instance()->filterQuery(nation, category, tier, pattern), 4);
        found.sort();
        names.sort();
        QCOMPARE(found, names);
    }

    void lookupsOfHandMadeDefinitions()
    {
        Database *db = Database::instance();
        QCOMPARE(db->translatedNationOf("O'Brien"), QStringLiteral("nations/alpha"));
        QCOMPARE(db->shortName("O'Brien"), QStringLiteral("a02_quote"));
        QCOMPARE(db->modelPartsOf(db->xmlFileOf("O'Brien")), QStringLiteral("Folder"));
        QCOMPARE(db->tankDirectory("O'Brien"), QStringLiteral("vehicles/n/Folder"));
        // Fewer than three path elements, and a definition that does not exist.
        QCOMPARE(db->modelPartsOf(db->xmlFileOf("AxB")), QString());
        QCOMPARE(db->tankDirectory("AxB"), QString());
        QCOMPARE(db->modelPartsOf(db->xmlFileOf("Oddity")), QString());
        QCOMPARE(db->tankDirectory("Oddity"), QString());
        // Two tanks of one translated name: the first row answers.
        QCOMPARE(db->xmlFileOf("AxB"),
                 QDir::toNativeSeparators(QStringLiteral("lists/alpha/a03_under.xml")));
        QCOMPARE(db->tierOf("AxB"), QStringLiteral("2"));
    }

    void failedInsertGoesOn()
    {
        Database *db = Database::instance();
        const int next = db->nextId;
        db->nextId = 1;
        QVERIFY(!db->insertTank("alpha", "nations/alpha", "X01", "Clash", "lightTank", "Light", 1,
                                "vehicles/n/X01", "lists/alpha/x01.xml", ""));
        QVERIFY(
            logText(Error).contains(QStringLiteral("Database error: UNIQUE constraint failed")));
        QCOMPARE(db->nextId, 2);
        // The same statement serves the next row.
        db->nextId = next;
        QVERIFY(db->insertTank("alpha", "nations/alpha", "X02", "Fresh", "lightTank", "Light", 1,
                               "vehicles/n/X02", "lists/alpha/x02.xml", ""));
        QCOMPARE(rows(db->filterQuery("All", "All", "All", "%Clash%"), 4), QStringList());
        QCOMPARE(rows(db->filterQuery("All", "All", "All", "%Fresh%"), 0),
                 QStringList({QString::number(next)}));
    }

    void queriesWithoutTable()
    {
        Database *db = Database::instance();
        QVERIFY(QSqlQuery(db->db).exec(QStringLiteral("DROP TABLE Tanks_Tbl")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^SQL ERROR: ")));
        QVERIFY(rows(db->filterQuery("All", "All", "All", "%%"), 4).isEmpty());
        QVERIFY(rows(db->filterQueryAll("All", "Heavy", "3"), 4).isEmpty());
        QVERIFY(db->xmlFileOf("Twin").isEmpty());
        QVERIFY(db->tankDirectory("O'Brien").isEmpty());
        QVERIFY(!db->insertTank("alpha", "nations/alpha", "X03", "Lost", "lightTank", "Light", 1,
                                "vehicles/n/X03", "lists/alpha/x03.xml", ""));

        // A rebuild brings the table back and fills it through a fresh statement.
        db->rebuildDatabase();
        QCOMPARE(rows(db->filterQueryAll("All", "All", "All"), 4).size(), 8);
    }

    void noNationLoads()
    {
        useHandGame("<TankList><D><ResPath>lists/missing</ResPath><DataPath>v/m</DataPath></D>"
                    "</TankList>");
        Database *db = Database::instance();
        db->rebuildDatabase();
        QCOMPARE(db->tiers, QStringList({"All", "1"}));
        QCOMPARE(db->nations, QStringList({"All"}));
        QVERIFY(rows(db->filterQueryAll("All", "All", "All"), 4).isEmpty());
    }

    void damagedLevelKeepsTheTierListBounded()
    {
        writeFile(handGame() + QStringLiteral("/res/lists/huge/list.xml"),
                  "<list.xml>" + vehicle("H01_Huge", "2147483647", "heavyTank", "Huge")
                      + "</list.xml>");
        useHandGame("<TankList><H><ResPath>lists/huge</ResPath><DataPath>v/h</DataPath></H>"
                    "</TankList>");
        Database *db = Database::instance();
        db->rebuildDatabase();
        QCOMPARE(db->tiers.size(), 101);
        QCOMPARE(db->tiers.last(), QStringLiteral("100"));
        QCOMPARE(rows(db->filterQueryAll("All", "All", "2147483647"), 4), QStringList({"Huge"}));
        QVERIFY(logText(Warning).contains(QStringLiteral(
            "Tank list: level 2147483647 of H01_Huge is above 100; the tier list stops at 100.")));
    }

    void missingItemTypes()
    {
        useSampleGame();
        Database *db = Database::instance();
        db->rebuildDatabase();
        QVERIFY(!rows(db->filterQueryAll("All", "All", "All"), 4).isEmpty());

        QTemporaryDir game;
        writeFile(game.filePath(QStringLiteral("Brastel.exe")), "");
        Settings::instance()->brastelPath = game.path();
        QSignalSpy rebuilt(db, &Database::databaseRebuilt);
        CamoRecorder camo;
        WindowRecorder window;
        db->setCamoHooks(&camo);
        db->setWindowHooks(&window);
        db->rebuildDatabase();
        db->setCamoHooks(nullptr);
        db->setWindowHooks(nullptr);

        const QString path = QDir::toNativeSeparators(
            game.path() + QStringLiteral("/res/scripts/item_defs/item_types.xml"));
        QVERIFY(logText(Warning).contains(QStringLiteral("Could not locate: ") + path));
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(mBoxes.at(0).title, APP_NAME);
        QCOMPARE(mBoxes.at(0).text, QStringLiteral("Could not build the database.\nPlease check "
                                                   "that your Brastel path is correct."));
        QCOMPARE(mBoxes.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(mBoxes.at(0).defaultButton, QMessageBox::NoButton);
        QVERIFY(rows(db->filterQueryAll("All", "All", "All"), 4).isEmpty());
        // The list must hear of the emptied table.
        QCOMPARE(rebuilt.count(), 1);
        // No success text and no scene reload after a failed rebuild.
        QCOMPARE(window.statuses, QStringList({"Rebuilding database.|0"}));
        QCOMPARE(window.reloads, 0);
        QCOMPARE(camo.clears, 1);
        QVERIFY(camo.loads.isEmpty());
    }

    void missingTankList_data()
    {
        QTest::addColumn<bool>("loopRunning");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("queued");
        const QString missing = QStringLiteral("Could not open tank list file.");
        const QString malformed = QStringLiteral("Could not set XML content.");
        QTest::newRow("missing, start-up") << false << QByteArray() << missing << missing;
        QTest::newRow("missing, loop runs") << true << QByteArray() << missing << "";
        QTest::newRow("malformed, start-up")
            << false << QByteArray("<TankList><A>") << malformed << malformed;
    }

    void missingTankList()
    {
        QFETCH(bool, loopRunning);
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        QFETCH(QString, queued);
        useSampleGame();
        Database *db = Database::instance();
        db->rebuildDatabase();
        QFile::remove(dataDir() + QStringLiteral("/tank_list.cfg"));
        if (!contents.isEmpty()) {
            writeFile(dataDir() + QStringLiteral("/tank_list.cfg"), contents);
        }

        eventLoopRunning = loopRunning;
        QSignalSpy rebuilt(db, &Database::databaseRebuilt);
        db->rebuildDatabase();
        eventLoopRunning = false;

        QVERIFY(logText(Error).contains(error));
        QCOMPARE(takePendingFatalError(), queued);
        QVERIFY(rows(db->filterQueryAll("All", "All", "All"), 4).isEmpty());
        QCOMPARE(rebuilt.count(), 1);
    }

    void serviceLifecycleAndLogLines()
    {
        useSampleGame();
        delete Database::instance();
        QVERIFY(!Database::instance());
        QVERIFY(logText(Info).endsWith(QStringLiteral("Database shutdown.\r\n")));

        // A fresh service opens a fresh connection and hears the game path again.
        new Database();
        QVERIFY(logText(Info).endsWith(QStringLiteral("Creating connection to database.\r\n")));
        Database *db = Database::instance();
        QVERIFY(db->db.isOpen());
        QCOMPARE(db->qt_metacast("Singleton<Database>"),
                 static_cast<void *>(static_cast<Singleton<Database> *>(db)));
        MoReaderCached *reader = MoReaderCached::instance();
        QCOMPARE(reader->qt_metacast("Singleton<MoReaderCached>"),
                 static_cast<void *>(static_cast<Singleton<MoReaderCached> *>(reader)));
        QSignalSpy rebuilt(db, &Database::databaseRebuilt);
        emit Settings::instance()->brastelPathChanged();
        QCOMPARE(rebuilt.count(), 1);
        QCOMPARE(rows(db->filterQueryAll("All", "All", "All"), 4).size(), 12);

        // The rebuild's own lines, in their order.
        const QString info = logText(Info);
        const qsizetype building = info.lastIndexOf(QStringLiteral("Building database.\r\n"));
        const qsizetype loading =
            info.indexOf(QStringLiteral("Loading tank list file: ")
                             + QDir::toNativeSeparators(
                                 QStringLiteral("scripts/item_defs/vehicles/velmora/list.xml\r\n")),
                         building);
        const qsizetype done = info.indexOf(QStringLiteral("Database rebuilt in: "), building);
        QVERIFY(building >= 0);
        QVERIFY(loading > building);
        QVERIFY(done > loading);
    }

    void rebuildSeconds_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("1234 ms") << qint64(1234) << "1.734";
        QTest::newRow("0 ms") << qint64(0) << "0.5";
        QTest::newRow("a minute") << qint64(60000) << "60.5";
    }

    void rebuildSeconds()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(Database::rebuildSecondsText(ms), text);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
