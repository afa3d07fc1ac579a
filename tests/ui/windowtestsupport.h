#pragma once

// The main window on the small sample game for GUI tests: a program tree of its own,
// the services, the scene and the window shown at screen size, every box recorded and
// answered from a queue (Ok when it is empty), and URLs handed to the desktop caught.

#include "ui/mainapplication.h"
#include "ui/mainwindow.h"

#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "render/offscreengl.h"
#include "render/renderwidget.h"
#include "render/viewtestsupport.h"

#include "core/dialogs.h"
#include "core/log.h"
#include "core/settings.h"

#include "tank/tanktestsupport.h"

#include <QDesktopServices>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

// Catches the URLs the window hands to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class WindowFixture
{
public:
    std::unique_ptr<TankScene> scene;
    std::unique_ptr<MainWindow> window;
    QList<MessageBoxRequest> boxes;
    QList<int> answers;
    UrlCatcher urls;
    QTemporaryDir mod;

    // Sees each box as it is recorded, before it is answered.
    std::function<void(const MessageBoxRequest &)> onBox;

    // After HULLSCOPE_REQUIRE_OFFSCREEN_GL; false when the window did not come up.
    bool start()
    {
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            boxes.append(request);
            if (onBox) {
                onBox(request);
            }
            return answers.isEmpty() ? int(QMessageBox::Ok) : answers.takeFirst();
        });
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls, "open");
        Settings::instance()->modPath = mod.path();
        return open();
    }

    // A new scene and window in place of the old ones, which go first.
    bool open()
    {
        window.reset();
        scene = std::make_unique<TankScene>();
        window = std::make_unique<MainWindow>(*scene);
        // No window manager maximises it under Xvfb.
        window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        return QTest::qWaitForWindowExposed(window.get()) && view()->initialised;
    }

    void stop()
    {
        window.reset();
        scene.reset();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        setMessageBoxHandler({});
    }

    Ui_MainWindow &ui() { return window->ui; }
    RenderWidget *view() { return window->ui.mRenderWidget; }
    TankLoader *loader() { return TankLoader::instance(); }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const MessageBoxRequest &box : boxes) {
            texts.append(box.text);
        }
        return texts;
    }

    // Makes the named row of the tank list current; false when it is not listed.
    bool select(const QString &name)
    {
        QListView *list = ui().mTankListView;
        const QAbstractItemModel *model = list->model();
        const QModelIndexList hits =
            model->match(model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        if (hits.isEmpty()) {
            return false;
        }
        list->setCurrentIndex(hits.first());
        return true;
    }

    bool load(const QString &name)
    {
        if (!select(name)) {
            return false;
        }
        window->loadTank();
        return loader()->loaded && loader()->tankName == name;
    }

    // As the user loads: the row made current, then a click on Load.
    bool loadWithButton(const QString &name)
    {
        if (!select(name)) {
            return false;
        }
        QTest::mouseClick(ui().pushButton, Qt::LeftButton);
        return loader()->loaded && loader()->tankName == name;
    }

    bool waitFrames(int frames)
    {
        const qint64 start = view()->framesDrawn;
        view()->update();
        return QTest::qWaitFor([&]() { return view()->framesDrawn >= start + frames; }, 30000);
    }

    static int logCount(const QString &text, int level = Info)
    {
        return Log::instance()->text(level).count(text);
    }
};

// In initTestCase, before the window starts: skips without an OpenGL 3.2 core context,
// which the window's view needs; the probe's context is gone again afterwards.
#define HULLSCOPE_REQUIRE_WINDOW_GL()                                                              \
    do {                                                                                           \
        std::unique_ptr<QOpenGLContext> probeContext;                                              \
        std::unique_ptr<QOffscreenSurface> probeSurface;                                           \
        QOpenGLFunctions_3_2_Core *probeGl = nullptr;                                              \
        HULLSCOPE_REQUIRE_OFFSCREEN_GL(probeContext, probeSurface, probeGl);                       \
        probeContext.reset();                                                                      \
    } while (false)

// The program tree, the application and its services, then the test object; what
// main returns.
template <typename TestClass> int runWindowTest(int argc, char **argv)
{
    ViewTestTree tree;
    const QString data = tree.path() + QStringLiteral("/data/");
    if (!tree.ready() || !fillSampleData(data)
        || !QFile::copy(SAMPLE + QStringLiteral("/data/garages.cfg"), data + "garages.cfg")) {
        qCritical("cannot make the program tree");
        return 1;
    }
    MainApplication app(argc, argv);
    app.init();
    Settings::instance()->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

#define HULLSCOPE_WINDOW_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return runWindowTest<TestClass>(argc, argv);                                               \
    }
