#pragma once

#include <QDockWidget>

// The main window's own docks. Each is a plain dock for now; the form names them so
// that their keys and visibility tracking have a class to live in.

class TankDockWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit TankDockWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(TankDockWidget)
};

class SceneSettingsWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit SceneSettingsWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(SceneSettingsWidget)
};

class TankOptionsWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit TankOptionsWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(TankOptionsWidget)
};

class CamoWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit CamoWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(CamoWidget)
};

class CameraWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit CameraWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(CameraWidget)
};

class LogViewWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit LogViewWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(LogViewWidget)
};
