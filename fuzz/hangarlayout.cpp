// A garages.cfg document into each hangar's packages and placed models, as the
// hangars read it, and the placements' matrices checked for NaN.
#include "tank/garage.h"

#include <QByteArray>
#include <QDomDocument>

#include <glm/glm.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QDomDocument document;
    if (!document.setContent(bytes)) {
        return 0;
    }
    const QString first = document.documentElement().firstChildElement().tagName();
    for (const QString &name : {QStringLiteral("Basic"), QStringLiteral("Premium"), first}) {
        const HangarLayout layout = readHangarLayout(document, name);
        for (const HangarMeshEntry &mesh : layout.meshes) {
            // A number that is not finite never reaches a placement.
            for (int c = 0; c < 4; ++c) {
                if (glm::any(glm::isnan(mesh.matrix[c])) || glm::any(glm::isinf(mesh.matrix[c]))) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
