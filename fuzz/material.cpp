// A .visual material, packed or plain, through the property parser, the
// collision material reader, the effect tables and the vector reader.
#include "render/materialloader.h"

#include "core/dialogs.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/vectortext.h"

#include <QByteArray>
#include <QDomElement>
#include <QMessageBox>

#include <cstddef>
#include <cstdint>

namespace {

void readMaterial(const QDomNodeList &children)
{
    const MaterialDescription d = parseMaterialChildren(children);
    (void)litShaderLookup(d.fx);
    (void)unlitShaderLookup(d.fx);
    (void)parseCollisionMaterialChildren(children);
}

// Every "material" element anywhere below element, and element's own children.
void walk(const QDomElement &element, int depth)
{
    if (depth > 64) {
        return;
    }
    readMaterial(element.childNodes());
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        walk(child, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = [] {
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        return true;
    }();
    (void)quiet;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const QDomDocument doc =
        PackedXmlReader::parse(bytes, QStringLiteral("vehicles/x/hull.visual"));
    walk(doc.documentElement(), 0);
    (void)parseVec4(QString::fromUtf8(bytes.left(256)));
    return 0;
}
