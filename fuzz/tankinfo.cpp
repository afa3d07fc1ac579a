// A tank definition, packed or plain, through the texture lists of the loaded tank:
// the models of both forms, turrets and guns, and the camouflage exclusion masks.
// Without a file manager the .visual files it names are not read; those have their
// own target.
#include "tank/tankinfo.h"

#include "gamedata/packedxmlreader.h"

#include "core/dialogs.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMessageBox>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The lists are the singleton's; one lives for the whole run, as in the program.
    static TankInfo *info = new TankInfo();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    info->parse(PackedXmlReader::parse(bytes, QStringLiteral("vehicles/x/x01_tank.xml")));
    (void)info->camoTextures();
    (void)info->allFiles();
    return 0;
}
