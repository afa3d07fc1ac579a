#pragma once

#include "render/visual.h"

// The visual of a collision model: read as any visual, but each primitive group
// gets the lit and unlit collision materials (identifier and doubleSided only)
// instead of textured ones. Without a material loader the groups get none.
class CollsionVisual : public Visual
{
protected:
    QList<Material *> loadMaterials(const QDomElement &material, bool tankTextures) override;
};
