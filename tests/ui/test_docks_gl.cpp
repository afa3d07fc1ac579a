// The main window's docks and tank options on the sample game: the Window menu and
// tool bar, the dock keys (tabbed, floating, full screen), the shortcuts that stay
// live, the scene settings, the log boxes, the turret and gun boxes, rotations and
// pitch sectors, render modes, form and part options, the shell parameters, the armour
// controls and thickness clicks, and a checked screenshot of a shot in armour mode.
#include "windowtestsupport.h"

#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "armour/collisionarmor.h"
#include "armour/physics.h"

#include "render/materialloader.h"

#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QToolBar>

#include <glm/gtc/matrix_transform.hpp>

namespace {

int countPixels(const QImage &image, const QRect &rect, const std::function<bool(QColor)> &match)
{
    int count = 0;
    const QRect inside = rect.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            count += match(image.pixelColor(x, y));
        }
    }
    return count;
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
               + std::abs(a.blue() - b.blue())
           <= 12;
}

} // namespace

class TestDocksGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    bool mGl = false;

    bool visible(QDockWidget *dock) { return dock->property("Visibility").toBool(); }
    void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(target, key, modifiers);
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        QVERIFY(f.start());
        mGl = true;
        f.view()->paintBlocked = true;
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    }

    void init() { f.boxes.clear(); }

    void cleanup()
    {
        if (mGl) {
            QVERIFY2(f.boxes.isEmpty(), qPrintable(f.boxTexts().join(QLatin1Char('\n'))));
        }
    }

    void cleanupTestCase()
    {
        if (mGl) {
            f.stop();
        }
    }

    void windowMenuAndToolBar()
    {
        QStringList menu;
        for (QAction *action : f.ui().menu_Window->actions()) {
            menu.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            QVERIFY(action->shortcut().isEmpty());
        }
        QCOMPARE(menu, QStringList({"Tanks\tShift + Q", "Tank Options\tShift + W",
                                    "Camo\tShift + S", "Scene Settings\tShift + Z",
                                    "Camera\tShift + X", "Armor Inspector\tShift + C", "-",
                                    "Log\tF11", "-", "Save Layout", "Load default layout"}));
        QCOMPARE(f.ui().TanksDock->toggleViewAction()->toolTip(), QStringLiteral("Tanks"));
        QCOMPARE(f.ui().LogViewDock->toggleViewAction()->toolTip(), QStringLiteral("Log"));

        const QList<QAction *> tools = f.ui().WidgetToolBar->actions();
        QCOMPARE(tools.size(), 8);
        QVERIFY(tools.at(6)->isSeparator());
        QCOMPARE(tools.at(0), f.ui().TanksDock->toggleViewAction());
        QCOMPARE(tools.at(5), f.ui().armorInspectionDock->toggleViewAction());
        QCOMPARE(tools.at(7), f.ui().LogViewDock->toggleViewAction());
        for (QAction *action : tools) {
            QVERIFY(action->isSeparator() || !action->icon().isNull());
        }
    }

    void dockAreasAndFeatures_data()
    {
        QTest::addColumn<QString>("dock");
        QTest::addColumn<Qt::DockWidgetAreas>("areas");
        const Qt::DockWidgetAreas sides = Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea;
        QTest::newRow("tanks") << "TanksDock" << sides;
        QTest::newRow("scene settings") << "SceneSettingsDock" << sides;
        QTest::newRow("tank options") << "TankOptionsDock" << sides;
        QTest::newRow("camo") << "CamoDock" << sides;
        QTest::newRow("camera") << "CameraDock" << sides;
        QTest::newRow("log") << "LogViewDock" << (Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
        QTest::newRow("armor") << "armorDock" << Qt::DockWidgetAreas(Qt::NoDockWidgetArea);
        QTest::newRow("armor inspector") << "armorInspectionDock" << sides;
    }

    void dockAreasAndFeatures()
    {
        QFETCH(QString, dock);
        QFETCH(Qt::DockWidgetAreas, areas);
        const auto *widget = f.window->findChild<QDockWidget *>(dock);
        QVERIFY(widget);
        QCOMPARE(widget->allowedAreas(), areas);
        // Every dock can be closed, moved and floated, and none has a vertical title bar.
        QCOMPARE(widget->features(), QDockWidget::DockWidgetClosable
                                         | QDockWidget::DockWidgetMovable
                                         | QDockWidget::DockWidgetFloatable);
    }

    void dockKeys()
    {
        QDockWidget *options = f.ui().TankOptionsDock;
        QVERIFY(!f.window->tabifiedDockWidgets(options).isEmpty());
        f.ui().TanksDock->raise();
        QVERIFY(QTest::qWaitFor([&]() { return !visible(options); }));

        // Behind another tab: brought to the front, not closed.
        press(f.window.get(), Qt::Key_W, Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&]() { return visible(options); }));
        QVERIFY(!options->isHidden());
        // In front: closed.
        press(f.window.get(), Qt::Key_W, Qt::ShiftModifier);
        QVERIFY(options->isHidden());
        // Closed: opened and in front.
        press(f.window.get(), Qt::Key_W, Qt::ShiftModifier);
        QVERIFY(!options->isHidden());
        QVERIFY(QTest::qWaitFor([&]() { return visible(options); }));

        // Another modifier with Shift does nothing.
        QSignalSpy tanksToggled(f.ui().TanksDock->toggleViewAction(), &QAction::triggered);
        press(f.window.get(), Qt::Key_Q, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(tanksToggled.size(), 0);

        // A key reaching a floating dock is applied once: the Tanks dock, behind the
        // Tank Options tab, comes to the front and stays open.
        QDockWidget *tanks = f.ui().TanksDock;
        QVERIFY(!visible(tanks));
        QDockWidget *camera = f.ui().CameraDock;
        camera->setFloating(true);
        camera->show();
        press(camera, Qt::Key_Q, Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&]() { return visible(tanks); }));
        QVERIFY(!tanks->isHidden());
        QCOMPARE(tanksToggled.size(), 0);
        // In front now: the inspector's key closes it, once.
        press(f.ui().armorInspectionDock, Qt::Key_Q, Qt::ShiftModifier);
        QVERIFY(tanks->isHidden());
        QCOMPARE(tanksToggled.size(), 1);
        press(f.window.get(), Qt::Key_Q, Qt::ShiftModifier);
        QVERIFY(!tanks->isHidden());
        QCOMPARE(tanksToggled.size(), 2);
        camera->hide();

        QSignalSpy logToggled(f.ui().LogViewDock->toggleViewAction(), &QAction::triggered);
        press(f.window.get(), Qt::Key_F11);
        QCOMPARE(logToggled.size(), 1);
        QVERIFY(!f.ui().LogViewDock->isHidden());
        press(f.window.get(), Qt::Key_F11);
        QVERIFY(f.ui().LogViewDock->isHidden());

        // Full screen: dock keys off; Escape leaves, Alt+Return enters.
        f.ui().actionFullscreen->setChecked(true);
        QVERIFY(f.window->isFullScreen());
        press(f.window.get(), Qt::Key_Q, Qt::ShiftModifier);
        press(f.window.get(), Qt::Key_F11);
        QCOMPARE(tanksToggled.size(), 2);
        QCOMPARE(logToggled.size(), 2);
        press(f.window.get(), Qt::Key_Escape);
        QVERIFY(!f.ui().actionFullscreen->isChecked());
        QVERIFY(!f.window->isFullScreen());
        press(f.window.get(), Qt::Key_Return, Qt::AltModifier);
        QVERIFY(f.ui().actionFullscreen->isChecked());
        press(f.window.get(), Qt::Key_Escape);
        QVERIFY(!f.window->isFullScreen());
        QVERIFY(!f.ui().TanksDock->isHidden());
    }

    // Twelve actions keep their keys with the bars hidden; typing in the filter is
    // typing, while in the list Backspace reloads the scene.
    void shortcutsStayLive()
    {
        const QList<QAction *> own = f.window->actions();
        for (QAction *action : {f.ui().actionReload_Scene, f.ui().actionFullscreen,
                                f.ui().actionScreenShotSave, f.ui().actionSolid_Mode}) {
            QVERIFY(own.contains(action));
        }
        QVERIFY(!own.contains(f.ui().actionOpen_tank_directory));

        QSignalSpy reloads(f.window.get(), &MainWindow::reloadSceneItems);
        QLineEdit *filter = f.ui().tankFilter;
        filter->setFocus();
        QTest::keyClicks(filter, QStringLiteral("ar"));
        QTest::keyClick(filter, 'O', Qt::ShiftModifier);
        QCOMPARE(filter->text(), QStringLiteral("arO"));
        press(filter, Qt::Key_Backspace);
        QCOMPARE(filter->text(), QStringLiteral("ar"));
        QCOMPARE(reloads.size(), 0);
        QVERIFY(f.boxes.isEmpty());
        filter->clear();

        f.ui().mTankListView->setFocus();
        press(f.ui().mTankListView, Qt::Key_Backspace);
        QCOMPARE(reloads.size(), 1);

        // With the menu bar hidden, F7 still switches the render mode.
        f.ui().actionFullscreen->setChecked(true);
        press(f.window.get(), Qt::Key_F7);
        QVERIFY(f.ui().actionWireframe_mode->isChecked());
        f.ui().actionFullscreen->setChecked(false);
        f.window->toggleSolidMode();
    }

    void sceneSettingsSaveAndLoad()
    {
        Settings *settings = Settings::instance();
        f.ui().AmbientLightSlider->setValue(77);
        f.ui().BumpMapRadioBtn2->click();
        f.ui().HangarCheckBox->setChecked(false);
        f.ui().GridCheckBox->setChecked(true);
        f.ui().TankInfoCheckBox->setChecked(true);
        f.ui().RenderStatsCheckBox->setChecked(false);
        f.ui().BasicHangarRadioBtn->click();
        f.ui().pushButton_2->click();
        QCOMPARE(f.boxTexts(), QStringList {QStringLiteral("Settings saved.")});
        QCOMPARE(f.boxes.at(0).icon, QMessageBox::Information);
        f.boxes.clear();
        QCOMPARE(settings->lighting, QStringLiteral("bumpmap"));
        QVERIFY(settings->showShadows);
        QCOMPARE(settings->ambientLight, 77);
        QVERIFY(settings->showHangar);
        QVERIFY(!settings->showGrid);
        QVERIFY(!settings->showTankInfo);
        QVERIFY(settings->showRenderInfo);
        QCOMPARE(settings->sceneSet, QStringLiteral("basic"));

        f.ui().BumpMapRadioBtn->click();
        // The lighting buttons write the live shadow switch; the saved file keeps it.
        settings->showShadows = true;
        f.ui().AmbientLightSlider->setValue(10);
        f.view()->garageVisible = false;
        f.window->loadSceneSettings();
        QVERIFY(f.ui().BumpMapRadioBtn2->isChecked());
        QCOMPARE(f.ui().AmbientLightSlider->value(), 77);
        QCOMPARE(f.ui().AmbientLightValue->text(), QStringLiteral("77"));
        QVERIFY(f.view()->garageVisible);
        QVERIFY(!f.ui().HangarCheckBox->isChecked());

        // An unknown lighting leaves the group alone; vertical tabs reach the window.
        settings->lighting = QStringLiteral("candles");
        settings->verticalTabs = true;
        f.ui().NoLightingRadioBtn->click();
        f.window->loadSceneSettings();
        QVERIFY(f.ui().NoLightingRadioBtn->isChecked());
        QCOMPARE(int(f.window->dockOptions()), 23);
        settings->verticalTabs = false;
        f.window->loadSceneSettings();
        QCOMPARE(int(f.window->dockOptions()), 7);
        f.ui().BumpMapRadioBtn->click();
        f.ui().PremiumHangarRadioBtn->click();
    }

    // Each box shows what a full rewrite would, and ends at the bottom.
    void logBoxesFollowTheLog()
    {
        f.ui().LogViewDock->show();
        Log *log = Log::instance();
        for (int i = 0; i < 150; ++i) {
            log->write(QStringLiteral("info line ") + QString::number(i), Info);
            if (i % 3 == 0) {
                log->write(QStringLiteral("warning line ") + QString::number(i), Warning);
            }
            if (i % 5 == 0) {
                log->write(QStringLiteral("error line ") + QString::number(i), Error);
            }
        }
        const struct
        {
            QTextEdit *box;
            QString text;
        } boxes[] = {{f.ui().LogAllText, log->allText},
                     {f.ui().LogWarningText, log->text(Warning)},
                     {f.ui().LogErrorText, log->text(Error)}};
        for (const auto &b : boxes) {
            QTextEdit whole;
            whole.setPlainText(b.text);
            QCOMPARE(b.box->toPlainText(), whole.toPlainText());
        }
        QVERIFY(!f.ui().LogWarningText->toPlainText().contains(QStringLiteral("error line")));
        QVERIFY(!f.ui().LogErrorText->toPlainText().contains(QStringLiteral("warning line")));
        QVERIFY(f.ui().LogAllText->toPlainText().contains(QStringLiteral("error line 55")));
        QTabWidget *tabs = f.ui().tabWidget_2;
        for (int tab = 0; tab < 3; ++tab) {
            tabs->setCurrentIndex(tab);
            QTextEdit *box = boxes[tab].box;
            QScrollBar *bar = box->verticalScrollBar();
            QVERIFY(QTest::qWaitFor([&]() { return bar->maximum() > 0; }));
            log->write(QStringLiteral("one more"), tab == 0 ? Info : tab == 1 ? Warning : Error);
            QCOMPARE(bar->value(), bar->maximum());
        }
        tabs->setCurrentIndex(0);
        f.ui().LogViewDock->hide();
    }

    void turretAndGunBoxes()
    {
        QVERIFY(f.load(QStringLiteral("Bastion")));
        const TurretGunChooser *chooser = f.loader()->turretGunChooser();
        QCOMPARE(chooser->turrets.size(), 2);
        QComboBox *turrets = f.ui().turretComboBox;
        QComboBox *guns = f.ui().gunComboBox;
        QCOMPARE(turrets->count(), 2);
        QCOMPARE(turrets->itemText(1), chooser->turrets.at(1).displayName);
        QCOMPARE(guns->count(), chooser->turrets.at(0).guns.size());

        turrets->setCurrentIndex(1);
        emit turrets->textActivated(turrets->currentText());
        QCOMPARE(guns->count(), chooser->turrets.at(1).guns.size());
        QCOMPARE(guns->itemText(0), chooser->turrets.at(1).guns.at(0).displayName);
        QCOMPARE(f.loader()->currentTurretName(), chooser->turrets.at(1).displayName);
        guns->setCurrentIndex(guns->count() - 1);
        QCOMPARE(f.loader()->currentGunName(), chooser->turrets.at(1).guns.last().displayName);
        QVERIFY(f.loader()->loaded);
    }

    void rotationsWrapAndPitchSectors()
    {
        QVERIFY(f.load(QStringLiteral("Warden")));
        auto yRotation = [](float degrees) {
            return glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::vec3(0, 1, 0));
        };
        QDoubleSpinBox *tank = f.ui().tankRotationSpin;
        tank->setValue(180.0);
        tank->stepUp();
        QCOMPARE(tank->value(), -179.0);
        QCOMPARE(f.loader()->tankRotation, yRotation(-179.0f));
        tank->setValue(-180.0);
        tank->stepDown();
        QCOMPARE(tank->value(), 179.0);
        QCOMPARE(f.loader()->tankRotation, yRotation(179.0f));
        f.ui().tankRotationBtn->click();
        QCOMPARE(tank->value(), 0.0);

        QDoubleSpinBox *turret = f.ui().turretRotationSpin;
        QDoubleSpinBox *gun = f.ui().gunRotationSpin;
        const Gun *current = f.loader()->turretGunChooser()->currentGun();
        QVERIFY(current);
        QVERIFY(turret->minimum() <= -150.0 && turret->maximum() >= 175.0);
        turret->setValue(90.0);
        const auto free =
            MainWindow::tenthRangeInside(current->pitchLimits.x, current->pitchLimits.y);
        QCOMPARE(gun->minimum(), free.first);
        QCOMPARE(gun->maximum(), free.second);
        QCOMPARE(f.loader()->turretRotation, yRotation(90.0f));
        // Lowest in the free sector, then into the back one: raised to its floor.
        gun->setValue(gun->minimum());
        QVERIFY(gun->value() < -5.0);
        turret->setValue(175.0);
        QCOMPARE(gun->minimum(), -5.0);
        QCOMPARE(gun->maximum(), 0.0);
        QCOMPARE(gun->value(), -5.0);
        QCOMPARE(f.loader()->gunRotation,
                 glm::rotate(glm::mat4(1.0f), glm::radians(5.0f), glm::vec3(1, 0, 0)));
        turret->setValue(-10.0);
        QCOMPARE(gun->minimum(), -15.0);
        QCOMPARE(gun->maximum(), 5.0);
        f.ui().turretRotationBtn->click();
        QCOMPARE(turret->value(), 0.0);
        gun->setValue(3.0);
        QTest::mouseClick(f.ui().gunRotationBtn, Qt::LeftButton);
        QCOMPARE(gun->value(), 0.0);
    }

    void renderModes_data()
    {
        QTest::addColumn<QAction *>("mode");
        QTest::addColumn<bool>("wireframe");
        QTest::addColumn<bool>("solidWire");
        QTest::newRow("F7") << f.ui().actionWireframe_mode << true << false;
        QTest::newRow("F8") << f.ui().actionSolid_Wireframe_mode << false << true;
        QTest::newRow("F6") << f.ui().actionSolid_Mode << false << false;
    }

    void renderModes()
    {
        QFETCH(QAction *, mode);
        QFETCH(bool, wireframe);
        QFETCH(bool, solidWire);
        mode->trigger();
        for (QAction *action : {f.ui().actionSolid_Mode, f.ui().actionWireframe_mode,
                                f.ui().actionSolid_Wireframe_mode}) {
            QCOMPARE(action->isCheckable(), action == mode);
            QCOMPARE(action->isChecked(), action == mode);
        }
        QCOMPARE(f.loader()->wireframe, wireframe);
        QCOMPARE(f.loader()->solidWire, solidWire);
        // Clicking the current mode again cannot uncheck it.
        mode->trigger();
        QVERIFY(mode->isChecked());
    }

    void formsLightingTexturesAndParts()
    {
        TankLoader *loader = f.loader();
        QVERIFY(loader->loaded);
        f.ui().DamagedBtn->click();
        QCOMPARE(loader->tankModel, int(Destroyed));
        QVERIFY(f.ui().armorDock->isHidden());
        f.ui().CollisionBtn->click();
        QCOMPARE(loader->tankModel, int(Collision));
        QVERIFY(!f.ui().armorDock->isHidden());
        f.ui().UndamagedBtn->click();
        QCOMPARE(loader->tankModel, int(Undamaged));
        QVERIFY(f.ui().armorDock->isHidden());

        MaterialLoader *materials = MaterialLoader::instance();
        f.ui().NoLightingRadioBtn->click();
        QCOMPARE(materials->defaultIndex, 1);
        QVERIFY(!Settings::instance()->showShadows);
        f.ui().BumpMapRadioBtn2->click();
        QCOMPARE(materials->defaultIndex, 0);
        QVERIFY(Settings::instance()->showShadows);
        f.ui().BumpMapRadioBtn->click();
        QVERIFY(!Settings::instance()->showShadows);

        const struct
        {
            QCheckBox *box;
            bool *flag;
        } parts[] = {{f.ui().checkBox_4, &loader->hideChassis},
                     {f.ui().checkBox_5, &loader->hideHull},
                     {f.ui().checkBox_6, &loader->hideTurret},
                     {f.ui().checkBox_7, &loader->hideGun}};
        for (const auto &part : parts) {
            part.box->click();
            QVERIFY(*part.flag);
            part.box->click();
            QVERIFY(!*part.flag);
        }

        QSignalSpy reloaded(loader, &TankLoader::tankLoaded);
        f.ui().radioButton_9->click();
        QVERIFY(loader->textureLocation);
        QCOMPARE(reloaded.size(), 1);
        QVERIFY(loader->loaded);
        f.ui().radioButton_8->click();
        QVERIFY(!loader->textureLocation);
        f.ui().radioButton_25->click();
        QVERIFY(loader->gridTexture);
        f.ui().radioButton_24->click();
        QVERIFY(!loader->gridTexture);
    }

    void shellParameters()
    {
        QSignalSpy sent(f.window.get(), &MainWindow::shellParamatersChanged);
        auto last = [&]() { return sent.last().at(0).value<ShellParamaters>(); };
        f.ui().shellCombo->setCurrentIndex(ShellHE);
        QCOMPARE(f.ui().shellNormalBox->value(), 0.0);
        QCOMPARE(last().shellType, qint32(ShellHE));
        QCOMPARE(last().normalization, 0.0f);
        const int afterHe = sent.size();
        f.ui().shellCombo->setCurrentIndex(ShellHEAT);
        QVERIFY(sent.size() > afterHe);
        QCOMPARE(last().shellType, qint32(ShellHEAT));
        f.ui().shellCombo->setCurrentIndex(ShellAP);
        QCOMPARE(f.ui().shellNormalBox->value(), 2.0);
        f.ui().shellSizeBox->setValue(122.0);
        QCOMPARE(last().caliber, 122.0f);
        QCOMPARE(last().normalization, 2.0f);
        QCOMPARE(last().shellType, qint32(ShellAP));
        const ShellParamaters &world = Physics::instance()->shellParamaters();
        QCOMPARE(world.caliber, 122.0f);
        QCOMPARE(world.shellType, qint32(ShellAP));
        f.ui().shellSizeBox->setValue(88.0);
    }

    void armourModeAndThicknessClicks()
    {
        QSignalSpy toggled(f.window.get(), &MainWindow::armorModeToggled);
        f.ui().DamagedBtn->click();
        f.ui().armorInspectEnable->click();
        QCOMPARE(toggled.size(), 1);
        QCOMPARE(toggled.at(0).at(0).toBool(), true);
        QVERIFY(f.view()->armourMode);
        QVERIFY(f.ui().UndamagedBtn->isChecked());
        for (QRadioButton *b : {f.ui().UndamagedBtn, f.ui().DamagedBtn, f.ui().CollisionBtn}) {
            QVERIFY(!b->isEnabled());
        }
        QVERIFY(f.ui().armorDock->isHidden());
        f.ui().CollisionBtn_2->click();
        QVERIFY(!f.ui().armorDock->isHidden());
        QCOMPARE(f.loader()->armorMeshMode, 2);

        // A thickness with more digits than the table shows is still picked exactly.
        QTableView *table = f.ui().armorTableView;
        auto *model = qobject_cast<QStandardItemModel *>(table->model());
        QVERIFY(model && model->rowCount() > 0);
        const float exact = 12.345678f;
        model->item(0)->setData(exact, Qt::UserRole);
        model->item(0)->setText(QString::number(exact, 'g', 6));
        QVERIFY(QTest::qWaitForWindowExposed(f.ui().armorDock));
        const QPoint cell = table->visualRect(model->index(0, 0)).center();
        CollisionArmor *armor = CollisionArmor::instance();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
        QVERIFY(armor->highlightRegular);
        QCOMPARE(armor->selectedRegularThickness, exact);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
        QVERIFY(!armor->highlightRegular);
        QCOMPARE(armor->selectedRegularThickness, -1.0f);
        QVERIFY(!table->selectionModel()->hasSelection());

        f.ui().UndamagedBtn_2->click();
        QVERIFY(f.ui().armorDock->isHidden());
        QCOMPARE(f.loader()->armorMeshMode, 0);
        f.ui().armorInspectEnable->click();
        QCOMPARE(toggled.last().at(0).toBool(), false);
        for (QRadioButton *b : {f.ui().UndamagedBtn, f.ui().DamagedBtn, f.ui().CollisionBtn}) {
            QVERIFY(b->isEnabled());
        }
        QVERIFY(f.ui().armorDock->isHidden());
        // The same armour mode again (the load does so) keeps the tables' model.
        QVERIFY(f.load(QStringLiteral("Warden")));
    }

    // What the user sees after a Ctrl+click on the tank in armour mode: the shot's
    // records in the inspector in their classes' colours, the thickness tables, and
    // the yellow shot line in the view, turned to see it from the side.
    void screenshotOfAShot()
    {
        QVERIFY(f.load(QStringLiteral("Warden")));
        f.ui().armorInspectEnable->click();
        f.ui().CollisionBtn_2->click();
        QDockWidget *inspector = f.ui().armorInspectionDock;
        press(f.window.get(), Qt::Key_C, Qt::ShiftModifier);
        QVERIFY(!inspector->isHidden());
        inspector->move(f.window->geometry().topLeft() + QPoint(0, 80));
        QVERIFY(QTest::qWaitForWindowExposed(inspector));
        f.view()->paintBlocked = false;
        QVERIFY(f.waitFrames(2));

        QSignalSpy hits(Physics::instance(), &Physics::rayHit);
        const QPoint centre = f.view()->rect().center();
        QTest::mouseClick(f.view(), Qt::LeftButton, Qt::ControlModifier, centre);
        QCOMPARE(hits.size(), 1);
        const RayResultsList results = hits.at(0).at(0).value<RayResultsList>();
        QVERIFY(!results.isEmpty());
        QVERIFY(results.first().material != QLatin1String("Missed"));

        double turn = f.ui().RotYDoubleSpinBox->value() + 70.0;
        f.ui().RotYDoubleSpinBox->setValue(turn > 180.0 ? turn - 360.0 : turn);
        QVERIFY(f.waitFrames(3));

        const QImage drawn = f.view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        const QImage panel = inspector->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage tables =
            f.ui().armorDock->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage shot = f.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        {
            QPainter painter(&shot);
            const QPoint origin = f.window->geometry().topLeft();
            painter.drawImage(inspector->geometry().topLeft() - origin, panel);
            painter.drawImage(f.ui().armorDock->geometry().topLeft() - origin, tables);
        }
        const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(shot.save(dir + QStringLiteral("/armour-shot.png")));

        // The same frame without the line: what turned yellow is the line.
        Physics *physics = Physics::instance();
        const glm::vec3 start = physics->shotStart;
        const glm::vec3 end = physics->shotEnd;
        physics->shotStart = physics->shotEnd = glm::vec3(0.0f);
        QVERIFY(f.waitFrames(2));
        const QImage bare = f.view()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        physics->shotStart = start;
        physics->shotEnd = end;
        int line = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const QColor c = drawn.pixelColor(x, y);
                line += c.red() > 200 && c.green() > 200 && c.blue() < 90
                        && !near(c, bare.pixelColor(x, y));
            }
        }
        QVERIFY2(line > 100, qPrintable(QString::number(line)));

        QPlainTextEdit *text = f.ui().armorResultsText;
        const QRect textRect(text->mapTo(inspector, QPoint(0, 0)), text->size());
        const QMap<qint32, QColor> colours = {{HitSpaced, QColor(0xFF, 0x99, 0xFF)},
                                              {HitSurveyingDevice, QColor(0x66, 0xCC, 0xFF)},
                                              {HitTrack, QColor(0x66, 0xFF, 0x99)},
                                              {HitGun, QColor(0x66, 0xFF, 0x99)},
                                              {HitRegular, QColor(0xFF, 0x66, 0x66)}};
        for (const RayResult &r : results) {
            const QColor want = colours.value(r.hitClass);
            QVERIFY2(countPixels(panel, textRect, [&](QColor c) { return near(c, want); }) > 50,
                     qPrintable(want.name()));
        }

        QTableView *table = f.ui().armorTableView;
        const QRect tableRect(table->viewport()->mapTo(f.ui().armorDock, QPoint(0, 0)),
                              table->viewport()->size());
        QVERIFY(table->model()->rowCount() > 0);
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            const QRect cell = table->visualRect(table->model()->index(row, 0))
                                   .translated(tableRect.topLeft())
                                   .intersected(tableRect);
            if (cell.isEmpty()) {
                break; // scrolled out of sight
            }
            const QColor want =
                table->model()->index(row, 0).data(Qt::BackgroundRole).value<QBrush>().color();
            QVERIFY2(countPixels(tables, cell, [&](QColor c) { return near(c, want); }) > 20,
                     qPrintable(want.name()));
        }

        f.ui().UndamagedBtn_2->click();
        f.ui().armorInspectEnable->click();
        inspector->hide();
        f.view()->paintBlocked = true;
    }

    // Last: the window gives its shortcut actions back before it goes.
    void shortcutActionsAreRemoved()
    {
        f.window->removeShortcutActions();
        for (QAction *action : {f.ui().actionAbout_Qt, f.ui().actionReload_Scene,
                                f.ui().actionScreenShotSave, f.ui().actionHide_all_Widgets}) {
            QVERIFY(!f.window->actions().contains(action));
        }
    }
};

HULLSCOPE_WINDOW_TEST_MAIN(TestDocksGl)
#include "test_docks_gl.moc"
