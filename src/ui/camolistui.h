#pragma once

#include <QListView>

// The Camo dock's list of camouflage swatches; the four channel buttons change the
// colours through its slots, empty until the swatch list is built.
class CamoListUI : public QListView
{
    Q_OBJECT

public:
    explicit CamoListUI(QWidget *parent = nullptr);

public slots:
    void changeColor0();
    void changeColor1();
    void changeColor2();
    void changeColor3();

private:
    Q_DISABLE_COPY(CamoListUI)
};
