#include "core/messagestrings.h"

#include <QObject>

MessageStrings::MessageStrings()
    : selectTank(QObject::tr("You must select a tank."))
    , selectModFolder(QObject::tr("You must select a mod folder in the application preferences."))
    , createDirectoryFailed(QObject::tr("Failed to create directory"))
    , directoryExists(QObject::tr("Directory already exists."))
    , extractTexturesFailed(QObject::tr("Failed to extract textures"))
    , openDirectory(QObject::tr("Open Directory"))
    , selectFile(QObject::tr("Select a file"))
    , update(QObject::tr("Update"))
{
}
