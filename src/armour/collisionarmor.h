#pragma once

#include "core/singleton.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <glm/glm.hpp>

class QStandardItemModel;
class QTableView;

// One armour plate of the hull or the chassis. name is the armour id, the
// material name of the collision model's primitive group.
struct ArmorEntry
{
    float thickness = 0.0f; // mm
    QString name;
    bool spaced = false;
};

// One armour plate of a turret or a gun; model is the display name of the
// turret or gun it belongs to.
struct ModelArmorEntry
{
    float thickness = 0.0f; // mm
    QString name;
    QString model;
    bool spaced = false;
};

// The main window registers itself here while it exists.
class CollisionArmorWindowHooks
{
public:
    virtual ~CollisionArmorWindowHooks() = default;
    // The views of the regular and the spaced thickness table; null skips that table.
    virtual QTableView *armorTableView() = 0;
    virtual QTableView *spacedArmorTableView() = 0;
    // The checked state of "Hide Spaced Armor".
    virtual bool hideSpacedArmor() { return false; }
};

// The loaded tank's armour: the plates of each part, the distinct thicknesses
// of regular and spaced armour, and the colour each thickness is drawn in.
// Refilled for every tank: clear, the add calls, then buildArmorTables.
class CollisionArmor : public QObject, public Singleton<CollisionArmor>
{
    Q_OBJECT

public:
    explicit CollisionArmor(QObject *parent = nullptr);
    ~CollisionArmor() override;

    // Not owned; pass null to unregister.
    void setWindowHooks(CollisionArmorWindowHooks *hooks);
    CollisionArmorWindowHooks *windowHooks() const { return mWindowHooks; }

    // Empties lists, maps and thicknesses and drops both highlights.
    void clear();

    // Regular thicknesses go to the distinct regular list, spaced ones to the
    // spaced list; the hull's regular "surveyingDevice" is not armour and stays
    // out of the regular list. The entry is kept either way.
    void addChassisArmor(float thickness, const QString &name, bool spaced);
    void addHullArmor(float thickness, const QString &name, bool spaced);
    void addGunArmor(float thickness, const QString &name, const QString &gunName, bool spaced);
    void addTurretArmor(float thickness, const QString &name, const QString &turretName,
                        bool spaced);

    // Appends t unless an equal value is listed already.
    void addRegularThickness(float t);
    void addSpacedThickness(float t);

    // Exact, case-sensitive matches; the last match wins. None gives a zero,
    // unnamed, regular entry.
    ArmorEntry findChassisArmor(const QString &name) const;
    ArmorEntry findHullArmor(const QString &name) const;
    ModelArmorEntry findGunArmor(const QString &name, const QString &gunName) const;
    ModelArmorEntry findTurretArmor(const QString &name, const QString &turretName) const;

    // Sorts both thickness lists, assigns the colour ramps and fills the two
    // tables of the window hooks (each row: the thickness as text, its exact
    // value under Qt::UserRole, its colour as background).
    void buildArmorTables();

    // The draw colour of a plate, components 0..1: purple for a surveying
    // device, dark grey when another thickness of its kind is highlighted,
    // else the thickness's ramp colour, black for a thickness without one.
    // Runs for every collision group on every frame.
    glm::vec4 colorForThickness(float thickness, bool spaced, bool surveyingDevice) const;

    QList<ArmorEntry> chassisArmor;
    QList<ArmorEntry> hullArmor;
    QList<ModelArmorEntry> gunArmor;
    QList<ModelArmorEntry> turretArmor;
    QMap<float, glm::vec4> spacedColors; // components 0..255
    QMap<float, glm::vec4> regularColors;
    QVector<float> spacedThicknesses;
    QVector<float> regularThicknesses;
    // Set and cleared by the window's table clicks; -1 while nothing is selected.
    bool highlightRegular = false;
    bool highlightSpaced = false;
    float selectedRegularThickness = -1.0f;
    float selectedSpacedThickness = -1.0f;

private:
    void fillTable(QTableView *view, QPointer<QStandardItemModel> &current,
                   const QVector<float> &thicknesses, const QMap<float, glm::vec4> &colors);

    CollisionArmorWindowHooks *mWindowHooks = nullptr;
    // The models this registry set on the tables; each is deleted when replaced.
    QPointer<QStandardItemModel> mArmorModel;
    QPointer<QStandardItemModel> mSpacedModel;

    Q_DISABLE_COPY(CollisionArmor)
};
