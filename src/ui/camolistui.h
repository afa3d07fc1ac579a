#pragma once

#include "core/singleton.h"

#include <QListView>
#include <QString>

class QLabel;
class QStandardItemModel;

// The Camo dock's grid of camouflage swatches for one season of the loaded tank's
// nation, and the dock's four colour swatches of the current camouflage. Reads the
// camouflage loader and the main window's form; owns only its item model.
class CamoListUI : public QListView, public Singleton<CamoListUI>
{
    Q_OBJECT

public:
    explicit CamoListUI(QWidget *parent = nullptr);
    ~CamoListUI() override;

    // Refills the grid from the camouflage loader's lists of the season while a tank
    // is loaded, and repaints the colour swatches; selectFirst makes row 0 current,
    // else the row current before stays current when it still exists.
    void updateCamoList(bool selectFirst);
    // Takes the season from the dock's buttons (unchanged with none on) and refills
    // with the first swatch current.
    void changeSeason();

    QString season = QStringLiteral("summer");
    QStandardItemModel *camoModel = nullptr; // owned by the view

public slots:
    void imageClicked(const QModelIndex &index);
    void changeColor0();
    void changeColor1();
    void changeColor2();
    void changeColor3();

private:
    void changeColor(int k);
    void paintSwatches();
    QLabel *swatch(int k) const;

    QString mUnused;

    Q_DISABLE_COPY(CamoListUI)
};
