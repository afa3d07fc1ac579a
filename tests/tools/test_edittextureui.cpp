// The texture picker on lists the test fills and on a sample tank's definition:
// groups by kind and form, and which rows "Load" accepts.
#include "tools/edittextureui.h"

#include "tank/tankinfo.h"

#include "tank/tanktestsupport.h"

#include <QStandardItemModel>
#include <QtTest>

#include <memory>

class TestEditTextureUI : public QObject
{
    Q_OBJECT

    std::unique_ptr<TankServices> mServices;
    QList<MessageBoxRequest> mBoxes;

    TankInfo *info() { return TankInfo::instance(); }

    // Each group's text with its children, one line per group.
    static QStringList groups(const EditTextureUI &dialog)
    {
        QStringList lines;
        const QAbstractItemModel *model = dialog.ui.treeView->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex group = model->index(row, 0);
            QStringList children;
            for (int child = 0; child < model->rowCount(group); ++child) {
                children.append(model->index(child, 0, group).data().toString());
            }
            lines.append(group.data().toString() + QLatin1Char(':')
                         + children.join(QLatin1Char(',')));
        }
        return lines;
    }

private slots:
    void initTestCase()
    {
        mServices = std::make_unique<TankServices>();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
    }

    void cleanupTestCase()
    {
        setMessageBoxHandler({});
        mServices.reset();
    }

    void groupsFollowKindAndForm_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<bool>("specular");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("undamaged, all kinds")
            << 0 << true
            << QStringList({"Diffuse:d0,d1", "Specular:s0", "Normal:n0", "Metallic:m0", "Detail:t0",
                            "Exclusion:x0"});
        QTest::newRow("undamaged, no specular")
            << 0 << false
            << QStringList(
                   {"Diffuse:d0,d1", "Normal:n0", "Metallic:m0", "Detail:t0", "Exclusion:x0"});
        QTest::newRow("destroyed")
            << 1 << true << QStringList({"Diffuse:D0", "Specular:S0", "Normal:N0"});
        QTest::newRow("collision") << 2 << true << QStringList({"Diffuse:", "Normal:"});
    }

    void groupsFollowKindAndForm()
    {
        QFETCH(int, form);
        QFETCH(bool, specular);
        QFETCH(QStringList, expected);
        info()->clear();
        info()->undamagedDiffuse = {"d0", "d1"};
        info()->undamagedSpecular = specular ? QStringList({"s0"}) : QStringList();
        info()->undamagedNormal = {"n0"};
        info()->undamagedMetallic = {"m0"};
        info()->detailMaps = {"t0"};
        info()->exclusionMasks = {"x0"};
        info()->destroyedDiffuse = {"D0"};
        info()->destroyedSpecular = {"S0"};
        info()->destroyedNormal = {"N0"};
        info()->stateIndex = -1;
        TankLoader::instance()->tankModel = form;

        EditTextureUI dialog;
        dialog.fillTextureTree();
        QCOMPARE(groups(dialog), expected);
        QCOMPARE(info()->stateIndex, form);
        QCOMPARE(dialog.ui.treeView->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Select a texture"));
        QCOMPARE(dialog.ui.treeView->isExpanded(dialog.ui.treeView->model()->index(0, 0)), true);
        QVERIFY(
            !static_cast<QStandardItemModel *>(dialog.ui.treeView->model())->item(0)->isEditable());
        TankLoader::instance()->tankModel = Undamaged;
    }

    void loadAcceptsOnlyATexture()
    {
        mServices->useGame(SAMPLE + QStringLiteral("/Brastel"));
        info()->clear();
        info()->parse(readGameXml(
            sampleDefinition(QStringLiteral("kastrel"), QStringLiteral("K05_Ironhide"))));
        QVERIFY(!info()->undamagedDiffuse.isEmpty());
        EditTextureUI dialog;
        dialog.fillTextureTree();
        dialog.show();
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        const QAbstractItemModel *model = dialog.ui.treeView->model();
        QCOMPARE(model->rowCount(model->index(0, 0)), info()->undamagedDiffuse.size());

        // Nothing current, then a group row: refused, still open.
        dialog.ui.okButton->click();
        dialog.ui.treeView->setCurrentIndex(model->index(1, 0));
        dialog.ui.okButton->click();
        QCOMPARE(mBoxes.size(), 2);
        QCOMPARE(mBoxes.at(1).text, QStringLiteral("You must select a texture."));
        QCOMPARE(mBoxes.at(1).title, QStringLiteral("Hullscope"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(accepted.size(), 0);

        const QModelIndex texture = model->index(0, 0, model->index(0, 0));
        dialog.ui.treeView->setCurrentIndex(texture);
        dialog.ui.okButton->click();
        QCOMPARE(accepted.size(), 1);
        QCOMPARE(dialog.pickedTexture(), info()->undamagedDiffuse.first());
        QVERIFY(dialog.pickedTexture().startsWith(QStringLiteral("vehicles/kastrel/")));
    }
};

QTEST_MAIN(TestEditTextureUI)
#include "test_edittextureui.moc"
