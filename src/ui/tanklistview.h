#pragma once

#include <QListView>

// The Tanks dock's list of tank names. The main window sets its model; the folder and
// texture commands of the selected tank are slots here, empty until they are built.
class TankListView : public QListView
{
    Q_OBJECT

public:
    explicit TankListView(QWidget *parent = nullptr);

public slots:
    void openDirectory();
    void createDirectory();
    void extractTextures();
    void editTexture();
    void generateUVMap();
    void exportTankMesh();

private:
    Q_DISABLE_COPY(TankListView)
};
