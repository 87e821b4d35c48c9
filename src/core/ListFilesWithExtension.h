#pragma once

#include <QString>
#include <QStringList>

// Bare names of the folder's files (not sub-folders) whose extension, compared without
// regard to case, is `extension` (with its dot), in ascending name order; a missing folder
// lists nothing. The process's current folder stays as it is: tools started later would
// otherwise write what they are given without a path into the listed folder.
QStringList ListFilesWithExtension(const QString &folder, const QString &extension);
