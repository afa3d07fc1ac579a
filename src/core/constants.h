#pragma once

#include <QString>

// Names shared by every part of the program.
inline const QString APP_VERSION = QStringLiteral("1.0.17");
// The build number of APP_VERSION, which an update reply's newest build is compared with.
inline constexpr int APP_BUILD = 1700;
inline const QString ZIP_TAG = QStringLiteral("Zip");
inline const QString APP_NAME = QStringLiteral("Hullscope");
inline const QString DATA_DIR = QStringLiteral("../data/");
inline const QString LANGUAGES_DIR = QStringLiteral("../languages/");
inline const QString MODEL_NORMAL_LOD0 = QStringLiteral("normal/lod0");
inline const QString MODEL_COLLISION = QStringLiteral("collision");
inline const QString MODEL_CRASH_LOD0 = QStringLiteral("crash/lod0");
inline const QString SHADERS_DIR = DATA_DIR + QStringLiteral("shaders/");
inline const QString RES_DIR = QStringLiteral("/res/");
inline const QString GARAGES_FILE = QStringLiteral("garages.cfg");
// Nothing sends a request to this address; the update check is disabled.
inline const QString UPDATE_URL =
    QStringLiteral("https://updates.hullscope.invalid/downloads/BrastelVersion.xml");
inline const QString PACKAGES_DIR = RES_DIR + QStringLiteral("packages/");
inline const QString VISIBILITY_PROPERTY = QStringLiteral("Visibility");
