// Every writer of the window on a full mod or screenshot folder (a small tmpfs, filled):
// the .visual editor, texture extraction, OBJ export, the camouflage copy and bake, the
// screenshot dialog and the quick screenshot each show their failure text and leave the
// old file's bytes; and a tank folder that the game's list places outside the mod
// folder is refused with nothing made.
#include "windowtestsupport.h"

#include "tools/screenshotui.h"
#include "tools/visualeditwidget.h"

#include "tank/tankinfo.h"

#include "render/mesh.h"
#include "render/visual.h"

#include "gamedata/database.h"

#include "support/fulldisk.h"

#include <QDirIterator>
#include <QSqlQuery>
#include <QStatusBar>

class TestFullDiskGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    bool mGl = false;

    QString modPath() const { return f.mod.path(); }

    // Writes "old <name>" into each file (and its folders) below the mod folder.
    static void writeMarkers(const QString &root, const QStringList &names)
    {
        for (const QString &name : names) {
            const QString path = root + QLatin1Char('/') + QString(name).replace('\\', '/');
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(writeFile(path, "old " + name.toUtf8()));
        }
    }
    static void verifyMarkers(const QString &root, const QStringList &names)
    {
        for (const QString &name : names) {
            QFile file(root + QLatin1Char('/') + QString(name).replace('\\', '/'));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            QCOMPARE(file.readAll(), "old " + name.toUtf8());
        }
    }
    // The files below the mod folder, relative, leaving the filler out.
    QStringList modFiles() const
    {
        QStringList names;
        QDirIterator it(modPath(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = QDir(modPath()).relativeFilePath(it.next());
            if (name != QLatin1String(".filler")) {
                names.append(name);
            }
        }
        return names;
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        QVERIFY(f.start());
        mGl = true;
        QVERIFY(f.load(QStringLiteral("Warden")));
    }

    void init()
    {
        f.boxes.clear();
        f.answers.clear();
        Settings::instance()->overwriteTextures = true;
    }

    void cleanupTestCase()
    {
        if (mGl) {
            f.stop();
        }
    }

    void visualEditorSave()
    {
        FullDisk disk(modPath());
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        auto *editor = static_cast<VisualEditWidget *>(MainWindow::visualEditor());
        editor->ui.visualTab->setCurrentIndex(1);
        const QString game = f.loader()->partMesh(1, f.loader()->tankModel)->visual->fileName;
        writeMarkers(modPath(), {game});
        disk.fill();
        editor->saveVisual();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to open file for writing: ")
                                            + QDir::toNativeSeparators(modPath() + '/' + game)});
        verifyMarkers(modPath(), {game});
    }

    void textureExtraction()
    {
        FullDisk disk(modPath(), 1024);
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QStringList names = f.loader()->tankInfo->allFiles();
        QVERIFY(!names.isEmpty());
        writeMarkers(modPath(), names);
        disk.fill();
        QVERIFY(f.select(QStringLiteral("Warden")));
        f.ui().mTankListView->extractTextures();
        QCOMPARE(f.boxTexts().last(), QStringLiteral("Failed to extract textures"));
        QVERIFY(!f.boxTexts().contains(QStringLiteral("Extraction completed.")));
        verifyMarkers(modPath(), names);
    }

    void objExport()
    {
        FullDisk disk(modPath(), 16 * 1024);
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        QVERIFY(f.select(QStringLiteral("Warden")));
        f.ui().mTankListView->exportTankMesh();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Export tank completed.")});
        const QStringList names = modFiles();
        QVERIFY(!names.isEmpty());
        writeMarkers(modPath(), names);
        disk.fill();
        f.boxes.clear();
        f.ui().mTankListView->exportTankMesh();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to export tank: Warden")});
        verifyMarkers(modPath(), names);
    }

    void camouflageCopy()
    {
        FullDisk disk(modPath());
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QString member = QStringLiteral("vehicles/camouflage/velmora_summer_1.dds");
        writeMarkers(modPath(), {member});
        disk.fill();
        QVERIFY(!MainWindow::exportGameFile(f.window.get(), member));
        QCOMPARE(f.boxTexts().last(), QStringLiteral("Failed to open file for writing: ")
                                          + QDir::toNativeSeparators(modPath() + '/' + member));
        verifyMarkers(modPath(), {member});
    }

    void camouflageBake()
    {
        FullDisk disk(modPath());
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QStringList diffuses = f.loader()->tankInfo->camoTextures();
        QVERIFY(!diffuses.isEmpty());
        writeMarkers(modPath(), diffuses);
        disk.fill();
        f.ui().radioButton_12->click();
        f.boxes.clear();
        f.ui().pushButton_15->click();
        // Each overwrite is asked for, then the first failure is shown.
        QCOMPARE(f.boxTexts().last(),
                 QStringLiteral("Failed to save camo bake file: ")
                     + QDir::toNativeSeparators(modPath() + '/' + diffuses.first()));
        verifyMarkers(modPath(), diffuses);

        // Declined overwrites write nothing and end with no Done in the status bar.
        f.window->statusBar()->clearMessage();
        f.answers = QList<int>(diffuses.size(), QMessageBox::Cancel);
        f.boxes.clear();
        f.ui().pushButton_15->click();
        QVERIFY(f.window->statusBar()->currentMessage()
                != QStringLiteral("Saving baked camo file: Done"));
        verifyMarkers(modPath(), diffuses);
        f.ui().radioButton_13->click();
    }

    void screenshots()
    {
        const QString shots = modPath() + QStringLiteral("/shots");
        FullDisk disk(shots, 256);
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QString file = shots + QStringLiteral("/shot.png");
        writeMarkers(shots, {QStringLiteral("shot.png")});
        disk.fill();
        setFileChooserHandler([file](const FileChooserRequest &) { return file; });
        {
            ScreenShotUI dialog(f.window.get(), f.view());
            dialog.ui.widthSpinBox->setValue(256);
            dialog.ui.heightSpinBox->setValue(256);
            dialog.accept();
        }
        setFileChooserHandler({});
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Screenshot save operation failed.")});
        verifyMarkers(shots, {QStringLiteral("shot.png")});

        // The quick screenshot's folder is just as full.
        Settings *s = Settings::instance();
        const QString oldPath = s->screenshotPath;
        s->screenshotPath = shots;
        f.boxes.clear();
        f.window->takeScreenshotFile();
        s->screenshotPath = oldPath;
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to save screenshot.")});
        QCOMPARE(QDir(shots).entryList(QDir::Files), QStringList {QStringLiteral("shot.png")});
    }

    // The tank list names the tank's folder; one climbing out with ".." is refused.
    void tankFolderOutsideTheModFolder()
    {
        QSqlQuery update(Database::instance()->db);
        QVERIFY(update.prepare(
            QStringLiteral("UPDATE Tanks_Tbl SET Path = :path WHERE TranslatedName = 'Warden'")));
        update.bindValue(QStringLiteral(":path"), QStringLiteral("../../escape/x"));
        QVERIFY(update.exec());
        const QString escaped =
            QDir::cleanPath(modPath() + '/' + Database::instance()->tankDirectory("Warden"));
        QVERIFY(!escaped.startsWith(modPath()));
        QVERIFY(f.select(QStringLiteral("Warden")));
        for (const char *slot : {"createDirectory", "openDirectory", "exportTankMesh"}) {
            f.boxes.clear();
            QVERIFY(QMetaObject::invokeMethod(f.ui().mTankListView, slot));
            QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Failed to create directory")});
        }
        QVERIFY(!QFileInfo::exists(escaped));
        QVERIFY(!QFileInfo::exists(QDir::cleanPath(modPath() + QStringLiteral("/../../escape"))));
        QVERIFY(f.urls.urls.isEmpty());
    }
};

HULLSCOPE_WINDOW_TEST_MAIN(TestFullDiskGl)
#include "test_fulldisk_gl.moc"
