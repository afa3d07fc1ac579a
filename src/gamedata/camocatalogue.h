#pragma once

#include <QDomDocument>
#include <QHash>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

#include <array>

// One camouflage of a nation's customization file, as the file gives it.
struct CamoCatalogueEntry
{
    QString name; // the element's tag name, blanks removed
    // c0..c3 of colors, 0..255 per channel with alpha; absent ones are zero.
    std::array<glm::vec4, 4> colors {glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f),
                                     glm::vec4(0.0f)};
    QString texture; // game path, blanks removed
    // Per tank short name in lower case, as the file's tag names are lowered.
    QHash<QString, glm::vec4> tiling;
    QString group;       // the season: "summer", "winter" or "desert"
    QString description; // the untranslated "#catalogue:id" reference, blanks removed
};

struct CamoCatalogue
{
    glm::vec4 armorColor {0.0f};             // 0..255 per channel
    QVector<CamoCatalogueEntry> camouflages; // in file order, notInShop ones left out
};

// The camouflages of a parsed customization document, packed or plain: the child
// elements of camouflages (a packed file's value text is no element, so nothing is
// skipped by position), leaving out those whose notInShop has any text. An empty
// document gives an empty catalogue.
[[nodiscard]] CamoCatalogue readCamoCatalogue(const QDomDocument &document);
