#include "tools/uvgenerateui.h"

#include "gamedata/ddshelpers.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/savefile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPainter>
#include <QPolygonF>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSvgGenerator>

namespace {

// The full game path of the texture a tab shows: tab names alone can be ambiguous.
const char kTexturePath[] = "texturePath";

enum Format { Png = 0, Tiff = 1, Svg = 2 };

int formatOf(int comboIndex)
{
    return comboIndex == Png || comboIndex == Tiff ? comboIndex : Svg;
}

QSize textureSize(const QString &path)
{
    const DdsTextureSize size = ddsTextureSize(path);
    // Sizes are bounded by the DDS reader, well inside int.
    return QSize(int(size.width), int(size.height));
}

} // namespace

UvGenerateUI::UvGenerateUI(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    ui.setupUi(this);
    paintSwatch(ui.brushColourLabel, mBrushColour);
    paintSwatch(ui.fillColourLabel, mFillColour);
    paintSwatch(ui.backgroundColourLabel, mBackgroundColour);

    connect(ui.generateButton, &QPushButton::clicked, this, &UvGenerateUI::generate);
    connect(ui.saveAllButton, &QPushButton::clicked, this, &UvGenerateUI::save);
    // Not to saveActive(bool): clicked(bool) would pass false and hide the completion box.
    connect(ui.saveActiveButton, &QPushButton::clicked, this,
            qOverload<>(&UvGenerateUI::saveActive));
    connect(ui.closeButton, &QPushButton::clicked, this, &UvGenerateUI::close);
    connect(ui.brushColourButton, &QPushButton::clicked, this, &UvGenerateUI::changeBrushColour);
    connect(ui.fillColourButton, &QPushButton::clicked, this, &UvGenerateUI::changeFillColour);
    connect(ui.backgroundColourButton, &QPushButton::clicked, this,
            &UvGenerateUI::changeBackgroundColour);
    connect(ui.tabWidget, &QTabWidget::tabCloseRequested, this, &UvGenerateUI::closeTab);
    connect(ui.lineWidthSpinBox, &QDoubleSpinBox::valueChanged, this,
            &UvGenerateUI::changeLineWidth);
}

UvGenerateUI::~UvGenerateUI() = default;

void UvGenerateUI::buildTabs(const QVector<UvMapEntry> &entries, const QStringList &textures)
{
    mEntries = entries;
    // A group without a texture name could never be saved: it gets no tab.
    mTextures.clear();
    for (const QString &texture : textures) {
        if (!texture.isEmpty()) {
            mTextures.append(texture);
        }
    }
    while (ui.tabWidget->count() > 0) {
        closeTab(0);
    }
    ui.tabWidget->setTabsClosable(true);
    for (const QString &texture : std::as_const(mTextures)) {
        const QString name = texture.section(QLatin1Char('/'), -1);
        auto *page = new QWidget();
        page->setObjectName(name);
        page->setProperty(kTexturePath, texture);
        ui.tabWidget->addTab(page, name);
    }
}

bool UvGenerateUI::paintUvMap(QPainter &painter, QPaintDevice *device, const QString &texturePath,
                              QSize size)
{
    if (size.isEmpty() || !painter.begin(device)) {
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(
        QPen(QBrush(mBrushColour), qreal(mLineWidth), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QBrush(mFillColour, Qt::SolidPattern));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBackground(QBrush(mBackgroundColour));
    const qreal w = size.width();
    const qreal h = size.height();
    for (const UvMapEntry &entry : std::as_const(mEntries)) {
        if (entry.texture != texturePath) {
            continue;
        }
        const QVector<glm::vec2> &points = entry.points;
        for (qsizetype i = 0; i + 2 < points.size(); i += 3) {
            const QPointF corners[3] = {
                QPointF(points[i].x * w, points[i].y * h),
                QPointF(points[i + 1].x * w, points[i + 1].y * h),
                QPointF(points[i + 2].x * w, points[i + 2].y * h),
            };
            painter.drawPolygon(corners, 3, Qt::OddEvenFill);
        }
    }
    return painter.end();
}

QString UvGenerateUI::suggestedFile(const QString &texturePath, int format)
{
    static const QString extensions[] = {QStringLiteral(".png"), QStringLiteral(".tiff"),
                                         QStringLiteral(".svg")};
    QString file = texturePath;
    return file.replace(
        QRegularExpression(QStringLiteral("\\.dds"), QRegularExpression::CaseInsensitiveOption),
        extensions[formatOf(format)]);
}

void UvGenerateUI::generate()
{
    mPreviews.clear();
    if (TankLoader *loader = TankLoader::instance()) {
        loader->collectUvMeshes(this);
    }
    for (const QString &texture : std::as_const(mTextures)) {
        // The preview is square at the texture's width, whatever its height.
        const int width = textureSize(texture).width();
        QImage image(width, width, QImage::Format_ARGB32_Premultiplied);
        image.fill(mBackgroundColour);
        QPainter painter;
        paintUvMap(painter, &image, texture, QSize(width, width));
        mPreviews.append(image);
    }
    for (int i = 0; i < ui.tabWidget->count() && i < mPreviews.size(); ++i) {
        QWidget *page = ui.tabWidget->widget(i);
        QPalette palette = page->palette();
        palette.setBrush(QPalette::Window,
                         QBrush(mPreviews.at(i).scaled(512, 512, Qt::KeepAspectRatio,
                                                       Qt::SmoothTransformation)));
        page->setPalette(palette);
        page->setAutoFillBackground(true);
    }
    mGenerated = true;
}

void UvGenerateUI::paintSwatch(QWidget *swatch, const QColor &colour)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, colour);
    swatch->setPalette(palette);
    swatch->setAutoFillBackground(true);
}

QColor UvGenerateUI::chooseSwatch(QLabel *swatch)
{
    QColor colour = swatch->palette().color(QPalette::Window);
    const QColor chosen = chooseColor(this, colour, QString());
    if (chosen.isValid()) {
        colour = chosen;
    }
    paintSwatch(swatch, colour);
    return colour;
}

void UvGenerateUI::changeFillColour()
{
    mFillColour = chooseSwatch(ui.fillColourLabel);
}

void UvGenerateUI::changeBrushColour()
{
    mBrushColour = chooseSwatch(ui.brushColourLabel);
}

void UvGenerateUI::changeBackgroundColour()
{
    mBackgroundColour = chooseSwatch(ui.backgroundColourLabel);
}

void UvGenerateUI::changeLineWidth(double value)
{
    mLineWidth = float(value);
}

void UvGenerateUI::closeTab(int index)
{
    QWidget *page = ui.tabWidget->widget(index);
    ui.tabWidget->removeTab(index);
    delete page;
}

UvGenerateUI::SaveResult UvGenerateUI::saveCurrent()
{
    const QWidget *page = ui.tabWidget->currentWidget();
    const QString texture = page ? page->property(kTexturePath).toString() : QString();
    if (texture.isEmpty()) {
        showWarning(this, tr("Warning"), tr("Could not match texture name."), QMessageBox::Ok,
                    QMessageBox::NoButton);
        return SaveResult::Failed;
    }
    return saveTexture({texture});
}

void UvGenerateUI::saveActive(bool showDone)
{
    if (!mGenerated) {
        showWarning(this, tr("Warning"), tr("You must generate a UV Map first."), QMessageBox::Ok,
                    QMessageBox::NoButton);
        return;
    }
    if (saveCurrent() == SaveResult::Saved && showDone) {
        showInformation(this, APP_NAME, tr("UV Map save operation complete."), QMessageBox::Ok);
    }
}

void UvGenerateUI::saveActive()
{
    saveActive(true);
}

void UvGenerateUI::save()
{
    if (!mGenerated) {
        showWarning(this, tr("Warning"), tr("You must generate a UV Map first."), QMessageBox::Ok,
                    QMessageBox::NoButton);
        return;
    }
    const int current = ui.tabWidget->currentIndex();
    bool saved = false;
    bool failed = false;
    for (int i = 0; i < ui.tabWidget->count(); ++i) {
        ui.tabWidget->setCurrentIndex(i);
        const SaveResult result = saveCurrent();
        if (result == SaveResult::Failed) {
            failed = true;
            break;
        }
        saved = saved || result == SaveResult::Saved;
    }
    ui.tabWidget->setCurrentIndex(current);
    if (saved && !failed) {
        showInformation(this, APP_NAME, tr("UV Map save operation complete."), QMessageBox::Ok);
    }
}

UvGenerateUI::SaveResult UvGenerateUI::saveTexture(const QStringList &textures)
{
    const int resolution = ui.resMultCombo->currentIndex();
    const int multiplier = resolution >= 0 && resolution <= 3 ? resolution + 1 : 1;
    const int format = formatOf(ui.formatMultCombo->currentIndex());
    static const QString filters[] = {QStringLiteral("Png (*.png)"),
                                      QStringLiteral("Tiff (*.tiff)"),
                                      QStringLiteral("Svg (*.svg)")};
    SaveResult result = SaveResult::Skipped;
    for (const QString &texture : textures) {
        const QString suggested = suggestedFile(texture, format);
        const QString name = texture.section(QLatin1Char('/'), -1);
        const QString file = chooseSaveFile(this, tr("Save UV Map") + QStringLiteral(": ") + name,
                                            suggested, filters[format], QStringList());
        if (file.isEmpty()) {
            continue;
        }
        QProgressDialog progress(tr("Saving UV Map") + QStringLiteral(": ") + name, QString(), 0, 2,
                                 this);
        progress.setCancelButton(nullptr);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setValue(0);
        progress.show();
        progress.activateWindow();
        QCoreApplication::processEvents();
        if (!saveOne(texture, file, format, multiplier, progress)) {
            progress.close();
            showWarning(this, tr("Warning"),
                        tr("Failed to generate UV map for texuture.") + QStringLiteral(": ")
                            + suggested,
                        QMessageBox::Ok, QMessageBox::NoButton);
            return SaveResult::Failed;
        }
        progress.setValue(progress.value() + 1);
        result = SaveResult::Saved;
    }
    return result;
}

bool UvGenerateUI::saveOne(const QString &texturePath, const QString &file, int format,
                           int multiplier, QProgressDialog &progress)
{
    const QSize size = textureSize(texturePath) * multiplier;
    // Encoded in memory first, so that a failed save leaves the file it replaces whole.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool written = false;
    if (format == Svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        // Size and view box agree, so nothing is scaled.
        generator.setViewBox(QRect(QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1)));
        generator.setTitle(file);
        generator.setDescription(tr("Hullscope SVG Generator"));
        progress.setValue(progress.value() + 1);
        QPainter painter;
        // An empty size leaves no file worth keeping.
        written = paintUvMap(painter, &generator, texturePath, size);
    } else {
        // Too large to allocate gives a null image, which fails to encode below.
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(mBackgroundColour);
        QPainter painter;
        paintUvMap(painter, &image, texturePath, size);
        progress.setValue(progress.value() + 1);
        written = image.save(&buffer, format == Png ? "PNG" : "TIFF", 100);
    }
    written = written && saveFileBytes(file, bytes);
    if (!written) {
        logLine(QStringLiteral("Failed to save UV Map: ") + file, Warning);
    }
    return written;
}
