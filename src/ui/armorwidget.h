#pragma once

#include <QDockWidget>

// The Armor Inspector dock: shell options and the results of the last shot. A plain
// dock until the shot read-out fills it.
class ArmorWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit ArmorWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

private:
    Q_DISABLE_COPY(ArmorWidget)
};
