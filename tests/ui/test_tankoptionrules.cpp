// The rules behind the tank options and armour tables, apart from their widgets: the
// gun's pitch sector for a turret yaw and the highlight toggle of a thickness.
#include "ui/mainwindow.h"

#include "tank/turretgun.h"

#include <QtTest>

#include <cfloat>

class TestTankOptionRules : public QObject
{
    Q_OBJECT

private slots:
    void gunPitchSector_data()
    {
        QTest::addColumn<QVector<float>>("back");
        QTest::addColumn<QVector<float>>("front");
        QTest::addColumn<int>("yaw");
        QTest::addColumn<bool>("inSector");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        // The sample guns' limits: front "-5 15 20", back "0 5 40".
        const QVector<float> back = {0, 5, 40};
        const QVector<float> front = {-5, 15, 20};
        const QVector<float> none = {0, 0, 0};
        QTest::newRow("front centre") << back << front << 0 << true << -15.0 << 5.0;
        QTest::newRow("front edge") << back << front << -20 << true << -15.0 << 5.0;
        QTest::newRow("past front edge") << back << front << 21 << false << 0.0 << 0.0;
        QTest::newRow("back edge") << back << front << 140 << true << -5.0 << 0.0;
        QTest::newRow("back, negative yaw") << back << front << -150 << true << -5.0 << 0.0;
        QTest::newRow("back at -180") << back << front << -180 << true << -5.0 << 0.0;
        QTest::newRow("between") << back << front << 90 << false << 0.0 << 0.0;
        // Yaw 0 counts as 360 in the back test, so with no front sector it is free.
        QTest::newRow("yaw 0 never back")
            << QVector<float> {0, 5, 179} << none << 0 << false << 0.0 << 0.0;
        QTest::newRow("both match, front wins")
            << QVector<float> {0, 5, 190} << front << 5 << true << -15.0 << 5.0;
        QTest::newRow("no sectors") << none << none << 0 << false << 0.0 << 0.0;
        // The width is truncated: 20.9 still ends at 20.
        QTest::newRow("truncated width")
            << back << QVector<float> {-5, 15, 20.9f} << 21 << false << 0.0 << 0.0;
    }

    void gunPitchSector()
    {
        QFETCH(QVector<float>, back);
        QFETCH(QVector<float>, front);
        QFETCH(int, yaw);
        QFETCH(bool, inSector);
        Gun gun;
        gun.extraPitchBack = glm::vec3(back[0], back[1], back[2]);
        gun.extraPitchFront = glm::vec3(front[0], front[1], front[2]);
        const auto range = MainWindow::gunPitchSector(yaw, gun);
        QCOMPARE(range.has_value(), inSector);
        if (inSector) {
            QTEST(range->first, "low");
            QTEST(range->second, "high");
        }
    }

    void pickThicknessTogglesTheSameValue()
    {
        // A value with more digits than the table shows is still itself.
        const float exact = 12.345678f;
        const MainWindow::ThicknessPick on = MainWindow::pickThickness(exact, -1.0f);
        QVERIFY(on.highlight);
        QCOMPARE(on.selected, exact);
        const MainWindow::ThicknessPick off = MainWindow::pickThickness(exact, on.selected);
        QVERIFY(!off.highlight);
        QCOMPARE(off.selected, -1.0f);
        // Another value moves the highlight, one within a float's step of the selected
        // one counts as the same; a zero selection divides by one.
        QCOMPARE(MainWindow::pickThickness(12.3457f, exact).selected, 12.3457f);
        QVERIFY(!MainWindow::pickThickness(12.345679f, exact).highlight);
        QVERIFY(MainWindow::pickThickness(0.5f, 0.0f).highlight);
        QVERIFY(!MainWindow::pickThickness(0.0f, 0.0f).highlight);
    }
};

QTEST_GUILESS_MAIN(TestTankOptionRules)
#include "test_tankoptionrules.moc"
