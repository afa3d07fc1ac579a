#include "ui/camolistui.h"

CamoListUI::CamoListUI(QWidget *parent)
    : QListView(parent)
{
}

void CamoListUI::changeColor0() { }

void CamoListUI::changeColor1() { }

void CamoListUI::changeColor2() { }

void CamoListUI::changeColor3() { }
