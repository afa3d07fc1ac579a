#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/log.h"
#include "core/settings.h"

#include "support/fulldisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

// Every element that holds text, as "Group/Key=value" in document order, read
// with the stream reader so the check does not share the writer's DOM code.
QStringList leafValues(const QByteArray &xml, QString *error)
{
    QStringList values;
    QStringList path;
    QXmlStreamReader reader(xml);
    QString text;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            path.append(reader.name().toString());
            text = QLatin1String(""); // not null: an empty element still counts
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            text += reader.text();
        } else if (reader.isEndElement()) {
            if (reader.name() != QLatin1String("Settings") && !text.isNull()) {
                values.append(path.mid(1).join(QLatin1Char('/')) + QLatin1Char('=') + text);
            }
            text = QString();
            path.removeLast();
        }
    }
    if (reader.hasError()) {
        *error = reader.errorString();
    }
    return values;
}

QByteArray settingsXml(const QByteArray &sceneSettings)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Settings><Version>1</Version>"
           "<Paths><BrastelPath>nowhere</BrastelPath></Paths>"
           "<SceneSettings>"
           + sceneSettings + "</SceneSettings></Settings>\n";
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> mRoot;
    QString mOldCurrent;
    QList<MessageBoxRequest> mBoxes;

    QString dataDir() const { return mRoot->filePath(QStringLiteral("data")); }
    QString settingsPath() const { return dataDir() + QStringLiteral("/settings.cfg"); }

    // A game folder with the game's executable, named in the given case.
    QString makeGame(const QString &name, const QString &exeName = QStringLiteral("Brastel.exe"))
    {
        const QString game = mRoot->filePath(name);
        QDir().mkpath(game);
        writeFile(game + QLatin1Char('/') + exeName, "MZ");
        return game;
    }

    void verifyDefaultsExceptPaths(const Settings &s)
    {
        QCOMPARE(s.imageEditorPath, QString());
        QCOMPARE(s.shaderDir, QStringLiteral("../data/shaders/glsl150"));
        QCOMPARE(s.rendererName, QStringLiteral("OpenGL 3.2"));
        QCOMPARE(s.screenshotPath, QDir::toNativeSeparators(dataDir() + "/screenshots"));
        QCOMPARE(s.textureFilter, QStringLiteral("Anisotropic 4x"));
        QCOMPARE(s.msaa, QStringLiteral("4x"));
        QCOMPARE(s.shadowMapSize, 2048);
        QCOMPARE(s.shadowMapSamples, 8.0f);
        QCOMPARE(s.vsync, 1);
        QCOMPARE(s.showShadows, false);
        QCOMPARE(s.showTankInfo, true);
        QCOMPARE(s.showGrid, false);
        QCOMPARE(s.showHangar, true);
        QCOMPARE(s.showRenderInfo, false);
        QCOMPARE(s.disableTranslate, false);
        QCOMPARE(s.sceneSet, QStringLiteral("premium"));
        QCOMPARE(s.lighting, QStringLiteral("bumpmap"));
        QCOMPARE(s.viewportColor, QColor(128, 128, 128, 255));
        QCOMPARE(s.ambientLight, 127);
        QCOMPARE(s.screenshotAlpha, false);
        QCOMPARE(s.screenshotTimeStamp, true);
        QCOMPARE(s.mouseInvertX, false);
        QCOMPARE(s.mouseInvertY, false);
        QCOMPARE(s.overwriteTextures, false);
        QCOMPARE(s.verticalTabs, false);
        QCOMPARE(s.nativeFileDialog, true);
    }

private slots:
    void init()
    {
        // The data folder is found from the working folder: <root>/bin_x64 -> <root>/data.
        mRoot = std::make_unique<QTemporaryDir>();
        QVERIFY(mRoot->isValid());
        QVERIFY(QDir().mkpath(mRoot->filePath(QStringLiteral("bin_x64"))));
        QVERIFY(QDir().mkpath(dataDir()));
        mOldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mRoot->filePath(QStringLiteral("bin_x64"))));
        mBoxes.clear();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return int(QMessageBox::Ok);
        });
        new Log();
    }

    void cleanup()
    {
        delete Settings::instance();
        delete Log::instance();
        setMessageBoxHandler({});
        resetFatalErrorState();
        QDir::setCurrent(mOldCurrent);
        mRoot.reset();
    }

    void firstRunWritesTheCompleteDefaults()
    {
        Settings settings;
        QVERIFY(settings.firstRun);
        QCOMPARE(settings.settingsFile, QDir::toNativeSeparators(settingsPath()));
        QCOMPARE(
            Log::instance()->text(Warning),
            QStringLiteral("[ Warning ] Could not locate settings file, creating a new one.\r\n"));
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(mBoxes.at(0).title, QStringLiteral("Hullscope"));
        QCOMPARE(mBoxes.at(0).text,
                 QStringLiteral("Could not locate settings file, creating a new one.\nThe "
                                "preferences dialog will now be shown, please make sure the "
                                "Brastel path is correct."));
        QCOMPARE(mBoxes.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(mBoxes.at(0).windowIcon, QStringLiteral(":/icons/Hullscope_ico_32.png"));
        QVERIFY(QFileInfo(dataDir() + QStringLiteral("/screenshots")).isDir());
        QVERIFY(!settings.brastelPathValid);
        QCOMPARE(pendingFatalError, QString());

        const QByteArray xml = readAll(settingsPath());
        QVERIFY(
            xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Settings>\n <Version>1"));
        QString error;
        const QStringList values = leafValues(xml, &error);
        QCOMPARE(error, QString());
        const QString screenshots = QDir::toNativeSeparators(dataDir() + "/screenshots");
        const QStringList expected = {
            "Version=1",
            "Paths/BrastelPath=c:\\Games\\Brastel",
            "Paths/ModPath=",
            "Paths/ImageEditor=",
            "Paths/Screenshots=" + screenshots,
            "RendererSystems/Renderer/Name=OpenGL 3.2",
            "RendererSystems/Renderer/ShaderDir=../data/shaders/glsl150",
            "RendererCommon/TextureFilter=Anisotropic 4x",
            "RendererCommon/MSAA=4x",
            "RendererCommon/ShadowMap=2048",
            "RendererCommon/ShadowMapSamples=8",
            "RendererCommon/VSync=1",
            "SceneSettings/MouseInvertX=false",
            "SceneSettings/MouseInvertY=false",
            "SceneSettings/ViewportColor=128 128 128 255",
            "SceneSettings/AmbientLight=127",
            "SceneSettings/ShowHangar=true",
            "SceneSettings/ShowGrid=false",
            "SceneSettings/ShowTankInfo=true",
            "SceneSettings/ShowShadows=false",
            "SceneSettings/SceneSet=premium",
            "SceneSettings/Lighting=bumpmap",
            "SceneSettings/ScreenshotAlpha=false",
            "SceneSettings/ScreenshotTimeStamp=true",
            "SceneSettings/ShowRenderInfo=false",
            "SceneSettings/OverwriteTextures=false",
            "SceneSettings/VerticalTabs=false",
            "SceneSettings/NativeFileDialog=true",
            "SceneSettings/DisableTranslate=false",
        };
        QCOMPARE(values, expected);

        // Read back, the defaults are what is in memory.
        QCOMPARE(settings.brastelPath, QStringLiteral("c:\\Games\\Brastel"));
        QCOMPARE(settings.modPath, QString());
        verifyDefaultsExceptPaths(settings);
    }

    void anExistingFileIsNotAFirstRun()
    {
        QVERIFY(writeFile(settingsPath(), settingsXml("")));
        Settings settings;
        QVERIFY(!settings.firstRun);
        QVERIFY(mBoxes.isEmpty());
        QCOMPARE(Log::instance()->text(Warning), QString());
        QCOMPARE(readAll(settingsPath()), settingsXml(""));
    }

    void valuesAreReadWithoutDefaults_data()
    {
        QTest::addColumn<QByteArray>("scene");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("missing ShowTankInfo is false")
            << QByteArray() << "showTankInfo" << QVariant(false);
        QTest::newRow("missing AmbientLight is 0") << QByteArray() << "ambientLight" << QVariant(0);
        QTest::newRow("missing SceneSet is empty")
            << QByteArray() << "sceneSet" << QVariant(QString());
        QTest::newRow("TRUE") << QByteArray("<ShowGrid>TRUE</ShowGrid>") << "showGrid"
                              << QVariant(true);
        QTest::newRow("untrue") << QByteArray("<ShowGrid>untrue</ShowGrid>") << "showGrid"
                                << QVariant(true);
        QTest::newRow("yes") << QByteArray("<ShowGrid>yes</ShowGrid>") << "showGrid"
                             << QVariant(false);
        QTest::newRow("three colour numbers")
            << QByteArray("<ViewportColor>10 20 30</ViewportColor>") << "viewportColor"
            << QVariant(QColor());
        QTest::newRow("fractional red")
            << QByteArray("<ViewportColor>10.9 20 30 255</ViewportColor>") << "viewportColor"
            << QVariant(QColor(10, 20, 30, 255));
        QTest::newRow("ambient decimal")
            << QByteArray("<AmbientLight>0x10</AmbientLight>") << "ambientLight" << QVariant(0);
    }

    void valuesAreReadWithoutDefaults()
    {
        QFETCH(QByteArray, scene);
        QFETCH(QString, field);
        QFETCH(QVariant, expected);
        QVERIFY(writeFile(settingsPath(), settingsXml(scene)));
        Settings settings;
        QVariant actual;
        if (field == QLatin1String("showTankInfo")) {
            actual = settings.showTankInfo;
        } else if (field == QLatin1String("showGrid")) {
            actual = settings.showGrid;
        } else if (field == QLatin1String("ambientLight")) {
            actual = settings.ambientLight;
        } else if (field == QLatin1String("sceneSet")) {
            actual = settings.sceneSet;
        } else if (field == QLatin1String("viewportColor")) {
            actual = settings.viewportColor;
        }
        QCOMPARE(actual, expected);
        QCOMPARE(settings.shadowMapSize, 0); // no RendererCommon at all
        QCOMPARE(pendingFatalError, QString());
    }

    void gamePathIsAnnouncedAfterItIsSaved()
    {
        const QString game = makeGame(QStringLiteral("game"));
        const QString other = makeGame(QStringLiteral("other"), QStringLiteral("BRASTEL.EXE"));
        QVERIFY(writeFile(settingsPath(), settingsXml("")));
        Settings settings;
        QSignalSpy changed(&settings, &Settings::brastelPathChanged);
        QVERIFY(!settings.brastelPathValid);

        settings.setBrastelPath(game);
        QVERIFY(settings.brastelPathValid);
        QCOMPARE(changed.size(), 0);
        settings.saveSettings();
        QCOMPARE(changed.size(), 1);
        settings.saveSettings();
        QCOMPARE(changed.size(), 1);

        // The executable's name in another letter case counts.
        settings.setBrastelPath(QDir::toNativeSeparators(other).replace('/', '\\'));
        QVERIFY(settings.brastelPathValid);
        settings.saveSettings();
        QCOMPARE(changed.size(), 2);

        settings.setBrastelPath(mRoot->filePath(QStringLiteral("missing")));
        QVERIFY(!settings.brastelPathValid);
        settings.saveSettings();
        settings.saveSettings();
        QCOMPARE(changed.size(), 2);

        // An empty path is never valid (it would name the root's executable).
        QVERIFY(!settings.checkBrastelPath(QString()));
    }

    void validStoredPathIsAnnouncedWhileLoading()
    {
        const QString game = makeGame(QStringLiteral("game"));
        QByteArray xml = settingsXml("");
        xml.replace("nowhere", game.toUtf8());
        QVERIFY(writeFile(settingsPath(), xml));
        // Nothing is connected yet while the constructor runs; the validity shows the emission.
        Settings settings;
        QVERIFY(settings.brastelPathValid);
        QSignalSpy changed(&settings, &Settings::brastelPathChanged);
        settings.loadSettings();
        QCOMPARE(changed.size(), 1);
    }

    void slotsEmitTheirSignals()
    {
        QVERIFY(writeFile(settingsPath(), settingsXml("")));
        Settings settings;
        QSignalSpy mouse(&settings, &Settings::mouseInvertChanged);
        QSignalSpy mod(&settings, &Settings::modPathChanged);
        QSignalSpy filter(&settings, &Settings::textureFilterChanged);
        QSignalSpy msaa(&settings, &Settings::msaaChanged);
        QSignalSpy shadow(&settings, &Settings::shadowMapSizeChanged);

        settings.setMouseInvert(true, false);
        QVERIFY(settings.mouseInvertX);
        QVERIFY(!settings.mouseInvertY);
        QCOMPARE(mouse.size(), 1);

        settings.setModPath(QStringLiteral("m"));
        settings.setTextureFilter(QStringLiteral("Trilinear"));
        settings.setMsaa(QStringLiteral("8x"));
        settings.setShadowMapSize(1024);
        QCOMPARE(mod.size(), 1);
        QCOMPARE(filter.size(), 1);
        QCOMPARE(msaa.size(), 1);
        QCOMPARE(shadow.size(), 1);
        QCOMPARE(settings.shadowMapSize, 1024);
        // Nothing was saved.
        QCOMPARE(readAll(settingsPath()), settingsXml(""));
    }

    void unreadableFilesAreQueuedAsFatal_data()
    {
        QTest::addColumn<bool>("asFolder");
        QTest::addColumn<QString>("text");
        QTest::newRow("malformed") << false << "Could not set XML content.";
        QTest::newRow("a folder") << true << "Could not open settings file.";
    }

    void unreadableFilesAreQueuedAsFatal()
    {
        QFETCH(bool, asFolder);
        QFETCH(QString, text);
        if (asFolder) {
            QVERIFY(QDir().mkpath(settingsPath()));
        } else {
            QVERIFY(writeFile(settingsPath(), "<Settings><Paths>"));
        }
        Settings settings;
        QVERIFY(!settings.firstRun);
        QCOMPARE(Log::instance()->text(Error), "[ Error ] " + text + "\r\n");
        QVERIFY(fatalErrorPending);
        QCOMPARE(pendingFatalError, text);
        QVERIFY(mBoxes.isEmpty());
    }

    // A full data folder keeps the old file whole, so the next start still reads it.
    void fullDiskKeepsTheOldFile()
    {
        FullDisk disk(dataDir());
        HULLSCOPE_REQUIRE_FULL_DISK(disk);
        const QByteArray old = settingsXml("<ShowGrid>true</ShowGrid>");
        QVERIFY(writeFile(settingsPath(), old));
        disk.fill();
        {
            Settings settings;
            settings.setShowGrid(false);
            settings.saveSettings();
            QVERIFY(!fatalErrorPending);
            QVERIFY(mBoxes.isEmpty());
            QVERIFY(Log::instance()->text(Warning).contains(settingsPath()));
        }
        QCOMPARE(readAll(settingsPath()), old);
        Settings again;
        QVERIFY(again.showGrid);
    }

    void unwritableFileGoesThroughFatalError()
    {
        const QString game = makeGame(QStringLiteral("game"));
        QVERIFY(writeFile(settingsPath(), settingsXml("<ShowGrid>true</ShowGrid>")));
        Settings settings;
        QSignalSpy changed(&settings, &Settings::brastelPathChanged);
        settings.setBrastelPath(game);
        settings.setShowGrid(false);

        QVERIFY(QFile::remove(settingsPath()));
        QVERIFY(QDir().mkpath(settingsPath()));
        settings.saveSettings();

        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).icon, QMessageBox::Critical);
        QCOMPARE(mBoxes.at(0).text,
                 QStringLiteral("Could not open settings file.\nApplication will now close."));
        QCOMPARE(Log::instance()->text(Error),
                 QStringLiteral("[ Error ] Could not open settings file.\r\n"));
        QVERIFY(fatalErrorQuitRequested());
        QCOMPARE(settings.brastelPath, game);
        QCOMPARE(settings.showGrid, false);
        // The path check and the pending announcement still run.
        QCOMPARE(changed.size(), 1);
    }

    void everyFieldSurvivesARoundTrip()
    {
        {
            Settings settings;
            settings.setBrastelPath(QStringLiteral("D:\\Spiele\\Brästel"));
            settings.setModPath(QStringLiteral("/home/u/mod & <more>"));
            settings.setImageEditorPath(QStringLiteral("/usr/bin/gimp"));
            settings.setScreenshotPath(QStringLiteral("/tmp/shots"));
            settings.shaderDir = QStringLiteral("../data/shaders/other");
            settings.rendererName = QStringLiteral("OpenGL 4");
            settings.setTextureFilter(QStringLiteral("Trilinear"));
            settings.setMsaa(QStringLiteral("Off"));
            settings.setShadowMapSize(4096);
            settings.setShadowMapSamples(2.5f);
            settings.setVsync(0);
            settings.setShadowEnabled(true);
            settings.setShowTankInfo(false);
            settings.setShowGrid(true);
            settings.setShowHangar(false);
            settings.setShowRenderInfo(true);
            settings.setTranslateDisable(true);
            settings.setSceneSet(QStringLiteral("basic"));
            settings.setLighting(QStringLiteral("disabled"));
            settings.setViewportColor(QColor(1, 2, 3, 4));
            settings.setAmbientLight(-5);
            settings.setScreenshotAlpha(true);
            settings.setScreenshotTimeStamp(false);
            settings.setMouseInvert(false, true);
            settings.setOverwriteTexture(true);
            settings.setVerticalTabs(true);
            settings.setNativeFileDialog(false);
            settings.saveSettings();
        }
        Settings s;
        QVERIFY(!s.firstRun);
        QCOMPARE(s.brastelPath, QStringLiteral("D:\\Spiele\\Brästel"));
        QCOMPARE(s.modPath, QStringLiteral("/home/u/mod & <more>"));
        QCOMPARE(s.imageEditorPath, QStringLiteral("/usr/bin/gimp"));
        QCOMPARE(s.screenshotPath, QStringLiteral("/tmp/shots"));
        QCOMPARE(s.shaderDir, QStringLiteral("../data/shaders/other"));
        QCOMPARE(s.rendererName, QStringLiteral("OpenGL 4"));
        QCOMPARE(s.textureFilter, QStringLiteral("Trilinear"));
        QCOMPARE(s.msaa, QStringLiteral("Off"));
        QCOMPARE(s.shadowMapSize, 4096);
        QCOMPARE(s.shadowMapSamples, 2.5f);
        QCOMPARE(s.vsync, 0);
        QCOMPARE(s.showShadows, true);
        QCOMPARE(s.showTankInfo, false);
        QCOMPARE(s.showGrid, true);
        QCOMPARE(s.showHangar, false);
        QCOMPARE(s.showRenderInfo, true);
        QCOMPARE(s.disableTranslate, true);
        QCOMPARE(s.sceneSet, QStringLiteral("basic"));
        QCOMPARE(s.lighting, QStringLiteral("disabled"));
        QCOMPARE(s.viewportColor, QColor(1, 2, 3, 4));
        QCOMPARE(s.ambientLight, -5);
        QCOMPARE(s.screenshotAlpha, true);
        QCOMPARE(s.screenshotTimeStamp, false);
        QCOMPARE(s.mouseInvertX, false);
        QCOMPARE(s.mouseInvertY, true);
        QCOMPARE(s.overwriteTextures, true);
        QCOMPARE(s.verticalTabs, true);
        QCOMPARE(s.nativeFileDialog, false);
    }

    void nativeFileDialogChoiceReachesTheChoosers()
    {
        QVERIFY(
            writeFile(settingsPath(), settingsXml("<NativeFileDialog>false</NativeFileDialog>")));
        Settings settings;
        QList<bool> native;
        setFileChooserHandler([&](const FileChooserRequest &request) {
            native.append(request.native);
            return QString();
        });
        chooseOpenFile(nullptr, QString(), QString(), QString(), {});
        settings.setNativeFileDialog(true);
        chooseDirectory(nullptr, QString(), QString(), {});
        setFileChooserHandler({});
        QCOMPARE(native, (QList<bool> {false, true}));
    }

    void sampleSettingsScriptWritesTheProgramsDefaults()
    {
        const QString sample = mRoot->filePath(QStringLiteral("sample"));
        makeGame(QStringLiteral("sample/Brastel"));
        QVERIFY(QDir().mkpath(sample + QStringLiteral("/mod")));

        QProcess python;
        python.start(QStringLiteral("python3"),
                     {QStringLiteral(HULLSCOPE_TOOLS_DIR "/samplegame/write_settings.py"),
                      settingsPath(), sample});
        QVERIFY(python.waitForFinished(60000));
        QCOMPARE(python.exitCode(), 0);
        const QByteArray written = readAll(settingsPath());

        const QString gamePath = QDir(sample).absoluteFilePath(QStringLiteral("Brastel"));
        const QString modPath = QDir(sample).absoluteFilePath(QStringLiteral("mod"));
        {
            Settings settings;
            QVERIFY(!settings.firstRun);
            QVERIFY(mBoxes.isEmpty());
            QCOMPARE(settings.brastelPath, gamePath);
            QCOMPARE(settings.modPath, modPath);
            QVERIFY(settings.brastelPathValid);
            verifyDefaultsExceptPaths(settings);

            // Saved again unchanged, the program writes the very same bytes.
            settings.saveSettings();
            QCOMPARE(readAll(settingsPath()), written);
        }

        // And the first-run file differs from it only in the two paths.
        QVERIFY(QFile::remove(settingsPath()));
        {
            Settings defaults;
            QVERIFY(defaults.firstRun);
        }
        QByteArray expected = written;
        expected.replace("<BrastelPath>" + gamePath.toUtf8() + "</BrastelPath>",
                         "<BrastelPath>c:\\Games\\Brastel</BrastelPath>");
        expected.replace("<ModPath>" + modPath.toUtf8() + "</ModPath>", "<ModPath></ModPath>");
        QCOMPARE(readAll(settingsPath()), expected);
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
