#include "ui/armorwidget.h"

#include "ui/mainwindow.h"

#include "armour/physics.h"

#include "core/constants.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

namespace {

QString number(float value)
{
    return QString::number(value, 'g', 6);
}

// Class 0's colour has no semicolon before the closing quote; the others do.
QString backgroundFor(qint32 hitClass)
{
    switch (hitClass) {
    case HitSpaced: return QStringLiteral("#FF99FF");
    case HitSurveyingDevice: return QStringLiteral("#66CCFF;");
    case HitTrack:
    case HitGun: return QStringLiteral("#66FF99;");
    case HitRegular: return QStringLiteral("#FF6666;");
    default: return QString();
    }
}

QString paragraph(const QString &background, const QString &text)
{
    return QStringLiteral("<p style=\"color: black;background-color: ") + background
           + QStringLiteral("\">") + text + QStringLiteral("</p>");
}

} // namespace

ArmorWidget::ArmorWidget(QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    qRegisterMetaType<RayResultsList>("RayResultsList");
    connect(this, &QDockWidget::visibilityChanged, this, &ArmorWidget::vischanged);
    if (Physics *physics = Physics::instance()) {
        connect(physics, &Physics::rayHit, this, &ArmorWidget::armorHitResult);
    }
}

QString ArmorWidget::resultsHtml(const RayResultsList &results)
{
    const QChar degree(0x00B0);
    QString html;
    for (int i = 0; i < results.size(); ++i) {
        const RayResult &r = results.at(i);
        const QString background = backgroundFor(r.hitClass);
        // A name from a game file is text, not markup.
        html += paragraph(background, tr("Material: ") + r.material.toHtmlEscaped());
        html +=
            paragraph(background, tr("Angle: ") + number(r.angle) + degree + QStringLiteral(" (")
                                      + number(r.normalizedAngle) + degree + QLatin1Char(' ')
                                      + tr("normalized") + QLatin1Char(')'));
        html += paragraph(background, tr("Armor: ") + number(r.armor) + QStringLiteral("mm (")
                                          + number(r.effectiveArmor) + QStringLiteral("mm ")
                                          + tr("effective") + QLatin1Char(')'));
        if (r.ricochet) {
            html += paragraph(QStringLiteral("#008080;"), tr("Ricochet"));
        }
        if (i + 1 < results.size()) {
            html += paragraph(QStringLiteral("white;"), tr("Free Travel: ")
                                                            + number(r.freeTravel * 100.0f)
                                                            + QStringLiteral("cm"));
        }
    }
    return html;
}

void ArmorWidget::vischanged(bool val)
{
    setProperty(qPrintable(VISIBILITY_PROPERTY), val);
}

void ArmorWidget::armorHitResult(const RayResultsList &results)
{
    auto *text = findChild<QPlainTextEdit *>(QStringLiteral("armorResultsText"));
    if (!text) {
        return;
    }
    text->clear();
    text->appendHtml(resultsHtml(results));
}

void ArmorWidget::keyPressEvent(QKeyEvent *event)
{
    if (MainWindow *window = MainWindow::instance()) {
        window->dockKeyPress(event);
    }
    event->accept();
}
