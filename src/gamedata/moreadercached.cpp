#include "gamedata/moreadercached.h"

#include "gamedata/moreader.h"

#include "core/settings.h"

#include <QDir>

MoReaderCached::MoReaderCached() = default;

MoReaderCached::~MoReaderCached()
{
    delete reader;
}

QString MoReaderCached::gameFolder() const
{
    const Settings *settings = Settings::instance();
    return settings ? settings->brastelPath : gamePath;
}

QStringList MoReaderCached::splitReference(const QString &reference) const
{
    const QStringList parts = reference.split(QLatin1Char(':'));
    if (parts.size() < 2) {
        return QStringList();
    }
    QString file = parts.at(0);
    file.remove(QLatin1Char('#'));
    const QString path = QDir::toNativeSeparators(
        gameFolder() + QStringLiteral("/res/text/LC_MESSAGES/") + file + QStringLiteral(".mo"));
    return QStringList {path, parts.at(1)};
}

QString MoReaderCached::translate(const QString &reference)
{
    const QStringList parts = splitReference(reference);
    if (parts.isEmpty()) {
        return reference;
    }
    const QString folder = gameFolder();
    if (folder != failedFolder) {
        failedPaths.clear();
        failedFolder = folder;
    }
    if (failedPaths.contains(parts.at(0))) {
        return QString();
    }
    if (parts.at(0) != currentPath || !reader) {
        delete reader;
        reader = new MoReader();
        currentPath.clear();
        if (!reader->load(parts.at(0))) {
            // A damaged catalogue would otherwise be read, and reported, once per reference.
            failedPaths.insert(parts.at(0));
            delete reader;
            reader = nullptr;
            return QString();
        }
        currentPath = parts.at(0);
    }
    return reader->translate(parts.at(1));
}
