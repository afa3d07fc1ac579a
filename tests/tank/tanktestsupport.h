#pragma once

#include "tank/tankloader.h"

#include "gamedata/moreadercached.h"
#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include "support/servicestack.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

inline const QString SAMPLE = QStringLiteral(HULLSCOPE_SAMPLE_GAME_DIR);

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

// Fills a program tree's data folder for a view on the sample game: the game's lists,
// the program's own textures and settings that point at the sample.
inline bool fillSampleData(const QString &data)
{
    for (const QString &file : {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg")}) {
        if (!QFile::copy(SAMPLE + QStringLiteral("/data/") + file, data + file)) {
            return false;
        }
    }
    for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
        if (!QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file, data + file)) {
            return false;
        }
    }
    return QProcess::execute(QStringLiteral("python3"),
                             {QStringLiteral(HULLSCOPE_TOOLS_DIR "/samplegame/write_settings.py"),
                              data + QStringLiteral("settings.cfg"), SAMPLE})
           == 0;
}

// The services the tank loader works with, on the sample game, from a temporary
// program tree (the settings file is found through the working folder).
class TankServices
{
public:
    TankServices()
    {
        mOldCwd = QDir::currentPath();
        QDir().mkpath(mTemp.filePath(QStringLiteral("bin")));
        QDir::setCurrent(mTemp.filePath(QStringLiteral("bin")));
        const QString data = mTemp.filePath(QStringLiteral("data"));
        QDir().mkpath(data);
        QFile::copy(SAMPLE + QStringLiteral("/data/resources.cfg"),
                    data + QStringLiteral("/resources.cfg"));
        writeFile(data + QStringLiteral("/settings.cfg"),
                  "<Settings><Version>1</Version><Paths><BrastelPath>none</BrastelPath>"
                  "</Paths></Settings>");
        mServices = std::make_unique<
            ServiceStack<Log, MoReaderCached, FileManager, Settings, TankLoader>>();
        Settings::instance()->modPath = modPath();
        useGame(SAMPLE + QStringLiteral("/Brastel"));
    }

    ~TankServices()
    {
        mServices.reset();
        QDir::setCurrent(mOldCwd);
    }

    void useGame(const QString &game)
    {
        Settings::instance()->brastelPath = game;
        Settings::instance()->brastelPathValid = true;
        FileManager::instance()->loadZipFiles();
    }

    QString path(const QString &name) const { return mTemp.filePath(name); }
    QString modPath() const { return mTemp.filePath(QStringLiteral("mod")); }

private:
    QTemporaryDir mTemp;
    QString mOldCwd;
    std::unique_ptr<ServiceStack<Log, MoReaderCached, FileManager, Settings, TankLoader>> mServices;
};

// A game file read the way the loader reads it; also says whether it was packed.
inline QDomDocument readGameXml(const QString &name, bool *packed = nullptr)
{
    const std::unique_ptr<QBuffer> buffer(FileManager::instance()->openFile(name));
    if (!buffer) {
        return QDomDocument();
    }
    int plain = 0;
    const QDomDocument document = PackedXmlReader::parse(buffer->data(), name, &plain);
    if (packed) {
        *packed = plain == 0;
    }
    return document;
}

// The sample definitions, by model folder, and their nations.
inline QString sampleDefinition(const QString &nation, const QString &model)
{
    return QStringLiteral("scripts/item_defs/vehicles/%1/%2.xml").arg(nation, model.toLower());
}

inline QString sampleGuns(const QString &nation)
{
    return QStringLiteral("scripts/item_defs/vehicles/%1/components/guns.xml").arg(nation);
}

// Plain XML text of a document, and the same packed by the project's writer.
inline QDomDocument asPlain(const QDomDocument &document)
{
    return PackedXmlReader::parse(document.toByteArray(), QStringLiteral("plain.xml"));
}
