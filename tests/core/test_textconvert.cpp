#include "core/log.h"
#include "core/messagestrings.h"
#include "core/sysinfo.h"
#include "core/textconvert.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestTextConvert : public QObject
{
    Q_OBJECT

private slots:
    void colours_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("blank runs") << "  1   2  3 4 " << true << QColor(1, 2, 3, 4);
        QTest::newRow("fractions truncate") << "10.9 20 30 255" << true << QColor(10, 20, 30, 255);
        QTest::newRow("three parts") << "1 2 3" << false << QColor();
        QTest::newRow("five parts") << "1 2 3 4 5" << false << QColor();
        QTest::newRow("out of colour range") << "300 0 0 255" << false << QColor();
        QTest::newRow("nan") << "nan 1 2 3" << false << QColor();
        QTest::newRow("inf") << "inf 1 2 3" << false << QColor();
        QTest::newRow("beyond int") << "1e20 1 2 3" << false << QColor();
        QTest::newRow("empty") << "" << false << QColor();
    }
    void colours()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QColor, colour);
        const QColor result = stringToColor(text);
        QCOMPARE(result.isValid(), valid);
        if (valid) {
            QCOMPARE(result, colour);
            QCOMPARE(stringToColor(colorToString(result)), result);
        }
        QCOMPARE(colorToString(QColor(128, 128, 128, 255)), QStringLiteral("128 128 128 255"));
    }

    void boolsAndWords()
    {
        QVERIFY(stringToBool(QStringLiteral("True")));
        QVERIFY(stringToBool(QStringLiteral("TRUE")));
        QVERIFY(stringToBool(QStringLiteral("untrue")));
        QVERIFY(!stringToBool(QString()));
        QVERIFY(!stringToBool(QStringLiteral("yes")));
        QCOMPARE(boolToString(true), QStringLiteral("true"));
        QCOMPARE(boolToString(false), QStringLiteral("false"));

        QCOMPARE(firstWord(QStringLiteral("ab cd")), QStringLiteral("ab"));
        QCOMPARE(firstWord(QString()), QString());
        QCOMPARE(firstWord(QStringLiteral("a\tb")), QStringLiteral("a"));
        QCOMPARE(firstWord(QString::fromUtf16(u"a\0b", 3)), QStringLiteral("a"));
        QCOMPARE(firstWord(QStringLiteral("whole")), QStringLiteral("whole"));
    }

    void dataFolder()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin_x64/sub/bin_x64")));
        QVERIFY(QDir::setCurrent(root.path() + QStringLiteral("/bin_x64")));
        QCOMPARE(userDataDir(), root.path() + QStringLiteral("/data"));
        // Only a final "bin_x64" is the program folder; one further up is a name.
        QVERIFY(QDir::setCurrent(root.path() + QStringLiteral("/bin_x64/sub/bin_x64")));
        QCOMPARE(userDataDir(), root.path() + QStringLiteral("/bin_x64/sub/data"));
        // Any other folder: the "data" folder beside it, the one "../data/" names.
        QVERIFY(QDir::setCurrent(root.path() + QStringLiteral("/bin_x64/sub")));
        QCOMPARE(userDataDir(), root.path() + QStringLiteral("/bin_x64/data"));
    }

    void gameVersion()
    {
        QTemporaryDir game;
        const QString notFound = QStringLiteral("Brastel not found");
        QCOMPARE(brastelVersionAt(game.path()), notFound);

        QFile file(game.path() + QStringLiteral("/version.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<root><other>x</other><version>  1.2   3 </version></root>");
        file.close();
        QCOMPARE(brastelVersionAt(game.path()), QStringLiteral("1.2 3"));

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<root><version>1.0");
        file.close();
        QCOMPARE(brastelVersionAt(game.path()), notFound);

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("<root/>");
        file.close();
        QCOMPARE(brastelVersionAt(game.path()), notFound);
    }

    void systemInformation()
    {
        QCOMPARE(windowsVersionName(0x90), QStringLiteral("Windows 7"));
        QCOMPARE(windowsVersionName(0x40), QStringLiteral("Windows XP x64 or Windows Server 2003"));
        QCOMPARE(windowsVersionName(0x55), QStringLiteral("Windows Unknown"));
        QCOMPARE(architectureName(), QStringLiteral("x64"));
        QCOMPARE(qtVersionString(), QString::fromLatin1(qVersion()));
        QVERIFY(!osVersionName().isEmpty());
    }

    void singletons()
    {
        QCOMPARE(MessageStrings::instance(), nullptr);
        {
            MessageStrings strings;
            QCOMPARE(MessageStrings::instance(), &strings);
            QCOMPARE(strings.selectTank, QStringLiteral("You must select a tank."));
            QCOMPARE(strings.update, QStringLiteral("Update"));
        }
        QCOMPARE(MessageStrings::instance(), nullptr);

        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin_x64")));
        QVERIFY(QDir::setCurrent(root.path() + QStringLiteral("/bin_x64")));
        Log log;
        QObject *object = &log;
        void *part = object->qt_metacast("Singleton<Log>");
        QCOMPARE(part, static_cast<void *>(static_cast<Singleton<Log> *>(&log)));
        QCOMPARE(object->qt_metacast("Log"), static_cast<void *>(&log));
    }

    void nonAsciiText()
    {
        // Qt 6 reads sources and tr() texts as UTF-8.
        const QString text = QObject::tr("Größe");
        QCOMPARE(text.size(), 5);
        QCOMPARE(text.at(3), QChar(0x00DF));
    }
};

QTEST_GUILESS_MAIN(TestTextConvert)
#include "test_textconvert.moc"
