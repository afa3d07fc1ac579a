#include "tank/camoloader.h"

#include "tank/tankinfo.h"
#include "tank/tankloader.h"
#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "render/camobake.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"

#include "gamedata/camocatalogue.h"
#include "gamedata/ddshelpers.h"
#include "gamedata/moreadercached.h"
#include "gamedata/packedxmlreader.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QBuffer>
#include <QDir>

#include <memory>

CamoLoader::CamoLoader() = default;

CamoLoader::~CamoLoader()
{
    ViewContextGuard guard(mView);
    clear();
}

void CamoLoader::setView(RenderWidget *view)
{
    mView = view;
}

bool CamoLoader::loadCamoXml(const QString &path, const QString &translatedNation)
{
    logLine(QStringLiteral("Loading camo xml file: ") + path, Info);
    const Settings *settings = Settings::instance();
    FileManager *files = FileManager::instance();
    const QString file =
        QDir::toNativeSeparators((settings ? settings->brastelPath : QString()) + QDir::separator()
                                 + QStringLiteral("res") + QDir::separator() + path);
    const std::unique_ptr<QBuffer> buffer(files ? files->openPlainFile(file) : nullptr);
    if (!buffer) {
        logLine(QStringLiteral("Could not load camo xml file: ") + path, Warning);
        return false;
    }
    const CamoCatalogue catalogue = readCamoCatalogue(PackedXmlReader::parse(buffer->data(), path));

    ViewContextGuard guard(mView);
    TextureLoader *textures = TextureLoader::instance();
    MoReaderCached *translator = MoReaderCached::instance();
    RecordList records;
    for (const CamoCatalogueEntry &entry : catalogue.camouflages) {
        auto *record = new CamoRecord;
        record->armorColor = catalogue.armorColor;
        record->name = entry.name;
        record->colors = entry.colors;
        record->texture = entry.texture;
        logLine(QStringLiteral("Loading non cached texture: ") + entry.texture, Info);
        record->textureId = textures ? textures->loadTexture(entry.texture) : 0;
        record->preview = ddsThumbnail(entry.texture, catalogue.armorColor, entry.colors);
        record->tiling = entry.tiling;
        record->group = entry.group;
        record->description =
            translator ? translator->translate(entry.description) : entry.description;
        records.append(record);
    }
    nations.append(NationEntry(translatedNation, records));
    return true;
}

void CamoLoader::clear()
{
    ViewContextGuard guard(mView);
    TextureLoader *textures = TextureLoader::instance();
    for (const NationEntry &entry : std::as_const(nations)) {
        for (CamoRecord *record : entry.second) {
            delete record->preview;
            // The fallback texture stands for every texture that failed to load: kept.
            if (textures) {
                textures->deleteTexture(record->textureId);
            }
            delete record;
        }
    }
    nations.clear();
    current = NationEntry();
    tankName.clear();
    rootExclusionMask.clear();
    rootExclusionMaskCopy.clear();
    tankExclusionMask.clear();
    texture.clear();
    textureId = 0;
    tiling = glm::vec4(0.0f);
    colors.fill(glm::vec4(0.0f));
}

void CamoLoader::loadTankCamo(const QString &name, const QString &rootMask,
                              const QString &rootMaskCopy, const QString &tankMask)
{
    logLine(QStringLiteral("Loading camouflage options for tank: ") + name, Info);
    tankName = name;
    rootExclusionMask = QDir::toNativeSeparators(rootMask);
    rootExclusionMaskCopy = QDir::toNativeSeparators(rootMaskCopy);
    tankExclusionMask = QDir::toNativeSeparators(tankMask);

    Database *database = Database::instance();
    const QString tankNation = database ? database->translatedNationOf(name) : QString();
    const bool nationChanged = tankNation != nation;
    if (nationChanged && mWindowHooks) {
        mWindowHooks->checkSummerSeason();
    }
    nation = tankNation;
    tankKey = database ? database->shortName(name) : QString();

    current = NationEntry(nation, RecordList());
    for (const NationEntry &entry : std::as_const(nations)) {
        if (entry.first == nation) {
            current = entry;
            break;
        }
    }

    if (current.second.isEmpty()) {
        applyRecord(nullptr);
    } else {
        applyRecord(current.second.first());
    }

    mLastSelectFirst = nationChanged;
    if (mWindowHooks) {
        mWindowHooks->updateCamoList(nationChanged);
    }
    if (nationChanged) {
        currentIndex = 0;
        season = QStringLiteral("summer");
    }
    selectCamo(currentIndex, season);
}

void CamoLoader::selectCamo(int index, const QString &group)
{
    // A click left over from before a rebuild or a reload may name nothing now.
    const RecordList records = seasonRecords(group);
    if (index < 0 || index >= records.size()) {
        return;
    }
    currentIndex = index;
    season = group;
    applyRecord(records.at(index));
}

void CamoLoader::applyRecord(const CamoRecord *record)
{
    if (!record) {
        texture.clear();
        textureId = 0;
        tiling = glm::vec4(0.0f);
        colors.fill(glm::vec4(0.0f));
        return;
    }
    colors = record->colors;
    texture = record->texture;
    textureId = record->textureId;
    tiling = record->tiling.value(tankKey, glm::vec4(0.0f));
}

CamoLoader::RecordList CamoLoader::seasonRecords(const QString &group) const
{
    RecordList records;
    for (CamoRecord *record : current.second) {
        if (record->group == group) {
            records.append(record);
        }
    }
    return records;
}

QStringList CamoLoader::descriptions(const QString &group) const
{
    QStringList list;
    for (const CamoRecord *record : seasonRecords(group)) {
        list.append(record->description);
    }
    return list;
}

QList<QImage *> CamoLoader::images(const QString &group) const
{
    QList<QImage *> list;
    for (const CamoRecord *record : seasonRecords(group)) {
        list.append(record->preview);
    }
    return list;
}

void CamoLoader::bakeCamo()
{
    QWidget *parent = mWindowHooks ? mWindowHooks->dialogParent() : nullptr;
    TankLoader *loader = TankLoader::instance();
    if (!loader || !loader->tankInfo) {
        return;
    }
    if (loader->tankModel != Undamaged) {
        showWarning(parent, APP_NAME, tr("Camo bake is only available in UnDamaged mode."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    const Settings *settings = Settings::instance();
    const QString modPath = settings ? settings->modPath : QString();
    // Each file's folder is made inside the mod folder just before the file is written,
    // so a refused or declined bake leaves no empty tank folder behind.

    const QStringList diffuses = loader->tankInfo->camoTextures();
    // Always the exclusion masks: the texture picker may have left another form's index.
    const QStringList masks = loader->tankInfo->exclusionMasks;
    if (diffuses.size() != masks.size()) {
        const QString text =
            tr("This tank is currently not supported by the camouflage baking system.");
        logLine(text, Warning);
        showWarning(parent, APP_NAME, text + QStringLiteral("\n") + tr("Aborting!"),
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }

    ViewContextGuard guard(mView);
    const Turret *turret =
        loader->turretGunChooser() ? loader->turretGunChooser()->currentTurret() : nullptr;
    QString firstFailed;
    for (int i = 0; i < diffuses.size(); ++i) {
        CamoBakeJob job;
        job.diffusePath = diffuses.at(i);
        job.exclusionPath = masks.at(i);
        job.camoTexturePath = texture;
        job.camoTexture = textureId;
        job.colors = colors;
        job.tiling = i == 0 || !turret ? tiling : turret->camoTiling * tiling;
        const QString output = bakeOutputPath(modPath, job.diffusePath);
        if (mWindowHooks) {
            mWindowHooks->showStatus(
                tr("Saving baked camo file: ") + (output.isEmpty() ? job.diffusePath : output), 0);
        }
        const BakeResult result = saveBake(job, parent);
        // A declined overwrite ends that file with no further message.
        if (mWindowHooks && result != BakeResult::Declined) {
            mWindowHooks->showStatus(tr("Saving baked camo file: Done"), 0);
        }
        if (result == BakeResult::Failed && firstFailed.isEmpty()) {
            firstFailed = output.isEmpty() ? job.diffusePath : output;
        }
    }
    if (!firstFailed.isEmpty()) {
        showWarning(parent, APP_NAME, tr("Failed to save camo bake file: ") + firstFailed,
                    QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    showInformation(parent, APP_NAME, tr("Camouflage bake export complete."), QMessageBox::Ok);
}
