#include "core/fatalerror.h"

#include "core/constants.h"
#include "core/dialogs.h"

#include <QCoreApplication>
#include <QObject>

bool eventLoopRunning = false;
bool fatalErrorPending = false;
QString pendingFatalError;

namespace {
bool quitRequestedBeforeLoop = false;
}

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
}
