#include "gamedata/binaryreader.h"

#include "core/fatalerror.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

BinaryReader::BinaryReader(QIODevice *device)
    : mDevice(device)
{
}

BinaryReader::~BinaryReader()
{
    if (mDevice && mDevice->isOpen()) {
        mDevice->close();
    }
}

bool BinaryReader::atEnd() const
{
    return !mDevice || mDevice->atEnd();
}

bool BinaryReader::readBytes(char *out, int count, const char *what)
{
    std::memset(out, 0, size_t(count));
    if (mFailed) {
        return false;
    }
    if (mDevice && mDevice->read(out, count) == count) {
        return true;
    }
    std::memset(out, 0, size_t(count));
    mFailed = true;
    fatalError(QStringLiteral("Error reading data: ") + QLatin1String(what));
    return false;
}

QByteArray BinaryReader::readAll()
{
    return mDevice ? mDevice->readAll() : QByteArray();
}

char BinaryReader::peek()
{
    char c = 0;
    if (mFailed) {
        return 0;
    }
    if (!mDevice || mDevice->peek(&c, 1) != 1) {
        mFailed = true;
        fatalError(QStringLiteral("Error reading data: peek"));
        return 0;
    }
    return c;
}

quint8 BinaryReader::readChar()
{
    char c = 0;
    readBytes(&c, 1, "readChar()");
    return quint8(c);
}

qint8 BinaryReader::readCharSigned()
{
    char c = 0;
    readBytes(&c, 1, "readCharSigned()");
    return qint8(c);
}

qint16 BinaryReader::readShort()
{
    char b[2];
    readBytes(b, 2, "readShort()");
    return qFromLittleEndian<qint16>(b);
}

quint16 BinaryReader::readShortUnsigned()
{
    char b[2];
    readBytes(b, 2, "readShortUnsigned()");
    return qFromLittleEndian<quint16>(b);
}

qint32 BinaryReader::readInt()
{
    char b[4];
    readBytes(b, 4, "readInt()");
    return qFromLittleEndian<qint32>(b);
}

quint32 BinaryReader::readIntUnsigned()
{
    char b[4];
    readBytes(b, 4, "readIntUnsigned()");
    return qFromLittleEndian<quint32>(b);
}

float BinaryReader::readFloat()
{
    char b[4];
    readBytes(b, 4, "readFloat()");
    const quint32 bits = qFromLittleEndian<quint32>(b);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

QString BinaryReader::readString()
{
    QString text;
    while (!mFailed && !atEnd()) {
        const char c = peek();
        if (c == 0) {
            break;
        }
        readChar();
        text.append(quint8(c) < 0x80 ? QChar(QLatin1Char(c)) : QChar(QChar::ReplacementCharacter));
    }
    return text;
}
