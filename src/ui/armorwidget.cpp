#include "ui/armorwidget.h"

ArmorWidget::ArmorWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
}
