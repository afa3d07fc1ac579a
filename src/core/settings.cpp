#include "core/settings.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/internal/pathresolver.h"
#include "core/log.h"
#include "core/savefile.h"
#include "core/sysinfo.h"
#include "core/textconvert.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

QString defaultScreenshotPath()
{
    return QDir::toNativeSeparators(userDataDir() + QStringLiteral("/screenshots"));
}

// The text of root -> group -> key; empty when any of them is missing.
QString valueText(const QDomElement &group, const QString &key)
{
    return group.firstChildElement(key).text();
}

void appendValue(QDomDocument &document, QDomElement &group, const QString &key,
                 const QString &value)
{
    QDomElement element = document.createElement(key);
    element.appendChild(document.createTextNode(value));
    group.appendChild(element);
}

} // namespace

Settings::Settings()
{
    settingsFile = QDir::toNativeSeparators(userDataDir() + QStringLiteral("/settings.cfg"));
    brastelPathChangedPending = false;
    brastelPathValid = false;

    logLine(QStringLiteral("Loading settings file."), Info);

    if (FileManager *fileManager = FileManager::instance()) {
        connect(this, &Settings::brastelPathChanged, fileManager, &FileManager::loadZipFiles);
    }
    firstRun = false;

    if (!QFileInfo::exists(settingsFile)) {
        logLine(QStringLiteral("Could not locate settings file, creating a new one."), Warning);
        MessageBoxRequest request;
        request.icon = QMessageBox::Warning;
        request.title = APP_NAME;
        request.text =
            tr("Could not locate settings file, creating a new one.\nThe preferences "
               "dialog will now be shown, please make sure the Brastel path is correct.");
        request.buttons = QMessageBox::Ok;
        request.windowIcon = QStringLiteral(":/icons/Hullscope_ico_32.png");
        runMessageBox(request);
        createDefaultSettings();
    }
    loadSettings();
}

Settings::~Settings() = default;

void Settings::loadSettings()
{
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Could not open settings file."), Error);
        queueFatalError(tr("Could not open settings file."));
        return;
    }
    QDomDocument document;
    if (!document.setContent(&file)) {
        logLine(QStringLiteral("Could not set XML content."), Error);
        queueFatalError(tr("Could not set XML content."));
        file.close();
        return;
    }
    file.close();

    const QDomElement root = document.documentElement();
    const QDomElement paths = root.firstChildElement(QStringLiteral("Paths"));
    const QDomElement renderer = root.firstChildElement(QStringLiteral("RendererSystems"))
                                     .firstChildElement(QStringLiteral("Renderer"));
    const QDomElement common = root.firstChildElement(QStringLiteral("RendererCommon"));
    const QDomElement scene = root.firstChildElement(QStringLiteral("SceneSettings"));

    brastelPath = valueText(paths, QStringLiteral("BrastelPath"));
    modPath = valueText(paths, QStringLiteral("ModPath"));
    imageEditorPath = valueText(paths, QStringLiteral("ImageEditor"));
    screenshotPath = valueText(paths, QStringLiteral("Screenshots"));

    rendererName = valueText(renderer, QStringLiteral("Name"));
    shaderDir = valueText(renderer, QStringLiteral("ShaderDir"));

    textureFilter = valueText(common, QStringLiteral("TextureFilter"));
    msaa = valueText(common, QStringLiteral("MSAA"));
    shadowMapSize = valueText(common, QStringLiteral("ShadowMap")).toInt(nullptr, 10);
    shadowMapSamples = valueText(common, QStringLiteral("ShadowMapSamples")).toFloat();
    vsync = valueText(common, QStringLiteral("VSync")).toInt(nullptr, 10);

    mouseInvertX = stringToBool(valueText(scene, QStringLiteral("MouseInvertX")));
    mouseInvertY = stringToBool(valueText(scene, QStringLiteral("MouseInvertY")));
    viewportColor = stringToColor(valueText(scene, QStringLiteral("ViewportColor")));
    ambientLight = valueText(scene, QStringLiteral("AmbientLight")).toInt(nullptr, 10);
    showHangar = stringToBool(valueText(scene, QStringLiteral("ShowHangar")));
    showGrid = stringToBool(valueText(scene, QStringLiteral("ShowGrid")));
    showTankInfo = stringToBool(valueText(scene, QStringLiteral("ShowTankInfo")));
    showShadows = stringToBool(valueText(scene, QStringLiteral("ShowShadows")));
    sceneSet = valueText(scene, QStringLiteral("SceneSet"));
    lighting = valueText(scene, QStringLiteral("Lighting"));
    screenshotAlpha = stringToBool(valueText(scene, QStringLiteral("ScreenshotAlpha")));
    screenshotTimeStamp = stringToBool(valueText(scene, QStringLiteral("ScreenshotTimeStamp")));
    showRenderInfo = stringToBool(valueText(scene, QStringLiteral("ShowRenderInfo")));
    overwriteTextures = stringToBool(valueText(scene, QStringLiteral("OverwriteTextures")));
    verticalTabs = stringToBool(valueText(scene, QStringLiteral("VerticalTabs")));
    nativeFileDialog = stringToBool(valueText(scene, QStringLiteral("NativeFileDialog")));
    disableTranslate = stringToBool(valueText(scene, QStringLiteral("DisableTranslate")));

    if (checkBrastelPath(brastelPath)) {
        emit brastelPathChanged();
    }
}

void Settings::createDefaultSettings()
{
    brastelPath = QStringLiteral("c:\\Games\\Brastel");
    shaderDir = QStringLiteral("../data/shaders/glsl150");
    rendererName = QStringLiteral("OpenGL 3.2");
    screenshotPath = defaultScreenshotPath();
    textureFilter = QStringLiteral("Anisotropic 4x");
    msaa = QStringLiteral("4x");
    shadowMapSize = 2048;
    shadowMapSamples = 8.0f;
    vsync = 1;
    showShadows = false;
    showTankInfo = true;
    showGrid = false;
    showHangar = true;
    showRenderInfo = false;
    disableTranslate = false;
    sceneSet = QStringLiteral("premium");
    lighting = QStringLiteral("bumpmap");
    viewportColor = QColor(Qt::darkGray);
    ambientLight = 127;
    screenshotAlpha = false;
    screenshotTimeStamp = true;
    mouseInvertX = false;
    mouseInvertY = false;
    overwriteTextures = false;
    verticalTabs = false;
    nativeFileDialog = true;

    if (!QFileInfo(screenshotPath).isDir()) {
        QDir(userDataDir()).mkpath(QStringLiteral("screenshots"));
    }
    firstRun = true;
    saveSettings();
}

void Settings::saveSettings()
{
    logLine(QStringLiteral("Saving settings."), Info);

    {
        QDomDocument document;
        document.appendChild(document.createProcessingInstruction(
            QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
        QDomElement root = document.createElement(QStringLiteral("Settings"));
        document.appendChild(root);

        appendValue(document, root, QStringLiteral("Version"), QStringLiteral("1"));

        QDomElement paths = document.createElement(QStringLiteral("Paths"));
        appendValue(document, paths, QStringLiteral("BrastelPath"), brastelPath);
        appendValue(document, paths, QStringLiteral("ModPath"), modPath);
        appendValue(document, paths, QStringLiteral("ImageEditor"), imageEditorPath);
        appendValue(document, paths, QStringLiteral("Screenshots"), screenshotPath);
        root.appendChild(paths);

        QDomElement systems = document.createElement(QStringLiteral("RendererSystems"));
        QDomElement renderer = document.createElement(QStringLiteral("Renderer"));
        appendValue(document, renderer, QStringLiteral("Name"), rendererName);
        appendValue(document, renderer, QStringLiteral("ShaderDir"), shaderDir);
        systems.appendChild(renderer);
        root.appendChild(systems);

        QDomElement common = document.createElement(QStringLiteral("RendererCommon"));
        appendValue(document, common, QStringLiteral("TextureFilter"), textureFilter);
        appendValue(document, common, QStringLiteral("MSAA"), msaa);
        appendValue(document, common, QStringLiteral("ShadowMap"), QString::number(shadowMapSize));
        appendValue(document, common, QStringLiteral("ShadowMapSamples"),
                    QString::number(shadowMapSamples, 'g', 6));
        appendValue(document, common, QStringLiteral("VSync"), QString::number(vsync));
        root.appendChild(common);

        QDomElement scene = document.createElement(QStringLiteral("SceneSettings"));
        appendValue(document, scene, QStringLiteral("MouseInvertX"), boolToString(mouseInvertX));
        appendValue(document, scene, QStringLiteral("MouseInvertY"), boolToString(mouseInvertY));
        appendValue(document, scene, QStringLiteral("ViewportColor"), colorToString(viewportColor));
        appendValue(document, scene, QStringLiteral("AmbientLight"), QString::number(ambientLight));
        appendValue(document, scene, QStringLiteral("ShowHangar"), boolToString(showHangar));
        appendValue(document, scene, QStringLiteral("ShowGrid"), boolToString(showGrid));
        appendValue(document, scene, QStringLiteral("ShowTankInfo"), boolToString(showTankInfo));
        appendValue(document, scene, QStringLiteral("ShowShadows"), boolToString(showShadows));
        appendValue(document, scene, QStringLiteral("SceneSet"), sceneSet);
        appendValue(document, scene, QStringLiteral("Lighting"), lighting);
        appendValue(document, scene, QStringLiteral("ScreenshotAlpha"),
                    boolToString(screenshotAlpha));
        appendValue(document, scene, QStringLiteral("ScreenshotTimeStamp"),
                    boolToString(screenshotTimeStamp));
        appendValue(document, scene, QStringLiteral("ShowRenderInfo"),
                    boolToString(showRenderInfo));
        appendValue(document, scene, QStringLiteral("OverwriteTextures"),
                    boolToString(overwriteTextures));
        appendValue(document, scene, QStringLiteral("VerticalTabs"), boolToString(verticalTabs));
        appendValue(document, scene, QStringLiteral("NativeFileDialog"),
                    boolToString(nativeFileDialog));
        appendValue(document, scene, QStringLiteral("DisableTranslate"),
                    boolToString(disableTranslate));
        root.appendChild(scene);

        // A full disk must not cut the file: the next start would lose every setting.
        bool openFailed = false;
        if (!saveFileBytes(settingsFile, document.toByteArray(1), nullptr, &openFailed)
            && openFailed) {
            logLine(tr("Could not open settings file."), Error);
            fatalError(tr("Could not open settings file."));
        }
    }

    checkBrastelPath(brastelPath);
    if (brastelPathChangedPending) {
        emit brastelPathChanged();
    }
    brastelPathChangedPending = false;
}

bool Settings::checkBrastelPath(const QString &path)
{
    // An empty game path would probe the root of the file system.
    brastelPathValid = !path.isEmpty()
                       && !internal::PathResolver::resolveUncached(
                               QDir::toNativeSeparators(path + QStringLiteral("/Brastel.exe")))
                               .isEmpty();
    return brastelPathValid;
}

void Settings::setBrastelPath(const QString &path)
{
    firstRun = false;
    brastelPath = path;
    if (checkBrastelPath(path)) {
        brastelPathChangedPending = true;
    }
}

void Settings::setModPath(const QString &path)
{
    modPath = path;
    emit modPathChanged();
}

void Settings::setScreenshotPath(const QString &path)
{
    screenshotPath = path;
}

void Settings::setImageEditorPath(const QString &path)
{
    imageEditorPath = path;
}

void Settings::setShadowMapSize(int size)
{
    shadowMapSize = size;
    emit shadowMapSizeChanged();
}

void Settings::setShadowMapSamples(float samples)
{
    shadowMapSamples = samples;
}

void Settings::setShadowEnabled(bool enabled)
{
    showShadows = enabled;
}

void Settings::setTextureFilter(const QString &filter)
{
    textureFilter = filter;
    emit textureFilterChanged();
}

void Settings::setMsaa(const QString &level)
{
    msaa = level;
    emit msaaChanged();
}

void Settings::setShowTankInfo(bool show)
{
    showTankInfo = show;
}

void Settings::setShowHangar(bool show)
{
    showHangar = show;
}

void Settings::setShowGrid(bool show)
{
    showGrid = show;
}

void Settings::setAmbientLight(int level)
{
    ambientLight = level;
}

void Settings::setSceneSet(const QString &set)
{
    sceneSet = set;
}

void Settings::setLighting(const QString &mode)
{
    lighting = mode;
}

void Settings::setViewportColor(const QColor &colour)
{
    viewportColor = colour;
}

void Settings::setScreenshotTimeStamp(bool enabled)
{
    screenshotTimeStamp = enabled;
}

void Settings::setScreenshotAlpha(bool enabled)
{
    screenshotAlpha = enabled;
}

void Settings::setVsync(int interval)
{
    vsync = interval;
}

void Settings::setMouseInvert(bool invertX, bool invertY)
{
    mouseInvertX = invertX;
    mouseInvertY = invertY;
    emit mouseInvertChanged();
}

void Settings::setShowRenderInfo(bool show)
{
    showRenderInfo = show;
}

void Settings::setOverwriteTexture(bool overwrite)
{
    overwriteTextures = overwrite;
}

void Settings::setVerticalTabs(bool vertical)
{
    verticalTabs = vertical;
}

void Settings::setNativeFileDialog(bool native)
{
    nativeFileDialog = native;
}

void Settings::setTranslateDisable(bool disable)
{
    disableTranslate = disable;
}
