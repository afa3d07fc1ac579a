#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "render/offscreengl.h"
#include "ui/startup.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

// The real start-up, view and event loop included, with a shader folder that does
// not exist: every shader fails, and the user sees one box.
class TestStartupFatalGl : public QObject
{
    Q_OBJECT

private slots:
    void missingShaderFolderShowsOneBox()
    {
        // The tree beside this program holds the sample game's settings.
        const QString root = QFileInfo(QStringLiteral(HULLSCOPE_STARTUP_TREE)).canonicalFilePath();
        const QString settingsPath = root + QStringLiteral("/data/settings.cfg");
        QFile settings(settingsPath);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(settings.readAll());
        settings.close();
        const QString missing = root + QStringLiteral("/no-such-shaders");
        text.replace(QRegularExpression(QStringLiteral("<ShaderDir>[^<]*</ShaderDir>")),
                     QStringLiteral("<ShaderDir>") + missing + QStringLiteral("</ShaderDir>"));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(text.toUtf8());
        settings.close();

        resetFatalErrorState();
        QStringList boxes;
        setMessageBoxHandler([&boxes](const MessageBoxRequest &request) {
            boxes.append(request.text);
            return int(QMessageBox::Ok);
        });
        OffscreenGl gl = OffscreenGl::Failed;
        StartupHooks hooks;
        hooks.afterInit = [&gl](MainApplication &) {
            std::unique_ptr<QOpenGLContext> context;
            std::unique_ptr<QOffscreenSurface> surface;
            QOpenGLFunctions_3_2_Core *functions = nullptr;
            gl = createOffscreenGl(context, surface, functions);
            if (gl != OffscreenGl::Ready) {
                // Without GL the view would never fail, and the loop never end.
                queueFatalError(QStringLiteral("no GL"));
            }
        };
        int argc = 1;
        char name[] = "test_ui_startupfatal_gl";
        char *argv[] = {name, nullptr};
        const int result = runHullscope(argc, argv, hooks);
        setMessageBoxHandler({});
        if (gl == OffscreenGl::NoContext) {
            QSKIP("no OpenGL 3.2 core context");
        }
        QVERIFY2(gl == OffscreenGl::Ready, "OpenGL context not usable");

        QCOMPARE(result, 1);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.at(0).startsWith(QStringLiteral("Failed to open shader: ") + missing));

        // Every failure is in the log, the ones not shown included.
        QFile log(root + QStringLiteral("/data/Hullscope.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logText = QString::fromUtf8(log.readAll());
        QVERIFY(logText.count(QStringLiteral("[ Error ] Failed to open shader: ") + missing) > 10);
        QVERIFY(logText.contains(QStringLiteral("[ Error ] Shader initialization failed.\r\n")));
    }
};

QTEST_APPLESS_MAIN(TestStartupFatalGl)
#include "test_startupfatal_gl.moc"
