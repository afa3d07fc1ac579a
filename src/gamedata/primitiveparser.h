#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class QIODevice;

// One named section of a .primitives file.
struct PrimitiveChunk
{
    QString name;
    quint32 length = 0;
    // A view into the parser's copy of the file (no bytes of its own): valid until the
    // parser is cleared, parses again or goes. A copy of the array is a view too; keep
    // the bytes with QByteArray(data.constData(), data.size()).
    QByteArray data;
};

// The section container of a .primitives file:
//   u32 magic 0x42A14E65, the section blocks (each at a multiple of 4), the section
//   table, u32 table length L as the last word.
// Table entry: u32 block length (bit 31 cleared), 16 reserved bytes, u32 name length
// (at most 4096), the name, padding to 4.
// Failures are Warning lines in the log and a false result; sections read before a
// malformed table entry stay in chunks.
class PrimitiveParser
{
public:
    PrimitiveParser() = default;
    ~PrimitiveParser();
    PrimitiveParser(const PrimitiveParser &) = delete;
    PrimitiveParser &operator=(const PrimitiveParser &) = delete;

    // Opens the .primitives of a model path (".model" replaced) through the file
    // manager and parses it.
    bool load(const QString &path);
    // Parses an open device from its start.
    bool parse(QIODevice *device);
    // The parser itself, on the bytes of a whole file.
    [[nodiscard]] bool parseBytes(const QByteArray &bytes);

    // The first section named exactly name; null (and a Warning line) when none is.
    PrimitiveChunk *findChunk(const QString &name) const;
    void clear();

    // In file order; owned.
    QVector<PrimitiveChunk *> chunks;

private:
    // The whole file, shared with the caller's buffer; the chunks view into it. Models
    // run to tens of megabytes, and a copy per section doubled the cost of reading them.
    QByteArray mFile;
};
