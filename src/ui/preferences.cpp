#include "ui/preferences.h"

#include "core/dialogs.h"
#include "core/messagestrings.h"
#include "core/settings.h"
#include "core/sysinfo.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>

#include <algorithm>

namespace {

const QString MODPATH_HISTORY_FILE = QStringLiteral("historyModPath.list");
const QString MODPATH_HISTORY_KEY = QStringLiteral("HistoryModPath");

// The stored text's row among the untranslated item texts; 0 for anything else.
int rowOf(const QString &text, const QStringList &items)
{
    return std::max(0, int(items.indexOf(text)));
}

QString openDirectoryCaption()
{
    const MessageStrings *strings = MessageStrings::instance();
    return strings ? strings->openDirectory : QObject::tr("Open Directory");
}

} // namespace

Preferences::Preferences(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    ui.setupUi(this);
    loadSettings();
    ui.buttonBox->button(QDialogButtonBox::Ok)->setText(QObject::tr("Ok"));
    ui.buttonBox->button(QDialogButtonBox::Cancel)->setText(QObject::tr("Cancel"));
    loadModPathHistory();
}

Preferences::~Preferences()
{
    saveModPathHistory();
}

QString Preferences::modPathHistoryFile()
{
    return QDir::toNativeSeparators(userDataDir() + QLatin1Char('/') + MODPATH_HISTORY_FILE);
}

void Preferences::loadSettings()
{
    const Settings *s = Settings::instance();
    if (!s) {
        return;
    }
    ui.BrastelPathTxt->setText(s->brastelPath);
    ui.ModPathTxt->setText(s->modPath);
    ui.ImageEditorTxt->setText(s->imageEditorPath);
    ui.ScreenshotTxt->setText(s->screenshotPath);

    ui.screenTransparentCombo->setCurrentIndex(s->screenshotAlpha ? 1 : 0);
    ui.screenTimeStampCombo->setCurrentIndex(s->screenshotTimeStamp ? 1 : 0);
    ui.camInvertX->setChecked(s->mouseInvertX);
    ui.camInvertY->setChecked(s->mouseInvertY);
    ui.verticalTabs->setChecked(s->verticalTabs);
    // Both boxes ask the opposite of what the setting stores.
    ui.nativeFileDialog->setChecked(!s->nativeFileDialog);
    ui.overwriteTexture->setChecked(!s->overwriteTextures);

    // Compared with the untranslated texts: a translated "Disabled" stored earlier
    // shows as the first row.
    ui.MsaaCombo->setCurrentIndex(
        rowOf(s->msaa, {QStringLiteral("Disabled"), QStringLiteral("2x"), QStringLiteral("4x"),
                        QStringLiteral("8x"), QStringLiteral("16x")}));
    ui.TextureFilterCombo->setCurrentIndex(rowOf(
        s->textureFilter, {QStringLiteral("Bilinear"), QStringLiteral("Trilinear"),
                           QStringLiteral("Anisotropic 2x"), QStringLiteral("Anisotropic 4x"),
                           QStringLiteral("Anisotropic 8x"), QStringLiteral("Anisotropic 16x")}));
    ui.VSyncCombo->setCurrentIndex(s->vsync);
    ui.ShadowMapCombo->setCurrentIndex(s->shadowMapSize == 2048   ? 1
                                       : s->shadowMapSize == 4096 ? 2
                                                                  : 0);
    const int samples = int(s->shadowMapSamples);
    ui.ShadowSamplesCombo->setCurrentIndex(samples == 8 ? 1 : samples == 16 ? 2 : 0);
}

void Preferences::openBrastelPath()
{
    const Settings *s = Settings::instance();
    const QString path = chooseDirectory(this, openDirectoryCaption(),
                                         s ? s->brastelPath : QString(), QStringList());
    if (!path.isEmpty()) {
        ui.BrastelPathTxt->setText(path);
    }
}

void Preferences::openModPath()
{
    const Settings *s = Settings::instance();
    QString start;
    if (s) {
        start = s->modPath.isEmpty() ? s->brastelPath + QStringLiteral("/mods") : s->modPath;
    }
    const QString path = chooseDirectory(this, openDirectoryCaption(), start, mModPathHistory);
    if (path.isEmpty()) {
        return;
    }
    mModPathHistory.append(path);
    mModPathHistory.removeDuplicates();
    ui.ModPathTxt->setText(path);
}

void Preferences::openEditorPath()
{
    const MessageStrings *strings = MessageStrings::instance();
    // Programs here have no extension: "*" rather than "*.*" lets them show.
    const QString path = chooseOpenFile(
        this, strings ? strings->selectFile : QObject::tr("Select a file"), QString(),
        QStringLiteral("Executable (*.exe);;All Files (*)"), QStringList());
    if (!path.isEmpty()) {
        ui.ImageEditorTxt->setText(path);
    }
}

void Preferences::openScreenshotPath()
{
    const Settings *s = Settings::instance();
    const QString path = chooseDirectory(this, openDirectoryCaption(),
                                         s ? s->screenshotPath : QString(), QStringList());
    if (!path.isEmpty()) {
        ui.ScreenshotTxt->setText(path);
    }
}

void Preferences::changePage(QListWidgetItem *current, QListWidgetItem *previous)
{
    QListWidgetItem *item = current ? current : previous;
    if (item) {
        ui.stackedWidget->setCurrentIndex(ui.listWidget->row(item));
    }
}

void Preferences::loadModPathHistory()
{
    const QString file = modPathHistoryFile();
    if (!QFile::exists(file)) {
        return;
    }
    const QSettings history(file, QSettings::IniFormat);
    mModPathHistory = history.value(MODPATH_HISTORY_KEY).toStringList();
}

void Preferences::saveModPathHistory()
{
    if (mModPathHistory.isEmpty()) {
        return;
    }
    QSettings history(modPathHistoryFile(), QSettings::IniFormat);
    history.setValue(MODPATH_HISTORY_KEY, mModPathHistory);
}
