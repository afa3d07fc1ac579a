// The Preferences dialog on its own: the form, every widget loaded from the
// settings, the page list, the four path choosers through the chooser seam, the
// mod-folder history file, and checked screenshots of the three pages.
#include "ui/preferences.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/settings.h"
#include "core/sysinfo.h"

#include "render/viewtestsupport.h"

#include <QDialogButtonBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

bool flat(const QImage &image, const QRect &rect)
{
    const QRgb first = image.pixel(rect.topLeft());
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.pixel(x, y) != first) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

    QString mData;
    QList<FileChooserRequest> mChoosers;
    QString mAnswer;

    static QString historyFile() { return Preferences::modPathHistoryFile(); }

private slots:
    void initTestCase()
    {
        mData = userDataDir();
        setFileChooserHandler([this](const FileChooserRequest &request) {
            mChoosers.append(request);
            return mAnswer;
        });
    }

    void init()
    {
        mChoosers.clear();
        mAnswer.clear();
        QFile::remove(historyFile());
        Settings::instance()->loadSettings();
    }

    void startsOnPathsAndFollowsTheList()
    {
        Preferences dialog;
        QListWidget *list = dialog.ui.listWidget;
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), -1);
        QCOMPARE(dialog.ui.stackedWidget->currentWidget(), dialog.ui.PathsPage);
        QCOMPARE(dialog.ui.buttonBox->button(QDialogButtonBox::Ok)->text(), QStringLiteral("Ok"));
        QCOMPARE(dialog.ui.buttonBox->button(QDialogButtonBox::Cancel)->text(),
                 QStringLiteral("Cancel"));

        // The page follows the list; a null current keeps the previous item's page.
        list->setCurrentRow(2);
        QCOMPARE(dialog.ui.stackedWidget->currentWidget(), dialog.ui.RendererPage);
        dialog.changePage(nullptr, list->item(1));
        QCOMPARE(dialog.ui.stackedWidget->currentWidget(), dialog.ui.GeneralPage);
    }

    void widgetsShowTheSettings_data()
    {
        QTest::addColumn<QString>("msaa");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("shadowMap");
        QTest::addColumn<float>("samples");
        QTest::addColumn<bool>("flags");
        QTest::addColumn<QList<int>>("rows"); // msaa, filter, shadow map, samples
        QTest::newRow("known") << "8x"
                               << "Anisotropic 16x" << 4096 << 16.0f << true
                               << QList<int> {3, 5, 2, 2};
        QTest::newRow("unknown texts")
            << "3x"
            << "Nearest" << 512 << 8.9f << false << QList<int> {0, 0, 0, 1};
        QTest::newRow("defaults") << "4x"
                                  << "Anisotropic 4x" << 2048 << 5.0f << false
                                  << QList<int> {2, 3, 1, 0};
    }

    void widgetsShowTheSettings()
    {
        QFETCH(QString, msaa);
        QFETCH(QString, filter);
        QFETCH(int, shadowMap);
        QFETCH(float, samples);
        QFETCH(bool, flags);
        QFETCH(QList<int>, rows);
        Settings *s = Settings::instance();
        s->msaa = msaa;
        s->textureFilter = filter;
        s->shadowMapSize = shadowMap;
        s->shadowMapSamples = samples;
        s->vsync = flags ? 1 : 0;
        s->screenshotAlpha = s->screenshotTimeStamp = s->mouseInvertX = s->verticalTabs = flags;
        s->mouseInvertY = !flags;
        s->nativeFileDialog = s->overwriteTextures = flags;
        s->imageEditorPath = QStringLiteral("/usr/bin/gimp");

        Preferences dialog;
        const Ui_PreferencesDialog &ui = dialog.ui;
        QCOMPARE(ui.BrastelPathTxt->text(), s->brastelPath);
        QCOMPARE(ui.ModPathTxt->text(), s->modPath);
        QCOMPARE(ui.ImageEditorTxt->text(), QStringLiteral("/usr/bin/gimp"));
        QCOMPARE(ui.ScreenshotTxt->text(), s->screenshotPath);
        QCOMPARE(ui.MsaaCombo->currentIndex(), rows[0]);
        QCOMPARE(ui.TextureFilterCombo->currentIndex(), rows[1]);
        QCOMPARE(ui.ShadowMapCombo->currentIndex(), rows[2]);
        QCOMPARE(ui.ShadowSamplesCombo->currentIndex(), rows[3]);
        QCOMPARE(ui.VSyncCombo->currentIndex(), flags ? 1 : 0);
        QCOMPARE(ui.screenTransparentCombo->currentIndex(), flags ? 1 : 0);
        QCOMPARE(ui.screenTimeStampCombo->currentIndex(), flags ? 1 : 0);
        QCOMPARE(ui.camInvertX->isChecked(), flags);
        QCOMPARE(ui.camInvertY->isChecked(), !flags);
        QCOMPARE(ui.verticalTabs->isChecked(), flags);
        // Inverted: the boxes ask for the program's own dialogs and for a prompt.
        QCOMPARE(ui.nativeFileDialog->isChecked(), !flags);
        QCOMPARE(ui.overwriteTexture->isChecked(), !flags);
        QCOMPARE(ui.MsaaCombo->itemText(0), QStringLiteral("Disabled"));
        QCOMPARE(ui.TextureFilterCombo->itemText(5), QStringLiteral("Anisotropic 16x"));
    }

    void choosersGoThroughTheSeam()
    {
        Settings *s = Settings::instance();
        s->nativeFileDialog = false;
        s->modPath.clear();
        Preferences dialog;

        mAnswer = QStringLiteral("/games/brastel");
        QTest::mouseClick(dialog.ui.BrastelPathBtn, Qt::LeftButton);
        mAnswer = QStringLiteral("/shots");
        QTest::mouseClick(dialog.ui.BrastelPathBtn_2, Qt::LeftButton);
        mAnswer = QStringLiteral("/usr/bin/gimp");
        QTest::mouseClick(dialog.ui.ImageEditorBtn, Qt::LeftButton);
        mAnswer = QStringLiteral("/mods/a");
        QTest::mouseClick(dialog.ui.ModPathBtn, Qt::LeftButton);
        QTest::mouseClick(dialog.ui.ModPathBtn, Qt::LeftButton);
        mAnswer.clear();
        QTest::mouseClick(dialog.ui.ModPathBtn, Qt::LeftButton);

        QCOMPARE(mChoosers.size(), 6);
        const FileChooserRequest &game = mChoosers.at(0);
        QCOMPARE(game.kind, FileChooserKind::Directory);
        QCOMPARE(game.native, false);
        QCOMPARE(game.caption, QStringLiteral("Open Directory"));
        QCOMPARE(game.dir, s->brastelPath);
        QVERIFY(game.history.isEmpty());
        QCOMPARE(mChoosers.at(1).dir, s->screenshotPath);
        const FileChooserRequest &editor = mChoosers.at(2);
        QCOMPARE(editor.kind, FileChooserKind::OpenFile);
        QCOMPARE(editor.caption, QStringLiteral("Select a file"));
        QCOMPARE(editor.filter, QStringLiteral("Executable (*.exe);;All Files (*)"));
        QVERIFY(editor.dir.isEmpty());
        // No mod folder yet: the game's "mods", joined with "/"; the history grows.
        QCOMPARE(mChoosers.at(3).dir, s->brastelPath + QStringLiteral("/mods"));
        QVERIFY(mChoosers.at(3).history.isEmpty());
        QCOMPARE(mChoosers.at(4).history, QStringList {QStringLiteral("/mods/a")});
        QCOMPARE(dialog.modPathHistory(), QStringList {QStringLiteral("/mods/a")});

        // A cancelled chooser changes no text; the stored settings do not change.
        QCOMPARE(dialog.ui.BrastelPathTxt->text(), QStringLiteral("/games/brastel"));
        QCOMPARE(dialog.ui.ScreenshotTxt->text(), QStringLiteral("/shots"));
        QCOMPARE(dialog.ui.ImageEditorTxt->text(), QStringLiteral("/usr/bin/gimp"));
        QCOMPARE(dialog.ui.ModPathTxt->text(), QStringLiteral("/mods/a"));
        QVERIFY(s->brastelPath != QStringLiteral("/games/brastel"));

        s->nativeFileDialog = true;
        QTest::mouseClick(dialog.ui.BrastelPathBtn, Qt::LeftButton);
        QCOMPARE(mChoosers.last().native, true);
    }

    void historyFileRoundTrip()
    {
        // An older file with a non-ASCII folder in Qt 4's escapes.
        {
            QFile file(historyFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[General]\nHistoryModPath=/mods/old, /mods/\\x00e9t\\x00e9\n");
        }
        {
            Preferences dialog;
            QCOMPARE(dialog.modPathHistory(), QStringList({QStringLiteral("/mods/old"),
                                                           QStringLiteral("/mods/\u00e9t\u00e9")}));
            mAnswer = QStringLiteral("/mods/new \u00fc");
            QTest::mouseClick(dialog.ui.ModPathBtn, Qt::LeftButton);
            mAnswer = QStringLiteral("/mods/old");
            QTest::mouseClick(dialog.ui.ModPathBtn, Qt::LeftButton);
            QCOMPARE(mChoosers.last().history.size(), 3);
            dialog.reject(); // written all the same when the dialog goes
        }
        const QStringList expected = {QStringLiteral("/mods/old"),
                                      QStringLiteral("/mods/\u00e9t\u00e9"),
                                      QStringLiteral("/mods/new \u00fc")};
        QCOMPARE(QSettings(historyFile(), QSettings::IniFormat)
                     .value(QStringLiteral("HistoryModPath"))
                     .toStringList(),
                 expected);
        Preferences again;
        QCOMPARE(again.modPathHistory(), expected);
    }

    void emptyHistoryWritesNothing()
    {
        {
            Preferences dialog;
        }
        QVERIFY(!QFile::exists(historyFile()));
    }

    // The three pages under Xvfb, kept for people and probed here.
    void screenshotsOfThePages()
    {
        Preferences dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QDir().mkpath(dir);
        const QRect stackRect(dialog.ui.stackedWidget->mapTo(&dialog, QPoint(0, 0)),
                              dialog.ui.stackedWidget->size());
        QList<QImage> pages;
        for (int row = 0; row < 3; ++row) {
            dialog.ui.listWidget->setCurrentRow(row);
            QCoreApplication::processEvents();
            const QImage image = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QVERIFY(image.save(dir + QStringLiteral("/preferences-page%1.png").arg(row)));
            pages.append(image.copy(stackRect));
            // Each icon was drawn: its rectangle in the list is not one colour.
            for (int item = 0; item < 3; ++item) {
                QListWidget *list = dialog.ui.listWidget;
                const QRect itemRect = list->visualItemRect(list->item(item));
                QVERIFY(!itemRect.isEmpty());
                const QRect inDialog(list->viewport()->mapTo(&dialog, itemRect.topLeft()),
                                     itemRect.size());
                QVERIFY2(!flat(image, inDialog), qPrintable(QString::number(item)));
            }
            if (row == 0) {
                // What the grab shows comes from the settings file of this test.
                const Settings *s = Settings::instance();
                QCOMPARE(dialog.ui.BrastelPathTxt->text(),
                         QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR "/Brastel"));
                QCOMPARE(dialog.ui.ModPathTxt->text(), s->modPath);
                QCOMPARE(dialog.ui.ScreenshotTxt->text(), s->screenshotPath);
                QVERIFY(dialog.ui.BrastelPathTxt->isVisible());
                QVERIFY(!dialog.ui.GeneralPage->isVisible());
            }
        }
        QVERIFY(pages[0] != pages[1]);
        QVERIFY(pages[1] != pages[2]);
        QVERIFY(pages[0] != pages[2]);
    }

    void cleanupTestCase() { setFileChooserHandler({}); }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ViewTestTree tree;
    const QString settings = tree.path() + QStringLiteral("/data/settings.cfg");
    if (!tree.ready()
        || QProcess::execute(QStringLiteral("python3"),
                             {QStringLiteral(HULLSCOPE_TOOLS_DIR "/samplegame/write_settings.py"),
                              settings, QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR)})
               != 0) {
        qCritical("cannot make the program tree");
        return 1;
    }
    Log log;
    MessageStrings strings;
    Settings settingsService;
    TestPreferences test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_preferences.moc"
