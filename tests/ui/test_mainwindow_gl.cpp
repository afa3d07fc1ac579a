// The main window on the small sample game, driven through its real widgets: the form
// (actions, ranges, start states, connections), the start-up arrangement of the docks,
// the tank list, loading a tank, the hooks, the window commands and a checked
// screenshot. Boxes and colours are answered through the dialog seam.
#include "windowtestsupport.h"

#include "tools/aboutviewerwidget.h"
#include "tools/edittextureui.h"
#include "tools/updatecheck.h"
#include "tools/uvgenerateui.h"

#include "armour/collisionarmor.h"

#include "gamedata/database.h"

#include "core/fatalerror.h"

#include <QAbstractItemModel>
#include <QDockWidget>
#include <QDomDocument>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

namespace {

QStringList gConnectWarnings;
QtMessageHandler gPreviousHandler = nullptr;

// A connection the form names but Qt cannot make only warns: keep the warning.
void recordConnectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains(QLatin1String("QObject::connect"))) {
        gConnectWarnings.append(text);
    }
    gPreviousHandler(type, context, text);
}

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

class TestMainWindowGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    bool mGl = false;

    Ui_MainWindow &ui() { return f.ui(); }
    RenderWidget *view() { return f.view(); }
    void waitFrames(int frames) { QVERIFY(f.waitFrames(frames)); }
    void load(const QString &name) { QVERIFY2(f.loadWithButton(name), qPrintable(name)); }

    QStringList listed()
    {
        QStringList names;
        const QAbstractItemModel *model = ui().mTankListView->model();
        for (int row = 0; model && row < model->rowCount(); ++row) {
            names.append(model->index(row, 0).data().toString());
        }
        return names;
    }

    // Triggers the action and hands the modal dialog it opens to check, then closes it.
    template <typename Check> void modalOf(QAction *action, Check check)
    {
        bool seen = false;
        QTimer::singleShot(0, this, [&]() {
            if (QWidget *box = QApplication::activeModalWidget()) {
                seen = box->parentWidget() == f.window.get();
                check(box);
                box->close();
            }
        });
        action->trigger();
        QVERIFY(seen);
    }

    QList<QDockWidget *> sevenDocks()
    {
        return {ui().TanksDock,          ui().TankOptionsDock, ui().CamoDock,
                ui().SceneSettingsDock,  ui().CameraDock,      ui().LogViewDock,
                ui().armorInspectionDock};
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        mGl = true;

        QVERIFY(f.start());
        waitFrames(1);
    }

    void cleanup()
    {
        if (mGl) {
            QVERIFY2(f.boxes.isEmpty(), qPrintable(f.boxes.value(0).text));
        }
        f.boxes.clear();
    }

    void formConnectsEverySignal()
    {
        QVERIFY2(gConnectWarnings.isEmpty(), qPrintable(gConnectWarnings.join(QLatin1Char('\n'))));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Hullscope 1.0.17"));
        QVERIFY(!f.window->windowIcon().isNull());
        QVERIFY(f.window->windowState() & Qt::WindowMaximized);
        QStringList menus;
        for (QAction *menu : f.window->menuBar()->actions()) {
            menus.append(menu->text());
        }
        QCOMPARE(menus, QStringList({QStringLiteral("&File"), QStringLiteral("&Edit"),
                                     QStringLiteral("&View"), QStringLiteral("&Window"),
                                     QStringLiteral("&Settings"), QStringLiteral("&Help")}));
        const QList<QAction *> tools = ui().MainToolBar->actions();
        QCOMPARE(tools.size(), 18);
        QCOMPARE(
            std::count_if(tools.begin(), tools.end(), [](QAction *a) { return a->isSeparator(); }),
            5);
        QCOMPARE(f.window->toolBarArea(ui().MainToolBar), Qt::TopToolBarArea);
        QCOMPARE(f.window->toolBarArea(ui().WidgetToolBar), Qt::LeftToolBarArea);
        // Reachable only from code: no menu, no bar, no key.
        QCOMPARE(ui().actionCheck_for_update->associatedObjects().size(), 0);
        QCOMPARE(ui().actionOpen_Screenshot_Directory->icon().pixmap(24).toImage(),
                 ui().actionOpen_tank_directory->icon().pixmap(24).toImage());
    }

    void actionTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("hasIcon");
        QTest::addColumn<bool>("checkable");
        const struct
        {
            const char *name, *text, *tip, *key;
            bool icon, checkable;
        } rows[] = {
            {"actionAbout_Qt", "About Qt...", "", "", true, false},
            {"actionAbout_Hullscope", "About Hullscope...", "", "", true, false},
            {"action_Quit", "&Exit", "", "", true, false},
            {"actionPreferences", "Preferences...", "", "F2", true, false},
            {"actionSave_Camera_View", "Save Camera View...", "", "F3", true, false},
            {"actionLoad_Camera_View", "Load Camera View...", "", "F4", true, false},
            {"actionSolid_Mode", "Solid Mode", "", "F6", true, true},
            // The window starts in solid mode, the one checkable render mode.
            {"actionWireframe_mode", "Wireframe Mode", "", "F7", true, false},
            {"actionSolid_Wireframe_mode", "Solid/Wireframe Mode", "", "F8", true, false},
            {"actionOpen_tank_directory", "Open Tank Directory", "", "Shift+O", true, false},
            {"actionCreate_tank_directory", "Create Tank Directory", "", "Shift+N", true, false},
            {"actionExtract_tank_textures", "Extract Tank Textures", "", "Shift+E", true, false},
            {"actionEdit_diffuse_textures", "Edit Textures", "", "Shift+T", true, false},
            {"actionGenerate_UV_map", "Generate UV Map...", "", "Shift+U", true, false},
            {"actionHullscope_Help", "Hullscope Help...", "", "F1", true, false},
            {"actionTake_screenshot", "Take Screenshot", "", "F12", true, false},
            {"actionReload_Scene", "Reload Scene", "Reload Scene", "Backspace", true, false},
            {"actionCamera_Reset", "Reset Camera View...", "Reset Camera", "F5", true, false},
            {"actionHide_all_Widgets", "Hide all Widgets", "Hide all Widgets", "", true, true},
            {"actionFullscreen", "Fullscreen", "Toggle Fullscreen mode", "", true, true},
            {"actionScreenShotSave", "Save Screenshot to file", "Save Screenshot to file",
             "Shift+F12", true, false},
            {"actionOpen_Screenshot_Directory", "Open Screenshot Directory",
             "Open Screenshot Directory", "", true, false},
            {"actionVisual_Editor", "Visual Editor", "Open Visual Editor", "", true, false},
            {"actionCheck_for_update", "Check for Updates...", "", "", false, false},
            {"actionScreenShotForm", "Screen Shot Form", "Screen Shot Form", "Ctrl+F12", true,
             false},
        };
        for (const auto &row : rows) {
            QTest::newRow(row.name) << QString::fromLatin1(row.text) << QString::fromLatin1(row.tip)
                                    << QString::fromLatin1(row.key) << row.icon << row.checkable;
        }
    }

    void actionTable()
    {
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QFETCH(QString, shortcut);
        QFETCH(bool, hasIcon);
        QFETCH(bool, checkable);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QList<QAction *> named;
        for (QAction *action : f.window->findChildren<QAction *>()) {
            if (action->objectName().startsWith(QLatin1String("action"))) {
                named.append(action);
            }
        }
        QCOMPARE(named.size(), 25);
        QAction *action = f.window->findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), text);
        // Without a tooltip of its own an action shows its text, "&" removed.
        if (!toolTip.isEmpty()) {
            QCOMPARE(action->toolTip(), toolTip);
        }
        QCOMPARE(action->shortcut(), QKeySequence(shortcut));
        QCOMPARE(!action->icon().isNull(), hasIcon);
        QCOMPARE(action->isCheckable(), checkable);
        QCOMPARE(action->isChecked(), name == QLatin1String("actionSolid_Mode"));
    }

    void rangesAndStartStates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("tank") << "tankRotationSpin" << -181.0 << 181.0 << 1.0 << 0.0 << true;
        QTest::newRow("turret") << "turretRotationSpin" << 0.0 << 0.0 << 1.0 << 0.0 << false;
        QTest::newRow("gun") << "gunRotationSpin" << 0.0 << 0.0 << 1.0 << 0.0 << false;
        QTest::newRow("target") << "PosYDoubleSpinBox" << -50.0 << 50.0 << 0.1 << 0.0 << true;
        QTest::newRow("rotation") << "RotZDoubleSpinBox" << -180.0 << 180.0 << 0.1 << 0.0 << true;
        QTest::newRow("calibre") << "shellSizeBox" << 10.0 << 300.0 << 1.0 << 88.0 << true;
        QTest::newRow("normalisation") << "shellNormalBox" << 0.0 << 10.0 << 0.5 << 2.0 << true;
        // The scene settings of the sample's settings file.
        QTest::newRow("ambient") << "AmbientLightSlider" << 0.0 << 255.0 << 1.0 << 127.0 << true;
    }

    void rangesAndStartStates()
    {
        QFETCH(QString, name);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, step);
        QFETCH(double, value);
        QFETCH(bool, enabled);
        QWidget *box = f.window->findChild<QWidget *>(name);
        QVERIFY(box);
        QCOMPARE(box->property("minimum").toDouble(), minimum);
        QCOMPARE(box->property("maximum").toDouble(), maximum);
        QCOMPARE(box->property("singleStep").toDouble(), step);
        QCOMPARE(box->property("value").toDouble(), value);
        QCOMPARE(box->isEnabled(), enabled);
        if (qobject_cast<QDoubleSpinBox *>(box)) {
            QCOMPARE(box->property("decimals").toInt(), 1);
        }
    }

    void otherStartStates()
    {
        QCOMPARE(ui().FovSpinBox->minimum(), 20);
        QCOMPARE(ui().FovSpinBox->maximum(), 90);
        QCOMPARE(ui().horizontalSlider_2->minimum(), 1);
        QCOMPARE(ui().horizontalSlider_2->maximum(), 50);
        QCOMPARE(ui().horizontalSlider_2->pageStep(), 5);
        QCOMPARE(ui().shellCombo->count(), 4);
        QCOMPARE(ui().shellCombo->itemText(3), QStringLiteral("HEAT"));
        QCOMPARE(ui().CameraViewCombo->count(), 7);
        const QList<QAbstractButton *> checkedAtStart = {
            ui().PremiumHangarRadioBtn, ui().BumpMapRadioBtn, ui().RenderStatsCheckBox,
            ui().UndamagedBtn,          ui().radioButton_8,   ui().radioButton_24,
            ui().SummerRadioBtn,        ui().radioButton_13,  ui().UndamagedBtn_2};
        for (QAbstractButton *checked : checkedAtStart) {
            QVERIFY2(checked->isChecked(), qPrintable(checked->objectName()));
        }
        QCOMPARE(ui().armorInspectEnable->text(), QStringLiteral("Enable "));
        QVERIFY(ui().LogAllText->isReadOnly());
        QCOMPARE(ui().tabWidget_2->currentIndex(), 0);
        // The settings' "4x", made the default format before the form made the view: the
        // first frame found samples in the view's framebuffer.
        QVERIFY(view()->sampleBuffers);
        // The settings say the grid is hidden: the box set twice leaves it checked.
        QVERIFY(ui().GridCheckBox->isChecked());
        QVERIFY(!view()->gridVisible);
    }

    // With no layout file: the Tanks dock is docked on the right, tabbed with three
    // others and in front; the rest of the arrangement as the program starts.
    void startArrangementShowsTheTankList()
    {
        QDockWidget *tanks = ui().TanksDock;
        QVERIFY(tanks->isVisible());
        QVERIFY(!tanks->isFloating());
        QCOMPARE(f.window->dockWidgetArea(tanks), Qt::RightDockWidgetArea);
        const QList<QDockWidget *> tabbed = f.window->tabifiedDockWidgets(tanks);
        QCOMPARE(tabbed.size(), 3);
        QVERIFY(tabbed.contains(ui().TankOptionsDock));
        QVERIFY(tabbed.contains(ui().CamoDock));
        QVERIFY(tabbed.contains(ui().SceneSettingsDock));
        QVERIFY(!ui().mTankListView->visibleRegion().isEmpty());
        QVERIFY(ui().TankOptionsDock->visibleRegion().isEmpty());
        QVERIFY(ui().CameraDock->isHidden());
        QVERIFY(ui().LogViewDock->isHidden());
        QVERIFY(ui().armorDock->isHidden() && ui().armorDock->isFloating());
        QVERIFY(ui().armorInspectionDock->isHidden() && ui().armorInspectionDock->isFloating());
        QVERIFY(
            Log::instance()->text(1).contains(QStringLiteral("Could not locate default.layout")));
    }

    void tankListFilters()
    {
        const QString all = ui().NationCombo->itemText(0);
        QCOMPARE(ui().NationCombo->count(), 4);
        QCOMPARE(ui().TierCombo->count(), 11);
        // Ordered by nation folder, then tier.
        QCOMPARE(listed(),
                 QStringList({"Lynx", "Ironhide", "Colossus", "Strider", "Hornet", "Falcon",
                              "Rampart", "Monarch", "Sprite", "Warden", "Bastion", "Tempest"}));

        // A substring in any letter case; "_" stands for one character.
        QTest::keyClicks(ui().tankFilter, QStringLiteral("AR"));
        QCOMPARE(listed(), QStringList({"Rampart", "Monarch", "Warden"}));
        ui().tankFilter->clear();
        QTest::keyClicks(ui().tankFilter, QStringLiteral("o_o"));
        QCOMPARE(listed(), QStringList({"Colossus"}));

        ui().tankFilter->setText(QStringLiteral("r"));
        ui().NationCombo->setCurrentText(QStringLiteral("Velmora"));
        QCOMPARE(listed(), QStringList({"Sprite", "Warden"}));
        ui().TierCombo->setCurrentText(QStringLiteral("9"));
        QCOMPARE(listed(), QStringList());
        ui().NationCombo->setCurrentText(all);
        QCOMPARE(listed(), QStringList({"Strider", "Rampart"}));
        ui().tankFilter->clear();
        ui().TierCombo->setCurrentIndex(0);
        QCOMPARE(listed().size(), 12);

        // Models made for earlier lists are gone.
        QCOMPARE(f.window->findChildren<QAbstractItemModel *>(QString(), Qt::FindDirectChildrenOnly)
                     .size(),
                 1);
    }

    void loadWithoutSelectionOnlyAsks()
    {
        ui().mTankListView->setCurrentIndex(QModelIndex());
        const bool loadedBefore = TankLoader::instance()->loaded;
        QTest::mouseClick(ui().pushButton, Qt::LeftButton);
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes.at(0).text, QStringLiteral("You must select a tank."));
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(TankLoader::instance()->loaded, loadedBefore);
        f.boxes.clear();
    }

    // A click on "Load" loads the chosen tank and the loader's hooks reach the window.
    void loadClickDrawsTheTank()
    {
        QVERIFY(f.select(QStringLiteral("Warden")));
        QTest::mouseClick(ui().pushButton, Qt::LeftButton);
        TankLoader *loader = TankLoader::instance();
        QVERIFY(loader->loaded);
        QCOMPARE(loader->tankName, QStringLiteral("Warden"));
        QVERIFY(f.window->statusBar()->currentMessage().contains(QStringLiteral(" loaded in: ")));
        QVERIFY(f.window->statusBar()->currentMessage().endsWith(QStringLiteral(" seconds")));
        QVERIFY(ui().turretRotationSpin->isEnabled());
        QVERIFY(ui().gunRotationSpin->isEnabled());
        QVERIFY(ui().turretRotationSpin->maximum() > ui().turretRotationSpin->minimum());
        // Every sample gun's front sector is "-5 15 20".
        QCOMPARE(ui().gunRotationSpin->minimum(), -15.0);
        QCOMPARE(ui().gunRotationSpin->maximum(), 5.0);
        QCOMPARE(loader->windowHooks(), static_cast<TankLoaderWindowHooks *>(f.window.get()));
        QCOMPARE(CollisionArmor::instance()->windowHooks(),
                 static_cast<CollisionArmorWindowHooks *>(f.window.get()));
        QVERIFY(ui().armorTableView->model());
        QVERIFY(ui().armorTableView->model()->rowCount() > 0);

        waitFrames(2);
        {
            ViewContextGuard guard(view());
            QOpenGLFunctions_3_2_Core *gl =
                QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(view()->context());
            QVERIFY(gl);
            QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
        }
    }

    void tenthRangeInside_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("outward tenths") << -162.25 << 30.05 << -162.2 << 30.0;
        QTest::newRow("float tenths stay") << double(-15.3f) << double(0.3f) << -15.3 << 0.3;
        QTest::newRow("narrower than a tenth") << 1.01 << 1.04 << 1.0 << 1.0;
    }

    void tenthRangeInside()
    {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, low);
        QFETCH(double, high);
        const auto range = MainWindow::tenthRangeInside(minimum, maximum);
        QCOMPARE(range.first, low);
        QCOMPARE(range.second, high);
        f.window->armTurretRotation(minimum, maximum);
        QCOMPARE(ui().turretRotationSpin->minimum(), low);
        QCOMPARE(ui().turretRotationSpin->maximum(), high);
        QCOMPARE(ui().turretRotationSpin->value(), std::clamp(0.0, low, high));
    }

    // The window at full screen size with a tank: what the user sees, kept for people
    // and probed here.
    void screenshotShowsTheWindow()
    {
        load(QStringLiteral("Warden"));
        ui().HangarCheckBox->setChecked(true);
        waitFrames(2);
        QCOMPARE(f.window->size(), QGuiApplication::primaryScreen()->availableGeometry().size());

        const QImage shot = f.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(shot.save(dir + QStringLiteral("/mainwindow.png")));

        // The view's rectangle holds what the view drew.
        const QRect viewRect(view()->mapTo(f.window.get(), QPoint(0, 0)), view()->size());
        const QImage drawn =
            view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32).scaled(view()->size());
        int differing = 0;
        for (int y = 0; y < drawn.height(); y += 7) {
            for (int x = 0; x < drawn.width(); x += 7) {
                const QColor a = drawn.pixelColor(x, y);
                const QColor b = shot.pixelColor(viewRect.topLeft() + QPoint(x, y));
                differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
                                 + std::abs(a.blue() - b.blue())
                             > 24;
            }
        }
        QVERIFY2(differing < (drawn.width() / 7) * (drawn.height() / 7) / 50,
                 qPrintable(QString::number(differing)));

        // The tank covers the target in the middle of the view.
        const QColor background = view()->viewportColor;
        const QPoint centre = viewRect.center();
        QVERIFY(nearPixel(shot, centre, 3, [&](const QColor &c) {
            return std::abs(c.red() - background.red()) + std::abs(c.green() - background.green())
                       + std::abs(c.blue() - background.blue())
                   > 24;
        }));

        int buttons = 0;
        for (QAction *action : ui().MainToolBar->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            QWidget *button = ui().MainToolBar->widgetForAction(action);
            QVERIFY(button);
            const QRect rect(button->mapTo(f.window.get(), QPoint(0, 0)), button->size());
            QVERIFY2(!flat(shot, rect), qPrintable(action->objectName()));
            ++buttons;
        }
        QCOMPARE(buttons, 13);

        // The Tanks dock lies at the right and shows the loaded tank's row.
        QListView *list = ui().mTankListView;
        const QRect dockRect(ui().TanksDock->mapTo(f.window.get(), QPoint(0, 0)),
                             ui().TanksDock->size());
        QVERIFY(dockRect.left() > shot.width() / 2);
        const QRect row = list->visualRect(list->currentIndex())
                              .translated(list->viewport()->mapTo(f.window.get(), QPoint(0, 0)));
        QCOMPARE(list->currentIndex().data().toString(), QStringLiteral("Warden"));
        QVERIFY(dockRect.contains(row));
        QVERIFY(!flat(shot, row));
        ui().HangarCheckBox->setChecked(false);
    }

    void reloadSceneReportsInTheStatusBar()
    {
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QSignalSpy messages(f.window->statusBar(), &QStatusBar::messageChanged);
        QSignalSpy reloads(f.window.get(), &MainWindow::reloadSceneItems);
        const int logged = f.logCount(QStringLiteral("[ Info ] Reloading Scene."));
        // Backspace in the filter box edits the filter; on the view it reloads.
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Backspace);
        QCOMPARE(reloads.size(), 1);
        QCOMPARE(f.logCount(QStringLiteral("[ Info ] Reloading Scene.")), logged + 1);
        QStringList shown;
        for (const QList<QVariant> &message : messages) {
            shown.append(message.at(0).toString());
        }
        // The hangars, then the tank, which reports its own load.
        QCOMPARE(shown.mid(0, 2), QStringList({"Reloading Scene.", "Scene Reload done."}));
        QVERIFY(shown.last().startsWith(QStringLiteral("Warden loaded in: ")));
        QVERIFY(TankLoader::instance()->loaded);
    }

    void sceneSettingsReachTheView()
    {
        ui().AmbientLightSlider->setValue(51);
        QCOMPARE(ui().AmbientLightValue->text(), QStringLiteral("51"));
        emit ui().AmbientLightSlider->sliderReleased();
        QCOMPARE(view()->ambient, glm::vec3(0.2f));

        // The camera dock and the view follow each other.
        ui().PosXDoubleSpinBox->setValue(3.5);
        QCOMPARE(view()->cameraController().cameraTarget.x, 3.5f);
        view()->setCameraZoom(17);
        QCOMPARE(ui().horizontalSlider_2->value(), 17);
        QCOMPARE(ui().ZoomValueLabel->text(), QStringLiteral("17"));
        view()->resetCamera();
    }

    void viewportColourThroughTheChooser()
    {
        const QColor old = view()->viewportColor;
        QSignalSpy changes(view(), &RenderWidget::viewportColorChanged);
        QList<ColorChooserRequest> requests;
        setColorChooserHandler([&](const ColorChooserRequest &request) {
            requests.append(request);
            return QColor();
        });
        QTest::mousePress(ui().pushButton_7, Qt::LeftButton);
        QTest::mouseRelease(ui().pushButton_7, Qt::LeftButton);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.at(0).initial, old);
        QCOMPARE(requests.at(0).parent, f.window.get());
        // Cancelled: the old colour, announced all the same.
        QCOMPARE(changes.size(), 1);
        QCOMPARE(view()->viewportColor, old);

        setColorChooserHandler([](const ColorChooserRequest &) { return QColor(10, 200, 30, 40); });
        f.window->changeViewportColor();
        setColorChooserHandler({});
        QCOMPARE(view()->viewportColor, QColor(10, 200, 30, 40));
        // The swatch is opaque whatever the alpha.
        const QColor swatch = ui().ViewportColorLabel->palette().color(QPalette::Window);
        QCOMPARE(swatch, QColor(10, 200, 30, 255));
        QVERIFY(ui().ViewportColorLabel->autoFillBackground());
        view()->setViewportColor(old);
    }

    void hideAllAndFullScreen()
    {
        ui().armorDock->show();
        ui().actionHide_all_Widgets->setChecked(true);
        for (QDockWidget *dock : sevenDocks()) {
            QVERIFY2(dock->isHidden(), qPrintable(dock->objectName()));
        }
        QVERIFY(ui().armorDock->isVisible());
        ui().actionHide_all_Widgets->setChecked(false);
        QVERIFY(ui().TanksDock->isVisible());
        QVERIFY(ui().CameraDock->isHidden());
        ui().armorDock->hide();

        ui().actionFullscreen->setChecked(true);
        QVERIFY(f.window->windowState() & Qt::WindowFullScreen);
        QVERIFY(f.window->menuBar()->isHidden());
        QVERIFY(f.window->statusBar()->isHidden());
        QVERIFY(ui().MainToolBar->isHidden() && ui().WidgetToolBar->isHidden());
        QVERIFY(ui().TanksDock->isHidden());
        waitFrames(1);
        ui().actionFullscreen->setChecked(false);
        QVERIFY(f.window->windowState() & Qt::WindowMaximized);
        QVERIFY(!(f.window->windowState() & Qt::WindowFullScreen));
        QVERIFY(f.window->menuBar()->isVisible() && f.window->statusBar()->isVisible());
        QVERIFY(ui().MainToolBar->isVisible() && ui().WidgetToolBar->isVisible());
        QVERIFY(ui().TanksDock->isVisible());
        QVERIFY(!ui().actionHide_all_Widgets->isChecked());

        // Hidden before full screen, hidden after.
        ui().actionHide_all_Widgets->setChecked(true);
        ui().actionFullscreen->setChecked(true);
        ui().actionFullscreen->setChecked(false);
        QVERIFY(ui().actionHide_all_Widgets->isChecked());
        QVERIFY(ui().TanksDock->isHidden());
        ui().actionHide_all_Widgets->setChecked(false);
        QVERIFY(ui().TanksDock->isVisible());
        f.window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    }

    // The view keeps its one context through everything that moves widgets around.
    void viewIsInitialisedOnce()
    {
        ui().CamoDock->setFloating(true);
        waitFrames(1);
        ui().CamoDock->setFloating(false);
        waitFrames(1);
        QCOMPARE(f.logCount(QStringLiteral("Initialising OpenGL.")), 1);
        QCOMPARE(view()->window(), f.window.get());
    }

    void helpAboutAndUpdate()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        ui().actionHullscope_Help->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.urls.size(), 1);
        QVERIFY(catcher.urls.at(0).host().endsWith(QLatin1String(".invalid")));

        ui().actionCheck_for_update->trigger();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes.at(0).text, QStringLiteral("Auto Update has been disabled"));
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Information);
        QCOMPARE(f.boxes.at(0).title, QStringLiteral("Hullscope"));
        f.boxes.clear();

        bool aboutShown = false;
        QTimer::singleShot(0, this, [&]() {
            if (QWidget *box = QApplication::activeModalWidget()) {
                aboutShown = box->parentWidget() == f.window.get();
                box->close();
            }
        });
        ui().actionAbout_Qt->trigger();
        QVERIFY(aboutShown);

        // The About box of the program, with what the view's driver reports.
        const AboutViewerWidget *about = nullptr;
        QString renderer;
        modalOf(ui().actionAbout_Hullscope, [&](QWidget *box) {
            about = qobject_cast<AboutViewerWidget *>(box);
            renderer = about ? about->ui.glRendererLabel->text() : QString();
        });
        QVERIFY(about);
        QCOMPARE(renderer, view()->glInfo().renderer);
        QVERIFY(!renderer.isEmpty());
        const QList<UpdateCheck *> updates = f.window->findChildren<UpdateCheck *>();
        QCOMPARE(updates.size(), 1);
        QVERIFY(!updates.at(0)->isVisible());
    }

    // The tank list's dialogs run for the selected tank.
    void uvMapAndTexturePickerRunForTheTank()
    {
        // Loaded first: the load's progress box would be the first modal widget.
        load(QStringLiteral("Warden"));
        int tabs = -1;
        modalOf(ui().actionGenerate_UV_map, [&](QWidget *box) {
            auto *dialog = qobject_cast<UvGenerateUI *>(box);
            if (dialog) {
                dialog->ui.generateButton->click();
                tabs = dialog->ui.tabWidget->count();
            }
        });
        QCOMPARE(TankLoader::instance()->tankName, QStringLiteral("Warden"));
        QVERIFY(tabs > 0);
        int groups = -1;
        modalOf(ui().actionEdit_diffuse_textures, [&](QWidget *box) {
            if (auto *picker = qobject_cast<EditTextureUI *>(box)) {
                groups = picker->ui.treeView->model()->rowCount();
            }
        });
        QVERIFY(groups >= 2);
    }

    // A rebuild that stops empties the list; the next good one fills it again.
    void stoppedRebuildEmptiesTheList()
    {
        const QString list = QStringLiteral("../data/tank_list.cfg");
        QVERIFY(QFile::rename(list, list + QStringLiteral(".away")));
        Database::instance()->rebuildDatabase();
        resetFatalErrorState();
        QVERIFY(QFile::rename(list + QStringLiteral(".away"), list));
        QCOMPARE(listed(), QStringList());
        QCOMPARE(ui().NationCombo->count(), 0);

        QSignalSpy messages(f.window->statusBar(), &QStatusBar::messageChanged);
        Database::instance()->rebuildDatabase();
        QCOMPARE(listed().size(), 12);
        // A good rebuild reloads the scene, now that the view is initialised.
        QVERIFY(std::any_of(messages.begin(), messages.end(), [](const QList<QVariant> &m) {
            return m.at(0).toString() == QLatin1String("Reloading Scene.");
        }));
    }

    void cleanupTestCase()
    {
        if (!mGl) {
            return;
        }
        f.window.reset();
        // The view took the loader and the armour registry with it; the database
        // forgot the window: its box about a wrong game path has no parent now.
        QCOMPARE(TankLoader::instance(), nullptr);
        QCOMPARE(CollisionArmor::instance(), nullptr);
        Settings::instance()->brastelPath = QStringLiteral("/nonexistent");
        Database::instance()->rebuildDatabase();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes.at(0).parent, nullptr);
        f.stop();
    }

    // Last: checks each of the form's connections by taking it away.
    void formConnectionsExist_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QByteArray>("slot");
        QFile form(QStringLiteral(HULLSCOPE_SOURCE_DIR "/src/ui/mainwindow.ui"));
        QVERIFY(form.open(QIODevice::ReadOnly));
        QDomDocument document;
        QVERIFY(document.setContent(&form));
        const QDomNodeList connections = document.elementsByTagName(QStringLiteral("connection"));
        QVERIFY(connections.size() > 90);
        for (int i = 0; i < connections.size(); ++i) {
            const QDomElement c = connections.at(i).toElement();
            auto text = [&](const char *name) {
                return c.firstChildElement(QString::fromLatin1(name)).text();
            };
            QTest::addRow("%d %s %s", i, qPrintable(text("sender")), qPrintable(text("signal")))
                << text("sender") << text("signal").toLatin1() << text("receiver")
                << text("slot").toLatin1();
        }
        // Made by the window itself: the signals Qt 6 cannot name in a form.
        QTest::addRow("turret box") << "turretComboBox" << QByteArray("currentIndexChanged(int)")
                                    << "MainWindow" << QByteArray();
        QTest::addRow("gun box") << "gunComboBox" << QByteArray("currentIndexChanged(int)")
                                 << "MainWindow" << QByteArray();
        QTest::addRow("ambient release") << "AmbientLightSlider" << QByteArray("sliderReleased()")
                                         << "mRenderWidget" << QByteArray();
        QTest::addRow("scene reload") << "MainWindow" << QByteArray("reloadSceneItems()")
                                      << "mRenderWidget" << QByteArray("sceneReload()");
        for (const char *box : {"NationCombo", "CatergoryCombo", "TierCombo"}) {
            QTest::addRow("%s", box)
                << QString::fromLatin1(box) << QByteArray("currentIndexChanged(int)")
                << "MainWindow" << QByteArray("tankFilterChanged()");
        }
    }

    void formConnectionsExist()
    {
        QFETCH(QString, sender);
        QFETCH(QByteArray, signal);
        QFETCH(QString, receiver);
        QFETCH(QByteArray, slot);
        auto find = [this](const QString &name) -> QObject * {
            return name == QLatin1String("MainWindow") ? f.window.get()
                                                       : f.window->findChild<QObject *>(name);
        };
        QObject *from = find(sender);
        QObject *to = find(receiver);
        QVERIFY(from && to);
        const QByteArray signalText = QByteArray::number(QSIGNAL_CODE) + signal;
        const QByteArray slotText = QByteArray::number(QSLOT_CODE) + slot;
        // The exact slot for string connections; otherwise the receiver at least (a
        // member-function connection is not found by its slot's name).
        const bool exact =
            !slot.isEmpty()
            && QObject::disconnect(from, signalText.constData(), to, slotText.constData());
        QVERIFY(exact || QObject::disconnect(from, signalText.constData(), to, nullptr));
    }
};

int main(int argc, char **argv)
{
    gPreviousHandler = qInstallMessageHandler(recordConnectWarnings);
    return runWindowTest<TestMainWindowGl>(argc, argv);
}

#include "test_mainwindow_gl.moc"
