// The main window's Preferences command: runs the dialog and applies what it
// accepted to the settings.
#include "ui/mainwindow.h"
#include "ui/preferences.h"

#include "render/renderwidget.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"

namespace {

// Where the program looked for the game before anyone told it otherwise.
const QString DEFAULT_BRASTEL_PATH = QStringLiteral("c:\\Games\\Brastel");

} // namespace

void MainWindow::showPreferences()
{
    Settings *s = Settings::instance();
    if (!s) {
        return;
    }
    // Title and system menu as ever; X11 draws no close button without its own hint.
    Preferences dialog(this,
                       Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }

    // The steps below run in this order on purpose: signals fire as each value is
    // stored, the file is saved before the game path is announced, and the path is
    // judged last, whichever way it was set.
    const Ui_PreferencesDialog &form = dialog.ui;
    QString gamePath = form.BrastelPathTxt->text();
    const QString modPath = form.ModPathTxt->text();
    const QString editorPath = form.ImageEditorTxt->text();
    const QString screenshotPath = form.ScreenshotTxt->text();
    const int vsync = form.VSyncCombo->currentIndex();
    const QString textureFilter = form.TextureFilterCombo->currentText();
    const QString msaa = form.MsaaCombo->currentText();
    const int shadowMapSize = form.ShadowMapCombo->currentText().toInt(nullptr, 10);
    const float shadowMapSamples = form.ShadowSamplesCombo->currentText().toFloat();
    bool restart = false;

    if (gamePath.isEmpty()) {
        const QString text = tr("Brastel path is empty, using default path.");
        logLine(text, Warning);
        showWarning(this, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
        s->setBrastelPath(DEFAULT_BRASTEL_PATH);
        gamePath = DEFAULT_BRASTEL_PATH;
    }

    {
        // The listeners make GL names (the texture filter reads the anisotropy limit of
        // the current context, the shadow map and the hangars are rebuilt): the view's
        // context must be current, not whatever the dialog left.
        ViewContextGuard guard(ui.mRenderWidget);

        s->setShadowMapSamples(shadowMapSamples);
        if (shadowMapSize != s->shadowMapSize) {
            s->setShadowMapSize(shadowMapSize);
        }
        if (gamePath != s->brastelPath) {
            s->setBrastelPath(gamePath);
        }
        if (modPath != s->modPath) {
            s->setModPath(modPath);
        }
        if (editorPath != s->imageEditorPath) {
            s->setImageEditorPath(editorPath);
        }
        if (msaa != s->msaa) {
            restart = true;
            s->setMsaa(msaa);
        }
        if (vsync != s->vsync) {
            restart = true;
            s->setVsync(vsync);
        }
        if (textureFilter != s->textureFilter) {
            s->setTextureFilter(textureFilter);
        }
        if (screenshotPath != s->screenshotPath) {
            s->setScreenshotPath(screenshotPath);
        }
        s->setMouseInvert(form.camInvertX->isChecked(), form.camInvertY->isChecked());
        s->setScreenshotAlpha(form.screenTransparentCombo->currentIndex() != 0);
        s->setScreenshotTimeStamp(form.screenTimeStampCombo->currentIndex() != 0);
        // Both boxes ask the opposite of what the setting stores.
        s->setOverwriteTexture(!form.overwriteTexture->isChecked());
        s->setVerticalTabs(form.verticalTabs->isChecked());
        s->setNativeFileDialog(!form.nativeFileDialog->isChecked());

        s->saveSettings();
    }

    DockOptions options = AnimatedDocks | AllowNestedDocks | AllowTabbedDocks;
    if (s->verticalTabs) {
        options |= VerticalTabs;
    }
    setDockOptions(options);

    // The same test as everywhere else (the executable's name in any letter case), so
    // that no two places disagree about one folder.
    if (!s->checkBrastelPath(s->brastelPath)) {
        const QString text =
            tr("Brastel path does not appear to be valid. Please check Preferences again.");
        logLine(text, Warning);
        showWarning(this, APP_NAME, text, QMessageBox::Ok, QMessageBox::NoButton);
    }
    if (restart) {
        showInformation(this, APP_NAME,
                        tr("Application requires restart for settings to take effect."),
                        QMessageBox::Ok);
    }
}
