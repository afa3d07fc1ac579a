#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One GNU gettext .mo catalogue, looked up through its hash table.
class MoReader
{
public:
    bool load(const QString &path);
    // The loader itself, on bytes already in memory; source names them in the
    // Warning lines of a damaged catalogue.
    bool loadData(const QByteArray &bytes, const QString &source = QString());

    int lookup(const QString &messageId) const;
    QString originalString(int i) const;
    QString translatedString(int i) const;
    QString translate(const QString &messageId) const;
    void clear();

    static quint32 hashString(const QByteArray &utf8);

    QByteArray data;
    QStringList messageIds;
    bool byteSwapped = false;
    quint32 stringCount = 0;
    quint32 originalsOffset = 0;
    quint32 translationsOffset = 0;
    quint32 hashSize = 0;
    quint32 hashOffset = 0;

private:
    quint32 word(qint64 offset) const;
    QString stringAt(quint32 table, int i) const;
};
