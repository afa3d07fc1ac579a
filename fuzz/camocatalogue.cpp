// A customization file, packed or plain, through the camouflage catalogue reader.
#include "gamedata/camocatalogue.h"
#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QMessageBox>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A broken packed file is reported in a box; nothing may wait for an answer here.
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

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
