#include "tools/screenshotui.h"

#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/savefile.h"

#include "platform/platform.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QProgressDialog>

#include <algorithm>

namespace {

constexpr int PRESET_COUNT = 8;
constexpr int MAX_PRESET = 7;
constexpr QSize PRESETS[PRESET_COUNT - 1] = {{1280, 720},  {1920, 1080}, {2048, 1536}, {3840, 2160},
                                             {4520, 2540}, {4096, 3072}, {7680, 4320}};

} // namespace

int ScreenShotUI::spinBoxMaximum(int maxImageSize)
{
    return maxImageSize < 1 ? 0 : std::min(maxImageSize, 8196);
}

QSize ScreenShotUI::presetSize(int index, int maxImageSize)
{
    if (index < 0 || index > MAX_PRESET) {
        return QSize(0, 0);
    }
    QSize size;
    if (index == MAX_PRESET) {
        const int side = maxImageSize < 1 ? 0 : std::min(maxImageSize, 8000);
        size = QSize(side, side);
    } else {
        size = PRESETS[index];
    }
    const int limit = spinBoxMaximum(maxImageSize);
    return QSize(std::min(size.width(), limit), std::min(size.height(), limit));
}

ScreenShotUI::ScreenShotUI(QWidget *parent, RenderWidget *renderWidget, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , renderWidget(renderWidget)
{
    ui.setupUi(this);
    connect(ui.presetComboBox, &QComboBox::activated, this, &ScreenShotUI::loadPresetChanged);

    const int maximum = spinBoxMaximum(renderWidget->maxImageSize);
    ui.widthSpinBox->setMaximum(maximum);
    ui.heightSpinBox->setMaximum(maximum);
    ui.presetComboBox->setCurrentIndex(1);

    // Grabbed before painting stops: a blocked view's grab draws nothing.
    const QImage frame = renderWidget->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    renderWidget->paintBlocked = true;
    QPalette palette = ui.previewWidget->palette();
    palette.setBrush(QPalette::Window,
                     QBrush(frame.scaled(ui.previewWidget->size(), Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation)));
    ui.previewWidget->setPalette(palette);
    ui.previewWidget->setAutoFillBackground(true);

    loadPresetChanged(1);
}

ScreenShotUI::~ScreenShotUI()
{
    renderWidget->paintBlocked = false;
}

void ScreenShotUI::loadPresetChanged(int index)
{
    const QSize size = presetSize(index, renderWidget->maxImageSize);
    ui.widthSpinBox->setValue(size.width());
    ui.heightSpinBox->setValue(size.height());
}

void ScreenShotUI::accept()
{
    const int width = ui.widthSpinBox->value();
    const int height = ui.heightSpinBox->value();
    QString fileName = chooseSaveFile(this, tr("Save Screenshot"), QString(),
                                      QStringLiteral("Png (*.png);;Tiff (*.tiff)"), QStringList());
    if (fileName.isEmpty()) {
        return;
    }
    // Choosers here add no suffix, and the writer picks the format from it.
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("tiff")) {
        fileName += QStringLiteral(".png");
    }
    const bool transparent = ui.transparencyCheckBox->isChecked();

    QProgressDialog progress(tr("Saving Screenshot"), QString(), 0, 2, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setValue(0);
    progress.show();
    progress.activateWindow();
    QApplication::processEvents();
    platform::sleepMilliseconds(15);

    QImage image = renderWidget->renderToImage(width, height, transparent);
    progress.setValue(1);

    // Encoded in memory first, so a full disk leaves the file the user replaces whole.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QFileInfo(fileName).suffix().toLower().toLatin1());
    writer.setQuality(ui.qualityDial->value());
    QString failure;
    const bool written = writer.write(image) && saveFileBytes(fileName, bytes, &failure);
    if (failure.isEmpty()) {
        failure = writer.errorString();
    }
    progress.setValue(2);

    if (written) {
        showInformation(this, APP_NAME, tr("Screenshot save operation complete."), QMessageBox::Ok);
    } else {
        logLine(QStringLiteral("QImageWriter failure on image: ") + fileName, Error);
        logLine(QStringLiteral("Failure String: ") + failure, Error);
        showWarning(this, APP_NAME, tr("Screenshot save operation failed."), QMessageBox::Ok,
                    QMessageBox::NoButton);
    }
    image = QImage();
    close();
}
