#pragma once

#include <QString>

// Queries of the operating system, the toolkit and the game.

QString qtVersionString();
QString architectureName();
// The name of a Windows version number of the kind the viewer was first built for.
QString windowsVersionName(int windowsVersion);
// The running system: distribution and kernel here.
QString osVersionName();
// The program's data folder: with the program in a folder named "bin_x64", the
// "data" folder beside it. Without one, the same sibling "data" folder that
// "../data/" names from the program's folder.
QString userDataDir();
// The trimmed, simplified text of the "version" element of <gamePath>/version.xml,
// or the translated "Brastel not found".
QString brastelVersionAt(const QString &gamePath);
// brastelVersionAt() of the game path in the settings.
QString brastelVersion();
