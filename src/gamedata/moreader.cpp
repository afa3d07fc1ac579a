#include "gamedata/moreader.h"

#include "core/log.h"

#include <QDebug>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {
constexpr quint32 MO_MAGIC = 0x950412DE;
constexpr quint32 MO_MAGIC_SWAPPED = 0xDE120495;
constexpr qint64 MO_HEADER_SIZE = 28;

QString hex(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

void warn(const QString &source, const QString &text)
{
    logLine(QStringLiteral("MoReader: ")
                + (source.isEmpty() ? QString() : source + QStringLiteral(": ")) + text,
            Warning);
}

// A table of the header must lie inside the file.
bool tableInside(const QString &source, const char *name, qint64 offset, qint64 bytes, qint64 size)
{
    if (offset + bytes <= size) {
        return true;
    }
    warn(source, QStringLiteral("%1 at %2 needs %3 bytes, %4 remain in the file of %5 bytes")
                     .arg(QLatin1String(name), hex(offset))
                     .arg(bytes)
                     .arg(std::max<qint64>(0, size - offset))
                     .arg(size));
    return false;
}

} // namespace

quint32 MoReader::word(qint64 offset) const
{
    if (offset < 0 || offset > qint64(data.size()) - 4) {
        return 0;
    }
    const char *p = data.constData() + offset;
    return byteSwapped ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
}

void MoReader::clear()
{
    data.clear();
    messageIds.clear();
    byteSwapped = false;
    stringCount = originalsOffset = translationsOffset = hashSize = hashOffset = 0;
}

bool MoReader::load(const QString &path)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug().noquote() << "Failed to open file: " + path;
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    return loadData(bytes, path);
}

bool MoReader::loadData(const QByteArray &bytes, const QString &source)
{
    clear();
    data = bytes;
    quint32 magic = 0;
    if (data.size() >= 4) {
        magic = qFromLittleEndian<quint32>(data.constData());
    }
    if (magic == MO_MAGIC) {
        byteSwapped = false;
    } else if (magic == MO_MAGIC_SWAPPED) {
        byteSwapped = true;
    } else {
        qDebug() << "Magic failed.";
        clear();
        return false;
    }
    if (data.size() < MO_HEADER_SIZE) {
        warn(source, QStringLiteral("header needs %1 bytes, the file holds %2")
                         .arg(MO_HEADER_SIZE)
                         .arg(data.size()));
        clear();
        return false;
    }
    stringCount = word(8);
    originalsOffset = word(12);
    translationsOffset = word(16);
    hashSize = word(20);
    hashOffset = word(24);
    if (hashSize == 0) {
        qDebug() << "Hash table empty.";
        clear();
        return false;
    }
    const qint64 size = data.size();
    if (!tableInside(source, "message-id table", originalsOffset, 8 * qint64(stringCount), size)
        || !tableInside(source, "translation table", translationsOffset, 8 * qint64(stringCount),
                        size)
        || !tableInside(source, "hash table", hashOffset, 4 * qint64(hashSize), size)) {
        clear();
        return false;
    }
    for (quint32 i = 1; i < stringCount; ++i) {
        messageIds.append(originalString(int(i)));
    }
    return true;
}

QString MoReader::stringAt(quint32 table, int i) const
{
    if (i < 0 || quint32(i) >= stringCount) {
        return QString();
    }
    const quint32 offset = word(qint64(table) + 8 * qint64(i) + 4);
    if (offset >= quint32(data.size())) {
        return QString();
    }
    const char *start = data.constData() + offset;
    const qint64 rest = data.size() - qint64(offset);
    const void *zero = std::memchr(start, 0, size_t(rest));
    const qint64 n = zero ? static_cast<const char *>(zero) - start : rest;
    return QString::fromUtf8(start, int(n));
}

QString MoReader::originalString(int i) const
{
    return stringAt(originalsOffset, i);
}

QString MoReader::translatedString(int i) const
{
    return stringAt(translationsOffset, i);
}

quint32 MoReader::hashString(const QByteArray &utf8)
{
    quint32 h = 0;
    for (const char ch : utf8) {
        h = (h << 4) + quint8(ch);
        const quint32 g = h & 0xF0000000u;
        if (g != 0) {
            h = h ^ (g >> 24) ^ g;
        }
    }
    return h;
}

int MoReader::lookup(const QString &messageId) const
{
    if (hashSize == 0) {
        return -1;
    }
    const quint32 h = hashString(messageId.toUtf8());
    const quint32 first = h % hashSize;
    // Two slots would make the probe step divide by zero.
    const quint32 step = hashSize <= 2 ? 1 : 1 + h % (hashSize - 2);
    quint32 idx = first;
    do {
        const quint32 e = word(qint64(hashOffset) + 4 * qint64(idx));
        if (e == 0) {
            return -1;
        }
        if (e - 1 < stringCount
            && originalString(int(e - 1)).compare(messageId, Qt::CaseInsensitive) == 0) {
            return int(e - 1);
        }
        idx = quint32((quint64(idx) + step) % hashSize);
    } while (idx != first);
    return -1;
}

QString MoReader::translate(const QString &messageId) const
{
    const int i = lookup(messageId);
    if (i >= 0) {
        return translatedString(i);
    }
    logLine(QStringLiteral("Could not translate: ") + messageId, Warning);
    return messageId;
}
