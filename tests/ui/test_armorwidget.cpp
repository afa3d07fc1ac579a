// The Armor Inspector's read-out of a shot: the HTML built from the records (texts,
// paragraph colours by hit class, ricochet and free-travel lines, escaped names) and
// what the dock writes into its results box.
#include "ui/armorwidget.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QtTest>

namespace {

RayResult record(const QString &material, qint32 hitClass, float armor, float freeTravel = 0.0f,
                 bool ricochet = false)
{
    RayResult r;
    r.material = material;
    r.hitClass = hitClass;
    r.armor = armor;
    r.effectiveArmor = armor * 1.5f;
    r.angle = 33.5f;
    r.normalizedAngle = 31.5f;
    r.freeTravel = freeTravel;
    r.ricochet = ricochet;
    return r;
}

QString para(const QString &background, const QString &text)
{
    return QStringLiteral("<p style=\"color: black;background-color: ") + background
           + QStringLiteral("\">") + text + QStringLiteral("</p>");
}

} // namespace

class TestArmorWidget : public QObject
{
    Q_OBJECT

private slots:
    void missIsThreeZeroLinesOnPink()
    {
        RayResult miss;
        miss.material = QStringLiteral("Missed");
        const QString deg(QChar(0x00B0));
        QCOMPARE(
            ArmorWidget::resultsHtml({miss}),
            para(QStringLiteral("#FF99FF"), QStringLiteral("Material: Missed"))
                + para(QStringLiteral("#FF99FF"), QStringLiteral("Angle: 0") + deg
                                                      + QStringLiteral(" (0") + deg
                                                      + QStringLiteral(" normalized)"))
                + para(QStringLiteral("#FF99FF"), QStringLiteral("Armor: 0mm (0mm effective)")));
        QCOMPARE(ArmorWidget::resultsHtml({}), QString());
    }

    void recordsInOrderWithRicochetAndFreeTravel()
    {
        const RayResultsList records = {
            record(QStringLiteral("hull_front"), HitRegular, 40.0f, 0.125f, true),
            record(QStringLiteral("<b>&track"), HitTrack, 20.0f, 0.5f)};
        const QString html = ArmorWidget::resultsHtml(records);
        const QString deg(QChar(0x00B0));
        const QString expected =
            para(QStringLiteral("#FF6666;"), QStringLiteral("Material: hull_front"))
            + para(QStringLiteral("#FF6666;"), QStringLiteral("Angle: 33.5") + deg
                                                   + QStringLiteral(" (31.5") + deg
                                                   + QStringLiteral(" normalized)"))
            + para(QStringLiteral("#FF6666;"), QStringLiteral("Armor: 40mm (60mm effective)"))
            + para(QStringLiteral("#008080;"), QStringLiteral("Ricochet"))
            + para(QStringLiteral("white;"), QStringLiteral("Free Travel: 12.5cm"))
            // A name from a game file stays text.
            + para(QStringLiteral("#66FF99;"), QStringLiteral("Material: &lt;b&gt;&amp;track"))
            + para(QStringLiteral("#66FF99;"), QStringLiteral("Angle: 33.5") + deg
                                                   + QStringLiteral(" (31.5") + deg
                                                   + QStringLiteral(" normalized)"))
            + para(QStringLiteral("#66FF99;"), QStringLiteral("Armor: 20mm (30mm effective)"));
        QCOMPARE(html, expected);
    }

    void classColours_data()
    {
        QTest::addColumn<int>("hitClass");
        QTest::addColumn<QString>("colour");
        QTest::newRow("spaced") << int(HitSpaced) << "#FF99FF\"";
        QTest::newRow("surveying device") << int(HitSurveyingDevice) << "#66CCFF;\"";
        QTest::newRow("track") << int(HitTrack) << "#66FF99;\"";
        QTest::newRow("gun") << int(HitGun) << "#66FF99;\"";
        QTest::newRow("regular") << int(HitRegular) << "#FF6666;\"";
    }

    void classColours()
    {
        QFETCH(int, hitClass);
        QFETCH(QString, colour);
        const QString html = ArmorWidget::resultsHtml({record(QStringLiteral("m"), hitClass, 1)});
        QCOMPARE(html.count(QStringLiteral("background-color: ") + colour), 3);
    }

    // What the user sees: one box paragraph per line, backgrounds painted.
    void dockWritesParagraphsIntoItsBox()
    {
        ArmorWidget dock;
        auto *box = new QPlainTextEdit(&dock);
        box->setObjectName(QStringLiteral("armorResultsText"));
        dock.setWidget(box);
        box->setPlainText(QStringLiteral("old shot"));
        dock.armorHitResult({record(QStringLiteral("a"), HitSurveyingDevice, 10.0f, 0.3f),
                             record(QStringLiteral("b"), HitRegular, 20.0f)});
        QStringList texts;
        QList<QColor> backgrounds;
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
            texts.append(block.text());
            backgrounds.append(block.blockFormat().background().color());
        }
        QCOMPARE(texts.size(), 7);
        QCOMPARE(texts.first(), QStringLiteral("Material: a"));
        QCOMPARE(texts.at(3), QStringLiteral("Free Travel: 30cm"));
        QCOMPARE(texts.last(), QStringLiteral("Armor: 20mm (30mm effective)"));
        QCOMPARE(backgrounds.first(), QColor(QStringLiteral("#66CCFF")));
        QCOMPARE(backgrounds.at(3), QColor(Qt::white));
        QCOMPARE(backgrounds.last(), QColor(QStringLiteral("#FF6666")));

        QVERIFY(dock.property("Visibility").isNull());
        dock.show();
        QVERIFY(dock.property("Visibility").toBool());
        dock.hide();
        QVERIFY(!dock.property("Visibility").toBool());
    }
};

QTEST_MAIN(TestArmorWidget)
#include "test_armorwidget.moc"
