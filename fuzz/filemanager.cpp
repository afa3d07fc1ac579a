// Package bytes opened through FileManager::addArchive, then every member looked up
// and read whole, by its stored name and in the form game paths use.
#include "core/filemanager.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <zzip/zzip.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const QString &packagePath()
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("input.pkg"));
    return path;
}

QList<QByteArray> memberNames(zzip_dir *dir)
{
    QList<QByteArray> names;
    zzip_rewinddir(dir);
    while (ZZIP_DIRENT *entry = zzip_readdir(dir)) {
        if (entry->d_name) {
            names.append(QByteArray(entry->d_name));
        }
    }
    zzip_rewinddir(dir);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // "Size mismatch" is a fatal box; answer it instead of waiting for a click.
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    {
        QFile file(packagePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::abort();
        }
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    resetFatalErrorState();

    FileManager files;
    if (!files.addArchive(packagePath(), true)) {
        return 0;
    }
    for (const QByteArray &stored : memberNames(files.archives.at(0))) {
        const QString name = QString::fromLocal8Bit(stored);
        QString gameForm = name.toUpper();
        gameForm.replace(QLatin1Char('/'), QLatin1Char('\\'));
        for (const QString &lookup : {name, gameForm}) {
            files.fileExistsInZips(lookup);
            std::unique_ptr<QBuffer> buffer(files.readFromZips(lookup));
            if (buffer && (!buffer->isOpen() || buffer->pos() != 0)) {
                std::abort(); // handed out ready to read
            }
            if (buffer) {
                const QByteArray bytes = buffer->readAll();
                volatile char sink = bytes.isEmpty() ? 0 : bytes.at(bytes.size() - 1);
                (void)sink;
            }
        }
    }
    files.readFromZips(QStringLiteral("no/such/member.xml"));
    return 0;
}
