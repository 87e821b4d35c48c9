#pragma once

#include <QString>
#include <QStringList>

// Bare names of the folder's files (not sub-folders) whose extension, compared without
// regard to case, is `extension` (with its dot), in ascending name order. Listing makes
// the folder the process's current folder, which tools started later inherit; a missing
// folder leaves the current folder unchanged and lists nothing.
QStringList ListFilesWithExtension(const QString &folder, const QString &extension);
