#include "armour/collsionvisual.h"

#include "render/materialloader.h"

QList<Material *> CollsionVisual::loadMaterials(const QDomElement &material, bool tankTextures)
{
    Q_UNUSED(tankTextures)
    MaterialLoader *loader = MaterialLoader::instance();
    // A group without a "material" element reads as an empty identifier.
    return loader ? loader->createCollisionMaterials(material.childNodes()) : QList<Material *>();
}
