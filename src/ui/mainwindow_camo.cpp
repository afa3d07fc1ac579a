// The main window's camouflage commands and the camouflage loader's window hooks.
#include "ui/mainwindow.h"

#include "ui/camolistui.h"

#include "tank/camoloader.h"
#include "tank/tankscene.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/messagestrings.h"
#include "core/settings.h"

void MainWindow::updateCamoList(bool selectFirst)
{
    ui.listView_2->updateCamoList(selectFirst);
}

void MainWindow::checkSummerSeason()
{
    ui.SummerRadioBtn->setChecked(true);
}

void MainWindow::refillCamoList()
{
    if (const CamoLoader *camo = mScene.camoLoader()) {
        ui.listView_2->updateCamoList(camo->lastSelectFirst());
    }
}

void MainWindow::toggleCamoEnable(bool disable)
{
    if (CamoLoader *camo = mScene.camoLoader()) {
        camo->camoEnabled = !disable;
    }
}

void MainWindow::toggleCamo()
{
    ui.listView_2->changeSeason();
}

void MainWindow::exportCamoBake()
{
    if (!camoExportAllowed()) {
        return;
    }
    const Settings *settings = Settings::instance();
    if (!settings || settings->modPath.isEmpty()) {
        const MessageStrings *strings = MessageStrings::instance();
        showInformation(this, APP_NAME,
                        strings
                            ? strings->selectModFolder
                            : tr("You must select a mod folder in the application preferences."),
                        QMessageBox::Ok);
        return;
    }
    mScene.camoLoader()->bakeCamo();
}
