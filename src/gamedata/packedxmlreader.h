#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QStringList>

class BinaryReader;

enum PackedValueType { Element = 0, String = 1, Integer = 2, Floats = 3, Boolean = 4, Blob = 5 };

struct PackedValueDescriptor
{
    int nameIndex = 0;
    quint32 end = 0;
    int type = 0;
};

// Turns a game XML file, packed or plain, into a DOM document.
class PackedXmlReader
{
public:
    explicit PackedXmlReader(BinaryReader *stream);

    QDomDocument read(const QString &fileName);

    // The decoder itself, on bytes already in memory. plainText is set to 1 for
    // a plain file; failed is set when the packed data ended early.
    static QDomDocument parse(const QByteArray &bytes, const QString &fileName,
                              int *plainText = nullptr, bool *failed = nullptr);

    bool failed() const { return mFailed; }

    int plainText = 0;
    BinaryReader *stream = nullptr;
    QStringList names;

private:
    bool mFailed = false;
};
