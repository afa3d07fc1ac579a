// The main window's Preferences command, recent tanks, window layouts and quick
// screenshots on the small sample game, driven through the real widgets: the dialog
// is answered by clicking its own buttons, boxes through the dialog seam.
#include "windowtestsupport.h"

#include "ui/preferences.h"

#include "render/textureloader.h"

#include "gamedata/database.h"

#include "core/filemanager.h"
#include "core/sysinfo.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QMenu>
#include <QOpenGLFunctions>
#include <QPushButton>
#include <QSettings>

namespace {

// What a layout decides about the docks: shown, area, floating, tabbed with whom.
QStringList arrangement(MainWindow &window)
{
    QStringList lines;
    for (QDockWidget *dock : window.findChildren<QDockWidget *>()) {
        QStringList tabbed;
        for (QDockWidget *other : window.tabifiedDockWidgets(dock)) {
            tabbed.append(other->objectName());
        }
        tabbed.sort();
        lines.append(QStringLiteral("%1 hidden=%2 area=%3 floating=%4 tabs=%5")
                         .arg(dock->objectName())
                         .arg(dock->isHidden())
                         .arg(int(window.dockWidgetArea(dock)))
                         .arg(dock->isFloating())
                         .arg(tabbed.join(QLatin1Char(','))));
    }
    lines.sort();
    return lines;
}

QString identify(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("identify"),
                  {QStringLiteral("-format"), QStringLiteral("%wx%h %A"), file});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestMainWindowPrefsGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    QStringList mEvents;
    QStringList mStartArrangement;
    QList<bool> mFilterContexts; // whether the view's context was current, per change
    bool mGl = false;

    Ui_MainWindow &ui() { return f.ui(); }
    RenderWidget *view() { return f.view(); }
    QString data() const { return userDataDir(); }
    void openWindow() { QVERIFY(f.open()); }
    void waitFrames(int frames) { QVERIFY(f.waitFrames(frames)); }
    void load(const QString &name) { QVERIFY2(f.loadWithButton(name), qPrintable(name)); }

    QStringList recentMenu()
    {
        QStringList texts;
        for (QAction *action : ui().menuRecent_Tanks->actions()) {
            if (action->isVisible()) {
                texts.append(action->text());
            }
        }
        return texts;
    }

    // The boxes' texts, forgotten once read.
    QStringList boxTexts()
    {
        const QStringList texts = f.boxTexts();
        f.boxes.clear();
        return texts;
    }

    // Runs Preferences from its menu entry; edit changes the open dialog, which is
    // then closed with its Ok or Cancel button.
    void runPreferences(const std::function<void(Preferences &)> &edit, bool accept = true)
    {
        bool seen = false;
        QTimer::singleShot(0, this, [&]() {
            auto *dialog = qobject_cast<Preferences *>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            seen = true;
            QCOMPARE(dialog->parentWidget(), f.window.get());
            QVERIFY(dialog->windowFlags() & Qt::WindowCloseButtonHint);
            edit(*dialog);
            // Whatever context the dialog's painting left must not matter.
            if (QOpenGLContext *current = QOpenGLContext::currentContext()) {
                current->doneCurrent();
            }
            QTest::mouseClick(dialog->ui.buttonBox->button(accept ? QDialogButtonBox::Ok
                                                                  : QDialogButtonBox::Cancel),
                              Qt::LeftButton);
        });
        ui().actionPreferences->trigger();
        QVERIFY(seen);
    }

    void recordSettingsSignals()
    {
        Settings *s = Settings::instance();
        const std::pair<void (Settings::*)(), const char *> signalNames[] = {
            {&Settings::brastelPathChanged, "brastelPath"},
            {&Settings::modPathChanged, "modPath"},
            {&Settings::textureFilterChanged, "textureFilter"},
            {&Settings::msaaChanged, "msaa"},
            {&Settings::shadowMapSizeChanged, "shadowMapSize"},
            {&Settings::mouseInvertChanged, "mouseInvert"}};
        // The texture loader reads the anisotropy limit of whatever context is current.
        connect(s, &Settings::textureFilterChanged, this, [this]() {
            mFilterContexts.append(QOpenGLContext::currentContext() == view()->context());
        });
        for (const auto &[signal, name] : signalNames) {
            connect(s, signal, this,
                    [this, name = QString::fromLatin1(name)]() { mEvents.append(name); });
        }
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        mGl = true;
        f.onBox = [this](const MessageBoxRequest &request) {
            mEvents.append(QStringLiteral("box: ") + request.text);
        };
        recordSettingsSignals();
        QVERIFY(f.start());
        // No layout file in this tree: the start-up arrangement, kept for comparing.
        mStartArrangement = arrangement(*f.window);
        QVERIFY(!f.window->tabifiedDockWidgets(ui().TanksDock).isEmpty());
    }

    void init()
    {
        f.boxes.clear();
        mEvents.clear();
    }

    void cleanup()
    {
        if (mGl) {
            QVERIFY2(f.boxes.isEmpty(), qPrintable(f.boxes.value(0).text));
        }
    }

    // Every change lands in its order, under the view's context: the anisotropy limit
    // is read there even though no context is current when Ok is clicked.
    void acceptedPreferencesApplyInOrder()
    {
        Settings *s = Settings::instance();
        const QString oldGame = s->brastelPath;
        const QString newMod = QDir(data()).filePath(QStringLiteral("mods2"));
        runPreferences([&](Preferences &dialog) {
            // The same game folder in other words: valid, announced after the save.
            dialog.ui.BrastelPathTxt->setText(oldGame + QLatin1Char('/'));
            dialog.ui.ModPathTxt->setText(newMod);
            dialog.ui.ShadowMapCombo->setCurrentIndex(2);
            dialog.ui.ShadowSamplesCombo->setCurrentIndex(2);
            dialog.ui.MsaaCombo->setCurrentIndex(1);
            dialog.ui.TextureFilterCombo->setCurrentText(QStringLiteral("Trilinear"));
            dialog.ui.camInvertY->setChecked(true);
            dialog.ui.verticalTabs->setChecked(true);
            dialog.ui.nativeFileDialog->setChecked(true);
            dialog.ui.overwriteTexture->setChecked(true);
            dialog.ui.screenTransparentCombo->setCurrentIndex(1);
        });
        QCOMPARE(mEvents,
                 QStringList({"shadowMapSize", "modPath", "msaa", "textureFilter", "mouseInvert",
                              "brastelPath",
                              "box: Application requires restart for settings to take effect."}));
        f.boxes.clear();
        QCOMPARE(s->shadowMapSize, 4096);
        QCOMPARE(s->shadowMapSamples, 16.0f);
        QCOMPARE(s->msaa, QStringLiteral("2x"));
        QVERIFY(s->mouseInvertY && !s->mouseInvertX);
        QVERIFY(s->screenshotAlpha);
        QVERIFY(!s->nativeFileDialog && !s->overwriteTextures && s->verticalTabs);
        QVERIFY(s->brastelPathValid && !s->firstRun);
        QVERIFY(f.window->dockOptions() & QMainWindow::VerticalTabs);
        QFile file(s->settingsFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY(saved.contains("<ShadowMap>4096</ShadowMap>"));
        QVERIFY(saved.contains("<TextureFilter>Trilinear</TextureFilter>"));
        // The rebuilt database still lists the sample's tanks.
        QVERIFY(ui().mTankListView->model()->rowCount() > 0);

        // Only the filter: no restart, and no other listener makes a context current
        // first.
        mEvents.clear();
        runPreferences([](Preferences &dialog) {
            dialog.ui.TextureFilterCombo->setCurrentText(QStringLiteral("Anisotropic 16x"));
        });
        QCOMPARE(mEvents, QStringList({"textureFilter", "mouseInvert"}));
        QCOMPARE(mFilterContexts, QList<bool>({true, true}));
        float limit = 0.0f;
        {
            ViewContextGuard guard(view());
            QOpenGLContext::currentContext()->functions()->glGetFloatv(0x84FF, &limit);
        }
        QVERIFY2(limit > 0.0f, "the context offers no anisotropic filtering");
        QCOMPARE(TextureLoader::instance()->anisotropy, std::min(16.0f, limit));

        // Unchanged, accepted again: only the always-sent signal and the save.
        s->setScreenshotAlpha(false);
        mEvents.clear();
        runPreferences([](Preferences &) {});
        QCOMPARE(mEvents, QStringList({"mouseInvert"}));
        QVERIFY(!(f.window->dockOptions() & QMainWindow::VerticalTabs) == !s->verticalTabs);
    }

    void cancelAppliesNothing()
    {
        Settings *s = Settings::instance();
        QFile file(s->settingsFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const QString msaa = s->msaa;
        runPreferences(
            [](Preferences &dialog) {
                dialog.ui.MsaaCombo->setCurrentIndex(4);
                dialog.ui.BrastelPathTxt->clear();
                dialog.ui.camInvertX->setChecked(true);
            },
            false);
        QVERIFY(mEvents.isEmpty());
        QCOMPARE(s->msaa, msaa);
        QVERIFY(!s->mouseInvertX);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // Stored values no item matches: shown as the first item, stored as shown.
    void oddStoredValuesAreStoredAsShown()
    {
        Settings *s = Settings::instance();
        s->msaa = QStringLiteral("3x");
        s->shadowMapSize = 512;
        runPreferences([](Preferences &) {});
        QCOMPARE(s->msaa, QStringLiteral("Disabled"));
        QCOMPARE(s->shadowMapSize, 1024);
        QCOMPARE(mEvents,
                 QStringList({"shadowMapSize", "msaa", "mouseInvert",
                              "box: Application requires restart for settings to take effect."}));
        f.boxes.clear();
    }

    // An empty game path becomes the default, which holds no game here; a folder
    // whose executable is named in capitals is valid, as everywhere else.
    void gamePathChecks()
    {
        Settings *s = Settings::instance();
        const QString sample = s->brastelPath;
        runPreferences([](Preferences &dialog) { dialog.ui.BrastelPathTxt->clear(); });
        QCOMPARE(
            boxTexts(),
            QStringList(
                {"Brastel path is empty, using default path.",
                 "Brastel path does not appear to be valid. Please check Preferences again."}));
        QCOMPARE(s->brastelPath, QStringLiteral("c:\\Games\\Brastel"));
        QVERIFY(!s->brastelPathValid && !s->firstRun);
        QVERIFY(!mEvents.contains(QStringLiteral("brastelPath")));

        QTemporaryDir capitals;
        QVERIFY(writeFile(capitals.filePath(QStringLiteral("BRASTEL.EXE")), QByteArray()));
        runPreferences(
            [&](Preferences &dialog) { dialog.ui.BrastelPathTxt->setText(capitals.path()); });
        QVERIFY(s->brastelPathValid);
        QVERIFY(mEvents.contains(QStringLiteral("brastelPath")));
        // The database finds nothing in it; the path itself is not called invalid.
        const QString noDatabase = QStringLiteral(
            "Could not build the database.\nPlease check that your Brastel path is correct.");
        QCOMPARE(boxTexts(), QStringList({noDatabase}));

        // The default folder, relative here (backslashes are separators to the game-path
        // check), holding the game: announced, no warning.
        QVERIFY(writeFile(QDir::current().filePath(QStringLiteral("c:/Games/Brastel/Brastel.exe")),
                          QByteArray()));
        mEvents.clear();
        runPreferences([](Preferences &dialog) { dialog.ui.BrastelPathTxt->clear(); });
        QCOMPARE(boxTexts(),
                 QStringList({"Brastel path is empty, using default path.", noDatabase}));
        QVERIFY(mEvents.contains(QStringLiteral("brastelPath")));
        QVERIFY(s->brastelPathValid);

        mEvents.clear();
        runPreferences([&](Preferences &dialog) { dialog.ui.BrastelPathTxt->setText(sample); });
        QVERIFY(mEvents.contains(QStringLiteral("brastelPath")));
        f.boxes.clear();
        QVERIFY(ui().mTankListView->model()->rowCount() > 0);
    }

    void recentTanksFollowLoads()
    {
        load(QStringLiteral("Sprite"));
        load(QStringLiteral("Lynx"));
        load(QStringLiteral("Sprite"));
        QCOMPARE(recentMenu(), QStringList({"Sprite", "Lynx"}));

        for (const char *name : {"A", "B", "C", "D"}) {
            f.window->addTankRecent(QString::fromLatin1(name));
        }
        QCOMPARE(recentMenu(), QStringList({"D", "C", "B", "A", "Sprite"}));
        QCOMPARE(ui().menuRecent_Tanks->actions().size(), 5);

        // A recent entry clears the filter box and loads exactly that tank.
        f.window->addTankRecent(QStringLiteral("Lynx"));
        QTest::keyClicks(ui().tankFilter, QStringLiteral("zzz"));
        ui().menuRecent_Tanks->actions().at(0)->trigger();
        QVERIFY(ui().tankFilter->text().isEmpty());
        QCOMPARE(TankLoader::instance()->tankName, QStringLiteral("Lynx"));
        QCOMPARE(recentMenu().first(), QStringLiteral("Lynx"));

        // A prefix of "Sprite" is not "Sprite".
        f.window->addTankRecent(QStringLiteral("Spri"));
        ui().menuRecent_Tanks->actions().at(0)->trigger();
        QCOMPARE(boxTexts(), QStringList({"Could not find tank: Spri"}));
        QVERIFY(Log::instance()->text(1).contains(QStringLiteral("Could not find tank: Spri")));
        QCOMPARE(TankLoader::instance()->tankName, QStringLiteral("Lynx"));

        // A tank the nation filter hides is not found either.
        f.window->addTankRecent(QStringLiteral("Sprite"));
        for (int i = 1; i < ui().NationCombo->count(); ++i) {
            ui().NationCombo->setCurrentIndex(i);
            const QAbstractItemModel *model = ui().mTankListView->model();
            if (model
                    ->match(model->index(0, 0), Qt::DisplayRole, QStringLiteral("Sprite"), 1,
                            Qt::MatchExactly)
                    .isEmpty()) {
                break;
            }
        }
        ui().menuRecent_Tanks->actions().at(0)->trigger();
        QCOMPARE(boxTexts(), QStringList({"Could not find tank: Sprite"}));
        ui().NationCombo->setCurrentIndex(0);
    }

    // recent.list and user.layout outlive the window; an older file's escapes and
    // non-ASCII names survive the round trip.
    void recentTanksAndLayoutSurviveANewWindow()
    {
        const QString recent = data() + QStringLiteral("/recent.list");
        // The window writes its list when it goes: the older file comes after.
        f.window.reset();
        QVERIFY(writeFile(recent, "[General]\nRecentTanks=Lynx, Pz. \\xdc\\x62\\x65r, Sprite\n"));
        openWindow();
        QCOMPARE(recentMenu(), QStringList({"Lynx", "Pz. \u00dcber", "Sprite"}));
        f.window->addTankRecent(QStringLiteral("\u0422-34"));

        ui().CameraDock->show();
        ui().LogViewDock->show();
        f.window->splitDockWidget(ui().TanksDock, ui().CameraDock, Qt::Vertical);
        QCoreApplication::processEvents();
        const QStringList saved = arrangement(*f.window);
        QVERIFY(saved != mStartArrangement);
        f.window->saveLayout();
        QCOMPARE(boxTexts(), QStringList({"Saved window layout"}));
        QVERIFY(Log::instance()->text(0).contains(QStringLiteral("Saved window layout")));

        openWindow();
        QCOMPARE(arrangement(*f.window), saved);
        QVERIFY(
            Log::instance()->text(0).contains(QStringLiteral("Loaded layout file: user.layout")));
        QCOMPARE(recentMenu(), QStringList({"\u0422-34", "Lynx", "Pz. \u00dcber", "Sprite"}));
        QCOMPARE(QSettings(recent, QSettings::IniFormat).value(QStringLiteral("RecentTanks")),
                 QVariant(QStringList({"\u0422-34", "Lynx", "Pz. \u00dcber", "Sprite"})));
    }

    // A user.layout that does not restore falls through to the shipped one, which
    // gives the start-up arrangement: regenerate it (scripts/make-layout) when the
    // docks change.
    void shippedLayoutIsTheStartArrangement()
    {
        QVERIFY(writeFile(data() + QStringLiteral("/user.layout"),
                          "[General]\nwindowState=@ByteArray(garbage)\n"));
        QVERIFY(QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/default.layout"),
                            data() + QStringLiteral("/default.layout")));
        const QString loaded = QStringLiteral("Loaded layout file: default.layout");
        const int before = f.logCount(loaded, Info);
        openWindow();
        QCOMPARE(f.logCount(loaded, Info), before + 1);
        QCOMPARE(arrangement(*f.window), mStartArrangement);

        ui().armorDock->show();
        f.window->loadDefaultLayout();
        QCOMPARE(boxTexts(), QStringList({"Restored default layout"}));
        QVERIFY(ui().armorDock->isHidden());
    }

    // A layout that could not be written is not reported as saved.
    void unwritableLayoutSaysSo()
    {
        const QString file = data() + QStringLiteral("/user.layout");
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file)); // a folder where the file should go
        const int before = f.logCount(QStringLiteral("Saved window layout"), Info);
        f.window->saveLayout();
        QVERIFY(QDir().rmdir(file));
        QCOMPARE(boxTexts(), QStringList({"Could not save window layout"}));
        QCOMPARE(f.logCount(QStringLiteral("Saved window layout"), Info), before);
        QCOMPARE(f.logCount(QStringLiteral("Could not save window layout: ") + file, Warning), 1);
    }

    void missingOrBrokenDefaultLayoutSaysSo_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("corrupt") << QByteArray(
            "[General]\nwindowState=@ByteArray(\\0\\0\\0\\xff)\n");
    }

    void missingOrBrokenDefaultLayoutSaysSo()
    {
        QFETCH(QByteArray, contents);
        const QString file = data() + QStringLiteral("/default.layout");
        QFile::remove(file);
        if (!contents.isEmpty()) {
            QVERIFY(writeFile(file, contents));
        }
        const QString text = QStringLiteral("Could not locate default.layout");
        const int before = f.logCount(text, Warning);
        ui().armorDock->show();
        f.window->loadDefaultLayout();
        QCOMPARE(boxTexts(), QStringList({text}));
        QCOMPARE(f.logCount(text, Warning), before + 1);
        QVERIFY(ui().armorDock->isHidden());
    }

    void screenshotFileName_data()
    {
        QTest::addColumn<QString>("tank");
        QTest::addColumn<bool>("timeStamp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("forbidden characters")
            << "A/B*C<D>E:F|G?H\\I\"J" << false << "A_B_C_D_E_F_G_H_I_J.png";
        QTest::newRow("blanks stay") << "Pz. IV H" << false << "Pz. IV H.png";
        QTest::newRow("no tank") << "" << false << ".png";
        QTest::newRow("no tank, time") << "" << true << "_9-5-3.png";
        QTest::newRow("time without zeros") << "Lynx" << true << "Lynx_9-5-3.png";
    }

    void screenshotFileName()
    {
        QFETCH(QString, tank);
        QFETCH(bool, timeStamp);
        QFETCH(QString, expected);
        QCOMPARE(MainWindow::screenshotFileName(tank, timeStamp, QTime(9, 5, 3)), expected);
    }

    // The picture on the clipboard is the view's frame; the file in the screenshot
    // folder has the view's size, and alpha only when asked for.
    void quickScreenshots()
    {
        Settings *s = Settings::instance();
        const QString shots = data() + QStringLiteral("/shots");
        QVERIFY(QDir().mkpath(shots));
        s->screenshotPath = shots;
        s->screenshotTimeStamp = false;
        load(QStringLiteral("Sprite"));
        const QString file = shots + QStringLiteral("/Sprite.png");
        const QSize pixels = view()->size() * view()->devicePixelRatio();
        const QString size = QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height());

        for (const bool alpha : {false, true}) {
            s->screenshotAlpha = alpha;
            view()->paintBlocked = false;
            waitFrames(1);
            // The grabs below read the frame just drawn.
            view()->paintBlocked = true;
            f.window->takeScreenshot();
            QCOMPARE(boxTexts(), QStringList({"Copied image to clipboard."}));
            QImage expected = view()->grabFramebuffer();
            if (!alpha) {
                expected = expected.convertToFormat(QImage::Format_RGB32);
            }
            const QImage clip = QGuiApplication::clipboard()->image();
            QCOMPARE(clip.convertToFormat(QImage::Format_ARGB32),
                     expected.convertToFormat(QImage::Format_ARGB32));
            QCOMPARE(clip.hasAlphaChannel(), alpha);

            ui().actionScreenShotSave->trigger();
            QCOMPARE(boxTexts(), QStringList({"Image saved ok."}));
            const QString info = identify(file);
            QVERIFY2(info.startsWith(size + QLatin1Char(' ')), qPrintable(info));
            const QString channel = info.section(QLatin1Char(' '), 1);
            QVERIFY2(
                alpha ? channel != QLatin1String("Undefined") && channel != QLatin1String("False")
                      : channel == QLatin1String("Undefined") || channel == QLatin1String("False"),
                qPrintable(info));
        }
        s->screenshotAlpha = false;

        // A folder that is not there; in full screen no box, the log all the same.
        s->screenshotPath = data() + QStringLiteral("/no/such/folder");
        const QString failed = QStringLiteral("Failed to save screenshot.");
        const QString saving = QStringLiteral("Saving screenshot: ") + file;
        const int failedBefore = f.logCount(failed, Warning);
        const int savingBefore = f.logCount(saving, Info);
        f.window->takeScreenshotFile();
        QCOMPARE(boxTexts(), QStringList({failed}));
        QCOMPARE(f.logCount(failed, Warning), failedBefore + 1);
        f.window->toggleFullscreen(true);
        f.window->takeScreenshotFile();
        s->screenshotPath = shots;
        f.window->takeScreenshotFile();
        f.window->takeScreenshot();
        f.window->toggleFullscreen(false);
        QCOMPARE(boxTexts(), QStringList());
        QCOMPARE(f.logCount(failed, Warning), failedBefore + 2);
        QCOMPARE(f.logCount(saving, Info), savingBefore + 1);
        view()->paintBlocked = false;

        f.urls.urls.clear();
        ui().actionOpen_Screenshot_Directory->trigger();
        QCOMPARE(f.urls.urls, QList<QUrl> {QUrl::fromLocalFile(shots + QLatin1Char('/'))});
    }

    void cleanupTestCase()
    {
        if (mGl) {
            f.stop();
        }
    }
};

HULLSCOPE_WINDOW_TEST_MAIN(TestMainWindowPrefsGl)

#include "test_mainwindow_prefs_gl.moc"
