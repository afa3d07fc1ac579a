#include "ui/startup.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
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

    // The main window takes its place here once it exists.
    const bool windowShown = false;

    auto shutDown = [&]() {
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
