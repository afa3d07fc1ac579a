#pragma once

#include "core/singleton.h"

#include <QColor>
#include <QObject>
#include <QString>

// The user's configuration, kept in settings.cfg in the data folder. Everyone
// reads the fields directly through the instance; changes go through the slots
// and reach the file at the next saveSettings().
//
// A missing file is created with the defaults (firstRun set, a warning box
// shown). An unreadable or malformed file is logged and queued as a fatal
// error; a file that cannot be written is logged and shown through fatalError().
// A valid game path is announced with brastelPathChanged(): at load, and at the
// save after setBrastelPath() changed it.
class Settings : public QObject, public Singleton<Settings>
{
    Q_OBJECT

public:
    // Connects brastelPathChanged() to FileManager::loadZipFiles() when the file
    // manager exists, then loads (or first creates) the file.
    Settings();
    ~Settings() override;

    void loadSettings();
    void createDefaultSettings();
    void saveSettings();
    // Whether <path>/Brastel.exe exists (in any letter case); also stored in
    // brastelPathValid. An empty path is never valid.
    bool checkBrastelPath(const QString &path);

    QString brastelPath;
    QString modPath;
    QString imageEditorPath;
    QString shaderDir;
    QString rendererName;
    QString screenshotPath;
    QString textureFilter;
    QString msaa;
    qint32 shadowMapSize = 0;
    float shadowMapSamples = 0.0f;
    qint32 vsync = 0; // swap interval
    bool showShadows = false;
    bool showTankInfo = false;
    bool showGrid = false;
    bool showHangar = false;
    bool showRenderInfo = false;
    bool disableTranslate = false;
    QString sceneSet;
    QString lighting;
    QColor viewportColor;
    qint32 ambientLight = 0;
    bool firstRun = false;
    bool screenshotAlpha = false;
    bool screenshotTimeStamp = false;
    bool brastelPathChangedPending = false;
    bool mouseInvertX = false;
    bool mouseInvertY = false;
    bool brastelPathValid = false;
    bool overwriteTextures = false;
    bool verticalTabs = false;
    bool nativeFileDialog = false;
    QString settingsFile;

signals:
    void brastelPathChanged();
    void modPathChanged();
    void textureFilterChanged();
    void msaaChanged();
    void shadowMapSizeChanged();
    void mouseInvertChanged();

public slots:
    // Emits nothing at once: a valid path is announced by the next saveSettings().
    void setBrastelPath(const QString &path);
    void setModPath(const QString &path);
    void setScreenshotPath(const QString &path);
    void setImageEditorPath(const QString &path);
    void setShadowMapSize(int size);
    void setShadowMapSamples(float samples);
    void setShadowEnabled(bool enabled);
    void setTextureFilter(const QString &filter);
    void setMsaa(const QString &level);
    void setShowTankInfo(bool show);
    void setShowHangar(bool show);
    void setShowGrid(bool show);
    void setAmbientLight(int level);
    void setSceneSet(const QString &set);
    void setLighting(const QString &mode);
    void setViewportColor(const QColor &colour);
    void setScreenshotTimeStamp(bool enabled);
    void setScreenshotAlpha(bool enabled);
    void setVsync(int interval);
    void setMouseInvert(bool invertX, bool invertY);
    void setShowRenderInfo(bool show);
    void setOverwriteTexture(bool overwrite);
    void setVerticalTabs(bool vertical);
    void setNativeFileDialog(bool native);
    void setTranslateDisable(bool disable);

private:
    Q_DISABLE_COPY(Settings)
};
