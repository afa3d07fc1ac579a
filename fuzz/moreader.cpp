// Catalogue bytes into a MoReader, then look-ups of every id and a few others.
#include "gamedata/moreader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    MoReader reader;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    if (!reader.loadData(bytes)) {
        return 0;
    }
    for (const QString &id : reader.messageIds) {
        reader.translate(id);
    }
    reader.translate(QStringLiteral("nations/ussr"));
    reader.translate(QString());
    reader.translatedString(-1);
    reader.originalString(int(reader.stringCount));
    return 0;
}
