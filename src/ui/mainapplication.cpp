#include "ui/mainapplication.h"

#include "armour/physics.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/messagestrings.h"
#include "core/settings.h"
#include "core/sysinfo.h"
#include "gamedata/database.h"
#include "gamedata/moreadercached.h"
#include "render/buffermanager.h"

MainApplication::MainApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

MainApplication::~MainApplication()
{
    if (!initialised) {
        return;
    }
    delete Physics::instance();
    delete Database::instance();
    delete BufferManager::instance();
    delete Settings::instance();
    delete FileManager::instance();
    delete MoReaderCached::instance();
    delete Log::instance();
    delete MessageStrings::instance();
}

void MainApplication::init()
{
    new MessageStrings();
    new Log();
    new MoReaderCached();
    new FileManager();
    // Connects brastelPathChanged() to the file manager, then loads the settings.
    new Settings();
    Log::instance()->write(QStringLiteral("Brastel Version: ") + brastelVersion(), Info);
    new BufferManager();
    // Only connects to the game-path signal: the view fills the table.
    new Database();
    new Physics();
    initialised = true;
}
