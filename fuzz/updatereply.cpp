// The update server's reply bytes into the newest build and its texts.
#include "tools/updatecheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const UpdateReply reply = parseUpdateReply(bytes);
    if (std::getenv("HULLSCOPE_FUZZ_PRINT")) {
        std::printf("latest=%d\n%s\n%s\n", reply.latest, reply.latestText.toUtf8().constData(),
                    reply.url.toUtf8().constData());
    }
    return 0;
}
