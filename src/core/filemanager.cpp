#include "core/filemanager.h"

#include "core/constants.h"
#include "core/fatalerror.h"
#include "core/internal/pathresolver.h"
#include "core/log.h"
#include "core/settings.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

#include <zzip/zzip.h>

#include <unistd.h>

namespace {

QBuffer *bufferOf(const QByteArray &bytes)
{
    auto *buffer = new QBuffer;
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

QByteArray zipName(const QString &name)
{
    QString slashed = name;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return slashed.toLocal8Bit();
}

// Only regular files are opened: open() of a named pipe blocks until a writer
// comes, and reading a device may never end.
bool isSpecialFile(const QFileInfo &info)
{
    return info.exists() && !info.isFile() && !info.isDir();
}

// The first allocation for a member; the buffer grows only as bytes arrive, so a
// size field that lies cannot make us reserve more than this up front.
constexpr qint64 firstChunk = 16 * 1024 * 1024;

} // namespace

FileManager::FileManager()
    : mResolver(std::make_unique<internal::PathResolver>())
{
}

FileManager::~FileManager()
{
    closeAll();
}

QBuffer *FileManager::openFile(const QString &name)
{
    QString gamePath;
    QString modPath;
    bool gamePathValid = false;
    if (Settings *settings = Settings::instance()) {
        gamePath = QDir::toNativeSeparators(settings->brastelPath);
        modPath = QDir::toNativeSeparators(settings->modPath);
        gamePathValid = settings->brastelPathValid;
    }
    dropListingsOnRootChange(gamePath, modPath);

    if (QBuffer *buffer = openPlainFile(name)) {
        return buffer;
    }
    // Without a mod or game folder these names would fall to the root of the file system.
    if (!modPath.isEmpty()) {
        if (QBuffer *buffer = openPlainFile(modPath + QDir::separator() + name)) {
            return buffer;
        }
    }
    if (!gamePath.isEmpty() && gamePathValid) {
        if (QBuffer *buffer = openPlainFile(gamePath + RES_DIR + name)) {
            return buffer;
        }
    }
    if (QBuffer *buffer = readFromZips(QDir::toNativeSeparators(name))) {
        return buffer;
    }
    logLine(QStringLiteral("Could not open file: ") + name, Warning);
    return nullptr;
}

QBuffer *FileManager::openPlainFile(const QString &path)
{
    const QString resolved = mResolver->resolve(QDir::toNativeSeparators(path));
    if (resolved.isEmpty()) {
        return nullptr;
    }
    const QFileInfo info(resolved);
    if (isSpecialFile(info)) {
        logLine(QStringLiteral("Not a regular file, skipped: ") + resolved, Warning);
        return nullptr;
    }
    QFile file(resolved);
    // One read into a buffer of the file's size: no staging copy through QFile's own.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return nullptr;
    }
    QByteArray bytes(qsizetype(file.size()), Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), bytes.size());
    bytes.resize(qMax<qint64>(got, 0));
    file.close();
    return bufferOf(bytes);
}

QBuffer *FileManager::readFromZips(const QString &name)
{
    const QByteArray local = zipName(name);
    const QByteArray key = memberKey(local);
    for (int i = 0; i < archives.size(); ++i) {
        if (!mMemberIndexes.at(i).contains(key)) {
            continue;
        }
        ZZIP_FILE *member = zzip_file_open(archives.at(i), local.constData(), ZZIP_CASELESS);
        if (!member) {
            // Listed but not readable here (an unsupported method, say): the next package may be.
            continue;
        }

        // The directory entry's size, the same that seeking to the end reports,
        // without inflating the member twice.
        ZZIP_STAT stat;
        if (zzip_fstat(member, &stat) != 0 || stat.st_size < 0) {
            zzip_file_close(member);
            logLine(QStringLiteral("Could not read the size of ") + name + QStringLiteral(" in ")
                        + archiveFiles.at(i)->fileName(),
                    Warning);
            return nullptr;
        }
        const qint64 size = stat.st_size;

        // Sized exactly: resize() of an empty array reserves twice the size, and a
        // 64 KiB member's 128 KiB buffer sits at malloc's mmap and trim limits, where
        // the heap's layout (after a reload, say) decides whether every read gets
        // fresh pages and pays a page fault for each.
        QByteArray bytes(qsizetype(qMin(size, firstChunk)), Qt::Uninitialized);
        qint64 total = 0;
        while (total < size) {
            if (total == bytes.size()) {
                bytes.resize(qMin(size, qint64(bytes.size()) * 2));
            }
            const zzip_ssize_t got =
                zzip_file_read(member, bytes.data() + total, zzip_size_t(bytes.size() - total));
            if (got <= 0) {
                break;
            }
            total += got;
        }
        bytes.resize(total);
        zzip_file_close(member);

        if (total != size) {
            fatalError(QStringLiteral("Size mismatch"));
        }
        return bufferOf(bytes);
    }
    return nullptr;
}

bool FileManager::fileExistsInZips(const QString &name)
{
    const QByteArray local = zipName(name);
    const QByteArray key = memberKey(local);
    for (int i = 0; i < archives.size(); ++i) {
        if (!mMemberIndexes.at(i).contains(key)) {
            continue;
        }
        if (ZZIP_FILE *member = zzip_file_open(archives.at(i), local.constData(), ZZIP_CASELESS)) {
            zzip_file_close(member);
            return true;
        }
    }
    return false;
}

QString FileManager::absoluteDirOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

bool FileManager::addArchive(const QString &path, bool quiet)
{
    const QString resolved = mResolver->resolve(path);
    if (resolved.isEmpty()) {
        if (!quiet) {
            logLine(QStringLiteral("Failed to add archive: ") + path, Warning);
        }
        return false;
    }

    if (!QFileInfo(resolved).isFile()) {
        logLine(QStringLiteral("Failed to add archive: ") + path
                    + QStringLiteral(" (not a regular file)"),
                Warning);
        return false;
    }

    auto *file = new QFile(resolved);
    ZZIP_DIR *dir = nullptr;
    if (file->open(QIODevice::ReadOnly)) {
        // zziplib closes the descriptor it is given, when it fails as well as in
        // zzip_dir_close(); it gets its own, and the QFile keeps its one.
        const int fd = ::dup(file->handle());
        if (fd >= 0) {
            zzip_error_t error = ZZIP_NO_ERROR;
            dir = zzip_dir_fdopen(fd, &error);
        }
    }
    if (!dir) {
        file->close();
        delete file;
        logLine(QStringLiteral("Failed to add archive: ") + path, Warning);
        return false;
    }

    archives.append(dir);
    archiveFiles.append(file);
    mMemberIndexes.append(indexMembers(dir));
    logLine(QStringLiteral("Adding file archive: ") + path, Info);
    return true;
}

bool FileManager::isArchiveOpen(const QString &path)
{
    const QString resolved = mResolver->resolve(path);
    if (resolved.isEmpty()) {
        return false;
    }
    // Compared as canonical paths: "..", "." and links name the same package.
    const QString wanted = QFileInfo(resolved).canonicalFilePath();
    for (const QFile *file : qAsConst(archiveFiles)) {
        if (QFileInfo(file->fileName()).canonicalFilePath() == wanted) {
            return true;
        }
    }
    return false;
}

void FileManager::closeAll()
{
    for (ZZIP_DIR *dir : qAsConst(archives)) {
        zzip_dir_close(dir);
    }
    archives.clear();
    mMemberIndexes.clear();
    for (QFile *file : qAsConst(archiveFiles)) {
        file->close();
        delete file;
    }
    archiveFiles.clear();
}

void FileManager::loadZipFiles()
{
    logLine(QStringLiteral("Loading zip archives."), Info);
    closeAll();

    QString gamePath;
    if (Settings *settings = Settings::instance()) {
        gamePath = settings->brastelPath;
    }
    dropListingsOnRootChange(
        QDir::toNativeSeparators(gamePath),
        Settings::instance() ? QDir::toNativeSeparators(Settings::instance()->modPath) : QString());

    QFile file(DATA_DIR + QStringLiteral("resources.cfg"));
    if (!file.open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Could not open resource file."), Error);
        return;
    }
    QDomDocument document;
    if (!document.setContent(&file)) {
        logLine(QStringLiteral("Could not set XML content."), Error);
        file.close();
        return;
    }
    file.close();
    if (gamePath.isEmpty()) {
        // No game folder: the package paths would name the root of the file system.
        return;
    }

    const QDomNodeList zips = document.elementsByTagName(ZIP_TAG);
    for (int i = 0; i < zips.size(); ++i) {
        addArchive(
            QDir::toNativeSeparators(gamePath + PACKAGES_DIR + zips.at(i).toElement().text()),
            false);
    }
}

QByteArray FileManager::memberKey(const QByteArray &name)
{
    // zziplib's caseless match folds ASCII letters only and reads "\" as "/".
    QByteArray key = name;
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        } else if (c == '\\') {
            c = '/';
        }
    }
    return key;
}

FileManager::MemberIndex FileManager::indexMembers(ZZIP_DIR *dir)
{
    MemberIndex index;
    zzip_rewinddir(dir);
    while (ZZIP_DIRENT *entry = zzip_readdir(dir)) {
        if (entry->d_name) {
            index.insert(memberKey(QByteArray(entry->d_name)));
        }
    }
    zzip_rewinddir(dir);
    return index;
}

void FileManager::dropListingsOnRootChange(const QString &gamePath, const QString &modPath)
{
    if (gamePath != mResolverGamePath || modPath != mResolverModPath) {
        mResolver->clear();
        mResolverGamePath = gamePath;
        mResolverModPath = modPath;
    }
}
