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

} // namespace

PrimitiveParser::~PrimitiveParser()
{
    clear();
}

void PrimitiveParser::clear()
{
    qDeleteAll(chunks);
    chunks.clear();
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
    device->seek(0);
    return parseBytes(device->readAll());
}

bool PrimitiveParser::parseBytes(const QByteArray &bytes)
{
    clear();
    const qint64 size = bytes.size();
    if (size < 4 || wordAt(bytes, 0) != primitivesMagic) {
        logLine(QStringLiteral("Binary header incorrect."), Warning);
        return false;
    }
    // The table sits just before its own length, the last word.
    const qint64 tableStart = size - 4 - qint64(wordAt(bytes, size - 4));
    if (tableStart < 4 || tableStart >= size - 4) {
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
        if (length > maxBlockLength || qint64(length) > tableStart - blockOffset
            || nameLength > maxNameLength || qint64(nameLength) > size - 4 - pos) {
            return false;
        }
        auto *chunk = new PrimitiveChunk;
        chunk->name = QString::fromLatin1(bytes.constData() + pos, int(nameLength));
        chunk->length = length;
        chunk->data = bytes.mid(int(blockOffset), int(length));
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
