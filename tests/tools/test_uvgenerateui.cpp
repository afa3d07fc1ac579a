// The UV-map dialog on triangles made in the test: painting, tabs, the save buttons
// and the files they write, read back with ImageMagick, libtiff, libxml2 and librsvg.
// Textures are DDS files made by ImageMagick in the mod folder, which FileManager
// searches first. Boxes and choosers are answered through the dialog seam.
#include "tools/uvgenerateui.h"

#include "tank/tanktestsupport.h"

#include "support/fulldisk.h"

#include <QDomDocument>
#include <QImageReader>
#include <QPainter>
#include <QtTest>

#include <memory>

namespace {

const QString WIDE = QStringLiteral("vehicles/test/Wide_AM.dds");
const QString SQUARE = QStringLiteral("vehicles/test/Hull_AM.dds");
// Its name is part of the other's: a tab must not be matched to it by name.
const QString LONGER = QStringLiteral("vehicles/test/Turret_Hull_AM.dds");
const QString BROKEN = QStringLiteral("vehicles/test/Broken_AM.DDS");

UvMapEntry triangle(const QString &texture, glm::vec2 a, glm::vec2 b, glm::vec2 c)
{
    return UvMapEntry {{a, b, c}, texture};
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return QStringLiteral("failed: ") + QString::fromUtf8(process.readAllStandardError());
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

double darkShare(const QImage &image)
{
    qint64 dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            dark += qGray(image.pixel(x, y)) < 128;
        }
    }
    return double(dark) / (qint64(image.width()) * image.height());
}

} // namespace

class TestUvGenerateUI : public QObject
{
    Q_OBJECT

    std::unique_ptr<TankServices> mServices;
    QList<MessageBoxRequest> mBoxes;
    QList<FileChooserRequest> mChoosers;
    QStringList mAnswers; // one per chooser; empty cancels
    QString mOut;

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const MessageBoxRequest &box : mBoxes) {
            texts.append(box.text);
        }
        return texts;
    }

    // A dialog with distinct colours and three textures' triangles, generated.
    std::unique_ptr<UvGenerateUI> generated()
    {
        auto dialog = std::make_unique<UvGenerateUI>();
        setColorChooserHandler([](const ColorChooserRequest &) { return QColor(Qt::black); });
        dialog->ui.fillColourButton->click();
        setColorChooserHandler([](const ColorChooserRequest &) { return QColor(Qt::blue); });
        dialog->ui.brushColourButton->click();
        setColorChooserHandler([](const ColorChooserRequest &) { return QColor(); });
        dialog->ui.backgroundColourButton->click();
        setColorChooserHandler({});
        const QVector<UvMapEntry> entries = {
            triangle(WIDE, {0, 0}, {1, 0}, {0, 1}),
            triangle(SQUARE, {0, 0}, {1, 0}, {0, 1}),
            triangle(LONGER, {1, 1}, {0, 1}, {1, 0}),
            triangle(QString(), {0, 0}, {1, 0}, {0, 1}),
        };
        dialog->buildTabs(entries, {WIDE, SQUARE, LONGER, QString()});
        dialog->generate();
        return dialog;
    }

private slots:
    void initTestCase()
    {
        mServices = std::make_unique<TankServices>();
        // Generate collects nothing without a loader: the test hands the triangles.
        delete TankLoader::instance();
        const QString test = mServices->modPath() + QStringLiteral("/vehicles/test/");
        QDir().mkpath(test);
        for (const auto &[name, size] : {std::pair {"Wide_AM.dds", "64x32"},
                                         {"Hull_AM.dds", "32x32"},
                                         {"Turret_Hull_AM.dds", "16x16"}}) {
            QCOMPARE(run(QStringLiteral("convert"),
                         {QStringLiteral("-size"), QLatin1String(size), QStringLiteral("xc:red"),
                          QStringLiteral("-define"), QStringLiteral("dds:compression=none"),
                          test + QLatin1String(name)}),
                     QString());
        }
        QVERIFY(writeFile(test + QStringLiteral("Broken_AM.DDS"), "DDS not really"));
        mOut = mServices->path(QStringLiteral("out"));
        QDir().mkpath(mOut);
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        setFileChooserHandler([this](const FileChooserRequest &request) {
            mChoosers.append(request);
            return mAnswers.isEmpty() ? QString() : mAnswers.takeFirst();
        });
    }

    void cleanupTestCase()
    {
        setMessageBoxHandler({});
        setFileChooserHandler({});
        mServices.reset();
    }

    void init()
    {
        mBoxes.clear();
        mChoosers.clear();
        mAnswers.clear();
    }

    void paintsTrianglesOfOneTextureUnflipped()
    {
        UvGenerateUI dialog;
        QCOMPARE(dialog.lineWidth(), 0.5f);
        dialog.ui.lineWidthSpinBox->setValue(1.5);
        QCOMPARE(dialog.lineWidth(), 1.5f);
        setColorChooserHandler([](const ColorChooserRequest &request) {
            return request.initial == Qt::white ? QColor(Qt::red) : QColor();
        });
        dialog.ui.fillColourButton->click();
        setColorChooserHandler({});
        QCOMPARE(dialog.fillColour(), QColor(Qt::red));
        QCOMPARE(dialog.ui.fillColourLabel->palette().color(QPalette::Window), QColor(Qt::red));
        dialog.buildTabs({triangle(SQUARE, {0, 0}, {1, 0}, {0, 1}),
                          triangle(WIDE, {0, 0.9f}, {1, 0.9f}, {1, 1})},
                         {SQUARE, WIDE});

        QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter;
        QVERIFY(dialog.paintUvMap(painter, &image, SQUARE, image.size()));
        QCOMPARE(image.pixelColor(8, 8), QColor(Qt::red));
        QCOMPARE(image.pixelColor(60, 60), QColor(Qt::white));
        // The other texture's strip along the bottom is not drawn.
        QCOMPARE(image.pixelColor(62, 61), QColor(Qt::white));
        QVERIFY(!dialog.paintUvMap(painter, &image, SQUARE, QSize(0, 0)));
    }

    void generateMakesSquarePreviewsAndTabs()
    {
        const auto dialog = generated();
        // The entry without a texture has no tab.
        QCOMPARE(dialog->textures(), QStringList({WIDE, SQUARE, LONGER}));
        QCOMPARE(dialog->ui.tabWidget->count(), 3);
        QCOMPARE(dialog->ui.tabWidget->tabText(1), QStringLiteral("Hull_AM.dds"));
        QCOMPARE(dialog->ui.tabWidget->widget(2)->objectName(),
                 QStringLiteral("Turret_Hull_AM.dds"));
        QVERIFY(dialog->ui.tabWidget->tabsClosable());
        QCOMPARE(dialog->previews().size(), 3);
        QCOMPARE(dialog->previews().at(0).size(), QSize(64, 64));
        QCOMPARE(dialog->previews().at(0).pixelColor(4, 4), QColor(Qt::black));
        QCOMPARE(dialog->previews().at(0).pixelColor(60, 60), QColor(Qt::white));
        // The page shows its preview at 512 x 512.
        const QBrush page = dialog->ui.tabWidget->widget(0)->palette().brush(QPalette::Window);
        QCOMPARE(page.textureImage().size(), QSize(512, 512));
        QVERIFY(dialog->ui.tabWidget->widget(0)->autoFillBackground());

        QPointer<QWidget> closed = dialog->ui.tabWidget->widget(1);
        dialog->ui.tabWidget->tabCloseRequested(1);
        QVERIFY(closed.isNull());
        QCOMPARE(dialog->ui.tabWidget->widget(1)->objectName(),
                 QStringLiteral("Turret_Hull_AM.dds"));
    }

    void saveButtonsNeedAPreviewAndATab()
    {
        UvGenerateUI dialog;
        dialog.ui.saveAllButton->click();
        dialog.ui.saveActiveButton->click();
        QCOMPARE(boxTexts(), QStringList(2, QStringLiteral("You must generate a UV Map first.")));
        mBoxes.clear();
        // No tab left: no page to dereference.
        dialog.generate();
        dialog.ui.saveActiveButton->click();
        QCOMPARE(boxTexts(), QStringList({QStringLiteral("Could not match texture name.")}));
        QVERIFY(mChoosers.isEmpty());
    }

    void savesEachFormatAtTheTextureShape_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("resolution");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QSize>("size");
        QTest::newRow("png x1") << 0 << 0 << ".png" << QSize(64, 32);
        QTest::newRow("png x4") << 0 << 3 << ".png" << QSize(256, 128);
        QTest::newRow("tiff x2") << 1 << 1 << ".tiff" << QSize(128, 64);
        QTest::newRow("svg x3") << 2 << 2 << ".svg" << QSize(192, 96);
    }

    void savesEachFormatAtTheTextureShape()
    {
        QFETCH(int, format);
        QFETCH(int, resolution);
        QFETCH(QString, extension);
        QFETCH(QSize, size);
        const auto dialog = generated();
        dialog->ui.formatMultCombo->setCurrentIndex(format);
        dialog->ui.resMultCombo->setCurrentIndex(resolution);
        dialog->ui.tabWidget->setCurrentIndex(0);
        const QString file = mOut + QStringLiteral("/wide") + extension;
        QFile::remove(file);
        mAnswers = {file};
        dialog->ui.saveActiveButton->click();

        QCOMPARE(mChoosers.size(), 1);
        QCOMPARE(mChoosers.at(0).caption, QStringLiteral("Save UV Map: Wide_AM.dds"));
        QCOMPARE(mChoosers.at(0).dir, QStringLiteral("vehicles/test/Wide_AM") + extension);
        QCOMPARE(boxTexts(), QStringList({QStringLiteral("UV Map save operation complete.")}));
        QCOMPARE(mBoxes.at(0).title, QStringLiteral("Hullscope"));
        const QString expected = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        if (format == 0) {
            QCOMPARE(run(QStringLiteral("identify"),
                         {QStringLiteral("-format"), QStringLiteral("%m %wx%h"), file}),
                     QStringLiteral("PNG ") + expected);
        } else if (format == 1) {
            const QString info = run(QStringLiteral("tiffinfo"), {file});
            QVERIFY2(info.contains(QStringLiteral("Image Width: %1 Image Length: %2")
                                       .arg(size.width())
                                       .arg(size.height())),
                     qPrintable(info));
        } else {
            QCOMPARE(run(QStringLiteral("xmllint"), {QStringLiteral("--noout"), file}), QString());
            QFile svg(file);
            QVERIFY(svg.open(QIODevice::ReadOnly));
            QDomDocument document;
            QVERIFY(document.setContent(&svg));
            const QDomElement root = document.documentElement();
            QCOMPARE(root.attribute(QStringLiteral("viewBox")),
                     QStringLiteral("0 0 %1 %2").arg(size.width()).arg(size.height()));
            QCOMPARE(root.firstChildElement(QStringLiteral("title")).text(), file);
            QCOMPARE(root.firstChildElement(QStringLiteral("desc")).text(),
                     QStringLiteral("Hullscope SVG Generator"));
            // Rasterised, it covers what the PNG of the same map covers.
            const QString raster = mOut + QStringLiteral("/wide-svg.png");
            QCOMPARE(run(QStringLiteral("rsvg-convert"),
                         {QStringLiteral("-w"), QString::number(size.width()), QStringLiteral("-h"),
                          QString::number(size.height()), QStringLiteral("-o"), raster, file}),
                     QString());
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter;
            QVERIFY(dialog->paintUvMap(painter, &image, WIDE, size));
            QImage drawn(raster);
            QCOMPARE(drawn.size(), size);
            // rsvg leaves the background out: the SVG holds only the triangles.
            QImage flat(size, QImage::Format_ARGB32);
            flat.fill(Qt::white);
            QPainter(&flat).drawImage(0, 0, drawn);
            QVERIFY(qAbs(darkShare(flat) - darkShare(image)) < 0.02);
            QVERIFY(darkShare(image) > 0.4);
        }
    }

    void saveActiveSavesTheTabsOwnTexture()
    {
        const auto dialog = generated();
        dialog->ui.tabWidget->setCurrentIndex(1); // "Hull_AM.dds", a part of another name
        mAnswers = {mOut + QStringLiteral("/hull.png")};
        dialog->ui.saveActiveButton->click();
        QCOMPARE(mChoosers.size(), 1);
        QCOMPARE(mChoosers.at(0).dir, QStringLiteral("vehicles/test/Hull_AM.png"));
        QCOMPARE(QImageReader(mOut + QStringLiteral("/hull.png")).size(), QSize(32, 32));
    }

    void saveAllSkipsCancelledAndStopsAtAFailure()
    {
        const auto dialog = generated();
        dialog->ui.tabWidget->setCurrentIndex(2);
        mAnswers = {QString(), mOut + QStringLiteral("/all-hull.png"),
                    mOut + QStringLiteral("/all-turret.png")};
        dialog->ui.saveAllButton->click();
        QCOMPARE(mChoosers.size(), 3);
        QVERIFY(QFile::exists(mOut + QStringLiteral("/all-turret.png")));
        QCOMPARE(boxTexts(), QStringList({QStringLiteral("UV Map save operation complete.")}));
        QCOMPARE(dialog->ui.tabWidget->currentIndex(), 2);

        // Every chooser cancelled: nothing was saved, nothing to announce.
        init();
        dialog->ui.saveAllButton->click();
        QCOMPARE(mChoosers.size(), 3);
        QVERIFY(mBoxes.isEmpty());

        // A target that cannot be written stops the rest, with no completion box.
        init();
        mAnswers = {mOut + QStringLiteral("/no/such/folder/wide.png"),
                    mOut + QStringLiteral("/never.png")};
        dialog->ui.saveAllButton->click();
        QCOMPARE(mChoosers.size(), 1);
        QCOMPARE(boxTexts(),
                 QStringList({QStringLiteral(
                     "Failed to generate UV map for texuture.: vehicles/test/Wide_AM.png")}));
        QVERIFY(!QFile::exists(mOut + QStringLiteral("/never.png")));
    }

    void unreadableTextureFailsInEveryFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("png") << 0;
        QTest::newRow("tiff") << 1;
        QTest::newRow("svg") << 2;
    }

    void unreadableTextureFailsInEveryFormat()
    {
        QFETCH(int, format);
        UvGenerateUI dialog;
        dialog.buildTabs({triangle(BROKEN, {0, 0}, {1, 0}, {0, 1})}, {BROKEN});
        dialog.generate();
        QVERIFY(dialog.previews().at(0).isNull());
        dialog.ui.formatMultCombo->setCurrentIndex(format);
        const QString file = mOut + QStringLiteral("/broken%1").arg(format);
        mAnswers = {file};
        dialog.saveActive();
        const QString suggested = UvGenerateUI::suggestedFile(BROKEN, format);
        QVERIFY(suggested.startsWith(QStringLiteral("vehicles/test/Broken_AM.")));
        QCOMPARE(
            boxTexts(),
            QStringList({QStringLiteral("Failed to generate UV map for texuture.: ") + suggested}));
        QVERIFY(!QFileInfo(file).size());
    }

    void svgToAnUnwritableFileFails()
    {
        const auto dialog = generated();
        dialog->ui.formatMultCombo->setCurrentIndex(2);
        mAnswers = {mOut + QStringLiteral("/no/such/folder/wide.svg")};
        dialog->ui.saveActiveButton->click();
        QCOMPARE(boxTexts(),
                 QStringList({QStringLiteral(
                     "Failed to generate UV map for texuture.: vehicles/test/Wide_AM.svg")}));
    }

    // A full disk must say so and leave the map the user chose to replace whole.
    void fullDiskKeepsTheOldMap_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("png") << 0;
        QTest::newRow("tiff") << 1;
        QTest::newRow("svg") << 2;
    }
    void fullDiskKeepsTheOldMap()
    {
        QFETCH(int, format);
        const QString folder = mOut + QStringLiteral("/full");
        FullDisk disk(folder, 256);
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QString file = folder + QStringLiteral("/uv.map");
        QVERIFY(writeFile(file, "old map"));
        disk.fill();
        const auto dialog = generated();
        dialog->ui.formatMultCombo->setCurrentIndex(format);
        dialog->ui.resMultCombo->setCurrentIndex(3);
        dialog->ui.tabWidget->setCurrentIndex(0);
        mAnswers = {file};
        dialog->ui.saveActiveButton->click();
        QCOMPARE(boxTexts(),
                 QStringList({QStringLiteral("Failed to generate UV map for texuture.: ")
                              + UvGenerateUI::suggestedFile(WIDE, format)}));
        QFile old(file);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old map"));
    }
};

QTEST_MAIN(TestUvGenerateUI)
#include "test_uvgenerateui.moc"
