#pragma once

#include "gamedata/database.h"

#include "core/singleton.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <glm/glm.hpp>

#include <array>

class QWidget;
class RenderWidget;

using GLuint = unsigned int;

// One camouflage of a nation; owned by the nation's list, freed by CamoLoader::clear.
struct CamoRecord
{
    glm::vec4 armorColor {0.0f}; // the file's armour colour, 0..255 per channel
    QString name;
    std::array<glm::vec4, 4> colors {glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f),
                                     glm::vec4(0.0f)};
    QString texture;
    GLuint textureId = 0;             // owned unless it is the texture loader's noTexture
    QImage *preview = nullptr;        // owned; null when the texture cannot be decoded
    QHash<QString, glm::vec4> tiling; // by tank short name in lower case
    QString group;                    // the season
    QString description;              // translated
};

// What the camouflage loader asks of the main window, which registers itself
// through TankScene. Every call is skipped while none is set.
class CamoLoaderWindowHooks
{
public:
    virtual ~CamoLoaderWindowHooks() = default;
    // Refills the Camo dock's swatches; selectFirst makes the first one current.
    virtual void updateCamoList(bool selectFirst) = 0;
    // Turns the Camo dock's Summer season button on.
    virtual void checkSummerSeason() = 0;
    // The status bar; timeoutMs 0 keeps the text until replaced.
    virtual void showStatus(const QString &text, int timeoutMs) = 0;
    // Parent of the bake's boxes.
    virtual QWidget *dialogParent() = 0;
};

// Reads every nation's camouflages at a database rebuild, picks those of the loaded
// tank's nation, keeps the current one (texture, colours, tiling) that the tank's
// parts draw with, and bakes it into the tank's diffuse textures. GL names are made
// and deleted with the view's context current (it takes the view's guard itself).
class CamoLoader : public QObject, public Singleton<CamoLoader>, public DatabaseCamoHooks
{
    Q_OBJECT

public:
    using RecordList = QList<CamoRecord *>;
    using NationEntry = QPair<QString, RecordList>;

    CamoLoader();
    ~CamoLoader() override;

    // Not owned; null unregisters.
    void setWindowHooks(CamoLoaderWindowHooks *hooks) { mWindowHooks = hooks; }
    CamoLoaderWindowHooks *windowHooks() const { return mWindowHooks; }
    // The view whose context the textures live in; not owned.
    void setView(RenderWidget *view);

    // One nation's customization file, path relative to the game's resource folder.
    // False, with a Warning, when it is missing.
    bool loadCamoXml(const QString &path, const QString &translatedNation) override;
    // Frees every record, preview and texture and forgets the tank and the current
    // camouflage.
    void clear();
    void clearCamouflages() override { clear(); }

    void loadTankCamo(const QString &tankName, const QString &rootMask, const QString &rootMaskCopy,
                      const QString &tankMask);
    // Makes the index-th camouflage of the season current; an index outside the
    // season's list changes nothing.
    void selectCamo(int index, const QString &season);

    QStringList summerDescriptions() const { return descriptions(QStringLiteral("summer")); }
    QStringList winterDescriptions() const { return descriptions(QStringLiteral("winter")); }
    QStringList desertDescriptions() const { return descriptions(QStringLiteral("desert")); }
    QList<QImage *> summerImages() const { return images(QStringLiteral("summer")); }
    QList<QImage *> winterImages() const { return images(QStringLiteral("winter")); }
    QList<QImage *> desertImages() const { return images(QStringLiteral("desert")); }

    // Bakes the current camouflage into the loaded tank's diffuse textures in the
    // mod folder; every outcome ends with a box.
    void bakeCamo();

    // The select-first flag of the last loadTankCamo, for the refill once the tank
    // counts as loaded.
    bool lastSelectFirst() const { return mLastSelectFirst; }

    bool camoEnabled = false;
    QString tankKey;
    QString nation;
    QString tankName;
    QString rootExclusionMask;
    QString rootExclusionMaskCopy;
    QString tankExclusionMask;
    QString texture;
    GLuint textureId = 0;
    glm::vec4 tiling {0.0f};
    std::array<glm::vec4, 4> colors {glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f),
                                     glm::vec4(0.0f)};
    QList<NationEntry> nations;
    NationEntry current;
    int currentIndex = 0;
    QString season = QStringLiteral("summer");

public slots:
    void databaseRebuilt() { }

private:
    RecordList seasonRecords(const QString &group) const;
    QStringList descriptions(const QString &group) const;
    QList<QImage *> images(const QString &group) const;
    void applyRecord(const CamoRecord *record);

    CamoLoaderWindowHooks *mWindowHooks = nullptr;
    QPointer<RenderWidget> mView;
    bool mLastSelectFirst = false;

    Q_DISABLE_COPY(CamoLoader)
};
