#pragma once

#include "armour/shot.h"

#include <QDockWidget>
#include <QString>

// The Armor Inspector dock: shell options and the results of the last shot, which it
// writes into the form's armorResultsText as coloured paragraphs.
class ArmorWidget : public QDockWidget
{
    Q_OBJECT

public:
    explicit ArmorWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // The read-out of one shot: per record its material, angle and armour lines on
    // the colour of its hit class, a ricochet line, and the free travel to the next
    // record (none after the last).
    [[nodiscard]] static QString resultsHtml(const RayResultsList &results);

public slots:
    void vischanged(bool val);
    void armorHitResult(const RayResultsList &results);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Q_DISABLE_COPY(ArmorWidget)
};
