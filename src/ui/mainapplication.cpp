#include "ui/mainapplication.h"

#include "core/log.h"
#include "core/messagestrings.h"

MainApplication::MainApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

MainApplication::~MainApplication()
{
    if (!initialised) {
        return;
    }
    delete Log::instance();
    delete MessageStrings::instance();
}

void MainApplication::init()
{
    new MessageStrings();
    new Log();
    initialised = true;
}
