#include "gamedata/camocatalogue.h"

#include "gamedata/vectortext.h"

namespace {

QString noBlanks(const QString &text)
{
    QString out = text;
    return out.remove(QChar(u' '));
}

QString childText(const QDomElement &parent, const QString &name)
{
    return parent.firstChildElement(name).text();
}

} // namespace

CamoCatalogue readCamoCatalogue(const QDomDocument &document)
{
    CamoCatalogue catalogue;
    const QDomElement root = document.documentElement();
    catalogue.armorColor = parseVec4(childText(root, QStringLiteral("armorColor")));
    const QDomElement list = root.firstChildElement(QStringLiteral("camouflages"));
    for (QDomElement camo = list.firstChildElement(); !camo.isNull();
         camo = camo.nextSiblingElement()) {
        if (!childText(camo, QStringLiteral("notInShop")).isEmpty()) {
            continue;
        }
        CamoCatalogueEntry entry;
        entry.name = noBlanks(camo.tagName());
        const QDomElement colors = camo.firstChildElement(QStringLiteral("colors"));
        for (int k = 0; k < 4; ++k) {
            const QDomElement c =
                colors.firstChildElement(QStringLiteral("c") + QString::number(k));
            if (!c.isNull()) {
                entry.colors[std::size_t(k)] = parseVec4(c.text());
            }
        }
        entry.texture = noBlanks(childText(camo, QStringLiteral("texture")));
        const QDomElement tiling = camo.firstChildElement(QStringLiteral("tiling"));
        for (QDomElement tank = tiling.firstChildElement(); !tank.isNull();
             tank = tank.nextSiblingElement()) {
            entry.tiling.insert(tank.tagName().toLower(), parseVec4(tank.text()));
        }
        entry.group = noBlanks(childText(camo, QStringLiteral("group")));
        entry.description = noBlanks(childText(camo, QStringLiteral("description")));
        catalogue.camouflages.append(entry);
    }
    return catalogue;
}
