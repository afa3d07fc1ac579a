#pragma once

#include "core/singleton.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class MoReader;

// Resolves "#catalogue:id" references, keeping the last catalogue in memory.
class MoReaderCached : public QObject, public Singleton<MoReaderCached>
{
    Q_OBJECT
public:
    MoReaderCached();
    ~MoReaderCached() override;

    QString translate(const QString &reference);
    QStringList splitReference(const QString &reference) const;

    // The game folder the catalogues live under: the settings' game path, read
    // at each reference so that a new path takes effect at once. Without a
    // settings service (tools, tests) the folder given here is used.
    void setGamePath(const QString &path) { gamePath = path; }
    QString gameFolder() const;

    QString currentPath;
    MoReader *reader = nullptr;
    QString gamePath;
    // Catalogues that failed to load, not read again until the game folder
    // (failedFolder) changes.
    QSet<QString> failedPaths;
    QString failedFolder;

private:
    Q_DISABLE_COPY(MoReaderCached)
};
