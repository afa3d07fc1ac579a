// The Camo dock in the main window on the small sample game, driven through its real
// widgets: the swatch grid from the first load, the season buttons, a swatch click,
// the colour swatches through the colour seam, the bake button end to end, and
// probed pictures of a camouflaged tank.
#include "windowtestsupport.h"

#include "ui/camolistui.h"

#include "tank/camoloader.h"
#include "tank/tankinfo.h"
#include "tank/tankparts.h"

#include "render/textureloader.h"

#include <QStatusBar>

class TestCamoGl : public QObject
{
    Q_OBJECT

    WindowFixture f;
    QList<ColorChooserRequest> mColours;
    QColor mColourAnswer;

    Ui_MainWindow &ui() { return f.ui(); }
    RenderWidget *view() { return f.view(); }
    CamoLoader *camo() { return f.scene->camoLoader(); }
    int rows() { return ui().listView_2->model()->rowCount(); }
    void load(const QString &name) { QVERIFY2(f.loadWithButton(name), qPrintable(name)); }

    QColor swatch(int k)
    {
        QLabel *labels[] = {ui().camoLabel0, ui().camoLabel1, ui().camoLabel2, ui().camoLabel3};
        return labels[k]->palette().color(QPalette::Window);
    }

private slots:
    void initTestCase()
    {
        HULLSCOPE_REQUIRE_WINDOW_GL();
        setColorChooserHandler([this](const ColorChooserRequest &request) {
            mColours.append(request);
            return mColourAnswer;
        });
        QVERIFY(f.start());
        view()->paintBlocked = true;
        QCOMPARE(camo()->windowHooks(), static_cast<CamoLoaderWindowHooks *>(f.window.get()));
        ui().CamoDock->show();
        ui().CamoDock->raise();
    }

    void cleanupTestCase()
    {
        f.window.reset();
        // The view went with the window: no camouflage loader and no hook to it stay.
        QVERIFY(!CamoLoader::instance());
        QVERIFY(!CamoListUI::instance());
        f.stop();
        setColorChooserHandler(nullptr);
    }

    void gridFollowsLoadsSeasonsAndClicks()
    {
        // Without a tank a season button changes the season only.
        ui().DesertRadioBtn->click();
        QCOMPARE(ui().listView_2->season, QStringLiteral("desert"));
        QCOMPARE(rows(), 0);
        ui().SummerRadioBtn->click();

        // The first load fills the grid and makes the first swatch current.
        load(QStringLiteral("Warden"));
        QCOMPARE(rows(), camo()->summerImages().size());
        QCOMPARE(rows(), 2);
        QCOMPARE(ui().listView_2->currentIndex().row(), 0);
        QCOMPARE(ui().listView_2->model()->index(1, 0).data(Qt::ToolTipRole).toString(),
                 camo()->summerDescriptions().at(1));
        QVERIFY(!ui().listView_2->model()->index(0, 0).data(Qt::DecorationRole).isNull());
        const glm::vec4 c0 = camo()->colors[0];
        QCOMPARE(swatch(0), QColor(int(c0.x), int(c0.y), int(c0.z), int(c0.w)));

        // Winter: one swatch; a click on it makes it the tank's camouflage.
        ui().WinterRadioBtn->click();
        QCOMPARE(rows(), 1);
        const QRect cell = ui().listView_2->visualRect(ui().listView_2->model()->index(0, 0));
        QTest::mouseClick(ui().listView_2->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(camo()->season, QStringLiteral("winter"));
        const CamoRecord *winter = nullptr;
        for (const CamoRecord *record : camo()->current.second) {
            winter = record->group == QLatin1String("winter") ? record : winter;
        }
        QVERIFY(winter);
        QCOMPARE(camo()->textureId, winter->textureId);

        // Another nation brings summer back, with the first swatch current.
        load(QStringLiteral("Lynx"));
        QVERIFY(ui().SummerRadioBtn->isChecked());
        QCOMPARE(ui().listView_2->season, QStringLiteral("summer"));
        QCOMPARE(rows(), 2);
        QCOMPARE(ui().listView_2->currentIndex().row(), 0);
        // A refill without select-first keeps the row; a row gone leaves none current.
        ui().listView_2->setCurrentIndex(ui().listView_2->model()->index(1, 0));
        ui().listView_2->updateCamoList(false);
        QCOMPARE(ui().listView_2->currentIndex().row(), 1);
        ui().WinterRadioBtn->click();
        ui().listView_2->setCurrentIndex(ui().listView_2->model()->index(0, 0));
        ui().listView_2->season = QStringLiteral("Winter"); // seasons compare exactly
        ui().listView_2->updateCamoList(false);
        QCOMPARE(rows(), 0);
        QVERIFY(!ui().listView_2->currentIndex().isValid());
        ui().SummerRadioBtn->click();
        QVERIFY(f.boxes.isEmpty());
    }

    void colourSwatchesGoThroughTheChooser()
    {
        camo()->colors[1] = glm::vec4(10.9f, 20.2f, 30.7f, 255.0f);
        ui().listView_2->updateCamoList(true);
        const QColor before = swatch(1);
        QCOMPARE(before, QColor(10, 20, 30, 255));
        mColourAnswer = QColor();
        ui().pushButton_12->click();
        QCOMPARE(mColours.size(), 1);
        QCOMPARE(mColours.first().initial, QColor(10, 20, 30, 255));
        QVERIFY(mColours.first().options.testFlag(QColorDialog::ShowAlphaChannel));
        QCOMPARE(camo()->colors[1], glm::vec4(10.9f, 20.2f, 30.7f, 255.0f));
        QCOMPARE(swatch(1), before);
        mColourAnswer = QColor(1, 2, 3, 128);
        ui().pushButton_12->click();
        QCOMPARE(camo()->colors[1], glm::vec4(1, 2, 3, 128));
        QCOMPARE(swatch(1), QColor(1, 2, 3, 128));
    }

    void bakeButtonEndToEnd()
    {
        load(QStringLiteral("Warden"));
        ui().radioButton_13->click();
        f.boxes.clear();
        ui().pushButton_15->click();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes.first().text, QStringLiteral("You must enable camouflage first."));
        ui().radioButton_12->click();
        QVERIFY(camo()->camoEnabled);
        f.boxes.clear();
        ui().pushButton_15->click();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes.first().text, QStringLiteral("Camouflage bake export complete."));
        QCOMPARE(f.window->statusBar()->currentMessage(),
                 QStringLiteral("Saving baked camo file: Done"));
        for (const QString &diffuse : f.loader()->tankInfo->camoTextures()) {
            QFile file(Settings::instance()->modPath + QLatin1Char('/') + diffuse);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            QCOMPARE(file.read(4), QByteArray("DDS "));
        }
        f.boxes.clear();
        ui().radioButton_13->click();
        QVERIFY(!camo()->camoEnabled);
    }

    // The hull's middle changes colour with the camouflage and with the season, and
    // not where the exclusion mask is black.
    void camouflageIsDrawnWhereTheMaskAllows()
    {
        load(QStringLiteral("Warden"));
        TankLoader *tank = f.loader();
        // Half size, same aspect: the camera's projection stays the view's.
        const int width = view()->width() / 2;
        const int height = view()->height() / 2;
        const QPoint at =
            projectToImage(view()->cameraController().camera,
                           tank->parts().mesh(TankPart::Hull, Undamaged)->position, width, height);
        auto shot = [&](const QString &name) {
            const QImage image = view()->renderToImage(width, height, false);
            const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
            QDir().mkpath(dir);
            image.save(dir + QStringLiteral("/camo_") + name + QStringLiteral(".png"));
            return image;
        };
        shot(QStringLiteral("warm-up"));
        const QImage plain = shot(QStringLiteral("off"));
        QCOMPARE(shot(QStringLiteral("off")), plain);
        ui().radioButton_12->click();
        const QImage summer = shot(QStringLiteral("summer"));
        ui().WinterRadioBtn->click();
        QTest::mouseClick(
            ui().listView_2->viewport(), Qt::LeftButton, {},
            ui().listView_2->visualRect(ui().listView_2->model()->index(0, 0)).center());
        const QImage winter = shot(QStringLiteral("winter"));
        QVERIFY(plain.rect().contains(at));
        QVERIFY(winter.pixel(at) != plain.pixel(at));
        QVERIFY(winter.pixel(at) != summer.pixel(at));

        // Every part's mask all black: the camouflaged tank looks plain.
        {
            ViewContextGuard guard(view());
            const QString black = camo()->tankExclusionMask;
            TextureLoader *textures = TextureLoader::instance();
            const GLuint none = textures->findTexture(black, true);
            QVERIFY(none != 0);
            QOpenGLFunctions_3_2_Core *gl =
                QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(view()->context());
            gl->glBindTexture(GL_TEXTURE_2D, none);
            GLint w = 0;
            GLint h = 0;
            gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
            gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
            // Replaced by a black one of our own under the same cache name.
            GLuint blackTexture = 0;
            gl->glGenTextures(1, &blackTexture);
            gl->glBindTexture(GL_TEXTURE_2D, blackTexture);
            const std::vector<quint32> zeros(16, 0xff000000u);
            gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                             zeros.data());
            gl->glGenerateMipmap(GL_TEXTURE_2D);
            QVERIFY(w > 0 && h > 0);
            for (auto it = textures->tankTextures.begin(); it != textures->tankTextures.end();
                 ++it) {
                if (it.key().endsWith(QLatin1String("_CM.dds"), Qt::CaseInsensitive)) {
                    it.value() = blackTexture;
                }
            }
            const QImage masked = shot(QStringLiteral("masked"));
            QCOMPARE(QColor(masked.pixel(at)), QColor(plain.pixel(at)));
            // The loader frees what its cache holds: give the masks back first.
            for (auto it = textures->tankTextures.begin(); it != textures->tankTextures.end();
                 ++it) {
                if (it.value() == blackTexture) {
                    it.value() = none;
                }
            }
            gl->glDeleteTextures(1, &blackTexture);
        }
        ui().radioButton_13->click();
        ui().SummerRadioBtn->click();
        QVERIFY(f.boxes.isEmpty());
    }
};

HULLSCOPE_WINDOW_TEST_MAIN(TestCamoGl)

#include "test_camo_gl.moc"
