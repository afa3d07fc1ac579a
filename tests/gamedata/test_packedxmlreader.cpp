#include "gamedata/binaryreader.h"
#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"

#include <QBuffer>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Packs a tree written with the project's own packed XML writer; the argument is
// a Python expression over V, N and pack_node giving the file bytes.
QByteArray pack(const QString &expression)
{
    QProcess python;
    python.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats"));
    python.setProcessEnvironment(env);
    const QString script = QStringLiteral("import sys, struct\nfrom packedxml import *\n"
                                          "sys.stdout.write((%1).hex())\n")
                               .arg(expression);
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return QByteArray();
    }
    return QByteArray::fromHex(python.readAllStandardOutput());
}

QByteArray packChild(const QString &value)
{
    return pack(QStringLiteral("pack_node(N(V.string('abc'), [('v', %1), ('w', V.string('end'))]))")
                    .arg(value));
}

QString ownText(const QDomNode &element)
{
    const QDomNode first = element.firstChild();
    return first.isText() ? first.toText().data() : QStringLiteral("<no text>");
}

} // namespace

class TestPackedXmlReader : public QObject
{
    Q_OBJECT

private:
    QStringList mBoxes;

private slots:
    void init()
    {
        mBoxes.clear();
        resetFatalErrorState();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request.text);
            return int(QMessageBox::Ok);
        });
    }

    void cleanup() { setMessageBoxHandler({}); }

    void values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("box");
        QTest::newRow("int8 -1") << "V(INTEGER, b'\\xff')"
                                 << "-1"
                                 << "";
        QTest::newRow("int16 128") << "V(INTEGER, b'\\x80\\x00')"
                                   << "128"
                                   << "";
        QTest::newRow("int16 -32768") << "V(INTEGER, b'\\x00\\x80')"
                                      << "-32768"
                                      << "";
        QTest::newRow("int32") << "V.integer(-100000, 4)"
                               << "-100000"
                               << "";
        QTest::newRow("int empty") << "V(INTEGER, b'')"
                                   << "0"
                                   << "";
        QTest::newRow("int 3 bytes") << "V(INTEGER, b'abc')"
                                     << "0"
                                     << "";
        QTest::newRow("int 8 bytes") << "V(INTEGER, b'12345678')"
                                     << "0"
                                     << "";
        QTest::newRow("float 1") << "V.floats([1.0])"
                                 << "1"
                                 << "";
        QTest::newRow("float 0.5") << "V.floats([0.5])"
                                   << "0.5"
                                   << "";
        QTest::newRow("float 1e-05") << "V.floats([1e-05])"
                                     << "1e-05"
                                     << "";
        QTest::newRow("float 1e-06") << "V.floats([1e-06])"
                                     << "1e-06"
                                     << "";
        QTest::newRow("float -1e-06") << "V.floats([-1e-06])"
                                      << "0"
                                      << "";
        QTest::newRow("floats 9") << "V.floats(range(9))"
                                  << "0 1 2 3 4 5 6 7 8"
                                  << "";
        QTest::newRow("floats remainder") << "V(FLOATS, struct.pack('<f', 2.5) + b'xy')"
                                          << "2.5"
                                          << "";
        QTest::newRow("bool empty") << "V(BOOLEAN, b'')"
                                    << "false"
                                    << "";
        QTest::newRow("bool true") << "V(BOOLEAN, b'\\x01')"
                                   << "true"
                                   << "";
        QTest::newRow("bool 2") << "V(BOOLEAN, b'\\x02')"
                                << "true"
                                << "Boolean error";
        QTest::newRow("bool long") << "V(BOOLEAN, b'\\x01\\x01')"
                                   << "false"
                                   << "";
        QTest::newRow("blob abc") << "V.blob(b'abc')"
                                  << "YWJj"
                                  << "";
        QTest::newRow("blob ff") << "V.blob(b'\\xff')"
                                 << "/w=="
                                 << "";
        QTest::newRow("string empty") << "V.string('')"
                                      << ""
                                      << "";
        QTest::newRow("string utf-8")
            << "V(STRING, b'\\xc3\\xa9')" << QString(2, QChar(QChar::ReplacementCharacter)) << "";
    }

    // Each value sits between an own value and a following string, so a value
    // that takes too few or too many bytes shows in the string after it.
    void values()
    {
        QFETCH(QString, value);
        QFETCH(QString, text);
        QFETCH(QString, box);
        const QByteArray bytes = packChild(value);
        QVERIFY(!bytes.isEmpty());
        int plain = -1;
        bool failed = true;
        const QDomDocument doc =
            PackedXmlReader::parse(bytes, QStringLiteral("a/b.xml"), &plain, &failed);
        QCOMPARE(plain, -1);
        QVERIFY(!failed);
        const QDomElement root = doc.documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("b.xml"));
        QCOMPARE(root.childNodes().size(), 3);
        QCOMPARE(ownText(root), QStringLiteral("abc"));
        const QDomElement v = root.childNodes().at(1).toElement();
        QCOMPARE(v.tagName(), QStringLiteral("v"));
        QCOMPARE(v.childNodes().size(), 1);
        QVERIFY(v.firstChild().isText());
        QCOMPARE(v.firstChild().toText().data(), text);
        QCOMPARE(ownText(root.childNodes().at(2)), QStringLiteral("end"));
        QCOMPARE(mBoxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            QVERIFY2(mBoxes.first().startsWith(box), qPrintable(mBoxes.first()));
        }
    }

    void structure()
    {
        const QByteArray bytes =
            pack(QStringLiteral("pack_node(N(V.string('abc'), ["
                                "('a', V.string('defg')), ('b', V.string('hi')),"
                                "('m', V.floats(range(12))),"
                                "('n', N(V.integer(5), [('a', V.string('x'))])),"
                                "('neg', N(V.string('q'), [], count=-1))]))"));
        QVERIFY(!bytes.isEmpty());
        int plain = 0;
        bool failed = true;
        const QDomDocument doc =
            PackedXmlReader::parse(bytes, QStringLiteral("x"), &plain, &failed);
        QCOMPARE(plain, 0);
        QVERIFY(!failed);
        const QDomElement root = doc.documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("x"));
        const QDomNodeList kids = root.childNodes();
        QCOMPARE(kids.size(), 6);
        QCOMPARE(ownText(root), QStringLiteral("abc"));
        QCOMPARE(ownText(kids.at(1)), QStringLiteral("defg"));
        QCOMPARE(ownText(kids.at(2)), QStringLiteral("hi"));

        const QDomNodeList rows = kids.at(3).childNodes();
        QCOMPARE(rows.size(), 4);
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(rows.at(r).toElement().tagName(), QStringLiteral("row%1").arg(r));
            QCOMPARE(ownText(rows.at(r)),
                     QStringLiteral("%1 %2 %3").arg(3 * r).arg(3 * r + 1).arg(3 * r + 2));
        }

        const QDomElement n = kids.at(4).toElement();
        QCOMPARE(n.childNodes().size(), 2);
        QCOMPARE(ownText(n), QStringLiteral("5"));
        QCOMPARE(ownText(n.childNodes().at(1)), QStringLiteral("x"));

        // A negative child count: no children, own value still read.
        const QDomElement neg = kids.at(5).toElement();
        QCOMPARE(neg.childNodes().size(), 1);
        QCOMPARE(ownText(neg), QStringLiteral("q"));
    }

    void names_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("root");
        QTest::newRow("model") << "vehicles/x/hull.model"
                               << "hull.visual";
        QTest::newRow("twice") << "a.model.model"
                               << "a.visual.visual";
        QTest::newRow("no slash") << "hull.xml"
                                  << "hull.xml";
    }

    void names()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, root);
        const QByteArray bytes =
            pack(QStringLiteral("pack_node(N(V.string(''), [('only', V.string('1')), (5, "
                                "V.string('2'))]), names=['only'])"));
        const QDomDocument doc = PackedXmlReader::parse(bytes, fileName);
        QCOMPARE(doc.documentElement().tagName(), root);
        const QDomNodeList kids = doc.documentElement().childNodes();
        QCOMPARE(kids.size(), 3);
        QVERIFY(kids.at(0).isText());
        QCOMPARE(kids.at(0).toText().data(), QString());
        QCOMPARE(kids.at(1).toElement().tagName(), QStringLiteral("only"));
        QCOMPARE(kids.at(2).toElement().tagName(), QStringLiteral("unknown"));
        QCOMPARE(ownText(kids.at(2)), QStringLiteral("2"));
    }

    void oddValues()
    {
        const QByteArray bytes = pack(QStringLiteral(
            "pack_node(N(V.string('o'), [('t', V(7, b'zzz')), ('s', V.string('ok'))]))"));
        bool failed = true;
        const QDomDocument doc =
            PackedXmlReader::parse(bytes, QStringLiteral("r"), nullptr, &failed);
        QVERIFY(!failed);
        const QDomNodeList kids = doc.documentElement().childNodes();
        QCOMPARE(kids.size(), 3);
        QVERIFY(!kids.at(1).hasChildNodes());
        QCOMPARE(ownText(kids.at(2)), QStringLiteral("ok"));
        QCOMPARE(mBoxes.size(), 1);
        QVERIFY(mBoxes.first().startsWith(QStringLiteral("Unknown xml data type")));
    }

    // Every cut of a file ends, reports its short read once and keeps what it read.
    void truncated()
    {
        const QByteArray bytes = pack(QStringLiteral(
            "pack_node(N(V.string('abc'), [('a', N(V.integer(300), [('b', V.floats([1,2,3]))])),"
            "('c', V.blob(b'xyz')), ('d', V.boolean(True))]))"));
        QVERIFY(bytes.size() > 20);
        for (int cut = 5; cut < bytes.size(); ++cut) {
            mBoxes.clear();
            resetFatalErrorState(); // only the first fatal box of a run is shown
            bool failed = false;
            const QDomDocument doc =
                PackedXmlReader::parse(bytes.left(cut), QStringLiteral("r"), nullptr, &failed);
            QVERIFY2(failed, qPrintable(QString::number(cut)));
            QCOMPARE(mBoxes.size(), 1);
            QVERIFY2(mBoxes.first().startsWith(QStringLiteral("Error reading data: ")),
                     qPrintable(mBoxes.first()));
            QCOMPARE(doc.documentElement().tagName(), QStringLiteral("r"));
        }
        mBoxes.clear();
        bool failed = true;
        PackedXmlReader::parse(bytes, QStringLiteral("r"), nullptr, &failed);
        QVERIFY(!failed);
        QVERIFY(mBoxes.isEmpty());
    }

    void deepNesting()
    {
        // Each level is an element whose own value is another element.
        QByteArray bytes = QByteArray::fromHex("454ea16200") + QByteArray(1, '\0');
        for (int i = 0; i < 100000; ++i) {
            bytes += QByteArray::fromHex("000000000000");
        }
        bool failed = false;
        Log log;
        PackedXmlReader::parse(bytes, QStringLiteral("r"), nullptr, &failed);
        QVERIFY(failed);
        // Level 513 starts after the 6-byte head and 513 elements of 6 bytes.
        QVERIFY(log.text(Warning).contains(QStringLiteral(
            "Packed XML: element at 0xc0c is nested deeper than 512 levels; reading stops there")));
    }

    void plain_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("good") << QByteArray("<root>\n  <a>  x \t y </a>\n  <b/>\n</root>") << true;
        QTest::newRow("malformed") << QByteArray("<a><b></a>") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void plain()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QBuffer buffer;
        buffer.setData(bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        BinaryReader stream(&buffer);
        PackedXmlReader reader(&stream);
        const QDomDocument doc = reader.read(QStringLiteral("r.xml"));
        QCOMPARE(reader.plainText, 1);
        QCOMPARE(doc.documentElement().isNull(), !valid);
        QVERIFY(mBoxes.isEmpty());
        if (valid) {
            const QDomElement root = doc.documentElement();
            QCOMPARE(root.tagName(), QStringLiteral("root"));
            QCOMPARE(root.childNodes().size(), 2);
            QCOMPARE(root.childNodes().at(0).toElement().text(), QStringLiteral(" x y "));
        }
    }

    void packedThroughDevice()
    {
        QBuffer buffer;
        buffer.setData(packChild(QStringLiteral("V.integer(7)")));
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        buffer.seek(3);
        BinaryReader stream(&buffer);
        PackedXmlReader reader(&stream);
        const QDomDocument doc = reader.read(QStringLiteral("x/y.model"));
        QCOMPARE(reader.plainText, 0);
        QVERIFY(!reader.failed());
        QCOMPARE(doc.documentElement().tagName(), QStringLiteral("y.visual"));
        QCOMPARE(ownText(doc.documentElement().childNodes().at(1)), QStringLiteral("7"));
    }

    void binaryReader()
    {
        QBuffer buffer;
        buffer.setData(QByteArray::fromHex("ff0180ab0000803f00"));
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        BinaryReader stream(&buffer);
        QCOMPARE(stream.readCharSigned(), qint8(-1));
        QCOMPARE(stream.readShort(), qint16(-32767));
        QCOMPARE(stream.readChar(), quint8(0xab));
        QCOMPARE(stream.readFloat(), 1.0f);
        QCOMPARE(stream.readShortUnsigned(), quint16(0));
        QVERIFY(stream.failed());
        QCOMPARE(stream.readInt(), 0);
        QCOMPARE(stream.readString(), QString());
        QCOMPARE(mBoxes.size(), 1);
        QVERIFY(
            mBoxes.first().startsWith(QStringLiteral("Error reading data: readShortUnsigned()")));
    }
};

QTEST_GUILESS_MAIN(TestPackedXmlReader)
#include "test_packedxmlreader.moc"
