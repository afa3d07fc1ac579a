#pragma once

#include "core/singleton.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

#include <memory>

namespace internal {
class PathResolver;
}

class QBuffer;
class QFile;
struct zzip_dir;

// Finds game files by their path below the game's resource folder: as the name
// given, in the mod folder, below <game>/res/, then in the open zip packages in
// search order (those of resources.cfg, then the hangar packages added later).
// Every buffer handed out is new, holds the whole file, is open read-only and
// belongs to the caller. Names may use "\" and any letter case.
class FileManager : public QObject, public Singleton<FileManager>
{
    Q_OBJECT

public:
    FileManager();
    ~FileManager() override;

    // The whole lookup; null (and a Warning line) when no source has the file.
    QBuffer *openFile(const QString &name);
    // One loose file, its name matched in any letter case; null when it cannot be read.
    QBuffer *openPlainFile(const QString &path);
    // The packages only; null, without a log line, when none holds the member.
    QBuffer *readFromZips(const QString &name);
    bool fileExistsInZips(const QString &name);
    // The absolute path of the folder that holds the path.
    QString absoluteDirOf(const QString &path);
    // Opens one package and appends it to the search order. A missing file or
    // one that is not a zip gives false (and a Warning line unless quiet).
    bool addArchive(const QString &path, bool quiet);
    // Whether the package that path names (in any letter case) is open already.
    bool isArchiveOpen(const QString &path);
    // Closes every package, the hangar ones included.
    void closeAll();

    // Open packages, in search order.
    QVector<zzip_dir *> archives;
    // The package files, each open for as long as its package, at the same position.
    QVector<QFile *> archiveFiles;

public slots:
    // Closes all packages and opens those that resources.cfg in the data folder names.
    void loadZipFiles();

private:
    // Member names of one package as zziplib's caseless match compares them, so
    // that a package without the member costs one hash look-up.
    using MemberIndex = QSet<QByteArray>;

    static QByteArray memberKey(const QByteArray &name);
    static MemberIndex indexMembers(zzip_dir *dir);
    // Forgets the kept folder listings when the game or mod folder changed.
    void dropListingsOnRootChange(const QString &gamePath, const QString &modPath);

    QVector<MemberIndex> mMemberIndexes;
    std::unique_ptr<internal::PathResolver> mResolver;
    QString mResolverGamePath;
    QString mResolverModPath;

    Q_DISABLE_COPY(FileManager)
};
