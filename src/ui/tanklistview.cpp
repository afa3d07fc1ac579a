#include "ui/tanklistview.h"

TankListView::TankListView(QWidget *parent)
    : QListView(parent)
{
}

void TankListView::openDirectory() { }

void TankListView::createDirectory() { }

void TankListView::extractTextures() { }

void TankListView::editTexture() { }

void TankListView::generateUVMap() { }

void TankListView::exportTankMesh() { }
