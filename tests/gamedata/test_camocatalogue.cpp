// The camouflage catalogue reader on a customization file, plain and packed by the
// project's writer.
#include "gamedata/camocatalogue.h"
#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"

#include <QProcess>
#include <QtTest>

namespace {

// The first camouflage comes first in a plain file, where no value node sits before
// it; the comment, notInShop "false" and the colour c9 must all be passed over.
const char *const CATALOGUE = R"(<customization.xml>
  <armorColor>90 90 70 255</armorColor>
  <camouflages>
    <first_summer>
      <group> summer </group>
      <texture>vehicles/camouflage/a b.dds</texture>
      <colors><c0>94 89 68 255</c0><c2>1 2 3 4</c2><c9>5 5 5 5</c9></colors>
      <tiling><A01_Tank>1 1 0 0</A01_Tank><b02>1.5 1.25 0.1 0</b02></tiling>
      <description>#vehicle_customization:camouflage/first</description>
    </first_summer>
    <!-- a comment -->
    <hidden><notInShop>false</notInShop><group>summer</group></hidden>
    <second><group>Winter</group></second>
  </camouflages>
</customization.xml>)";

QByteArray packed(const QByteArray &xml)
{
    QProcess python;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats"));
    python.setProcessEnvironment(env);
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys\nfrom packedxml import *\n"
                                 "sys.stdout.write(pack_text(sys.stdin.read()).hex())\n")});
    python.write(xml);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        return QByteArray();
    }
    return QByteArray::fromHex(python.readAllStandardOutput());
}

} // namespace

class TestCamoCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryShopCamouflage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray plain(CATALOGUE);
        QTest::newRow("plain") << plain;
        // The packed writer keeps no comments.
        plain.replace("<!-- a comment -->", "");
        const QByteArray bytes = packed(plain);
        QVERIFY(!bytes.isEmpty());
        QTest::newRow("packed") << bytes;
    }

    void readsEveryShopCamouflage()
    {
        QFETCH(QByteArray, bytes);
        const CamoCatalogue catalogue =
            readCamoCatalogue(PackedXmlReader::parse(bytes, QStringLiteral("customization.xml")));
        QCOMPARE(catalogue.armorColor, glm::vec4(90, 90, 70, 255));
        QCOMPARE(catalogue.camouflages.size(), 2);
        const CamoCatalogueEntry &first = catalogue.camouflages.at(0);
        QCOMPARE(first.name, QStringLiteral("first_summer"));
        QCOMPARE(first.group, QStringLiteral("summer"));
        QCOMPARE(first.texture, QStringLiteral("vehicles/camouflage/ab.dds"));
        QCOMPARE(first.colors[0], glm::vec4(94, 89, 68, 255));
        QCOMPARE(first.colors[1], glm::vec4(0.0f));
        QCOMPARE(first.colors[2], glm::vec4(1, 2, 3, 4));
        QCOMPARE(first.colors[3], glm::vec4(0.0f));
        QCOMPARE(first.description, QStringLiteral("#vehicle_customization:camouflage/first"));
        // Keys are lowered as stored; a mixed-case name finds nothing.
        QCOMPARE(first.tiling.size(), 2);
        QCOMPARE(first.tiling.value(QStringLiteral("a01_tank")), glm::vec4(1, 1, 0, 0));
        QVERIFY(!first.tiling.contains(QStringLiteral("A01_Tank")));
        QCOMPARE(first.tiling.value(QStringLiteral("b02")), glm::vec4(1.5f, 1.25f, 0.1f, 0.0f));
        // Seasons compare exactly later on: the capital stays.
        QCOMPARE(catalogue.camouflages.at(1).group, QStringLiteral("Winter"));
        QVERIFY(catalogue.camouflages.at(1).tiling.isEmpty());
    }

    void emptyOrForeignInputGivesNothing()
    {
        int boxes = 0;
        setMessageBoxHandler([&boxes](const MessageBoxRequest &) {
            ++boxes;
            return int(QMessageBox::Ok);
        });
        for (const QByteArray &bytes :
             {QByteArray(), QByteArray("<root><armorColor>1 2 3</armorColor></root>"),
              QByteArray("\x45\x4e\xa1\x62\x00", 5)}) {
            const CamoCatalogue catalogue =
                readCamoCatalogue(PackedXmlReader::parse(bytes, QStringLiteral("c.xml")));
            QVERIFY(catalogue.camouflages.isEmpty());
            QCOMPARE(catalogue.armorColor, glm::vec4(0.0f));
        }
        setMessageBoxHandler(nullptr);
        // Only the cut packed file is worth a box.
        QCOMPARE(boxes, 1);
    }
};

QTEST_GUILESS_MAIN(TestCamoCatalogue)
#include "test_camocatalogue.moc"
