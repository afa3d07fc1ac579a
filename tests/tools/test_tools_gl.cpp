// The dialogs that need the view's context: the UV-map dialog on a sample tank (its
// non-square gun included) with a checked grab of a preview page, and the About box,
// whose GL tab must equal a direct query of the view's context and whose game-version
// label follows the game folder. Grabs are kept under build/test-artifacts.
#include "tools/aboutviewerwidget.h"
#include "tools/uvgenerateui.h"

#include "tank/tankscene.h"

#include "armour/physics.h"

#include "render/buffermanager.h"
#include "render/renderwidget.h"
#include "render/viewtestsupport.h"

#include "gamedata/database.h"

#include "core/sysinfo.h"

#include "tank/tanktestsupport.h"

#include <QImageReader>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QtTest>

#include <memory>

namespace {

const QString GUN_TEXTURE = QStringLiteral("vehicles/kastrel/K05_Ironhide/Gun_AM.dds");

QString artifact(const QString &name)
{
    const QString dir = QStringLiteral(HULLSCOPE_BUILD_DIR "/test-artifacts");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

// True when every pixel within radius of (x, y) has the colour.
bool around(const QImage &image, int x, int y, int radius, const QColor &colour)
{
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (!image.rect().contains(x + dx, y + dy)
                || image.pixelColor(x + dx, y + dy).rgb() != colour.rgb()) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class TestToolsGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ViewTestTree> mTree;
    TankScene mScene;
    std::unique_ptr<RenderWidget> mView;
    QList<MessageBoxRequest> mBoxes;

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        QVERIFY(fillSampleData(mTree->path() + QStringLiteral("/data/")));
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        new Log();
        new MoReaderCached();
        new FileManager();
        new Settings();
        Settings *settings = Settings::instance();
        settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        settings->modPath = mTree->path() + QStringLiteral("/mod");
        settings->msaa = QStringLiteral("Disabled");
        settings->showShadows = false;
        FileManager::instance()->loadZipFiles();
        new BufferManager();
        new Database();
        new Physics();
        QVERIFY(settings->brastelPathValid);

        mView = std::make_unique<RenderWidget>();
        mView->setSceneHooks(&mScene);
        mView->setFormat(viewSurfaceFormat(settings->msaa, 0));
        mView->resize(320, 240);
        mView->show();
        QVERIFY(QTest::qWaitForWindowExposed(mView.get(), 20000));
        if (!QTest::qWaitFor([this]() { return mView->initialised; }, 20000)) {
            QSKIP("no OpenGL 3.2 core view");
        }
        mView->paintBlocked = true;
        QVERIFY(TankLoader::instance());
    }

    void cleanupTestCase()
    {
        mView.reset();
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        delete Settings::instance();
        delete FileManager::instance();
        delete MoReaderCached::instance();
        delete Log::instance();
        setMessageBoxHandler(nullptr);
        setFileChooserHandler(nullptr);
        setColorChooserHandler(nullptr);
        mTree.reset();
    }

    void uvMapOfASampleTankIsDrawnPerTexture()
    {
        QVERIFY(TankLoader::instance()->load(QStringLiteral("Ironhide")));
        UvGenerateUI dialog;
        setColorChooserHandler([](const ColorChooserRequest &request) {
            return request.initial == Qt::black ? QColor(Qt::darkBlue) : QColor(Qt::red);
        });
        dialog.ui.fillColourButton->click();
        dialog.ui.brushColourButton->click();
        QCOMPARE(dialog.fillColour(), QColor(Qt::red));
        QCOMPARE(dialog.brushColour(), QColor(Qt::darkBlue));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.ui.generateButton->click();
        QVERIFY(mBoxes.isEmpty());

        const int gun = dialog.textures().indexOf(GUN_TEXTURE);
        QVERIFY2(gun >= 0, qPrintable(dialog.textures().join(QLatin1Char(' '))));
        QCOMPARE(dialog.ui.tabWidget->count(), dialog.textures().size());
        for (const QString &texture : dialog.textures()) {
            QVERIFY2(!texture.contains(QLatin1String("track"), Qt::CaseInsensitive),
                     qPrintable(texture));
        }
        // 256 x 128: the preview is square.
        const QImage preview = dialog.previews().at(gun);
        QCOMPARE(preview.size(), QSize(256, 256));

        // A point inside a drawn triangle and one well outside any, on the preview...
        QPoint inside(-1, -1);
        QPoint outside(-1, -1);
        for (int y = 8; y < 248 && (inside.x() < 0 || outside.x() < 0); y += 4) {
            for (int x = 8; x < 248; x += 4) {
                if (inside.x() < 0 && around(preview, x, y, 3, dialog.fillColour())) {
                    inside = QPoint(x, y);
                }
                if (outside.x() < 0 && around(preview, x, y, 3, dialog.backgroundColour())) {
                    outside = QPoint(x, y);
                }
            }
        }
        QVERIFY(inside.x() >= 0 && outside.x() >= 0);
        // ...and the same places on the page that shows it, scaled to 512.
        dialog.ui.tabWidget->setCurrentIndex(gun);
        QWidget *page = dialog.ui.tabWidget->currentWidget();
        QVERIFY(QTest::qWaitFor([page]() { return page->isVisible(); }));
        const QImage grab = dialog.grab().toImage();
        QVERIFY(grab.save(artifact(QStringLiteral("uvmap-dialog.png"))));
        const QPoint origin = page->mapTo(&dialog, QPoint(0, 0)) * grab.devicePixelRatio();
        const qreal scale = 2.0 * grab.devicePixelRatio();
        const QImage shown = page->grab().toImage();
        QVERIFY(around(shown, int(inside.x() * scale), int(inside.y() * scale), 1,
                       dialog.fillColour()));
        QVERIFY(around(shown, int(outside.x() * scale), int(outside.y() * scale), 1,
                       dialog.backgroundColour()));
        QCOMPARE(grab.pixelColor(origin + QPoint(int(inside.x() * scale), int(inside.y() * scale))),
                 dialog.fillColour());

        // Saved at x2 the gun's map keeps the texture's shape.
        dialog.ui.resMultCombo->setCurrentIndex(1);
        const QString file = mTree->path() + QStringLiteral("/gun-uv.png");
        setFileChooserHandler([file](const FileChooserRequest &) { return file; });
        dialog.ui.saveActiveButton->click();
        QCOMPARE(QImageReader(file).size(), QSize(512, 256));
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.takeFirst().text, QStringLiteral("UV Map save operation complete."));
    }

    void aboutBoxShowsTheViewsDriver()
    {
        QStringList extensions;
        QString strings[4];
        {
            mView->makeCurrent();
            QOpenGLExtraFunctions *gl = QOpenGLContext::currentContext()->extraFunctions();
            const GLenum names[4] = {GL_RENDERER, GL_VERSION, GL_VENDOR,
                                     GL_SHADING_LANGUAGE_VERSION};
            for (int i = 0; i < 4; ++i) {
                strings[i] =
                    QString::fromLatin1(reinterpret_cast<const char *>(gl->glGetString(names[i])));
            }
            GLint count = 0;
            gl->glGetIntegerv(GL_NUM_EXTENSIONS, &count);
            for (GLint i = 0; i < count; ++i) {
                extensions.append(QString::fromLatin1(
                    reinterpret_cast<const char *>(gl->glGetStringi(GL_EXTENSIONS, GLuint(i)))));
            }
            QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));
            mView->doneCurrent();
        }
        QVERIFY(!extensions.isEmpty());

        AboutViewerWidget about(mView.get(), nullptr,
                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                    | Qt::WindowCloseButtonHint);
        QCOMPARE(about.ui.glRendererLabel->text(), strings[0]);
        QCOMPARE(about.ui.glVersionLabel->text(), strings[1]);
        QCOMPARE(about.ui.glVendorLabel->text(), strings[2]);
        QCOMPARE(about.ui.glslLabel->text(), strings[3]);
        const QStringList lines =
            about.ui.extensionsTextEdit->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), extensions.size() + 1); // each name ends with a newline
        QCOMPARE(lines.mid(0, extensions.size()), extensions);

        QCOMPARE(about.size(), QSize(506, 363));
        QCOMPARE(about.minimumSize(), QSize(479, 331));
        QVERIFY(!about.isSizeGripEnabled());
        QCOMPARE(about.ui.tabWidget->currentWidget(), about.ui.aboutTab);
        QCOMPARE(about.ui.versionLabel->text(), QStringLiteral("1.0.17"));
        QCOMPARE(about.ui.buildLabel->text(), QStringLiteral("x64"));
        QCOMPARE(about.ui.urlLabel->text(),
                 QStringLiteral("<a href=\"https://www.hullscope.invalid/\">Open in browser</a>"));
        for (QLabel *link : {about.ui.urlLabel, about.ui.russianLabel, about.ui.portugueseLabel}) {
            QCOMPARE(int(link->textInteractionFlags()), 13);
            QVERIFY(link->openExternalLinks());
        }
        QCOMPARE(about.ui.buttonBox->button(QDialogButtonBox::Ok)->text(), QStringLiteral("Ok"));
        QVERIFY(about.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!about.ui.quarlenLogo->pixmap().isNull());
        QVERIFY(!about.ui.LicenseLogo->pixmap().isNull());
        QVERIFY(about.ui.licenseBrowser->toPlainText().contains(QLatin1String("Hullscope")));

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.ui.tabWidget->setCurrentWidget(about.ui.tab_2);
        QVERIFY(about.grab().save(artifact(QStringLiteral("about-opengl.png"))));
        about.ui.buttonBox->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));

        QCOMPARE(AboutViewerWidget::extensionsText({}), QString());
        QCOMPARE(AboutViewerWidget::extensionsText({"A", "B", "C"}), QStringLiteral("A\nB\nC\n"));
    }

    void aboutBoxShowsTheGameVersionOfTheGameFolder_data()
    {
        QTest::addColumn<QString>("game");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sample") << SAMPLE + QStringLiteral("/Brastel")
                                << QStringLiteral("1.4.2 Sample #17");
        QTest::newRow("no game") << mTree->path() << QStringLiteral("Brastel not found");
    }

    void aboutBoxShowsTheGameVersionOfTheGameFolder()
    {
        QFETCH(QString, game);
        QFETCH(QString, expected);
        const QString kept = Settings::instance()->brastelPath;
        Settings::instance()->brastelPath = game;
        AboutViewerWidget about(nullptr);
        Settings::instance()->brastelPath = kept;
        QCOMPARE(about.ui.brastelVersionLabel->text(), expected);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QImage grab = about.grab().toImage();
        QVERIFY(grab.save(artifact(QStringLiteral("about-%1.png")
                                       .arg(QTest::currentDataTag())
                                       .replace(QLatin1Char(' '), QLatin1Char('-')))));
        // The label is drawn, not only set: its area is not flat.
        const QRect area(about.ui.brastelVersionLabel->mapTo(&about, QPoint(0, 0))
                             * grab.devicePixelRatio(),
                         about.ui.brastelVersionLabel->size() * grab.devicePixelRatio());
        const QImage label = grab.copy(area);
        QSet<QRgb> colours;
        for (int x = 0; x < label.width(); ++x) {
            colours.insert(label.pixel(x, label.height() / 2));
        }
        QVERIFY(colours.size() > 2);
    }
};

QTEST_MAIN(TestToolsGl)
#include "test_tools_gl.moc"
