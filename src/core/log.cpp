#include "core/log.h"

#include "core/constants.h"
#include "core/fatalerror.h"
#include "core/sysinfo.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QThread>

namespace {

QTime (*logClock)() = nullptr;

QTime now()
{
    return logClock ? logClock() : QTime::currentTime();
}

QString levelPrefix(int level)
{
    switch (level) {
    case Warning: return QStringLiteral("[ Warning ] ");
    case Error: return QStringLiteral("[ Error ] ");
    default: return QStringLiteral("[ Info ] ");
    }
}

} // namespace

Log::Log()
{
    const QString dataDir = userDataDir();
    filePath = QDir::toNativeSeparators(dataDir + QStringLiteral("/Hullscope.log"));
    file = new QFile(filePath);

    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        // mkdir also fails when the folder exists already; only a folder that is
        // still missing afterwards is a failure to create it.
        QDir().mkdir(dataDir);
        if (!QFileInfo(dataDir).isDir()) {
            queueFatalError(QObject::tr("Could not create user directory,this is most likely a "
                                        "permissions issue.\nPlease check that you have "
                                        "sufficient write access to: ")
                            + dataDir);
        }
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            queueFatalError(QObject::tr("Could not open log file,this is most likely a "
                                        "permissions issue.\nPlease check that you have "
                                        "sufficient write access to: ")
                            + dataDir);
        }
    }

    write(QStringLiteral("OS Version: ") + osVersionName(), Info);
    write(QStringLiteral("Hullscope Version: ") + APP_VERSION + QLatin1Char(' ')
              + architectureName(),
          Info);
    write(QStringLiteral("Cpu Count: ") + QString::number(QThread::idealThreadCount()), Info);
    write(QStringLiteral("QT Version: ") + qtVersionString(), Info);
    write(QStringLiteral("Local Language: ") + QLocale::system().name(), Info);
}

Log::~Log()
{
    write(QStringLiteral("Log shutting down."), Info);
    if (file->isOpen()) {
        file->flush();
        file->close();
    }
    delete file;
    file = nullptr;
}

void Log::write(const QString &text, int level)
{
    const QTime time = now();
    const QString line = levelPrefix(level) + text + QStringLiteral("\r\n");

    if (file && file->isOpen()) {
        const QString stamp = QString::number(time.hour()) + QLatin1Char(':')
                              + QString::number(time.minute()) + QLatin1Char(':')
                              + QString::number(time.second());
        // Binary mode: the lines carry their own CR LF on every platform.
        file->write((stamp + line).toUtf8());
    }

    allText += line;
    linesByLevel[level].append(line);

    emit logChanged();
    if (file && file->isOpen()) {
        file->flush();
    }
}

QString Log::text(int level) const
{
    return linesByLevel.value(level).join(QString());
}

void Log::setClockForTesting(QTime (*clock)())
{
    logClock = clock;
}

void logLine(const QString &text, int level)
{
    if (Log *log = Log::instance()) {
        log->write(text, level);
    }
}
