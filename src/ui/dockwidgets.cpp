#include "ui/dockwidgets.h"

#include "ui/mainwindow.h"

#include "core/constants.h"

#include <QKeyEvent>

namespace {

void handDockKeyToWindow(QKeyEvent *event)
{
    if (MainWindow *window = MainWindow::instance()) {
        window->dockKeyPress(event);
    }
    // Accepted, so that the window does not see the same press again as the parent.
    event->accept();
}

} // namespace

TankDockWidget::TankDockWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    connect(this, &QDockWidget::visibilityChanged, this, &TankDockWidget::vischanged);
}

void TankDockWidget::vischanged(bool visible)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), visible);
}

void TankDockWidget::keyPressEvent(QKeyEvent *event)
{
    handDockKeyToWindow(event);
}

SceneSettingsWidget::SceneSettingsWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    connect(this, &QDockWidget::visibilityChanged, this, &SceneSettingsWidget::vischanged);
}

void SceneSettingsWidget::vischanged(bool visible)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), visible);
}

void SceneSettingsWidget::keyPressEvent(QKeyEvent *event)
{
    handDockKeyToWindow(event);
}

TankOptionsWidget::TankOptionsWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    connect(this, &QDockWidget::visibilityChanged, this, &TankOptionsWidget::vischanged);
}

void TankOptionsWidget::vischanged(bool visible)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), visible);
}

void TankOptionsWidget::keyPressEvent(QKeyEvent *event)
{
    handDockKeyToWindow(event);
}

CamoWidget::CamoWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    connect(this, &QDockWidget::visibilityChanged, this, &CamoWidget::vischanged);
}

void CamoWidget::vischanged(bool visible)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), visible);
}

void CamoWidget::keyPressEvent(QKeyEvent *event)
{
    handDockKeyToWindow(event);
}

CameraWidget::CameraWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    connect(this, &QDockWidget::visibilityChanged, this, &CameraWidget::vischanged);
}

void CameraWidget::vischanged(bool visible)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), visible);
}

void CameraWidget::keyPressEvent(QKeyEvent *event)
{
    handDockKeyToWindow(event);
}

LogViewWidget::LogViewWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    connect(this, &QDockWidget::visibilityChanged, this, &LogViewWidget::vischanged);
}

void LogViewWidget::vischanged(bool visible)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), visible);
}

void LogViewWidget::keyPressEvent(QKeyEvent *event)
{
    handDockKeyToWindow(event);
}
