#include "armour/collisionarmor.h"

#include <QHeaderView>
#include <QPointer>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <limits>

namespace {

struct Tables : CollisionArmorWindowHooks
{
    QTableView *regular = nullptr;
    QTableView *spaced = nullptr;
    QTableView *armorTableView() override { return regular; }
    QTableView *spacedArmorTableView() override { return spaced; }
};

// A colour ramp as "r,g,b r,g,b ...", in ascending thickness order.
QString ramp(const QMap<float, glm::vec4> &colors)
{
    QStringList parts;
    for (const glm::vec4 &c : colors) {
        parts << QStringLiteral("%1,%2,%3").arg(c.r).arg(c.g).arg(c.b);
    }
    return parts.join(QLatin1Char(' '));
}

bool sameColor(const glm::vec4 &c, int r, int g, int b)
{
    return c == glm::vec4(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

QColor background(QAbstractItemModel *model, int row)
{
    return model->index(row, 0).data(Qt::BackgroundRole).value<QBrush>().color();
}

} // namespace

class TestCollisionArmor : public QObject
{
    Q_OBJECT

private slots:
    void ramps_data();
    void ramps();
    void distinctThicknesses();
    void colorForThickness();
    void findAndClear();
    void armorTables();
};

void TestCollisionArmor::ramps_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("regular");
    QTest::addColumn<QString>("spaced");
    QTest::newRow("0") << 0 << QString() << QString();
    QTest::newRow("1") << 1 << "255,0,0"
                       << "255,0,255";
    QTest::newRow("2") << 2 << "255,0,0 255,254,0"
                       << "255,0,255 255,127,255";
    QTest::newRow("3") << 3 << "255,0,0 255,170,0 255,255,0"
                       << "255,0,255 255,85,255 255,170,255";
    QTest::newRow("4") << 4 << "255,0,0 255,126,0 255,252,0 255,255,0"
                       << "255,0,255 255,63,255 255,126,255 255,189,255";
    QTest::newRow("5") << 5 << "255,0,0 255,102,0 255,204,0 255,255,0 153,255,0"
                       << "255,0,255 255,51,255 255,102,255 255,153,255 255,204,255";
    QTest::newRow("6") << 6 << "255,0,0 255,84,0 255,168,0 255,252,0 255,255,0 171,255,0"
                       << "255,0,255 255,42,255 255,84,255 255,126,255 255,168,255 255,210,255";
}

// Added in descending order, so that the ramps also show the sort.
void TestCollisionArmor::ramps()
{
    QFETCH(int, count);
    QFETCH(QString, regular);
    QFETCH(QString, spaced);
    CollisionArmor armor;
    for (int i = count; i > 0; --i) {
        armor.addHullArmor(10.0f * i, QStringLiteral("armor_%1").arg(i), false);
        armor.addHullArmor(1.5f * i, QStringLiteral("spaced_%1").arg(i), true);
    }
    armor.buildArmorTables();
    QCOMPARE(ramp(armor.regularColors), regular);
    QCOMPARE(ramp(armor.spacedColors), spaced);
    for (const glm::vec4 &c : armor.regularColors) {
        QCOMPARE(c.a, 255.0f);
    }
}

void TestCollisionArmor::distinctThicknesses()
{
    CollisionArmor armor;
    armor.addHullArmor(80.0f, QStringLiteral("armor_1"), false);
    armor.addChassisArmor(20.0f, QStringLiteral("armor_1"), false);
    armor.addTurretArmor(80.0f, QStringLiteral("armor_2"), QStringLiteral("T1"), false);
    armor.addGunArmor(20.0f, QStringLiteral("gun"), QStringLiteral("G1"), false);
    armor.addHullArmor(20.0f, QStringLiteral("armor_4"), true);
    armor.addChassisArmor(10.0f, QStringLiteral("armor_5"), true);
    // Only the hull's regular surveying device, by its exact name, is not armour.
    armor.addHullArmor(50.0f, QStringLiteral("surveyingDevice"), false);
    armor.addHullArmor(51.0f, QStringLiteral("SurveyingDevice"), false);
    armor.addHullArmor(5.0f, QStringLiteral("surveyingDevice"), true);
    armor.addChassisArmor(52.0f, QStringLiteral("surveyingDevice"), false);
    armor.addTurretArmor(53.0f, QStringLiteral("surveyingDevice"), QStringLiteral("T1"), false);
    // A NaN would break the ordering of the sort and of the colour map.
    armor.addGunArmor(std::numeric_limits<float>::quiet_NaN(), QStringLiteral("gun_nan"),
                      QStringLiteral("G1"), false);
    armor.buildArmorTables();

    QCOMPARE(armor.regularThicknesses, (QVector<float> {20.0f, 51.0f, 52.0f, 53.0f, 80.0f}));
    QCOMPARE(armor.spacedThicknesses, (QVector<float> {5.0f, 10.0f, 20.0f}));
    QCOMPARE(armor.hullArmor.size(), 5);
    QCOMPARE(armor.gunArmor.size(), 2);
}

void TestCollisionArmor::colorForThickness()
{
    CollisionArmor armor;
    armor.addHullArmor(40.0f, QStringLiteral("a"), false);
    armor.addHullArmor(60.0f, QStringLiteral("b"), false);
    armor.addHullArmor(0.0f, QStringLiteral("c"), false);
    armor.addHullArmor(10.0f, QStringLiteral("s"), true);
    armor.addHullArmor(30.0f, QStringLiteral("s2"), true);
    armor.buildArmorTables(); // regular 0, 40, 60; spaced 10, 30

    QVERIFY(sameColor(armor.colorForThickness(40.0f, false, false), 255, 170, 0));
    QVERIFY(sameColor(armor.colorForThickness(25.0f, false, false), 0, 0, 0));
    QVERIFY(sameColor(armor.colorForThickness(25.0f, false, true), 128, 0, 128));

    armor.highlightRegular = true;
    armor.selectedRegularThickness = 40.0f;
    QVERIFY(sameColor(armor.colorForThickness(40.0f, false, false), 255, 170, 0));
    QVERIFY(sameColor(armor.colorForThickness(60.0f, false, false), 169, 169, 169));
    QVERIFY(sameColor(armor.colorForThickness(60.0f, false, true), 128, 0, 128));
    QVERIFY(sameColor(armor.colorForThickness(30.0f, true, false), 255, 127, 255));

    armor.highlightSpaced = true;
    armor.selectedSpacedThickness = 10.0f;
    QVERIFY(sameColor(armor.colorForThickness(30.0f, true, false), 169, 169, 169));
    QVERIFY(sameColor(armor.colorForThickness(10.0f, true, false), 255, 0, 255));

    // A selected 0 divides by 1, so a tiny difference is no difference.
    armor.selectedRegularThickness = 0.0f;
    QVERIFY(sameColor(armor.colorForThickness(0.0f, false, false), 255, 0, 0));
    QVERIFY(sameColor(armor.colorForThickness(1e-8f, false, false), 0, 0, 0));
    QVERIFY(sameColor(armor.colorForThickness(40.0f, false, false), 169, 169, 169));
}

void TestCollisionArmor::findAndClear()
{
    CollisionArmor armor;
    QCOMPARE(CollisionArmor::instance(), &armor);
    const QString a1 = QStringLiteral("armor_1");
    armor.addHullArmor(10.0f, a1, false);
    armor.addHullArmor(20.0f, a1, true);
    armor.addChassisArmor(30.0f, a1, false);
    armor.addTurretArmor(40.0f, a1, QStringLiteral("T1"), false);
    armor.addTurretArmor(45.0f, a1, QStringLiteral("T2"), true);
    armor.addGunArmor(50.0f, a1, QStringLiteral("G1"), false);

    QCOMPARE(armor.findHullArmor(a1).thickness, 20.0f);
    QVERIFY(armor.findHullArmor(a1).spaced);
    QCOMPARE(armor.findChassisArmor(a1).thickness, 30.0f);
    QCOMPARE(armor.findTurretArmor(a1, QStringLiteral("T1")).thickness, 40.0f);
    QCOMPARE(armor.findTurretArmor(a1, QStringLiteral("T2")).model, QStringLiteral("T2"));
    QCOMPARE(armor.findGunArmor(a1, QStringLiteral("G1")).thickness, 50.0f);

    const ArmorEntry none = armor.findHullArmor(QStringLiteral("Armor_1"));
    QVERIFY(none.thickness == 0.0f && none.name.isEmpty() && !none.spaced);
    const ModelArmorEntry noModel = armor.findGunArmor(a1, QStringLiteral("T1"));
    QVERIFY(noModel.thickness == 0.0f && noModel.name.isEmpty() && noModel.model.isEmpty());

    armor.buildArmorTables();
    armor.highlightRegular = armor.highlightSpaced = true;
    armor.selectedRegularThickness = armor.selectedSpacedThickness = 10.0f;
    armor.clear();
    QVERIFY(armor.hullArmor.isEmpty() && armor.chassisArmor.isEmpty());
    QVERIFY(armor.turretArmor.isEmpty() && armor.gunArmor.isEmpty());
    QVERIFY(armor.regularColors.isEmpty() && armor.spacedColors.isEmpty());
    QVERIFY(armor.regularThicknesses.isEmpty() && armor.spacedThicknesses.isEmpty());
    QVERIFY(!armor.highlightRegular && !armor.highlightSpaced);
    QCOMPARE(armor.selectedRegularThickness, -1.0f);
    QCOMPARE(armor.selectedSpacedThickness, -1.0f);
}

void TestCollisionArmor::armorTables()
{
    CollisionArmor armor;
    armor.addHullArmor(12.3456789f, QStringLiteral("a"), false);
    armor.addHullArmor(8.0f, QStringLiteral("b"), false);
    armor.buildArmorTables(); // no hooks yet

    QTableView regularView;
    QTableView spacedView;
    Tables tables;
    tables.regular = &regularView;
    tables.spaced = &spacedView;
    armor.setWindowHooks(&tables);
    armor.buildArmorTables();

    QPointer<QAbstractItemModel> first = regularView.model();
    QVERIFY(first);
    QCOMPARE(first->rowCount(), 2);
    QCOMPARE(first->columnCount(), 1);
    QCOMPARE(first->index(0, 0).data().toString(), QStringLiteral("8"));
    QCOMPARE(first->index(1, 0).data().toString(), QStringLiteral("12.3457"));
    QCOMPARE(first->index(1, 0).data(Qt::UserRole).toFloat(), 12.3456789f);
    QCOMPARE(background(first, 1), QColor(255, 254, 0));
    QVERIFY(regularView.horizontalHeader()->isHidden() && regularView.verticalHeader()->isHidden());
    QCOMPARE(spacedView.model()->rowCount(), 0);

    // A null view is skipped; the next tank's tables replace the old models, which go.
    QPointer<QItemSelectionModel> firstSelection = regularView.selectionModel();
    armor.clear();
    armor.addTurretArmor(30.0f, QStringLiteral("a"), QStringLiteral("T"), true);
    tables.regular = nullptr;
    armor.buildArmorTables();
    QCOMPARE(regularView.model(), first.data());
    tables.regular = &regularView;
    armor.buildArmorTables();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first && !firstSelection);
    QCOMPARE(regularView.model()->rowCount(), 0);
    QCOMPARE(background(spacedView.model(), 0), QColor(255, 0, 255));

    armor.setWindowHooks(nullptr);
    armor.buildArmorTables();
}

QTEST_MAIN(TestCollisionArmor)
#include "test_collisionarmor.moc"
