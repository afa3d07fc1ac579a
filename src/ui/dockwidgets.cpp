#include "ui/dockwidgets.h"

TankDockWidget::TankDockWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}

SceneSettingsWidget::SceneSettingsWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}

TankOptionsWidget::TankOptionsWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}

CamoWidget::CamoWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}

CameraWidget::CameraWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}

LogViewWidget::LogViewWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}
