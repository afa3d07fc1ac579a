#pragma once

#include "gamedata/moreadercached.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "support/servicestack.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// A program tree of its own (bin/ beside data/ and mod/) whose settings point at a
// generated sample game, with the core services made on it in the program's order and
// the game's packages open. Benchmarks add the services they measure on top.
class SampleGameServices
{
    std::unique_ptr<ServiceStack<Log, MoReaderCached, FileManager, Settings>> mServices;

public:
    // sampleDir is the generator's output folder; dataFiles are copied from its data/.
    explicit SampleGameServices(const QString &sampleDir,
                                const QStringList &dataFiles = {QStringLiteral("resources.cfg")})
        : mSample(sampleDir)
    {
        const QString data = mTemp.filePath(QStringLiteral("data"));
        QDir().mkpath(data);
        QDir().mkpath(mTemp.filePath(QStringLiteral("bin")));
        QDir().mkpath(modPath());
        QDir::setCurrent(mTemp.filePath(QStringLiteral("bin")));
        for (const QString &file : dataFiles) {
            QFile::copy(mSample + QStringLiteral("/data/") + file, data + QLatin1Char('/') + file);
        }
        QFile settings(data + QStringLiteral("/settings.cfg"));
        if (settings.open(QIODevice::WriteOnly)) {
            settings.write("<Settings><Paths><BrastelPath>" + gamePath().toUtf8()
                           + "</BrastelPath><ModPath>" + modPath().toUtf8()
                           + "</ModPath></Paths></Settings>");
        }
        settings.close();
        mServices = std::make_unique<ServiceStack<Log, MoReaderCached, FileManager, Settings>>();
        Settings::instance()->brastelPath = gamePath();
        Settings::instance()->brastelPathValid = valid();
        FileManager::instance()->loadZipFiles();
    }

    ~SampleGameServices() { mServices.reset(); }

    bool valid() const { return QFile::exists(gamePath() + QStringLiteral("/Brastel.exe")); }
    QString gamePath() const { return mSample + QStringLiteral("/Brastel"); }
    QString modPath() const { return mTemp.filePath(QStringLiteral("mod")); }

private:
    QTemporaryDir mTemp;
    QString mSample;

    Q_DISABLE_COPY(SampleGameServices)
};
