#include "ui/camolistui.h"

#include "ui/mainwindow.h"

#include "tank/camoloader.h"
#include "tank/tankloader.h"

#include "core/dialogs.h"

#include <QLabel>
#include <QPixmap>
#include <QStandardItemModel>

namespace {

// The loader keeps colours as floats 0..255; a swatch shows them truncated.
QColor swatchColor(const glm::vec4 &c)
{
    return QColor(int(c.x), int(c.y), int(c.z), int(c.w));
}

} // namespace

CamoListUI::CamoListUI(QWidget *parent)
    : QListView(parent)
{
    setViewMode(QListView::IconMode);
    setIconSize(QSize(65, 65));
    setUniformItemSizes(true);
    setSelectionRectVisible(true);
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setResizeMode(QListView::Adjust);
    setSpacing(2);
    camoModel = new QStandardItemModel(this);
    setModel(camoModel);
    connect(this, &QListView::clicked, this, &CamoListUI::imageClicked);
}

CamoListUI::~CamoListUI() = default;

void CamoListUI::updateCamoList(bool selectFirst)
{
    const QModelIndex remembered = currentIndex();
    const int row = remembered.row();
    const int column = remembered.column();
    const TankLoader *tank = TankLoader::instance();
    const CamoLoader *camo = CamoLoader::instance();
    if (!tank || !tank->loaded || !camo) {
        return;
    }
    QList<QImage *> images;
    QStringList descriptions;
    if (season == QLatin1String("summer")) {
        images = camo->summerImages();
        descriptions = camo->summerDescriptions();
    } else if (season == QLatin1String("desert")) {
        images = camo->desertImages();
        descriptions = camo->desertDescriptions();
    } else if (season == QLatin1String("winter")) {
        images = camo->winterImages();
        descriptions = camo->winterDescriptions();
    }
    camoModel->clear();
    for (int i = 0; i < images.size(); ++i) {
        auto *item = new QStandardItem;
        if (images.at(i)) {
            item->setIcon(QIcon(QPixmap::fromImage(*images.at(i))));
        }
        item->setToolTip(descriptions.value(i));
        camoModel->appendRow(item);
    }
    paintSwatches();
    if (selectFirst) {
        setCurrentIndex(camoModel->index(0, 0));
    } else {
        setCurrentIndex(camoModel->index(row, column));
    }
}

void CamoListUI::changeSeason()
{
    if (MainWindow *window = MainWindow::instance()) {
        if (window->ui.WinterRadioBtn->isChecked()) {
            season = QStringLiteral("winter");
        } else if (window->ui.SummerRadioBtn->isChecked()) {
            season = QStringLiteral("summer");
        } else if (window->ui.DesertRadioBtn->isChecked()) {
            season = QStringLiteral("desert");
        }
    }
    updateCamoList(true);
}

void CamoListUI::imageClicked(const QModelIndex &index)
{
    if (CamoLoader *camo = CamoLoader::instance()) {
        camo->selectCamo(index.row(), season);
    }
    paintSwatches();
}

void CamoListUI::changeColor0()
{
    changeColor(0);
}

void CamoListUI::changeColor1()
{
    changeColor(1);
}

void CamoListUI::changeColor2()
{
    changeColor(2);
}

void CamoListUI::changeColor3()
{
    changeColor(3);
}

void CamoListUI::changeColor(int k)
{
    CamoLoader *camo = CamoLoader::instance();
    if (!camo) {
        return;
    }
    glm::vec4 &working = camo->colors[std::size_t(k)];
    const QColor chosen =
        chooseColor(this, swatchColor(working), QString(), QColorDialog::ShowAlphaChannel);
    if (!chosen.isValid()) {
        return;
    }
    working = glm::vec4(float(chosen.red()), float(chosen.green()), float(chosen.blue()),
                        float(chosen.alpha()));
    if (QLabel *label = swatch(k)) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, chosen);
        label->setAutoFillBackground(true);
        label->setPalette(palette);
    }
}

void CamoListUI::paintSwatches()
{
    const CamoLoader *camo = CamoLoader::instance();
    if (!camo) {
        return;
    }
    for (int k = 0; k < 4; ++k) {
        if (QLabel *label = swatch(k)) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::Window, swatchColor(camo->colors[std::size_t(k)]));
            label->setAutoFillBackground(true);
            label->setPalette(palette);
        }
    }
}

QLabel *CamoListUI::swatch(int k) const
{
    MainWindow *window = MainWindow::instance();
    if (!window) {
        return nullptr;
    }
    QLabel *labels[] = {window->ui.camoLabel0, window->ui.camoLabel1, window->ui.camoLabel2,
                        window->ui.camoLabel3};
    return labels[k];
}
