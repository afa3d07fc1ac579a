#pragma once

#include <QByteArray>
#include <QString>

// Every file the program writes for the user goes through saveFileBytes(), and every
// file or folder it makes in the mod folder passes targetInsideFolder() first.

// Writes bytes to path so that the old file keeps its bytes unless every new byte has
// reached the disk: written aside through QSaveFile, each byte and the flush checked,
// then renamed over path. QSaveFile::commit() alone is not enough: on a full disk it
// can answer true after a failed write and leave an empty or cut file.
// On failure nothing but the old file (if any) is left at path, a Warning line naming
// the file and the reason is logged, *error (when given) gets the reason, *openFailed
// (when given) whether the file could not even be opened, and the answer is false.
// The folder of path must exist.
[[nodiscard]] bool saveFileBytes(const QString &path, const QByteArray &bytes,
                                 QString *error = nullptr, bool *openFailed = nullptr);

// The cleaned target of relative below folder, with '/' separators, or an empty string
// when the folder is empty, relative is empty or absolute, or the cleaned target does
// not lie inside the cleaned folder (".." climbing out of it). Game paths may use '\'.
// Links are not resolved: a link the user made inside the folder is the user's choice.
[[nodiscard]] QString targetInsideFolder(const QString &folder, const QString &relative);

// Whether the cleaned path lies inside the cleaned folder (the folder itself excluded).
[[nodiscard]] bool isInsideFolder(const QString &folder, const QString &path);

// Makes folder and its missing parents, when it is root or lies inside it. False, with
// a Warning line and the reason in *error, when it lies outside or cannot be made.
[[nodiscard]] bool makeFolderInside(const QString &root, const QString &folder,
                                    QString *error = nullptr);
