#include "armour/collisionarmor.h"

#include "core/log.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTableView>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// QColor("purple") and QColor("darkgrey"); named colours are looked up by
// string, too slow for a per-group, per-frame call.
constexpr glm::vec4 SURVEYING_DEVICE_COLOR {128.0f / 255.0f, 0.0f, 128.0f / 255.0f, 1.0f};
constexpr glm::vec4 NOT_HIGHLIGHTED_COLOR {169.0f / 255.0f, 169.0f / 255.0f, 169.0f / 255.0f, 1.0f};

const QString SURVEYING_DEVICE = QStringLiteral("surveyingDevice");

// Appends t unless an equal value is listed. A NaN or infinite thickness would
// break the ordering the sort and the colour map rely on, so it is refused.
void addDistinct(QVector<float> &list, float t)
{
    if (!std::isfinite(t)) {
        logLine(QStringLiteral("Armour thickness %1 is not a finite number; "
                               "it is left out of the thickness tables")
                    .arg(t),
                Warning);
        return;
    }
    if (!list.contains(t)) {
        list.append(t);
    }
}

} // namespace

CollisionArmor::CollisionArmor(QObject *parent)
    : QObject(parent)
{
}

CollisionArmor::~CollisionArmor() = default;

void CollisionArmor::setWindowHooks(CollisionArmorWindowHooks *hooks)
{
    mWindowHooks = hooks;
}

void CollisionArmor::clear()
{
    chassisArmor.clear();
    hullArmor.clear();
    gunArmor.clear();
    turretArmor.clear();
    spacedColors.clear();
    regularColors.clear();
    spacedThicknesses.clear();
    regularThicknesses.clear();
    highlightRegular = false;
    highlightSpaced = false;
    selectedRegularThickness = -1.0f;
    selectedSpacedThickness = -1.0f;
}

void CollisionArmor::addChassisArmor(float thickness, const QString &name, bool spaced)
{
    if (spaced) {
        addSpacedThickness(thickness);
    } else {
        addRegularThickness(thickness);
    }
    chassisArmor.append({thickness, name, spaced});
}

void CollisionArmor::addHullArmor(float thickness, const QString &name, bool spaced)
{
    if (spaced) {
        addSpacedThickness(thickness);
    } else if (name != SURVEYING_DEVICE) {
        addRegularThickness(thickness);
    }
    hullArmor.append({thickness, name, spaced});
}

void CollisionArmor::addGunArmor(float thickness, const QString &name, const QString &gunName,
                                 bool spaced)
{
    if (spaced) {
        addSpacedThickness(thickness);
    } else {
        addRegularThickness(thickness);
    }
    gunArmor.append({thickness, name, gunName, spaced});
}

void CollisionArmor::addTurretArmor(float thickness, const QString &name, const QString &turretName,
                                    bool spaced)
{
    if (spaced) {
        addSpacedThickness(thickness);
    } else {
        addRegularThickness(thickness);
    }
    turretArmor.append({thickness, name, turretName, spaced});
}

void CollisionArmor::addRegularThickness(float t)
{
    addDistinct(regularThicknesses, t);
}

void CollisionArmor::addSpacedThickness(float t)
{
    addDistinct(spacedThicknesses, t);
}

ArmorEntry CollisionArmor::findChassisArmor(const QString &name) const
{
    ArmorEntry found;
    for (const ArmorEntry &entry : chassisArmor) {
        if (entry.name == name) {
            found = entry;
        }
    }
    return found;
}

ArmorEntry CollisionArmor::findHullArmor(const QString &name) const
{
    ArmorEntry found;
    for (const ArmorEntry &entry : hullArmor) {
        if (entry.name == name) {
            found = entry;
        }
    }
    return found;
}

ModelArmorEntry CollisionArmor::findGunArmor(const QString &name, const QString &gunName) const
{
    ModelArmorEntry found;
    for (const ModelArmorEntry &entry : gunArmor) {
        if (entry.name == name && entry.model == gunName) {
            found = entry;
        }
    }
    return found;
}

ModelArmorEntry CollisionArmor::findTurretArmor(const QString &name,
                                                const QString &turretName) const
{
    ModelArmorEntry found;
    for (const ModelArmorEntry &entry : turretArmor) {
        if (entry.name == name && entry.model == turretName) {
            found = entry;
        }
    }
    return found;
}

void CollisionArmor::buildArmorTables()
{
    std::stable_sort(spacedThicknesses.begin(), spacedThicknesses.end());
    std::stable_sort(regularThicknesses.begin(), regularThicknesses.end());

    // Red through yellow towards green: green rises first, then red falls.
    regularColors.clear();
    const int regularStep = (255 / std::max(int(regularThicknesses.size()), 1)) * 2;
    int r = 255;
    int g = 0;
    for (int i = 0; i < regularThicknesses.size(); ++i) {
        if (i > 0) {
            if (g < 255) {
                g = std::min(g + regularStep, 255);
            } else {
                r -= regularStep;
            }
        }
        regularColors.insert(regularThicknesses.at(i), glm::vec4(r, g, 0.0f, 255.0f));
    }

    // Magenta towards white.
    spacedColors.clear();
    const int spacedStep = 255 / std::max(int(spacedThicknesses.size()), 1);
    for (int i = 0; i < spacedThicknesses.size(); ++i) {
        spacedColors.insert(spacedThicknesses.at(i),
                            glm::vec4(255.0f, float(i * spacedStep), 255.0f, 255.0f));
    }

    if (!mWindowHooks) {
        return;
    }
    fillTable(mWindowHooks->armorTableView(), mArmorModel, regularThicknesses, regularColors);
    fillTable(mWindowHooks->spacedArmorTableView(), mSpacedModel, spacedThicknesses, spacedColors);
}

void CollisionArmor::fillTable(QTableView *view, QPointer<QStandardItemModel> &current,
                               const QVector<float> &thicknesses,
                               const QMap<float, glm::vec4> &colors)
{
    if (!view) {
        return;
    }
    auto *model = new QStandardItemModel(0, 1, view);
    model->setHorizontalHeaderItem(0, new QStandardItem());
    for (float t : thicknesses) {
        auto *item = new QStandardItem(QString::number(t, 'g', 6));
        // The text is rounded; the click handlers need the value the colour map is keyed by.
        item->setData(t, Qt::UserRole);
        const glm::vec4 c = colors.value(t);
        item->setBackground(QBrush(QColor(int(c.r), int(c.g), int(c.b), 255)));
        item->setEditable(false);
        model->appendRow(item);
    }

    // Deferred, since a table click may be what led here.
    if (QItemSelectionModel *oldSelection = view->selectionModel()) {
        oldSelection->deleteLater();
    }
    view->setModel(model);
    if (current && current != model) {
        current->deleteLater();
    }
    current = model;

    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->resizeRowsToContents();
}

glm::vec4 CollisionArmor::colorForThickness(float thickness, bool spaced,
                                            bool surveyingDevice) const
{
    if (surveyingDevice) {
        return SURVEYING_DEVICE_COLOR;
    }
    const bool highlight = spaced ? highlightSpaced : highlightRegular;
    const float selected = spaced ? selectedSpacedThickness : selectedRegularThickness;
    if (highlight
        && std::fabs((thickness - selected) / (selected != 0.0f ? selected : 1.0f))
               >= FLT_EPSILON) {
        return NOT_HIGHLIGHTED_COLOR;
    }
    const QMap<float, glm::vec4> &colors = spaced ? spacedColors : regularColors;
    const auto it = colors.constFind(thickness);
    if (it == colors.constEnd()) {
        return glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    }
    return glm::vec4(it->r / 255.0f, it->g / 255.0f, it->b / 255.0f, 1.0f);
}
