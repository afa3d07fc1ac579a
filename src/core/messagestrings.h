#pragma once

#include "core/singleton.h"

#include <QString>

// User texts translated once at start-up and read by the windows and dialogs.
class MessageStrings : public Singleton<MessageStrings>
{
public:
    MessageStrings();

    QString selectTank;
    QString selectModFolder;
    QString createDirectoryFailed;
    QString directoryExists;
    QString extractTexturesFailed;
    QString openDirectory;
    QString selectFile;
    QString update;
};
