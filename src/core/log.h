#pragma once

#include "core/singleton.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>

class QFile;

// Passed as an int to Log::write.
enum LogLevel { Info = 0, Warning = 1, Error = 2 };

// The process-wide log: each line goes to Hullscope.log in the data folder
// (rewritten at every start, flushed after every line) and stays in memory for
// the log dock, all lines and per level.
class Log : public QObject, public Singleton<Log>
{
    Q_OBJECT

public:
    Log();
    ~Log() override;

    // Appends one line "h:m:s[ Level ] text\r\n" and emits logChanged().
    void write(const QString &text, int level);
    // The stored lines of one level, oldest first, each with prefix and line end.
    QString text(int level) const;

    // Replaces the clock the time stamps come from; null restores the real one.
    static void setClockForTesting(QTime (*clock)());

    QFile *file = nullptr;
    QMap<int, QStringList> linesByLevel;
    QString allText;
    QString filePath;

signals:
    void logChanged();

private:
    Q_DISABLE_COPY(Log)
};

// Writes one line through the log when it exists; code that runs before the log
// is created, or in tests without one, writes nothing.
void logLine(const QString &text, int level);
