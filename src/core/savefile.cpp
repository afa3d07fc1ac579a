#include "core/savefile.h"

#include "core/log.h"

#include <QDir>
#include <QSaveFile>

namespace {

QString cleanFolder(const QString &folder)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

bool fail(const QString &reason, QString *error)
{
    logLine(reason, Warning);
    if (error) {
        *error = reason;
    }
    return false;
}

} // namespace

bool saveFileBytes(const QString &path, const QByteArray &bytes, QString *error, bool *openFailed)
{
    const QString name = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly);
    if (openFailed) {
        *openFailed = !opened;
    }
    if (!opened) {
        return fail(QStringLiteral("Could not open ") + name + QStringLiteral(" for writing: ")
                        + file.errorString(),
                    error);
    }
    // QSaveFile buffers: a full disk shows only at the flush, and commit() would not say.
    if (file.write(bytes) != bytes.size() || !file.flush()
        || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(QStringLiteral("Could not write ") + name + QStringLiteral(": ") + reason,
                    error);
    }
    if (!file.commit()) {
        return fail(QStringLiteral("Could not save ") + name + QStringLiteral(": ")
                        + file.errorString(),
                    error);
    }
    return true;
}

bool isInsideFolder(const QString &folder, const QString &path)
{
    const QString root = cleanFolder(folder);
    if (root.isEmpty()) {
        return false;
    }
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    const QString target = cleanFolder(path);
    return target.size() > prefix.size() && target.startsWith(prefix);
}

QString targetInsideFolder(const QString &folder, const QString &relative)
{
    QString game = QDir::fromNativeSeparators(relative);
    game.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (game.isEmpty() || game.startsWith(QLatin1Char('/')) || QDir::isAbsolutePath(game)) {
        return QString();
    }
    const QString root = cleanFolder(folder);
    if (root.isEmpty()) {
        return QString();
    }
    const QString target = QDir::cleanPath(root + QLatin1Char('/') + game);
    return isInsideFolder(root, target) ? target : QString();
}

bool makeFolderInside(const QString &root, const QString &folder, QString *error)
{
    const QString name = QDir::toNativeSeparators(folder);
    const bool isRoot = !root.isEmpty() && cleanFolder(root) == cleanFolder(folder);
    if (!isRoot && !isInsideFolder(root, folder)) {
        return fail(QStringLiteral("Refusing to create a folder outside the mod folder: ") + name,
                    error);
    }
    if (!QDir().mkpath(folder)) {
        return fail(QStringLiteral("Failed to create directory: ") + name, error);
    }
    return true;
}
