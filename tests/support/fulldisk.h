#pragma once

// A small tmpfs mounted over a folder and filled to the last page, so that writes there
// fail for real as on a full disk. Mounting needs root (CI runs as root); elsewhere
// HULLSCOPE_REQUIRE_FULL_DISK skips the test, which CTest shows as a skip.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtTest>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

class FullDisk
{
public:
    // Mounts size KiB of tmpfs over folder (made when missing); what the folder held is
    // hidden until the disk goes. Fill it with fill() once the test's old files are in.
    explicit FullDisk(const QString &folder, int kib = 64)
        : mFolder(folder)
    {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(kib) + 'k';
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData())
            != 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        mMounted = true;
    }

    ~FullDisk()
    {
        if (mMounted) {
            ::umount2(QFile::encodeName(mFolder).constData(), MNT_DETACH);
        }
    }

    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    bool mounted() const { return mMounted; }

    // Writes a filler file until the file system refuses another byte.
    void fill()
    {
        QFile filler(mFolder + QStringLiteral("/.filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return;
        }
        const QByteArray page(4096, '\0');
        while (filler.write(page) == page.size()) { }
        filler.write(page.left(1));
    }

    QString error;

private:
    QString mFolder;
    bool mMounted = false;
};

#define HULLSCOPE_REQUIRE_FULL_DISK(disk)                                                          \
    do {                                                                                           \
        if (!(disk).mounted()) {                                                                   \
            QSKIP(qPrintable(QStringLiteral("Cannot mount a small tmpfs (needs root): ")           \
                             + (disk).error));                                                     \
        }                                                                                          \
    } while (false)
