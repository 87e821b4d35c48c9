#pragma once

#include <QString>

// Texts a conversion run shows.

// The volume name as the hint shows it: whole up to 18 characters, else 15 and "...".
QString HintVolumeText(const QString &volumeName);
// "Converting: " + that + "-" + name + extension.
QString ConvertingHint(const QString &volumeName, const QString &outputName, const QString &outputExt);

// The folder Start checks: the text before its last separator (the root keeps it); a text
// without a separator names no folder.
QString OutputFolderToCheck(const QString &outputDirText);

// The overwrite question for an existing target.
QString OverwriteQuestion(const QString &targetFile);
