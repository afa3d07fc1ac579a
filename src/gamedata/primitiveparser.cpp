#include "gamedata/primitiveparser.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "gamedata/binaryreader.h"

#include <QBuffer>
#include <QtEndian>

namespace {

constexpr quint32 primitivesMagic = 0x42A14E65;
// Larger blocks are refused rather than copied.
constexpr quint32 maxBlockLength = 0x10100000;
constexpr quint32 maxNameLength = 4096;

quint32 wordAt(const QByteArray &bytes, qint64 pos)
{
    return qFromLittleEndian<quint32>(bytes.constData() + pos);
}

qint64 roundUp4(qint64 value)
{
    return (value + 3) & ~qint64(3);
}

QString hex(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

void warn(const QString &text)
{
    logLine(QStringLiteral("PrimitiveParser: ") + text, Warning);
}

} // namespace

PrimitiveParser::~PrimitiveParser()
{
    clear();
}

void PrimitiveParser::clear()
{
    qDeleteAll(chunks);
    chunks.clear();
    mFile.clear();
}

bool PrimitiveParser::load(const QString &path)
{
    QString name = path;
    name.replace(QStringLiteral(".model"), QStringLiteral(".primitives"));
    FileManager *files = FileManager::instance();
    QBuffer *buffer = files ? files->openFile(name) : nullptr;
    if (!buffer) {
        logLine(QStringLiteral("Failed loading: ") + name, Warning);
        return false;
    }
    if (!buffer->isOpen() && !buffer->open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Binary reader Failed loading: ") + name, Warning);
        delete buffer;
        return false;
    }
    bool ok = false;
    {
        BinaryReader reader(buffer); // closes the buffer when it goes
        ok = parse(reader.device());
    }
    if (!ok) {
        logLine(QStringLiteral("PrimitiveParser parser Failed loading: ") + name, Warning);
    }
    delete buffer;
    return ok;
}

bool PrimitiveParser::parse(QIODevice *device)
{
    clear();
    if (!device) {
        return false;
    }
    // A buffer shares its bytes; reading it would copy the whole file.
    if (auto *buffer = qobject_cast<QBuffer *>(device)) {
        return parseBytes(buffer->data());
    }
    device->seek(0);
    return parseBytes(device->readAll());
}

bool PrimitiveParser::parseBytes(const QByteArray &file)
{
    const QByteArray bytes = file; // file may be mFile itself, which clear() empties
    clear();
    mFile = bytes;
    const qint64 size = bytes.size();
    if (size < 4 || wordAt(bytes, 0) != primitivesMagic) {
        logLine(QStringLiteral("Binary header incorrect."), Warning);
        return false;
    }
    // The table sits just before its own length, the last word.
    const quint32 tableLength = wordAt(bytes, size - 4);
    const qint64 tableStart = size - 4 - qint64(tableLength);
    if (tableStart < 4 || tableStart >= size - 4) {
        if (tableLength == 0) {
            warn(QStringLiteral("section table length word at %1 is 0").arg(hex(size - 4)));
        } else {
            warn(QStringLiteral("section table of %1 bytes (length word at %2) needs more than the "
                                "%3 bytes between the magic and that word")
                     .arg(tableLength)
                     .arg(hex(size - 4))
                     .arg(size - 8));
        }
        return false;
    }

    qint64 entry = tableStart;
    qint64 blockOffset = 4;
    // An entry needs at least its length and name-length words before the last word.
    while (entry <= size - 12) {
        qint64 pos = entry;
        quint32 length = wordAt(bytes, pos);
        pos += 4;
        // A short last entry has no reserved words and keeps bit 31 of its length.
        if (size - entry >= 28) {
            pos += 16;
            length &= 0x7FFFFFFFu;
        }
        const quint32 nameLength = wordAt(bytes, pos);
        pos += 4;
        if (length > maxBlockLength) {
            warn(QStringLiteral("section %1 (table entry at %2) has a block of %3 bytes, more than "
                                "the %4 allowed")
                     .arg(chunks.size())
                     .arg(hex(entry))
                     .arg(length)
                     .arg(maxBlockLength));
            return false;
        }
        if (qint64(length) > tableStart - blockOffset) {
            warn(QStringLiteral(
                     "section %1 (table entry at %2): block at %3 needs %4 bytes, %5 remain "
                     "before the section table at %6")
                     .arg(chunks.size())
                     .arg(hex(entry), hex(blockOffset))
                     .arg(length)
                     .arg(tableStart - blockOffset)
                     .arg(hex(tableStart)));
            return false;
        }
        if (nameLength > maxNameLength) {
            warn(QStringLiteral(
                     "section %1 (table entry at %2) has a name of %3 bytes, more than the "
                     "%4 allowed")
                     .arg(chunks.size())
                     .arg(hex(entry))
                     .arg(nameLength)
                     .arg(maxNameLength));
            return false;
        }
        if (qint64(nameLength) > size - 4 - pos) {
            warn(QStringLiteral(
                     "section %1 (table entry at %2): name at %3 needs %4 bytes, %5 remain "
                     "before the table length word")
                     .arg(chunks.size())
                     .arg(hex(entry), hex(pos))
                     .arg(nameLength)
                     .arg(size - 4 - pos));
            return false;
        }
        auto *chunk = new PrimitiveChunk;
        chunk->name = QString::fromLatin1(bytes.constData() + pos, int(nameLength));
        chunk->length = length;
        chunk->data = QByteArray::fromRawData(mFile.constData() + blockOffset, qsizetype(length));
        chunks.append(chunk);

        blockOffset += roundUp4(length);
        entry = pos + roundUp4(nameLength);
    }
    return true;
}

PrimitiveChunk *PrimitiveParser::findChunk(const QString &name) const
{
    for (PrimitiveChunk *chunk : chunks) {
        if (chunk->name == name) {
            return chunk;
        }
    }
    logLine(QStringLiteral("Could not locate data chunk: ") + name, Warning);
    return nullptr;
}
