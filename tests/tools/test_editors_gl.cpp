// The screenshot dialog and the .visual editor (with its highlighting and find form)
// inside the main window on the small sample game, driven through their real widgets;
// boxes and file choosers are answered through the dialog seam.
#include "ui/windowtestsupport.h"

#include "tools/findreplaceform.h"
#include "tools/screenshotui.h"
#include "tools/visualeditwidget.h"
#include "tools/xmlhighlighter.h"

#include "tank/turretgunchooser.h"

#include "render/mesh.h"
#include "render/visual.h"

#include "core/constants.h"
#include "core/messagestrings.h"

#include <QImageWriter>
#include <QLineEdit>
#include <QProcess>

namespace {

QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode) {
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

int colourDistance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
           + std::abs(a.blue() - b.blue());
}

// Pixels of image within rect whose colour lies within tolerance of wanted.
int countNear(const QImage &image, const QRect &rect, const QColor &wanted, int tolerance)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            count += colourDistance(image.pixelColor(x, y), wanted) <= tolerance;
        }
    }
    return count;
}

const QString ARTIFACTS = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");

} // namespace

class TestEditorsGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    QList<FileChooserRequest> mChoosers;
    QString mChosenFile;
    bool mGl = false;

    Ui_MainWindow &ui() { return f.ui(); }
    RenderWidget *view() { return f.view(); }
    VisualEditWidget *editor()
    {
        return static_cast<VisualEditWidget *>(MainWindow::visualEditor());
    }
    TankLoader *loader() { return f.loader(); }
    QString errors() const { return Log::instance()->text(Error); }
    QString temp(const QString &name) const { return f.mod.filePath(name); }
    void waitFrames(int frames) { QVERIFY(f.waitFrames(frames)); }
    void load(const QString &name) { QVERIFY2(f.loadWithButton(name), qPrintable(name)); }

    QString partText(int part) const
    {
        const Mesh *mesh =
            TankLoader::instance()->partMesh(quint32(part), TankLoader::instance()->tankModel);
        return mesh && mesh->visual ? mesh->visual->text : QString();
    }

    void checkPanesShowTheTank()
    {
        for (int pane = 0; pane < 4; ++pane) {
            QVERIFY(!partText(pane).isEmpty());
            QCOMPARE(editor()->editor(pane)->toPlainText(), partText(pane));
        }
    }

    // Saves the pane through its own save button; answers the one box it shows.
    MessageBoxRequest saveThroughButton(int pane)
    {
        const QList<QToolButton *> buttons = {
            editor()->ui.chassisSaveButton, editor()->ui.chassisSaveButton_3,
            editor()->ui.chassisSaveButton_4, editor()->ui.chassisSaveButton_5};
        editor()->ui.visualTab->setCurrentIndex(pane);
        f.boxes.clear();
        buttons.at(pane)->click();
        const MessageBoxRequest box = f.boxes.value(0);
        [&]() { QCOMPARE(f.boxes.size(), 1); }();
        f.boxes.clear();
        return box;
    }

    // A dialog on the view as the window makes it, shown but not run.
    std::unique_ptr<ScreenShotUI> openScreenshot()
    {
        auto dialog = std::make_unique<ScreenShotUI>(f.window.get(), view());
        dialog->show();
        [&]() { QVERIFY(QTest::qWaitForWindowExposed(dialog.get())); }();
        return dialog;
    }

    QImage saveShot(ScreenShotUI &dialog, const QString &file, int width, int height,
                    bool transparent)
    {
        mChosenFile = file;
        dialog.ui.widthSpinBox->setValue(width);
        dialog.ui.heightSpinBox->setValue(height);
        dialog.ui.transparencyCheckBox->setChecked(transparent);
        f.boxes.clear();
        QTest::mouseClick(dialog.ui.okButton, Qt::LeftButton);
        [&]() {
            QCOMPARE(f.boxes.size(), 1);
            QCOMPARE(f.boxes.at(0).text, QStringLiteral("Screenshot save operation complete."));
            QCOMPARE(f.boxes.at(0).title, APP_NAME);
            QVERIFY(!dialog.isVisible());
        }();
        f.boxes.clear();
        return QImage(file.endsWith(QLatin1String(".tiff")) || file.endsWith(QLatin1String(".png"))
                          ? file
                          : file + QStringLiteral(".png"));
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        mGl = true;
        QVERIFY(QDir().mkpath(ARTIFACTS));

        setFileChooserHandler([this](const FileChooserRequest &request) {
            mChoosers.append(request);
            return mChosenFile;
        });
        QVERIFY(f.start());
        QVERIFY(editor());
        QVERIFY(!editor()->isVisible());
        Settings::instance()->modPath = temp(QStringLiteral("mod"));
        waitFrames(1);
    }

    void cleanup()
    {
        if (mGl) {
            QVERIFY2(f.boxes.isEmpty(), qPrintable(f.boxes.value(0).text));
        }
        f.boxes.clear();
        mChoosers.clear();
    }

    void presetsFollowTheViewLimit_data()
    {
        QTest::addColumn<int>("maxImageSize");
        QTest::addColumn<int>("boxMaximum");
        QTest::addColumn<QSize>("max");
        QTest::addColumn<QSize>("preset4320");
        QTest::newRow("4096") << 4096 << 4096 << QSize(4096, 4096) << QSize(4096, 4096);
        QTest::newRow("8196") << 8196 << 8196 << QSize(8000, 8000) << QSize(7680, 4320);
        QTest::newRow("16384") << 16384 << 8196 << QSize(8000, 8000) << QSize(7680, 4320);
        QTest::newRow("none") << 0 << 0 << QSize(0, 0) << QSize(0, 0);
    }

    void presetsFollowTheViewLimit()
    {
        QFETCH(int, maxImageSize);
        QFETCH(int, boxMaximum);
        QFETCH(QSize, max);
        QFETCH(QSize, preset4320);
        QCOMPARE(ScreenShotUI::spinBoxMaximum(maxImageSize), boxMaximum);
        QCOMPARE(ScreenShotUI::presetSize(7, maxImageSize), max);
        QCOMPARE(ScreenShotUI::presetSize(6, maxImageSize), preset4320);
        QCOMPARE(ScreenShotUI::presetSize(0, 16384), QSize(1280, 720));
    }

    // Before any tank: saving does nothing; the empty scene's background can be
    // transparent.
    void withoutATank()
    {
        QVERIFY(!loader()->loaded);
        editor()->saveVisual();
        QVERIFY(f.boxes.isEmpty());
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("mod"))));

        // Nothing in the scene: no hangar, no grid (a checked box hides each).
        const bool hangarHidden = ui().HangarCheckBox->isChecked();
        const bool gridHidden = ui().GridCheckBox->isChecked();
        ui().HangarCheckBox->setChecked(true);
        ui().GridCheckBox->setChecked(true);
        for (const bool transparent : {true, false}) {
            auto dialog = openScreenshot();
            const QImage image =
                saveShot(*dialog, temp(QStringLiteral("empty.png")), 320, 200, transparent);
            QCOMPARE(image.size(), QSize(320, 200));
            image.save(ARTIFACTS + QStringLiteral("/empty%1.png").arg(transparent));
            for (const QPoint corner : {QPoint(0, 199), QPoint(319, 199), QPoint(319, 0)}) {
                QCOMPARE(qAlpha(image.pixel(corner)), transparent ? 0 : 255);
            }
        }
        ui().HangarCheckBox->setChecked(hangarHidden);
        ui().GridCheckBox->setChecked(gridHidden);
    }

    void screenshotDialogStartsFromTheView()
    {
        const QImage frame = view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!view()->paintBlocked);
        {
            auto dialog = openScreenshot();
            QVERIFY(view()->paintBlocked);
            QCOMPARE(dialog->size(), QSize(606, 386));
            QCOMPARE(dialog->ui.presetComboBox->currentIndex(), 1);
            QCOMPARE(dialog->ui.widthSpinBox->value(), 1920);
            QCOMPARE(dialog->ui.heightSpinBox->value(), 1080);
            QCOMPARE(dialog->ui.widthSpinBox->maximum(),
                     ScreenShotUI::spinBoxMaximum(view()->maxImageSize));
            QCOMPARE(dialog->ui.qualityDial->value(), 100);

            // The preview is the view's frame, scaled to the preview's size.
            QWidget *preview = dialog->ui.previewWidget;
            const QImage shown = preview->palette().brush(QPalette::Window).textureImage();
            QCOMPARE(shown.size(), preview->size());
            const QImage expected =
                frame.scaled(preview->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            int differing = 0;
            for (int y = 0; y < shown.height(); y += 4) {
                for (int x = 0; x < shown.width(); x += 4) {
                    differing +=
                        colourDistance(shown.pixelColor(x, y), expected.pixelColor(x, y)) > 24;
                }
            }
            QVERIFY2(differing < 10, qPrintable(QString::number(differing)));

            // "4320p" through the combo box as the user picks it.
            dialog->ui.presetComboBox->setCurrentIndex(6);
            emit dialog->ui.presetComboBox->activated(6);
            QCOMPARE(dialog->ui.widthSpinBox->value(), 7680);
            QCOMPARE(dialog->ui.heightSpinBox->value(), 4320);

            // A cancelled chooser writes nothing and keeps the dialog open.
            mChosenFile.clear();
            QTest::mouseClick(dialog->ui.okButton, Qt::LeftButton);
            QCOMPARE(mChoosers.size(), 1);
            QCOMPARE(mChoosers.at(0).caption, QStringLiteral("Save Screenshot"));
            QCOMPARE(mChoosers.at(0).filter, QStringLiteral("Png (*.png);;Tiff (*.tiff)"));
            QVERIFY(dialog->isVisible());
            QVERIFY(f.boxes.isEmpty());
        }
        QVERIFY(!view()->paintBlocked);
    }

    void visualEditorFollowsLoadsFormsAndGuns()
    {
        load(QStringLiteral("Warden"));
        checkPanesShowTheTank();
        const QString undamagedTurret = editor()->ui.turretTextEdit->toPlainText();
        loader()->damageModeChanged(Destroyed);
        checkPanesShowTheTank();
        QVERIFY(editor()->ui.turretTextEdit->toPlainText() != undamagedTurret);
        loader()->damageModeChanged(Undamaged);

        load(QStringLiteral("Bastion"));
        checkPanesShowTheTank();
        const QVector<Turret> turrets = loader()->turretGunChooser()->turrets;
        QVERIFY(turrets.size() >= 2 && !turrets.at(1).guns.isEmpty());
        const QString oldGun = editor()->ui.gunTextEdit->toPlainText();
        const QString oldTurret = editor()->ui.turretTextEdit->toPlainText();
        QVERIFY(
            loader()->changeGun(turrets.at(1).displayName, turrets.at(1).guns.at(1).displayName));
        checkPanesShowTheTank();
        QVERIFY(editor()->ui.gunTextEdit->toPlainText() != oldGun);
        QVERIFY(editor()->ui.turretTextEdit->toPlainText() != oldTurret);
        load(QStringLiteral("Warden"));
    }

    void saveVisualWritesIntoTheModFolder()
    {
        Settings *settings = Settings::instance();
        const QString mod = settings->modPath;
        settings->modPath.clear();
        MessageBoxRequest box = saveThroughButton(0);
        QCOMPARE(box.text, MessageStrings::instance()->selectModFolder);
        QCOMPARE(box.icon, QMessageBox::Warning);
        settings->modPath = mod;

        // The destroyed turret, into folders that do not exist yet.
        loader()->damageModeChanged(Destroyed);
        const QString gamePath = loader()->partMesh(2, Destroyed)->visual->fileName;
        const QString target = mod + QLatin1Char('/') + gamePath;
        QVERIFY(!QFileInfo::exists(QFileInfo(target).path()));
        box = saveThroughButton(2);
        QCOMPARE(box.text, QStringLiteral("Visual file saved ok."));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.parent, editor());
        QVERIFY(Log::instance()->text(Info).contains(QStringLiteral("Saving: ") + gamePath));
        QByteArray expected = editor()->ui.turretTextEdit->toPlainText().toUtf8();
        expected.replace('\n', "\r\n");
        QVERIFY(writeFile(temp(QStringLiteral("expected.visual")), expected));
        int code = -1;
        const QString cmp =
            run(QStringLiteral("cmp"), {temp(QStringLiteral("expected.visual")), target}, &code);
        QVERIFY2(code == 0, qPrintable(cmp));
        const QString lint =
            run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), target}, &code);
        QVERIFY2(code == 0, qPrintable(lint));

        // Again, with text beyond ASCII: overwritten, UTF-8, CR LF.
        const QString text = QString::fromUtf8(
            "<root>\n\t<n\xc3\xa4me>\xe2\x82\xac \xf0\x9d\x94\x98</n\xc3\xa4me>\n</root>");
        editor()->ui.turretTextEdit->setPlainText(text);
        QCOMPARE(saveThroughButton(2).text, QStringLiteral("Visual file saved ok."));
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), text.toUtf8().replace('\n', "\r\n"));
        run(QStringLiteral("iconv"),
            {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
             QStringLiteral("UTF-32"), target},
            &code);
        QCOMPARE(code, 0);
        QVERIFY(!QDir(QFileInfo(target).path())
                     .entryList({QStringLiteral("*.visual.*")}, QDir::Files)
                     .size());
        loader()->damageModeChanged(Undamaged);
    }

    void saveVisualFailures()
    {
        Settings *settings = Settings::instance();
        const QString mod = settings->modPath;
        const QString hullPath = loader()->partMesh(1, Undamaged)->visual->fileName;

        // A target that is a folder: nothing written, the old state kept.
        QVERIFY(QDir().mkpath(mod + QLatin1Char('/') + hullPath));
        MessageBoxRequest box = saveThroughButton(1);
        QCOMPARE(box.text, QStringLiteral("Failed to open file for writing: ") + mod
                               + QLatin1Char('/') + hullPath);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY(Log::instance()->text(Warning).contains(box.text));
        QVERIFY(QFileInfo(mod + QLatin1Char('/') + hullPath).isDir());

        // A folder path through a regular file.
        QVERIFY(writeFile(temp(QStringLiteral("blocked")), "x"));
        settings->modPath = temp(QStringLiteral("blocked/mod"));
        const QString gunPath = loader()->partMesh(3, Undamaged)->visual->fileName;
        box = saveThroughButton(3);
        const QString folder = QFileInfo(settings->modPath + QLatin1Char('/') + gunPath).path();
        QCOMPARE(box.text, QStringLiteral("Failed to create directory: ") + folder);
        QVERIFY(Log::instance()->text(Warning).contains(
            QStringLiteral("Failed to create directory: ") + folder));

        // A game path that climbs out of the mod folder is refused.
        settings->modPath = mod;
        Visual *chassis = loader()->partMesh(0, Undamaged)->visual.get();
        const QString chassisPath = chassis->fileName;
        chassis->fileName = QStringLiteral("../escaped.visual");
        box = saveThroughButton(0);
        chassis->fileName = chassisPath;
        QVERIFY2(box.text.startsWith(QStringLiteral("Failed to open file for writing: ")),
                 qPrintable(box.text));
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("escaped.visual"))));
    }

    void findButtonsAndCtrlFBindTheirEditor()
    {
        MainWindow *window = f.window.get();
        QVERIFY(QMetaObject::invokeMethod(window, "showVisualEditor"));
        ui().actionVisual_Editor->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(editor()));
        editor()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor()));
        FindReplaceForm *form = editor()->findReplaceForm();
        QLineEdit *find = form->findChild<QLineEdit *>(QStringLiteral("textToFind"));
        const QList<QToolButton *> buttons = {
            editor()->ui.chassisFindButton, editor()->ui.hullFindButton,
            editor()->ui.turretFindButton, editor()->ui.gunFindButton};
        find->setText(QStringLiteral("visual"));
        for (int pane = 0; pane < 4; ++pane) {
            for (const bool shortcut : {false, true}) {
                form->hide();
                editor()->ui.visualTab->setCurrentIndex(pane);
                QTextEdit *edit = editor()->editor(pane);
                edit->setPlainText(QStringLiteral("<visual/>\n<visual/>"));
                if (shortcut) {
                    editor()->activateWindow();
                    QVERIFY(QTest::qWaitForWindowActive(editor()));
                    edit->setFocus();
                    QTest::keyClick(edit, Qt::Key_F, Qt::ControlModifier);
                } else {
                    buttons.at(pane)->click();
                }
                // A shortcut clicks its button after a short animation.
                QTRY_VERIFY2(form->isVisible(), shortcut ? "Ctrl+F" : "button");
                form->findNext();
                QVERIFY2(edit->textCursor().hasSelection(), qPrintable(QString::number(pane)));
                QCOMPARE(edit->textCursor().selectionStart(), 1);
            }
        }
        form->hide();
        // Put the tank's texts back.
        loader()->updateVisualEditor();
        checkPanesShowTheTank();
    }

    void editorShowsTheTankHighlighted()
    {
        editor()->ui.visualTab->setCurrentIndex(1);
        QTextEdit *edit = editor()->ui.hullTextEdit;
        QVERIFY(edit->document()->findChild<XmlHighlighter *>());
        edit->moveCursor(QTextCursor::Start);
        editor()->resize(791, 627);
        QTest::qWait(50);
        const QImage grab = editor()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(grab.save(ARTIFACTS + QStringLiteral("/visualeditor.png")));
        const QRect area(edit->viewport()->mapTo(editor(), QPoint(0, 0)), edit->viewport()->size());
        // Element names dark red, values and markup blue.
        QVERIFY(countNear(grab, area, QColor(Qt::darkRed), 60) > 20);
        QVERIFY(countNear(grab, area, QColor(Qt::blue), 60) > 20);
        editor()->hide();
    }

    void screenshotsOfTheTank()
    {
        waitFrames(2);
        // PNG and TIFF at the boxes' size.
        for (const QString &name : {QStringLiteral("tank.png"), QStringLiteral("tank.tiff")}) {
            auto dialog = openScreenshot();
            if (name.endsWith(QLatin1String("png"))) {
                QVERIFY(dialog->grab().save(ARTIFACTS + QStringLiteral("/screenshotdialog.png")));
                // The preview shows the tank, not one flat colour.
                const QImage preview = dialog->ui.previewWidget->grab().toImage();
                QVERIFY(countNear(preview, preview.rect(), preview.pixelColor(0, 0), 10)
                        < preview.width() * preview.height() * 9 / 10);
            }
            saveShot(*dialog, temp(name), 160, 120, false);
            const QString format = name.endsWith(QLatin1String("png")) ? QStringLiteral("PNG")
                                                                       : QStringLiteral("TIFF");
            QCOMPARE(run(QStringLiteral("identify"),
                         {QStringLiteral("-format"), QStringLiteral("%m %w %h"), temp(name)}),
                     format + QStringLiteral(" 160 120"));
        }
        QVERIFY(QImageWriter::supportedImageFormats().contains("tiff"));
        const QString info = run(QStringLiteral("tiffinfo"), {temp(QStringLiteral("tank.tiff"))});
        QVERIFY2(info.contains(QLatin1String("Image Width: 160 Image Length: 120")),
                 qPrintable(info));

        // No suffix: PNG.
        auto dialog = openScreenshot();
        saveShot(*dialog, temp(QStringLiteral("plain")), 32, 32, false);
        QCOMPARE(run(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%m"),
                                                  temp(QStringLiteral("plain.png"))}),
                 QStringLiteral("PNG"));

        // 1080p: the tank in the middle, not the viewport colour.
        dialog = openScreenshot();
        const QImage full = saveShot(*dialog, temp(QStringLiteral("full.png")), 1920, 1080, false);
        QCOMPARE(full.size(), QSize(1920, 1080));
        const QColor background = view()->viewportColor;
        QVERIFY(nearPixel(full, QPoint(960, 540), 3,
                          [&](const QColor &c) { return colourDistance(c, background) > 24; }));
        QVERIFY(colourDistance(full.pixelColor(2, 2), background) <= 24);
    }

    void failedWriteIsReported()
    {
        QVERIFY(writeFile(temp(QStringLiteral("notafolder")), "x"));
        auto dialog = openScreenshot();
        mChosenFile = temp(QStringLiteral("notafolder/shot.png"));
        const int errorsBefore = errors().size();
        QTest::mouseClick(dialog->ui.okButton, Qt::LeftButton);
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes.at(0).text, QStringLiteral("Screenshot save operation failed."));
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Warning);
        f.boxes.clear();
        const QString logged = errors().mid(errorsBefore);
        QVERIFY2(logged.contains(QStringLiteral("QImageWriter failure on image: ") + mChosenFile),
                 qPrintable(logged));
        QVERIFY(logged.contains(QStringLiteral("Failure String: ")));
        QVERIFY(!dialog->isVisible());
    }

    // Ctrl+F12 runs the dialog; painting is blocked while it runs and resumes after.
    void ctrlF12RunsTheDialog()
    {
        f.window->activateWindow();
        bool sawDialog = false;
        bool blocked = false;
        QTimer::singleShot(0, this, [&]() {
            auto *dialog = qobject_cast<ScreenShotUI *>(QApplication::activeModalWidget());
            sawDialog = dialog != nullptr;
            blocked = view()->paintBlocked;
            if (dialog) {
                QTest::mouseClick(dialog->ui.cancelButton, Qt::LeftButton);
            }
        });
        ui().actionScreenShotForm->trigger();
        QVERIFY(sawDialog);
        QVERIFY(blocked);
        QVERIFY(!view()->paintBlocked);
        waitFrames(2);
    }

    void cleanupTestCase()
    {
        if (mGl) {
            f.stop();
            setFileChooserHandler({});
        }
    }
};

HULLSCOPE_WINDOW_TEST_MAIN(TestEditorsGl)

#include "test_editors_gl.moc"
