#include "gamedata/moreader.h"
#include "gamedata/moreadercached.h"

#include "core/log.h"

#include "support/servicestack.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <vector>

namespace {

const QByteArray PO = R"(msgid ""
msgstr "Content-Type: text/plain; charset=UTF-8\n"

msgid "nations/ussr"
msgstr "U.S.S.R."

msgid "carousel_tank_filter/all"
msgstr "Alle"

msgid "umlaut"
msgstr "Größe"

msgctxt "ctx"
msgid "thing"
msgstr "Ding"

msgid "one tank"
msgid_plural "many tanks"
msgstr[0] "ein Panzer"
msgstr[1] "Panzer"
)";

void putWord(QByteArray &bytes, int offset, quint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

// A little-endian catalogue with the given strings (string 0 is the header) and
// hash table written as given.
QByteArray buildMo(const QList<QPair<QByteArray, QByteArray>> &strings,
                   const std::vector<quint32> &table)
{
    const int n = strings.size();
    const int o = 28;
    const int t = o + 8 * n;
    const int h = t + 8 * n;
    QByteArray bytes(h + 4 * int(table.size()), '\0');
    putWord(bytes, 0, 0x950412DE);
    putWord(bytes, 8, quint32(n));
    putWord(bytes, 12, quint32(o));
    putWord(bytes, 16, quint32(t));
    putWord(bytes, 20, quint32(table.size()));
    putWord(bytes, 24, quint32(h));
    for (size_t i = 0; i < table.size(); ++i) {
        putWord(bytes, h + 4 * int(i), table[i]);
    }
    for (int i = 0; i < n; ++i) {
        for (int side = 0; side < 2; ++side) {
            const QByteArray &text = side == 0 ? strings[i].first : strings[i].second;
            putWord(bytes, (side == 0 ? o : t) + 8 * i, quint32(text.size()));
            putWord(bytes, (side == 0 ? o : t) + 8 * i + 4, quint32(bytes.size()));
            bytes += text + '\0';
        }
    }
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestMoReader : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceStack<Log>> mServices;

private:
    QTemporaryDir mTemp;

    QByteArray msgfmt(const QStringList &options, const QByteArray &po = PO)
    {
        const QString in = mTemp.filePath(QStringLiteral("in.po"));
        const QString out = mTemp.filePath(QStringLiteral("out.mo"));
        QFile::remove(out);
        writeFile(in, po);
        QProcess process;
        process.start(QStringLiteral("msgfmt"),
                      options + QStringList {QStringLiteral("-o"), out, in});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            return QByteArray();
        }
        QFile file(out);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString gameFolder() const { return mTemp.filePath(QStringLiteral("game")); }
    QString catalogue(const QString &name) const
    {
        return gameFolder() + QStringLiteral("/res/text/LC_MESSAGES/") + name
               + QStringLiteral(".mo");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        mServices = std::make_unique<ServiceStack<Log>>();
    }

    void cleanupTestCase() { mServices.reset(); }

    void hash_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint32>("hash");
        QTest::newRow("empty") << QByteArray() << 0u;
        QTest::newRow("a") << QByteArray("a") << 97u;
        QTest::newRow("ussr") << QByteArray("nations/ussr") << 36600514u;
        QTest::newRow("all") << QByteArray("carousel_tank_filter/all") << 109864156u;
    }

    void hash()
    {
        QFETCH(QByteArray, text);
        QFETCH(quint32, hash);
        QCOMPARE(MoReader::hashString(text), hash);
    }

    void msgfmtCatalogues_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("little") << QStringList();
        QTest::newRow("big") << QStringList {QStringLiteral("--endianness=big")};
    }

    void msgfmtCatalogues()
    {
        QFETCH(QStringList, options);
        const QByteArray bytes = msgfmt(options);
        QVERIFY(!bytes.isEmpty());
        MoReader reader;
        QVERIFY(reader.loadData(bytes));
        QCOMPARE(reader.byteSwapped, !options.isEmpty());
        QCOMPARE(reader.stringCount, 6u);
        QCOMPARE(reader.messageIds.size(), 5);
        QCOMPARE(reader.translate(QStringLiteral("nations/ussr")), QStringLiteral("U.S.S.R."));
        QCOMPARE(reader.translate(QStringLiteral("carousel_tank_filter/all")),
                 QStringLiteral("Alle"));
        QCOMPARE(reader.translate(QStringLiteral("umlaut")), QString::fromUtf8("Größe"));
        QCOMPARE(reader.translate(QStringLiteral("one tank")), QStringLiteral("ein Panzer"));
        for (const QString &id : reader.messageIds) {
            QVERIFY2(reader.lookup(id) >= 0, qPrintable(id));
        }
        // The empty id is the catalogue header, as gettext gives it.
        QVERIFY(reader.translate(QString()).startsWith(QStringLiteral("Content-Type")));

        const int before =
            Log::instance()->text(Warning).count(QStringLiteral("Could not translate: thing"));
        QCOMPARE(reader.lookup(QStringLiteral("thing")), -1);
        QCOMPARE(reader.translate(QStringLiteral("thing")), QStringLiteral("thing"));
        QCOMPARE(Log::instance()->text(Warning).count(QStringLiteral("Could not translate: thing")),
                 before + 1);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("warning");
        // 28-byte header, two tables of 2 x 8 bytes, 3 hash slots: 72 bytes and the strings.
        const QByteArray good = buildMo({{"", "h"}, {"a", "b"}}, {0, 2, 0});
        QCOMPARE(good.size(), 72 + 7);
        QByteArray magic = good;
        magic[0] = 'x';
        QByteArray count = good;
        putWord(count, 8, 0xFFFFFFFF);
        QByteArray originals = good;
        putWord(originals, 12, quint32(good.size() - 8));
        QByteArray hashTable = good;
        putWord(hashTable, 20, 0x40000000);
        // The texts of a wrong magic and an empty hash table are debug output only.
        QTest::newRow("magic") << magic << "";
        QTest::newRow("short") << good.left(20) << "header needs 28 bytes, the file holds 20";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("no hash") << msgfmt({QStringLiteral("--no-hash")}) << "";
        QTest::newRow("count") << count
                               << "message-id table at 0x1c needs 34359738360 bytes, 51 remain in "
                                  "the file of 79 bytes";
        QTest::newRow("originals")
            << originals
            << "message-id table at 0x47 needs 16 bytes, 8 remain in the file "
               "of 79 bytes";
        QTest::newRow("hash size") << hashTable
                                   << "hash table at 0x3c needs 4294967296 bytes, 19 remain in the "
                                      "file of 79 bytes";
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, warning);
        const QString before = Log::instance()->text(Warning);
        MoReader reader;
        QVERIFY(!reader.loadData(bytes, QStringLiteral("x.mo")));
        QVERIFY(reader.data.isEmpty());
        QCOMPARE(reader.lookup(QStringLiteral("a")), -1);
        const QString added = Log::instance()->text(Warning).mid(before.size());
        if (warning.isEmpty()) {
            QVERIFY2(added.isEmpty(), qPrintable(added));
        } else {
            QCOMPARE(added.count(QLatin1Char('\n')), 1);
            QVERIFY2(added.contains(QStringLiteral("MoReader: x.mo: ") + warning),
                     qPrintable(added));
        }
    }

    void handBuiltTables_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("found");
        const QList<QPair<QByteArray, QByteArray>> strings {
            {"", "h"}, {"Tank", "Panzer"}, {"gun", "Kanone"}};
        QTest::newRow("1 slot") << buildMo(strings, {2}) << "Tank" << 1;
        QTest::newRow("1 slot other case") << buildMo(strings, {2}) << "tANK" << 1;
        QTest::newRow("1 slot miss") << buildMo(strings, {2}) << "gun" << -1;
        QTest::newRow("2 table a") << buildMo(strings, {2, 3}) << "Tank" << 1;
        QTest::newRow("2 table b") << buildMo(strings, {2, 3}) << "gun" << 2;
        QTest::newRow("full miss") << buildMo(strings, {2, 3, 2, 3, 2}) << "none" << -1;
        QTest::newRow("entry past count") << buildMo(strings, {9}) << "Tank" << -1;
        QTest::newRow("offset past end") << [&] {
            QByteArray b = buildMo(strings, {2});
            putWord(b, 28 + 8 + 4, 0x7FFFFFFF);
            return b;
        }() << "Tank" << -1;
    }

    void handBuiltTables()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, id);
        QFETCH(int, found);
        MoReader reader;
        QVERIFY(reader.loadData(bytes));
        QCOMPARE(reader.lookup(id), found);
        if (found >= 0) {
            QCOMPARE(reader.translate(id), reader.translatedString(found));
        }
    }

    void unterminatedString()
    {
        QByteArray bytes = buildMo({{"", "h"}, {"a", "tail"}}, {2});
        bytes.chop(1);
        MoReader reader;
        QVERIFY(reader.loadData(bytes));
        QCOMPARE(reader.translate(QStringLiteral("a")), QStringLiteral("tail"));
    }

    void splitReference_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("id");
        QTest::newRow("hash") << "#menu:nations/ussr"
                              << "menu"
                              << "nations/ussr";
        QTest::newRow("no hash") << "menu:x"
                                 << "menu"
                                 << "x";
        QTest::newRow("three parts") << "#a:b:c"
                                     << "a"
                                     << "b";
        QTest::newRow("inner hash") << "#me#nu:x"
                                    << "menu"
                                    << "x";
        QTest::newRow("plain") << "plain text"
                               << ""
                               << "";
    }

    void splitReference()
    {
        QFETCH(QString, reference);
        QFETCH(QString, file);
        QFETCH(QString, id);
        MoReaderCached cached;
        cached.setGamePath(gameFolder());
        const QStringList parts = cached.splitReference(reference);
        if (file.isEmpty()) {
            QVERIFY(parts.isEmpty());
            QCOMPARE(cached.translate(reference), reference);
            return;
        }
        QCOMPARE(parts, (QStringList {QDir::toNativeSeparators(catalogue(file)), id}));
    }

    void cache()
    {
        const QByteArray menu = msgfmt({});
        QVERIFY(!menu.isEmpty());
        writeFile(catalogue(QStringLiteral("menu")), menu);
        MoReaderCached cached;
        QCOMPARE(MoReaderCached::instance(), &cached);
        cached.setGamePath(gameFolder());
        QCOMPARE(cached.translate(QStringLiteral("#menu:nations/ussr")),
                 QStringLiteral("U.S.S.R."));

        // The file is read once: a rewrite does not show while it stays cached.
        writeFile(catalogue(QStringLiteral("menu")),
                  msgfmt({}, QByteArray(PO).replace("U.S.S.R.", "Union")));
        QCOMPARE(cached.translate(QStringLiteral("menu:nations/ussr")), QStringLiteral("U.S.S.R."));

        QCOMPARE(cached.translate(QStringLiteral("#missing:nations/ussr")), QString());
        QVERIFY(cached.currentPath.isEmpty());
        QVERIFY(!cached.reader);
        QCOMPARE(cached.translate(QStringLiteral("#menu:nations/ussr")), QStringLiteral("Union"));
        QCOMPARE(cached.translate(QStringLiteral("#menu:nope")), QStringLiteral("nope"));
    }

    // A damaged catalogue is read and reported once, until the game folder changes.
    void damagedCatalogue()
    {
        const QByteArray good = msgfmt({});
        QVERIFY(!good.isEmpty());
        QByteArray damaged = good;
        const quint32 hashSlots = qFromLittleEndian<quint32>(good.constData() + 20);
        putWord(damaged, 24, quint32(good.size()));
        const QString second = mTemp.filePath(QStringLiteral("second"));
        const QString path = QDir::toNativeSeparators(catalogue(QStringLiteral("damaged")));
        writeFile(path, damaged);
        writeFile(catalogue(QStringLiteral("menu")), good);

        MoReaderCached cached;
        cached.setGamePath(gameFolder());
        const QString expected =
            QStringLiteral("MoReader: %1: hash table at 0x%2 needs %3 bytes, 0 "
                           "remain in the file of %4 bytes")
                .arg(path, QString::number(good.size(), 16))
                .arg(4 * hashSlots)
                .arg(good.size());
        const int before = Log::instance()->text(Warning).count(expected);
        QCOMPARE(cached.translate(QStringLiteral("#menu:nations/ussr")),
                 QStringLiteral("U.S.S.R."));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(cached.translate(QStringLiteral("#damaged:nations/ussr")), QString());
        }
        QCOMPARE(Log::instance()->text(Warning).count(expected), before + 1);
        // The catalogue held before is kept: a remembered failure loads nothing.
        QCOMPARE(cached.translate(QStringLiteral("#menu:nations/ussr")),
                 QStringLiteral("U.S.S.R."));
        QCOMPARE(cached.translate(QStringLiteral("#damaged:nations/ussr")), QString());
        QCOMPARE(cached.currentPath, QDir::toNativeSeparators(catalogue(QStringLiteral("menu"))));

        // Mended in place, it stays refused until the game path changes.
        writeFile(path, good);
        QCOMPARE(cached.translate(QStringLiteral("#damaged:nations/ussr")), QString());
        cached.setGamePath(second);
        QCOMPARE(cached.translate(QStringLiteral("#damaged:nations/ussr")), QString());
        cached.setGamePath(gameFolder());
        QCOMPARE(cached.translate(QStringLiteral("#damaged:nations/ussr")),
                 QStringLiteral("U.S.S.R."));
        QCOMPARE(Log::instance()->text(Warning).count(expected), before + 1);
    }
};

QTEST_GUILESS_MAIN(TestMoReader)
#include "test_moreader.moc"
