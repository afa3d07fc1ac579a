#include "ui/startup.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "render/renderwidget.h"
#include "tank/tankscene.h"
#include "ui/mainapplication.h"

#include <QDir>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator> loadTranslator()
{
    auto translator = std::make_unique<QTranslator>();
    const QString prefix = LANGUAGES_DIR + QStringLiteral("Hullscope_");
    // QTranslator::load adds ".qm" and cuts the name back at each "_" or ".".
    if (translator->load(prefix + QLocale::system().name())) {
        return translator;
    }
    const QString country = QLocale::territoryToCode(QLocale::system().territory());
    if (!country.isEmpty() && translator->load(prefix + country.toLower())) {
        return translator;
    }
    return nullptr;
}

} // namespace

int runHullscope(int &argc, char **argv, const StartupHooks &hooks)
{
    platform::keepFreedMemoryForReuse();
    // Qt 6 is UTF-8 throughout, for the locale, tr() and literals alike.
    auto app = std::make_unique<MainApplication>(argc, argv);
    QObject::connect(app.get(), &QGuiApplication::lastWindowClosed, app.get(),
                     &QCoreApplication::quit);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QCoreApplication::setApplicationName(APP_NAME);
    QCoreApplication::setApplicationVersion(APP_VERSION);

    std::unique_ptr<QTranslator> translator = loadTranslator();
    if (translator) {
        QCoreApplication::installTranslator(translator.get());
    }

    app->init();
    if (hooks.afterInit) {
        hooks.afterInit(*app);
    }

    // Until the main window exists, the bare view stands in for it when the real
    // event loop is to run; showing it runs initializeGL, whose fatal errors end
    // start-up below.
    // Declared before the view, whose destructor still calls it.
    TankScene scene;
    std::unique_ptr<RenderWidget> view;
    if (!hooks.runEventLoop && !fatalErrorPending && Settings::instance()) {
        const Settings *settings = Settings::instance();
        QSurfaceFormat::setDefaultFormat(viewSurfaceFormat(settings->msaa, settings->vsync));
        view = std::make_unique<RenderWidget>();
        view->setSceneHooks(&scene);
        view->setWindowTitle(APP_NAME);
        // The camera dock echoes the angles and the target back to the view; without
        // the dock the view listens to itself.
        RenderWidget *v = view.get();
        QObject::connect(v, &RenderWidget::cameraRotationXChanged, v,
                         &RenderWidget::setcameraRotationX);
        QObject::connect(v, &RenderWidget::cameraRotationYChanged, v,
                         &RenderWidget::setcameraRotationY);
        QObject::connect(v, &RenderWidget::cameraRotationZChanged, v,
                         &RenderWidget::setcameraRotationZ);
        QObject::connect(v, &RenderWidget::cameraPositionXChanged, v,
                         &RenderWidget::setcameraPositionX);
        QObject::connect(v, &RenderWidget::cameraPositionYChanged, v,
                         &RenderWidget::setcameraPositionY);
        QObject::connect(v, &RenderWidget::cameraPositionZChanged, v,
                         &RenderWidget::setcameraPositionZ);
        view->resize(1280, 800);
        view->showMaximized();
    }
    const bool windowShown = view != nullptr;

    auto shutDown = [&]() {
        view.reset();
        translator.reset();
        app.reset();
    };

    if (fatalErrorPending) {
        const QString text = takePendingFatalError();
        showCritical(QObject::tr("Fatal Error"), text, QMessageBox::Ok);
        shutDown();
        return 1;
    }
    if (fatalErrorQuitRequested()) {
        shutDown();
        return 1;
    }

    eventLoopRunning = true;
    fatalErrorPending = false;
    int result = 0;
    if (hooks.runEventLoop) {
        result = hooks.runEventLoop(*app);
    } else if (windowShown) {
        result = QCoreApplication::exec();
    }
    shutDown();
    return result;
}
