// A customization file, packed or plain, through the camouflage catalogue reader.
#include "gamedata/camocatalogue.h"
#include "gamedata/packedxmlreader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const CamoCatalogue catalogue =
        readCamoCatalogue(PackedXmlReader::parse(bytes, QStringLiteral("customization.xml")));
    volatile qsizetype sink = catalogue.camouflages.size();
    (void)sink;
    return 0;
}
