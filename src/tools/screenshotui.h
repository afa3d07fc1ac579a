#pragma once

#include "ui_screenshotform.h"

#include <QDialog>
#include <QSize>

class RenderWidget;

// The modal dialog that renders the view off-screen at a chosen size, optionally
// with a transparent background, and saves it as PNG or TIFF. The view paints
// nothing while the dialog lives, so its preview is the frame shown when it opened.
class ScreenShotUI : public QDialog
{
    Q_OBJECT

public:
    // renderWidget is not owned and must outlive the dialog.
    ScreenShotUI(QWidget *parent, RenderWidget *renderWidget, Qt::WindowFlags flags = {});
    ~ScreenShotUI() override;

    // The largest size the boxes accept for a view that can render maxImageSize.
    [[nodiscard]] static int spinBoxMaximum(int maxImageSize);
    // Preset index's size as the boxes show it (each side limited to spinBoxMaximum);
    // (0, 0) for an index outside the presets.
    [[nodiscard]] static QSize presetSize(int index, int maxImageSize);

    Ui_ScreenShotForm ui;

public slots:
    void loadPresetChanged(int index);
    // Asks for a file, renders and writes it, reports the outcome and closes; a
    // cancelled chooser leaves the dialog open.
    void accept() override;

private:
    RenderWidget *renderWidget = nullptr;

    Q_DISABLE_COPY(ScreenShotUI)
};
