#include "gamedata/database.h"

#include "gamedata/binaryreader.h"
#include "gamedata/moreadercached.h"
#include "gamedata/packedxmlreader.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/textconvert.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <memory>

namespace {

const QString TABLE_CREATE = QStringLiteral(
    "CREATE TABLE Tanks_Tbl(id INTERGER PRIMARY KEY NOT NULL, Nation TEXT,TranslatedNation TEXT, "
    "Model TEXT,TranslatedName TEXT,Path TEXT,Catergory TEXT,TranslatedCatergory TEXT,Tier "
    "int,XmlFile TEXT,Description TEXT)");

const QString TANK_INSERT =
    QStringLiteral("INSERT into "
                   "Tanks_Tbl(id,Nation,TranslatedNation,Model,TranslatedName,Path,Catergory,"
                   "TranslatedCatergory,Tier,XmlFile,Description) "
                   "VALUES(:id,:Nation,:TranslatedNation,:Model,:TranslatedName,:Path,:Catergory,"
                   ":TranslatedCatergory,:Tier,:XmlFile,:Description)");

const QString LOOKUP_SELECT =
    QStringLiteral("SELECT * FROM Tanks_Tbl WHERE TranslatedName = :name");

// The tier list holds one entry per tier up to the highest; a damaged level such
// as 2147483647 must not make it grow without bound.
constexpr int MAX_LISTED_TIER = 100;

// Columns of Tanks_Tbl.
enum Column {
    ColumnNation = 1,
    ColumnTranslatedNation = 2,
    ColumnPath = 5,
    ColumnTranslatedCategory = 7,
    ColumnTier = 8,
    ColumnXmlFile = 9,
};

QString translate(const QString &reference)
{
    MoReaderCached *reader = MoReaderCached::instance();
    return reader ? reader->translate(reference) : reference;
}

// Reads a packed or plain game XML file through the file manager; null document
// when the file cannot be opened.
QDomDocument readGameXml(QBuffer *buffer, const QString &name)
{
    std::unique_ptr<QBuffer> owned(buffer);
    if (!owned) {
        return {};
    }
    BinaryReader reader(owned.get());
    PackedXmlReader xml(&reader);
    return xml.read(name);
}

// The folder of a nation list: the list path without its separator + "list.xml".
QString listFolder(const QString &listPath)
{
    const QString suffix = QDir::separator() + QStringLiteral("list.xml");
    QString folder = listPath;
    if (folder.endsWith(suffix)) {
        folder.chop(suffix.size());
    }
    return folder;
}

// A null text would be stored as NULL, and the filter's "IS NOT NULL" for "all"
// would then hide the tank; an empty text is stored as text.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

Database::Database()
{
    logLine(QStringLiteral("Creating connection to database."), Info);
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open()) {
        const QString text = QStringLiteral("Could not open database. Application will now close.");
        logLine(text, Error);
        queueFatalError(text);
    }
    if (Settings *settings = Settings::instance()) {
        connect(settings, &Settings::brastelPathChanged, this, &Database::rebuildDatabase);
    }
}

Database::~Database()
{
    mInsert.reset();
    if (db.isOpen()) {
        db.close();
    }
    // Drop the connection too, so that a later Database starts on a fresh one.
    const QString connection = db.connectionName();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
    logLine(QStringLiteral("Database shutdown."), Info);
}

void Database::setCamoHooks(DatabaseCamoHooks *hooks)
{
    mCamoHooks = hooks;
}

void Database::setWindowHooks(DatabaseWindowHooks *hooks)
{
    mWindowHooks = hooks;
}

QString Database::gamePath() const
{
    Settings *settings = Settings::instance();
    return settings ? QDir::toNativeSeparators(settings->brastelPath) : QString();
}

QString Database::allText()
{
    if (!mAllTextKnown) {
        return translate(QStringLiteral("#menu:carousel_tank_filter/all"));
    }
    return mAllText;
}

QString Database::rebuildSecondsText(qint64 elapsedMs)
{
    return QString::number(float((elapsedMs + 500) * 0.001), 'g', 6);
}

void Database::rebuildDatabase()
{
    QElapsedTimer timer;
    timer.start();
    if (mWindowHooks) {
        mWindowHooks->showStatus(tr("Rebuilding database."), 0);
    }

    if (mCamoHooks) {
        mCamoHooks->clearCamouflages();
    }
    nextId = 1;
    maxTier = 1;
    nations.clear();
    categories.clear();
    tiers.clear();
    mCategoryCache.clear();
    mAllTextKnown = false;
    logLine(QStringLiteral("Building database."), Info);

    {
        // The insert is prepared afresh against each new table.
        mInsert.reset();
        QSqlQuery query(db);
        query.exec(QStringLiteral("DROP TABLE Tanks_Tbl"));
        if (!query.exec(TABLE_CREATE)) {
            logLine(QStringLiteral("Failed to create database table."), Error);
        }
    }

    // From here on the old table is gone: every stop still tells the tank list,
    // so that it shows the empty state instead of tanks that can no longer load.
    QFile listFile(DATA_DIR + QStringLiteral("tank_list.cfg"));
    if (!listFile.open(QIODevice::ReadOnly)) {
        const QString text = QStringLiteral("Could not open tank list file.");
        logLine(text, Error);
        queueFatalError(text);
        emit databaseRebuilt();
        return;
    }
    QDomDocument tankList;
    if (!tankList.setContent(&listFile)) {
        const QString text = QStringLiteral("Could not set XML content.");
        logLine(text, Error);
        queueFatalError(text);
        listFile.close();
        emit databaseRebuilt();
        return;
    }
    listFile.close();

    mAllText = allText();
    mAllTextKnown = true;
    nations.append(mAllText);
    categories.append(mAllText);

    const QString itemTypesPath = QDir::toNativeSeparators(
        gamePath() + QStringLiteral("/res/scripts/item_defs/item_types.xml"));
    if (!QFile::exists(itemTypesPath)) {
        logLine(QStringLiteral("Could not locate: ") + itemTypesPath, Warning);
        showWarning(mWindowHooks ? mWindowHooks->dialogParent() : nullptr, APP_NAME,
                    tr("Could not build the database.\nPlease check that your Brastel path is "
                       "correct."),
                    QMessageBox::Ok, QMessageBox::NoButton);
        emit databaseRebuilt();
        return;
    }

    FileManager *files = FileManager::instance();
    const QDomDocument itemTypes =
        readGameXml(files ? files->openFile(itemTypesPath) : nullptr, itemTypesPath);
    // The root element rather than the first child: a plain table may open with
    // its XML declaration.
    itemTypesRoot = itemTypes.documentElement();

    const QString separator = QDir::separator();
    for (QDomNode node = tankList.documentElement().firstChild(); !node.isNull();
         node = node.nextSibling()) {
        // Comments in the program's own list are no nations.
        if (!node.isElement()) {
            continue;
        }
        const QString resPath =
            QDir::toNativeSeparators(node.firstChildElement(QStringLiteral("ResPath")).text());
        const QString dataPath =
            QDir::toNativeSeparators(node.firstChildElement(QStringLiteral("DataPath")).text());
        const QString listPath = QDir::toNativeSeparators(resPath + QStringLiteral("/list.xml"));
        const QString camoPath =
            QDir::toNativeSeparators(resPath + QStringLiteral("/customization.xml"));
        if (loadNation(listPath, dataPath) && mCamoHooks) {
            const QString nation = listFolder(listPath).section(separator, -1);
            mCamoHooks->loadCamoXml(camoPath, translateNation(nation));
        }
    }

    tiers.append(mAllText);
    for (int tier = 1; tier <= maxTier; ++tier) {
        tiers.append(QString::number(tier));
    }

    emit databaseRebuilt();

    logLine(QStringLiteral("Database rebuilt in: ") + rebuildSecondsText(timer.elapsed())
                + QStringLiteral(" seconds"),
            Info);

    if (mWindowHooks) {
        mWindowHooks->showStatus(tr("Database rebuilt."), 4000);
        mWindowHooks->reloadSceneAfterRebuild();
    }
}

QString Database::translateNation(const QString &nation)
{
    return translate(QStringLiteral("#menu:nations/") + nation);
}

QString Database::translatedCategory(const QString &tag)
{
    // An empty name would select the first class of the table.
    if (tag.isEmpty()) {
        return QStringLiteral("");
    }
    const QString reference = itemTypesRoot.firstChildElement(QStringLiteral("vehicle"))
                                  .firstChildElement(QStringLiteral("tags"))
                                  .firstChildElement(tag)
                                  .firstChildElement(QStringLiteral("userString"))
                                  .text();
    return translate(reference);
}

bool Database::loadNation(const QString &listPath, const QString &dataPath)
{
    logLine(QStringLiteral("Loading tank list file: ") + listPath, Info);

    FileManager *files = FileManager::instance();
    QBuffer *buffer =
        files ? files->openFile(QDir::toNativeSeparators(gamePath() + RES_DIR + listPath))
              : nullptr;
    if (!buffer) {
        logLine(QStringLiteral("Failed to load nation file: ") + listPath, Warning);
        return false;
    }
    const QDomDocument list = readGameXml(buffer, listPath);
    const QDomElement root = list.documentElement();
    // A packed root always carries its own value as a text node; only element
    // children are vehicles.
    if (root.firstChildElement().isNull()) {
        logLine(QStringLiteral("Nation list empty."), Error);
        return false;
    }

    const QString separator = QDir::separator();
    const QString folder = listFolder(listPath);
    const QString nation = folder.section(separator, -1);
    const QString translatedNation = translateNation(nation);
    if (!nations.contains(translatedNation)) {
        nations.append(translatedNation);
    }

    for (QDomElement vehicle = root.firstChildElement(); !vehicle.isNull();
         vehicle = vehicle.nextSiblingElement()) {
        const QString model = vehicle.tagName();
        if (model == QLatin1String("Observer") || model.contains(QLatin1String("training"))
            || model == QLatin1String("#text")) {
            continue;
        }
        bool ok = false;
        int tier = vehicle.firstChildElement(QStringLiteral("level")).text().trimmed().toInt(&ok);
        if (!ok) {
            tier = 0;
        }
        const QString category =
            firstWord(vehicle.firstChildElement(QStringLiteral("tags")).text().trimmed());
        const QString xmlFile =
            QDir::toNativeSeparators(folder + separator + model + QStringLiteral(".xml")).toLower();
        const QString path = QDir::toNativeSeparators(dataPath) + separator + model;
        const QString translatedName =
            translate(vehicle.firstChildElement(QStringLiteral("userString")).text().trimmed());
        const QString description =
            translate(vehicle.firstChildElement(QStringLiteral("description")).text().trimmed());

        auto cached = mCategoryCache.constFind(category);
        if (cached == mCategoryCache.constEnd()) {
            cached = mCategoryCache.insert(category, translatedCategory(category));
        }
        const QString translatedClass = cached.value();
        if (!categories.contains(translatedClass)) {
            categories.append(translatedClass);
        }
        if (tier > MAX_LISTED_TIER) {
            logLine(
                QStringLiteral("Tank list: level %1 of %2 is above %3; the tier list stops at %3.")
                    .arg(tier)
                    .arg(model)
                    .arg(MAX_LISTED_TIER),
                Warning);
        }
        maxTier = qMax(maxTier, qMin(tier, MAX_LISTED_TIER));

        if (!insertTank(nation, translatedNation, model, translatedName, category, translatedClass,
                        tier, path, xmlFile, description)) {
            logLine(QStringLiteral("Failed to add tank: ") + translatedName, Info);
        }
    }
    return true;
}

bool Database::insertTank(const QString &nation, const QString &translatedNation,
                          const QString &model, const QString &translatedName,
                          const QString &category, const QString &translatedCategory, int tier,
                          const QString &path, const QString &xmlFile, const QString &description)
{
    const int id = nextId++;
    if (!mInsert) {
        auto query = std::make_unique<QSqlQuery>(db);
        if (!query->prepare(TANK_INSERT)) {
            logLine(QStringLiteral("Database error: ") + query->lastError().text(), Error);
            return false;
        }
        mInsert = std::move(query);
    }
    QSqlQuery &query = *mInsert;
    query.bindValue(QStringLiteral(":id"), id);
    query.bindValue(QStringLiteral(":Nation"), notNull(nation));
    query.bindValue(QStringLiteral(":TranslatedNation"), notNull(translatedNation));
    query.bindValue(QStringLiteral(":Model"), notNull(model));
    query.bindValue(QStringLiteral(":TranslatedName"), notNull(translatedName));
    query.bindValue(QStringLiteral(":Path"), notNull(path));
    query.bindValue(QStringLiteral(":Catergory"), notNull(category));
    query.bindValue(QStringLiteral(":TranslatedCatergory"), notNull(translatedCategory));
    query.bindValue(QStringLiteral(":Tier"), tier);
    query.bindValue(QStringLiteral(":XmlFile"), notNull(xmlFile));
    query.bindValue(QStringLiteral(":Description"), notNull(description));
    const bool inserted = query.exec();
    if (!inserted) {
        // The statement's own error: the connection's stays empty for a failed query.
        logLine(QStringLiteral("Database error: ") + query.lastError().text(), Error);
    }
    return inserted;
}

QString Database::lookup(const QString &name, int column)
{
    QSqlQuery query(db);
    query.prepare(LOOKUP_SELECT);
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec() || !query.next()) {
        return {};
    }
    return query.value(column).toString();
}

QString Database::xmlFileOf(const QString &name)
{
    return lookup(name, ColumnXmlFile);
}

QString Database::translatedCategoryOf(const QString &name)
{
    return lookup(name, ColumnTranslatedCategory);
}

QString Database::translatedNationOf(const QString &name)
{
    return lookup(name, ColumnTranslatedNation);
}

QString Database::tierOf(const QString &name)
{
    return lookup(name, ColumnTier);
}

QString Database::shortName(const QString &name)
{
    const QString file = QDir::toNativeSeparators(xmlFileOf(name));
    return file.section(QDir::separator(), -1).section(QLatin1Char('.'), 0, 0);
}

QString Database::tankDirectory(const QString &name)
{
    QSqlQuery query(db);
    query.prepare(LOOKUP_SELECT);
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec() || !query.next()) {
        return {};
    }
    const QString xmlFile = query.value(ColumnXmlFile).toString();
    if (xmlFile.isEmpty()) {
        return {};
    }
    const QStringList path = query.value(ColumnPath).toString().split(QDir::separator());
    const QString folder = modelPartsOf(xmlFile);
    // Without the model folder the result would name the whole nation folder.
    if (path.size() < 2 || folder.isEmpty()) {
        return {};
    }
    return path.at(0) + QLatin1Char('/') + path.at(1) + QLatin1Char('/') + folder;
}

QString Database::modelPartsOf(const QString &xmlFile)
{
    FileManager *files = FileManager::instance();
    if (!files) {
        return {};
    }
    const QString separator = QDir::separator();
    QBuffer *buffer = files->openFile(QDir::toNativeSeparators(xmlFile));
    if (!buffer) {
        buffer = files->openPlainFile(gamePath() + separator + QStringLiteral("res") + separator
                                      + xmlFile);
    }
    if (!buffer) {
        return {};
    }
    const QDomDocument definition = readGameXml(buffer, xmlFile);
    const QString undamaged = definition.documentElement()
                                  .firstChildElement(QStringLiteral("hull"))
                                  .firstChildElement(QStringLiteral("models"))
                                  .firstChildElement(QStringLiteral("undamaged"))
                                  .text()
                                  .trimmed();
    const QStringList parts = QDir::toNativeSeparators(undamaged).split(separator);
    if (parts.size() < 3) {
        return {};
    }
    return parts.at(2);
}

QSqlQuery *Database::runFilter(const QString &nation, const QString &category, const QString &tier,
                               const QString *namePattern)
{
    const QString all = allText();
    QStringList conditions;
    conditions << (nation == all ? QStringLiteral("TranslatedNation IS NOT NULL")
                                 : QStringLiteral("TranslatedNation = :nation"));
    conditions << (category == all ? QStringLiteral("TranslatedCatergory IS NOT NULL")
                                   : QStringLiteral("TranslatedCatergory = :category"));
    // Tier has integer affinity, so the bound text compares as a number.
    conditions << (tier == all ? QStringLiteral("Tier IS NOT NULL")
                               : QStringLiteral("Tier = :tier"));
    if (namePattern) {
        conditions << QStringLiteral("TranslatedName LIKE :name");
    }
    // The id keeps the order within one nation and tier stable.
    const QString sql = QStringLiteral("SELECT * FROM Tanks_Tbl WHERE ")
                        + conditions.join(QStringLiteral(" AND "))
                        + QStringLiteral(" ORDER BY nation, tier, id");

    auto *query = new QSqlQuery(db);
    // Callers read the rows once, in order; without the backward cache the driver
    // does not keep a copy of every row read.
    query->setForwardOnly(true);
    if (!query->prepare(sql) && namePattern) {
        qDebug().noquote() << QStringLiteral("SQL ERROR: ") + query->lastError().text();
    }
    if (nation != all) {
        query->bindValue(QStringLiteral(":nation"), nation);
    }
    if (category != all) {
        query->bindValue(QStringLiteral(":category"), category);
    }
    if (tier != all) {
        query->bindValue(QStringLiteral(":tier"), tier);
    }
    if (namePattern) {
        query->bindValue(QStringLiteral(":name"), *namePattern);
    }
    query->exec();
    return query;
}

QSqlQuery *Database::filterQuery(const QString &nation, const QString &category,
                                 const QString &tier, const QString &namePattern)
{
    return runFilter(nation, category, tier, &namePattern);
}

QSqlQuery *Database::filterQueryAll(const QString &nation, const QString &category,
                                    const QString &tier)
{
    return runFilter(nation, category, tier, nullptr);
}
