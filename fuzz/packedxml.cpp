// Packed or plain game XML bytes into a DOM document.
#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QMessageBox>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    bool failed = false;
    const QDomDocument doc =
        PackedXmlReader::parse(bytes, QStringLiteral("vehicles/x/hull.model"), nullptr, &failed);
    if (std::getenv("HULLSCOPE_FUZZ_PRINT")) {
        std::printf("failed=%d\n%s\n", int(failed), doc.toString().toUtf8().constData());
    }
    return 0;
}
