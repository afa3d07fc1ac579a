#include "ui/startup.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "tank/tankscene.h"
#include "ui/mainapplication.h"
#include "ui/mainwindow.h"

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

    // Declared before the window, whose view still calls it while it dies.
    TankScene scene;
    std::unique_ptr<MainWindow> window;
    if (!fatalErrorPending && Settings::instance()) {
        // Shows itself while it is built; the view's initialisation runs then.
        window = std::make_unique<MainWindow>(scene);
        window->show();
        if (hooks.afterWindow) {
            hooks.afterWindow(*app, *window);
        }
    }
    const bool windowShown = window != nullptr;

    auto shutDown = [&]() {
        window.reset();
        translator.reset();
        app.reset();
    };

    if (fatalErrorPending) {
        // The window's own start-up may have queued them (no tank list): it goes
        // before the box.
        window.reset();
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
    if (window) {
        window->removeShortcutActions();
    }
    shutDown();
    return result;
}
