#include "ui/mainapplication.h"

#include "core/log.h"
#include "core/messagestrings.h"
#include "gamedata/moreadercached.h"

MainApplication::MainApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

MainApplication::~MainApplication()
{
    if (!initialised) {
        return;
    }
    delete MoReaderCached::instance();
    delete Log::instance();
    delete MessageStrings::instance();
}

void MainApplication::init()
{
    new MessageStrings();
    new Log();
    new MoReaderCached();
    initialised = true;
}
