#include "core/fatalerror.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/log.h"

#include <QCoreApplication>
#include <QObject>

bool eventLoopRunning = false;
bool fatalErrorPending = false;
QString pendingFatalError;

namespace {

bool quitRequestedBeforeLoop = false;
bool fatalBoxShown = false;

// The log a user sends must say why the program ended. Most callers log the text
// themselves just before; that line is not written twice.
void logFatalText(const QString &message)
{
    const Log *log = Log::instance();
    if (!log) {
        return;
    }
    if (!log->allText.endsWith(QStringLiteral("[ Error ] ") + message + QStringLiteral("\r\n"))) {
        logLine(message, Error);
    }
}

} // namespace

void queueFatalError(const QString &text)
{
    if (eventLoopRunning) {
        return;
    }
    pendingFatalError += text;
    fatalErrorPending = true;
}

QString takePendingFatalError()
{
    QString text = pendingFatalError;
    pendingFatalError.clear();
    fatalErrorPending = false;
    return text;
}

void fatalError(const QString &message)
{
    logFatalText(message);
    // The program is ending already: one failure often brings more (every shader
    // of a missing folder, say), and each would be one more modal box.
    if (fatalBoxShown) {
        QCoreApplication::quit();
        return;
    }
    // Set before the box runs: its own event loop may deliver the next failure.
    fatalBoxShown = true;

    MessageBoxRequest request;
    request.icon = QMessageBox::Critical;
    request.title = APP_NAME;
    request.text = message + QObject::tr("\nApplication will now close.");
    request.buttons = QMessageBox::Ok;
    request.windowIcon = QStringLiteral(":/icons/Hullscope_ico_32.png");
    runMessageBox(request);

    if (!eventLoopRunning) {
        quitRequestedBeforeLoop = true;
    }
    QCoreApplication::quit();
}

bool fatalErrorQuitRequested()
{
    return quitRequestedBeforeLoop;
}

void resetFatalErrorState()
{
    eventLoopRunning = false;
    fatalErrorPending = false;
    pendingFatalError.clear();
    quitRequestedBeforeLoop = false;
    fatalBoxShown = false;
}
