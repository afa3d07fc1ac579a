#pragma once

#include "core/singleton.h"

#include <QDomElement>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class QSqlQuery;
class QWidget;

// The camouflage loader lives in a higher library; it registers itself here when
// it exists. With nothing registered the rebuild skips the camouflage steps.
class DatabaseCamoHooks
{
public:
    virtual ~DatabaseCamoHooks() = default;
    // Empties the camouflage lists before a rebuild.
    virtual void clearCamouflages() = 0;
    // Reads one nation's customization file; nation is its translated name. False
    // when the file could not be read (the rebuild goes on either way).
    virtual bool loadCamoXml(const QString &camoPath, const QString &nation) = 0;
};

// The main window registers itself here while it exists.
class DatabaseWindowHooks
{
public:
    virtual ~DatabaseWindowHooks() = default;
    // Shows text in the status bar; timeoutMs 0 keeps it until replaced.
    virtual void showStatus(const QString &text, int timeoutMs) = 0;
    // Parent of the database's warning box.
    virtual QWidget *dialogParent() = 0;
    // Called after each successful rebuild; reloads the scene when the view is
    // initialised, else does nothing.
    virtual void reloadSceneAfterRebuild() = 0;
};

// The in-memory table of the game's tanks, the filter lists of the tank list and
// the look-ups by translated name. Rebuilt whole on every valid game path.
class Database : public QObject, public Singleton<Database>
{
    Q_OBJECT

public:
    Database();
    ~Database() override;

    // Hooks are not owned; pass null to unregister.
    void setCamoHooks(DatabaseCamoHooks *hooks);
    void setWindowHooks(DatabaseWindowHooks *hooks);
    DatabaseCamoHooks *camoHooks() const { return mCamoHooks; }

    QString translateNation(const QString &nation);
    QString translatedCategory(const QString &tag);

    bool loadNation(const QString &listPath, const QString &dataPath);
    bool insertTank(const QString &nation, const QString &translatedNation, const QString &model,
                    const QString &translatedName, const QString &category,
                    const QString &translatedCategory, int tier, const QString &path,
                    const QString &xmlFile, const QString &description);

    // Look-ups by translated name: the column of the first matching row, empty
    // when no row matches.
    QString xmlFileOf(const QString &name);
    QString translatedCategoryOf(const QString &name);
    QString translatedNationOf(const QString &name);
    QString tierOf(const QString &name);
    // The definition file's base name without extension.
    QString shortName(const QString &name);
    // The tank's model folder relative to the resource folder, "/" separated.
    QString tankDirectory(const QString &name);
    // The model folder name from the definition's undamaged hull model path;
    // empty when the definition cannot be read or the path is too short.
    QString modelPartsOf(const QString &xmlFile);

    // Executed queries owned by the caller, which reads the rows and deletes them.
    // Each of nation, category and tier may be the translated "all" text.
    QSqlQuery *filterQuery(const QString &nation, const QString &category, const QString &tier,
                           const QString &namePattern);
    QSqlQuery *filterQueryAll(const QString &nation, const QString &category, const QString &tier);

    // The seconds of the rebuild log line for an elapsed time in milliseconds.
    static QString rebuildSecondsText(qint64 elapsedMs);

    QSqlDatabase db;
    QStringList nations;
    QStringList categories;
    QStringList tiers;
    int nextId = 1;
    int maxTier = 1;
    QDomElement itemTypesRoot;

public slots:
    void rebuildDatabase();

signals:
    void databaseRebuilt();

private:
    QString allText();
    QString gamePath() const;
    QString lookup(const QString &name, int column);
    QSqlQuery *runFilter(const QString &nation, const QString &category, const QString &tier,
                         const QString *namePattern);

    // The insert statement, prepared once per table rather than once per tank:
    // preparing dominated the rebuild.
    std::unique_ptr<QSqlQuery> mInsert;
    DatabaseCamoHooks *mCamoHooks = nullptr;
    DatabaseWindowHooks *mWindowHooks = nullptr;
    // Class translations of the current rebuild: each class is looked up once
    // rather than once per tank, which would swap catalogues on every row.
    QHash<QString, QString> mCategoryCache;
    // The "all" text of the current rebuild, looked up once for every query.
    QString mAllText;
    bool mAllTextKnown = false;

    Q_DISABLE_COPY(Database)
};
