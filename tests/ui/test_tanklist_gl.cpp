// The tank list of the main window on the sample game: loading by key and double
// click, its context menu, and the mod-folder operations (open, create, extract, edit,
// UV map, export) with their checks, questions and failures, the window they leave and
// the dialogs' parent; the folder openers (with the screenshot folder's); the copy of a
// camouflage texture out of the packages. Boxes are answered through the dialog seam.
#include "windowtestsupport.h"

#include "gamedata/database.h"

#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>

class TestTankListGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    bool mGl = false;

    QString modPath() const { return f.mod.path(); }
    QString tankFolder(const QString &name)
    {
        return modPath() + QLatin1Char('/') + Database::instance()->tankDirectory(name);
    }
    // Empties the mod folder between cases.
    void emptyMod()
    {
        QDir(modPath()).removeRecursively();
        QDir().mkpath(modPath());
        Settings::instance()->modPath = modPath();
    }

    // What a load shows in the window: turret and gun boxes, rotation ranges, the
    // newest recent tank, the armour table and results, the status bar.
    QStringList windowState()
    {
        Ui_MainWindow &ui = f.ui();
        QStringList state;
        for (const QComboBox *box : {ui.turretComboBox, ui.gunComboBox}) {
            for (int i = 0; i < box->count(); ++i) {
                state.append(box->itemText(i));
            }
            state.append(box->currentText());
        }
        for (const QDoubleSpinBox *spin : {ui.turretRotationSpin, ui.gunRotationSpin}) {
            state.append(QStringLiteral("%1 to %2, %3")
                             .arg(spin->minimum())
                             .arg(spin->maximum())
                             .arg(spin->isEnabled()));
        }
        state.append(ui.menuRecent_Tanks->actions().value(0)->text());
        const QAbstractItemModel *armour = ui.armorTableView->model();
        state.append(QString::number(armour ? armour->rowCount() : -1));
        state.append(ui.armorResultsText->toPlainText());
        state.append(
            f.window->statusBar()->currentMessage().section(QStringLiteral(" in: "), 0, 0));
        return state;
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        QVERIFY(f.start());
        mGl = true;
        // No frames needed: keep the frame loop off the shared cores.
        f.view()->paintBlocked = true;
    }

    void init()
    {
        f.boxes.clear();
        f.answers.clear();
        f.urls.urls.clear();
        emptyMod();
    }

    void cleanupTestCase()
    {
        if (mGl) {
            f.stop();
        }
    }

    // Without a mod folder only its warning shows, before the selection is looked at;
    // the UV map needs no mod folder, only a selection.
    void checksComeInOrder_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<bool>("needsModFolder");
        for (const char *slot : {"openDirectory", "createDirectory", "extractTextures",
                                 "editTexture", "exportTankMesh"}) {
            QTest::newRow(slot) << QByteArray(slot) << true;
        }
        QTest::newRow("generateUVMap") << QByteArray("generateUVMap") << false;
    }

    void checksComeInOrder()
    {
        QFETCH(QByteArray, slot);
        QFETCH(bool, needsModFolder);
        TankListView *list = f.ui().mTankListView;
        list->setCurrentIndex(QModelIndex());
        Settings::instance()->modPath.clear();
        QVERIFY(QMetaObject::invokeMethod(list, slot.constData()));
        QCOMPARE(f.boxTexts(),
                 QStringList {needsModFolder ? QStringLiteral("You must select a mod folder in the "
                                                              "application preferences.")
                                             : QStringLiteral("You must select a tank.")});
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(f.boxes.at(0).title, QStringLiteral("Hullscope"));
        f.boxes.clear();
        Settings::instance()->modPath = modPath();
        QVERIFY(QMetaObject::invokeMethod(list, slot.constData()));
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("You must select a tank.")});
        f.boxes.clear();
    }

    void keysAndDoubleClickLoad()
    {
        TankListView *list = f.ui().mTankListView;
        QVERIFY(f.select(QStringLiteral("Warden")));
        f.loader()->unload();
        f.loader()->loaded = false;
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.loader()->tankName, QStringLiteral("Warden"));
        QVERIFY(f.loader()->loaded);

        QVERIFY(f.select(QStringLiteral("Sprite")));
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(f.loader()->tankName, QStringLiteral("Sprite"));

        QVERIFY(f.select(QStringLiteral("Warden")));
        const QPoint row = list->visualRect(list->currentIndex()).center();
        QTest::mouseDClick(list->viewport(), Qt::RightButton, {}, row);
        QCOMPARE(f.loader()->tankName, QStringLiteral("Sprite"));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(f.loader()->tankName, QStringLiteral("Warden"));
        QVERIFY(f.boxes.isEmpty());
    }

    // Below the last row the menu still opens, with the six operations in order, and
    // they act on the current row.
    void contextMenuBelowTheLastRow()
    {
        TankListView *list = f.ui().mTankListView;
        QVERIFY(f.select(QStringLiteral("Warden")));
        const QModelIndex last = list->model()->index(list->model()->rowCount() - 1, 0);
        const QPoint below = list->visualRect(last).bottomLeft() + QPoint(5, 10);
        QVERIFY(list->viewport()->rect().contains(below));
        QStringList shown;
        QTimer::singleShot(0, this, [&]() {
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *action : menu->actions()) {
                shown.append(action->text());
            }
            // "Create tank directory" on the current row.
            menu->actions().at(1)->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, below,
                                list->viewport()->mapToGlobal(below));
        QApplication::sendEvent(list->viewport(), &event);
        QCOMPARE(shown, QStringList({"Open tank directory", "Create tank directory",
                                     "Extract all tank textures", "Edit tank textures",
                                     "Generate UV Map", "Export tank mesh"}));
        QVERIFY(QFileInfo(tankFolder(QStringLiteral("Warden"))).isDir());
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Create directory completed.")});
        f.boxes.clear();
    }

    // A tank made current by an operation is shown as "Load" would show it.
    void operationLoadsLikeLoad()
    {
        QVERIFY(f.load(QStringLiteral("Warden")));
        const QStringList loaded = windowState();
        QVERIFY(f.load(QStringLiteral("Sprite")));
        QVERIFY(windowState() != loaded);
        f.ui().armorResultsText->setPlainText(QStringLiteral("a shot at Sprite"));
        QVERIFY(f.select(QStringLiteral("Warden")));
        f.ui().mTankListView->createDirectory();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Create directory completed.")});
        f.boxes.clear();
        QCOMPARE(windowState(), loaded);
    }

    // The tool dialogs belong to the main window even when the Tanks dock floats.
    void dialogsBelongToTheWindow_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::newRow("texture picker") << QByteArray("editTexture");
        QTest::newRow("UV map") << QByteArray("generateUVMap");
    }

    void dialogsBelongToTheWindow()
    {
        QFETCH(QByteArray, slot);
        QVERIFY(f.select(QStringLiteral("Warden")));
        QDockWidget *dock = f.ui().TanksDock;
        dock->setFloating(true);
        QWidget *parent = nullptr;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&]() {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                parent = dialog->parentWidget();
                dialog->reject();
            }
        });
        poll.start(10);
        QVERIFY(QMetaObject::invokeMethod(f.ui().mTankListView, slot.constData()));
        poll.stop();
        dock->setFloating(false);
        QCOMPARE(parent, f.window.get());
        QVERIFY(f.boxes.isEmpty());
    }

    // A folder the desktop does not open leaves a warning line naming it.
    void unopenedFolderIsLogged_data()
    {
        QTest::addColumn<bool>("screenshots");
        QTest::newRow("tank directory") << false;
        QTest::newRow("screenshot directory") << true;
    }

    void unopenedFolderIsLogged()
    {
        QFETCH(bool, screenshots);
        QVERIFY(f.select(QStringLiteral("Warden")));
        QVERIFY(QDir().mkpath(tankFolder(QStringLiteral("Warden"))));
        const QString folder = QDir::toNativeSeparators(
            screenshots ? Settings::instance()->screenshotPath + QDir::separator()
                        : tankFolder(QStringLiteral("Warden")));
        const QString line = QStringLiteral("Failed to open folder: ") + folder;
        const int before = WindowFixture::logCount(line, Warning);
        // A handler without its slot makes the desktop answer that nothing opened.
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &f.urls, "missing");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method .*missing"));
        if (screenshots) {
            f.window->openScreenshotDir();
        } else {
            f.ui().mTankListView->openDirectory();
        }
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &f.urls, "open");
        QCOMPARE(WindowFixture::logCount(line, Warning), before + 1);
        QVERIFY(f.boxes.isEmpty());
    }

    void openDirectoryOffersToCreate()
    {
        TankListView *list = f.ui().mTankListView;
        QVERIFY(f.select(QStringLiteral("Warden")));
        const QString folder = tankFolder(QStringLiteral("Warden"));
        const QString question = QStringLiteral(
            "Warden directory does not exist in the mod folder.\nWould you like to create it?");

        f.answers = {QMessageBox::Cancel};
        list->openDirectory();
        QCOMPARE(f.boxTexts(), QStringList {question});
        QCOMPARE(f.boxes.at(0).buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(f.boxes.at(0).defaultButton, QMessageBox::Cancel);
        QVERIFY(f.urls.urls.isEmpty());
        QVERIFY(!QFileInfo::exists(folder));

        f.boxes.clear();
        const int created = WindowFixture::logCount(QStringLiteral("Created directory: "));
        list->openDirectory();
        QCOMPARE(f.boxTexts(), QStringList({question, "Create directory completed."}));
        QCOMPARE(WindowFixture::logCount(QStringLiteral("Created directory: ") + folder),
                 created + 1);
        QCOMPARE(f.urls.urls, QList<QUrl> {QUrl::fromLocalFile(folder)});

        // Already there: opened at once; create says so and logs nothing.
        f.boxes.clear();
        f.urls.urls.clear();
        list->openDirectory();
        QVERIFY(f.boxes.isEmpty());
        QCOMPARE(f.urls.urls.size(), 1);
        list->createDirectory();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Directory already exists.")});
        QCOMPARE(WindowFixture::logCount(QStringLiteral("Created directory: ")), created + 1);
        f.boxes.clear();
    }

    // A file where a folder must go: only the failure and its log line, and nothing
    // is opened afterwards.
    void failedCreationStopsTheOpen()
    {
        QVERIFY(f.select(QStringLiteral("Warden")));
        QVERIFY(writeFile(modPath() + QStringLiteral("/vehicles"), "in the way"));
        const int created = WindowFixture::logCount(QStringLiteral("Created directory: "));
        f.ui().mTankListView->openDirectory();
        QCOMPARE(f.boxTexts().mid(1), QStringList {QStringLiteral("Failed to create directory")});
        QCOMPARE(WindowFixture::logCount(QStringLiteral("Failed to create directory: "), Warning),
                 1);
        QCOMPARE(WindowFixture::logCount(QStringLiteral("Created directory: ")), created);
        QVERIFY(f.urls.urls.isEmpty());
        f.boxes.clear();
    }

    // A tank that cannot be made current stops the operation with one message.
    void failedLoadStopsTheOperation()
    {
        TankListView *list = f.ui().mTankListView;
        QAbstractItemModel *listed = list->model();
        QStringListModel unknown({QStringLiteral("Nobody")});
        list->setModel(&unknown);
        list->setCurrentIndex(unknown.index(0, 0));
        list->exportTankMesh();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to load tank: Nobody")});
        QVERIFY(QDir(modPath()).isEmpty());
        list->setModel(listed);
        f.boxes.clear();
    }

    void exportWritesEveryFormIntoAFreshModFolder_data()
    {
        QTest::addColumn<QAbstractButton *>("form");
        QTest::addColumn<QString>("subfolder");
        QTest::newRow("undamaged")
            << static_cast<QAbstractButton *>(f.ui().UndamagedBtn) << "normal/lod0";
        QTest::newRow("destroyed")
            << static_cast<QAbstractButton *>(f.ui().DamagedBtn) << "crash/lod0";
        QTest::newRow("collision")
            << static_cast<QAbstractButton *>(f.ui().CollisionBtn) << "collision";
    }

    void exportWritesEveryFormIntoAFreshModFolder()
    {
        QFETCH(QAbstractButton *, form);
        QFETCH(QString, subfolder);
        QVERIFY(f.select(QStringLiteral("Warden")));
        form->click();
        f.ui().mTankListView->exportTankMesh();
        f.ui().UndamagedBtn->click();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Export tank completed.")});
        f.boxes.clear();
        const QDir folder(tankFolder(QStringLiteral("Warden")) + QLatin1Char('/') + subfolder);
        const QStringList objs = folder.entryList({QStringLiteral("*.obj")}, QDir::Files);
        QCOMPARE(objs.size(), 4);
        for (const QString &obj : objs) {
            QProcess assimp;
            assimp.start(QStringLiteral("assimp"), {QStringLiteral("info"), folder.filePath(obj)});
            QVERIFY(assimp.waitForFinished(60000));
            const QByteArray out = assimp.readAllStandardOutput();
            QCOMPARE(assimp.exitCode(), 0);
            QVERIFY2(out.contains("Faces:"), out.constData());
        }
    }

    // A file that cannot be written is a failure, never "completed".
    void failedExportIsReported()
    {
        QVERIFY(f.select(QStringLiteral("Warden")));
        f.ui().mTankListView->exportTankMesh();
        f.boxes.clear();
        const QString folder =
            tankFolder(QStringLiteral("Warden")) + QStringLiteral("/normal/lod0");
        const QStringList objs = QDir(folder).entryList({QStringLiteral("*.obj")}, QDir::Files);
        QVERIFY(!objs.isEmpty());
        QVERIFY(QFile::remove(folder + QLatin1Char('/') + objs.first()));
        QVERIFY(QDir().mkpath(folder + QLatin1Char('/') + objs.first()));
        f.ui().mTankListView->exportTankMesh();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to export tank: Warden")});
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Warning);
        QVERIFY(WindowFixture::logCount(QStringLiteral("Failed to export tank: Warden"), Warning)
                >= 1);
        f.boxes.clear();
    }

    void editTexture()
    {
        TankListView *list = f.ui().mTankListView;
        QVERIFY(f.select(QStringLiteral("Warden")));
        f.ui().CollisionBtn->click();
        Settings::instance()->modPath.clear();
        list->editTexture();
        QCOMPARE(f.boxTexts(),
                 QStringList {QStringLiteral("Edit texture not available in collision mode.")});
        f.ui().UndamagedBtn->click();
        Settings::instance()->modPath = modPath();
        f.boxes.clear();

        const QString texture = QStringLiteral("vehicles/velmora/V04_Warden/Hull #1 100%.dds");
        const QString file = modPath() + QLatin1Char('/') + texture;
        // Missing, and the extraction declined: nothing opens.
        f.answers = {QMessageBox::Cancel};
        list->editPickedTexture(QStringLiteral("Warden"), texture);
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral(
                                   "Warden textures do not exist in the mod folder.\nWould "
                                   "you like to extract them?")});
        QVERIFY(f.urls.urls.isEmpty());
        f.boxes.clear();

        // No editor: the desktop gets a file URL that survives "#" and "%".
        QVERIFY(writeFile(file, "dds"));
        Settings::instance()->imageEditorPath.clear();
        list->editPickedTexture(QStringLiteral("Warden"), texture);
        QCOMPARE(f.urls.urls, QList<QUrl> {QUrl::fromLocalFile(file)});
        QCOMPARE(f.urls.urls.at(0).toLocalFile(), file);

        // An editor gets the native path as its one argument.
        const QString script = modPath() + QStringLiteral("/editor.sh");
        const QString out = modPath() + QStringLiteral("/argument.txt");
        QVERIFY(writeFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + out.toUtf8() + "'\n"));
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Settings::instance()->imageEditorPath = script;
        list->editPickedTexture(QStringLiteral("Warden"), texture);
        QVERIFY(QTest::qWaitFor([&]() { return QFileInfo(out).size() > 0; }, 10000));
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()), file);

        // One that does not start: a log line, no box.
        Settings::instance()->imageEditorPath = modPath() + QStringLiteral("/no-editor");
        const int failed = WindowFixture::logCount(
            QStringLiteral("Failed to open external image editor: "), Warning);
        list->editPickedTexture(QStringLiteral("Warden"), texture);
        QCOMPARE(WindowFixture::logCount(QStringLiteral("Failed to open external image editor: "),
                                         Warning),
                 failed + 1);
        Settings::instance()->imageEditorPath.clear();
        QVERIFY(f.boxes.isEmpty());
    }

    // A package member copied to its game path in the mod folder, byte for byte.
    void camouflageTextureCopy()
    {
        const QString member = QStringLiteral("vehicles/camouflage/velmora_summer_1.dds");
        const QString target = modPath() + QLatin1Char('/') + member;
        QVERIFY(MainWindow::exportGameFile(f.window.get(), member));
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Export completed.")});
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-p"),
                     SAMPLE + QStringLiteral("/Brastel/res/packages/shared_content.pkg"), member});
        QVERIFY(unzip.waitForFinished(30000));
        const QByteArray expected = unzip.readAllStandardOutput();
        QVERIFY(!expected.isEmpty());
        QFile copied(target);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), expected);
        copied.close();

        // There already: asked, and Cancel leaves it.
        QVERIFY(writeFile(target, "mine"));
        f.boxes.clear();
        f.answers = {QMessageBox::Cancel};
        QVERIFY(!MainWindow::exportGameFile(f.window.get(), member));
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral(
                                   "WARNING! vehicles/camouflage/velmora_summer_1.dds already "
                                   "exists.\nAre you sure you want to overwrite this file?")});
        QCOMPARE(f.boxes.at(0).defaultButton, QMessageBox::Cancel);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), QByteArray("mine"));
        copied.close();

        f.boxes.clear();
        QVERIFY(!MainWindow::exportGameFile(f.window.get(), QStringLiteral("vehicles/none.dds")));
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral(
                                   "Failed to find: vehicles/none.dds in any zip archives.")});

        // A folder in the way of the target's folder: a failure, never "completed".
        emptyMod();
        QVERIFY(writeFile(modPath() + QStringLiteral("/vehicles"), "in the way"));
        f.boxes.clear();
        QVERIFY(!MainWindow::exportGameFile(f.window.get(), member));
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to create directory")});
        f.boxes.clear();
    }

    void camouflageExportsNeedATankAndCamouflage()
    {
        f.loader()->unload();
        f.loader()->loaded = false;
        f.window->exportCamoPattern();
        f.window->exportCamoBake();
        QCOMPARE(f.boxTexts(),
                 QStringList({"You must load a tank first.", "You must load a tank first."}));
        QVERIFY(f.load(QStringLiteral("Warden")));
        f.boxes.clear();
        f.window->exportCamoPattern();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("You must enable camouflage first.")});
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Information);
        f.boxes.clear();
    }
};

HULLSCOPE_WINDOW_TEST_MAIN(TestTankListGl)
#include "test_tanklist_gl.moc"
