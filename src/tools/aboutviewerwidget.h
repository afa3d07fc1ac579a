#pragma once

#include "ui_aboutdialog.h"

#include <QDialog>
#include <QStringList>

class RenderWidget;

// The About box: the program's identity, the game version of the game folder, the
// translators and licence, and what the driver of the given view reports. The view
// needs its context made; without a view the GL tab keeps its placeholders.
class AboutViewerWidget : public QDialog
{
    Q_OBJECT

public:
    explicit AboutViewerWidget(RenderWidget *view, QWidget *parent = nullptr,
                               Qt::WindowFlags flags = {});
    ~AboutViewerWidget() override;

    // Each name followed by a newline; empty for no names.
    [[nodiscard]] static QString extensionsText(const QStringList &extensions);

    Ui::aboutDialog ui;

private:
    Q_DISABLE_COPY(AboutViewerWidget)
};
