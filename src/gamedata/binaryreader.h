#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QIODevice;

// Little-endian reader over an open device (not owned). The first short read
// is reported once through fatalError; after that every read returns 0 and
// failed() is true, so loops driven by the data end instead of spinning.
class BinaryReader
{
public:
    explicit BinaryReader(QIODevice *device);
    ~BinaryReader();

    QIODevice *device() const { return mDevice; }
    bool failed() const { return mFailed; }
    bool atEnd() const;

    QByteArray readAll();
    char peek();
    quint8 readChar();
    qint8 readCharSigned();
    qint16 readShort();
    quint16 readShortUnsigned();
    qint32 readInt();
    quint32 readIntUnsigned();
    float readFloat();
    QString readString();

private:
    bool readBytes(char *out, int count, const char *what);

    QIODevice *mDevice = nullptr;
    bool mFailed = false;
};
