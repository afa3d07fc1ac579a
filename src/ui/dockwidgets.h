#pragma once

#include <QDockWidget>

class QKeyEvent;

// The main window's own docks. Each keeps its last visibility in the "Visibility"
// property, so that a key can tell a dock tabbed behind another from a closed one, and
// hands a key that nothing inside it took to the main window once, so that the dock
// keys and Escape work while the focus is in a dock.

class TankDockWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit TankDockWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void vischanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(TankDockWidget)
};

class SceneSettingsWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit SceneSettingsWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void vischanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(SceneSettingsWidget)
};

class TankOptionsWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit TankOptionsWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void vischanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(TankOptionsWidget)
};

class CamoWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit CamoWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void vischanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(CamoWidget)
};

class CameraWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit CameraWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void vischanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(CameraWidget)
};

class LogViewWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit LogViewWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void vischanged(bool visible);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(LogViewWidget)
};
