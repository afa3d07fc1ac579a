#include "gamedata/packedxmlreader.h"

#include "gamedata/binaryreader.h"

#include "core/fatalerror.h"
#include "core/log.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr quint32 PACKED_MAGIC = 0x62A14E45;
// Deeper nesting than any game file has; a crafted file must not exhaust the stack.
constexpr int MAX_DEPTH = 512;

// Longest text formatFloat writes: "-1.23457e-45".
constexpr int MAX_FLOAT_TEXT = 12;

// Powers of ten that a double holds exactly.
constexpr double POW10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

int copyLatin1(const QString &text, char *out)
{
    const int n = int(std::min<qsizetype>(text.size(), MAX_FLOAT_TEXT));
    for (int i = 0; i < n; ++i) {
        out[i] = char(text.at(i).unicode());
    }
    return n;
}

// The text of QString::number(double(f), 'g', 6), written at out; returns its
// length. Vectors make floats the bulk of a packed file and Qt's exact
// conversion is slow, so the common case is done here in double arithmetic:
// scaling by one exact power of ten errs by under 1e-10 of the sixth digit.
// Values too close to a rounding tie (which Qt rounds away from zero), far
// out of range, zero of either sign, and non-finite values take Qt's path.
int formatQtFloat(float f, char *out)
{
    if (f == 0.0f && !std::signbit(f)) {
        *out = '0';
        return 1;
    }
    if (!std::isfinite(f) || f == 0.0f) {
        return copyLatin1(QString::number(double(f), 'g', 6), out);
    }
    const double d = std::fabs(double(f));
    int e2 = 0;
    std::frexp(d, &e2);
    // d lies in [2^(e2-1), 2^e2): this is its decimal exponent or one less.
    int k = int(std::floor((e2 - 1) * 0.30102999566398120));
    double scaled = 0.0;
    for (int attempt = 0;; ++attempt) {
        const int s = 5 - k;
        if (s > 22 || s < -22 || attempt > 1) {
            return copyLatin1(QString::number(double(f), 'g', 6), out);
        }
        scaled = s >= 0 ? d * POW10[s] : d / POW10[-s];
        if (scaled >= 1e6) {
            ++k;
        } else if (scaled < 1e5) {
            --k;
        } else {
            break;
        }
    }
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-6) {
        return copyLatin1(QString::number(double(f), 'g', 6), out);
    }
    int value = int(whole) + (fraction > 0.5 ? 1 : 0);
    if (value == 1000000) {
        value = 100000;
        ++k;
    }
    char digits[6];
    for (int i = 5; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    int count = 6; // significant digits left after dropping trailing zeros
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
    char *o = out;
    if (f < 0.0f) {
        *o++ = '-';
    }
    if (k < -4 || k >= 6) {
        // Exponent form as printf's %g: "d.ddddde+XX", at least two exponent digits.
        *o++ = digits[0];
        if (count > 1) {
            *o++ = '.';
            for (int i = 1; i < count; ++i) {
                *o++ = digits[i];
            }
        }
        *o++ = 'e';
        *o++ = k < 0 ? '-' : '+';
        const int a = k < 0 ? -k : k;
        *o++ = char('0' + a / 10);
        *o++ = char('0' + a % 10);
    } else if (k >= 0) {
        for (int i = 0; i <= k; ++i) {
            *o++ = digits[i];
        }
        if (count > k + 1) {
            *o++ = '.';
            for (int i = k + 1; i < count; ++i) {
                *o++ = digits[i];
            }
        }
    } else {
        *o++ = '0';
        *o++ = '.';
        for (int i = 0; i < -k - 1; ++i) {
            *o++ = '0';
        }
        for (int i = 0; i < count; ++i) {
            *o++ = digits[i];
        }
    }
    return int(o - out);
}

// One number of a Floats value; "-1e-06" is written "0".
int formatFloat(float f, char *out)
{
    const int n = formatQtFloat(f, out);
    if (n == 6 && std::memcmp(out, "-1e-06", 6) == 0) {
        *out = '0';
        return 1;
    }
    return n;
}

class Decoder
{
public:
    Decoder(const QByteArray &bytes, QDomDocument &doc)
        : data(reinterpret_cast<const uchar *>(bytes.constData()))
        , size(bytes.size())
        , doc(doc)
    {
    }

    // Latches the first short read; later reads yield zeros without a report.
    bool need(qint64 count, const char *what)
    {
        if (failed) {
            return false;
        }
        if (count <= size - pos) {
            return true;
        }
        failed = true;
        pos = size;
        fatalError(QStringLiteral("Error reading data: ") + QLatin1String(what));
        return false;
    }

    qint16 readShort()
    {
        if (!need(2, "readShort()")) {
            return 0;
        }
        const qint16 v = qFromLittleEndian<qint16>(data + pos);
        pos += 2;
        return v;
    }

    quint32 readUInt()
    {
        if (!need(4, "readIntUnsigned()")) {
            return 0;
        }
        const quint32 v = qFromLittleEndian<quint32>(data + pos);
        pos += 4;
        return v;
    }

    static QString latin(const uchar *p, qint64 n)
    {
        QString text(int(n), Qt::Uninitialized);
        QChar *out = text.data();
        for (qint64 i = 0; i < n; ++i) {
            out[i] = p[i] < 0x80 ? QChar(ushort(p[i])) : QChar(QChar::ReplacementCharacter);
        }
        return text;
    }

    void readNames()
    {
        while (!failed) {
            if (!need(1, "peek")) {
                return;
            }
            if (data[pos] == 0) {
                ++pos;
                return;
            }
            const uchar *start = data + pos;
            const void *zero = std::memchr(start, 0, size_t(size - pos));
            const qint64 n = zero ? static_cast<const uchar *>(zero) - start : size - pos;
            names.append(latin(start, n));
            pos += n;
            if (!need(1, "readChar()")) {
                return;
            }
            ++pos;
        }
    }

    QString nameAt(int index)
    {
        if (index >= 0 && index < names.size()) {
            return names.at(index);
        }
        // An empty tag name would be dropped by the DOM and shift later indices.
        logLine(QStringLiteral("Packed XML name index out of range: %1").arg(index), Warning);
        return QStringLiteral("unknown");
    }

    void readElement(QDomElement &element, int depth)
    {
        if (failed) {
            return;
        }
        if (depth > MAX_DEPTH) {
            logLine(QStringLiteral("Packed XML: element at 0x%1 is nested deeper than %2 levels; "
                                   "reading stops there")
                        .arg(QString::number(pos, 16))
                        .arg(MAX_DEPTH),
                    Warning);
            failed = true;
            pos = size;
            return;
        }
        const int count = readShort();
        const quint32 ownWord = readUInt();
        std::vector<PackedValueDescriptor> children;
        if (count > 0 && !failed) {
            children.resize(size_t(count));
            for (PackedValueDescriptor &d : children) {
                d.nameIndex = readShort();
                const quint32 word = readUInt();
                d.end = word & 0x0FFFFFFF;
                d.type = qint32(word) >> 28;
            }
        }
        if (failed) {
            return;
        }
        PackedValueDescriptor own;
        own.end = ownWord & 0x0FFFFFFF;
        own.type = qint32(ownWord) >> 28;
        quint32 previous = readValue(element, own, 0, depth);
        for (const PackedValueDescriptor &d : children) {
            if (failed) {
                break;
            }
            QDomElement child = doc.createElement(nameAt(d.nameIndex));
            previous = readValue(child, d, previous, depth);
            element.appendChild(child);
        }
    }

    void appendText(QDomElement &element, const QString &text)
    {
        element.appendChild(doc.createTextNode(text));
    }

    // The floats at p as one text of numbers joined by blanks.
    QString floatsText(const uchar *p, qint64 n)
    {
        text.resize(size_t(n) * (MAX_FLOAT_TEXT + 1));
        char *out = text.data();
        for (qint64 i = 0; i < n; ++i) {
            if (i > 0) {
                *out++ = ' ';
            }
            const quint32 bits = qFromLittleEndian<quint32>(p + 4 * i);
            float f;
            std::memcpy(&f, &bits, 4);
            out += formatFloat(f, out);
        }
        return QString::fromLatin1(text.data(), qsizetype(out - text.data()));
    }

    quint32 readValue(QDomElement &element, const PackedValueDescriptor &d, quint32 previousEnd,
                      int depth)
    {
        // A value always spans its declared bytes, so one odd value cannot
        // shift every value after it.
        const qint64 length = d.end > previousEnd ? qint64(d.end) - previousEnd : 0;
        const qint64 start = pos;
        switch (d.type) {
        case Element: readElement(element, depth + 1); break;
        case String:
            if (need(length, "readChar()")) {
                appendText(element, latin(data + pos, length));
                pos += length;
            }
            break;
        case Integer: {
            qint64 value = 0;
            if ((length == 1 || length == 2 || length == 4) && need(length, "readInt()")) {
                if (length == 1) {
                    value = qint8(data[pos]);
                } else if (length == 2) {
                    value = qFromLittleEndian<qint16>(data + pos);
                } else {
                    value = qFromLittleEndian<qint32>(data + pos);
                }
            }
            if (!failed) {
                appendText(element, QString::number(value));
            }
            break;
        }
        case Floats: {
            const qint64 n = length / 4;
            if (!need(n * 4, "readFloat()")) {
                break;
            }
            const uchar *p = data + pos;
            if (n == 12) {
                // A 4x3 matrix is written as its rows.
                static const QString rowNames[4] = {QStringLiteral("row0"), QStringLiteral("row1"),
                                                    QStringLiteral("row2"), QStringLiteral("row3")};
                for (int row = 0; row < 4; ++row) {
                    QDomElement rowElement = doc.createElement(rowNames[row]);
                    appendText(rowElement, floatsText(p + 12 * row, 3));
                    element.appendChild(rowElement);
                }
            } else {
                appendText(element, floatsText(p, n));
            }
            break;
        }
        case Boolean:
            if (length == 1) {
                if (!need(1, "readChar()")) {
                    break;
                }
                const uchar b = data[pos];
                appendText(element, QStringLiteral("true"));
                if (b != 1) {
                    fatalError(QStringLiteral("Boolean error"));
                }
            } else {
                appendText(element, QStringLiteral("false"));
            }
            break;
        case Blob:
            if (need(length, "readChar()")) {
                const QByteArray raw = QByteArray::fromRawData(
                    reinterpret_cast<const char *>(data + pos), int(length));
                appendText(element, QString::fromLatin1(raw.toBase64()));
            }
            break;
        default: fatalError(QStringLiteral("Unknown xml data type")); break;
        }
        if (!failed && d.type != Element) {
            need(length - (pos - start), "readChar()");
        }
        if (!failed && pos < start + length) {
            pos = start + length;
        }
        return d.end;
    }

    const uchar *data;
    qint64 size;
    qint64 pos = 0;
    QDomDocument &doc;
    QStringList names;
    std::vector<char> text; // scratch for number texts
    bool failed = false;
};

QDomDocument parsePlain(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes).simplified();
    QDomDocument doc;
    if (!doc.setContent(text, false)) {
        // Qt keeps the part it parsed before the error; the caller gets nothing.
        return QDomDocument();
    }
    return doc;
}

} // namespace

PackedXmlReader::PackedXmlReader(BinaryReader *stream)
    : stream(stream)
{
}

QDomDocument PackedXmlReader::parse(const QByteArray &bytes, const QString &fileName,
                                    int *plainText, bool *failed)
{
    if (failed) {
        *failed = false;
    }
    quint32 magic = 0;
    if (bytes.size() >= 4) {
        magic = qFromLittleEndian<quint32>(bytes.constData());
    }
    if (magic != PACKED_MAGIC) {
        if (plainText) {
            *plainText = 1;
        }
        return parsePlain(bytes);
    }
    QDomDocument doc;
    Decoder decoder(bytes, doc);
    decoder.pos = 4;
    if (decoder.need(1, "readChar()")) {
        ++decoder.pos;
    }
    decoder.readNames();
    QString rootName = fileName.split(QLatin1Char('/')).last();
    rootName.replace(QLatin1String(".model"), QLatin1String(".visual"));
    QDomElement root = doc.createElement(rootName);
    doc.appendChild(root);
    decoder.readElement(root, 0);
    if (failed) {
        *failed = decoder.failed;
    }
    return doc;
}

QDomDocument PackedXmlReader::read(const QString &fileName)
{
    QByteArray bytes;
    if (stream && stream->device()) {
        stream->device()->seek(0);
        bytes = stream->readAll();
    }
    names.clear();
    int plain = 0;
    QDomDocument doc = parse(bytes, fileName, &plain, &mFailed);
    plainText = plain;
    return doc;
}
