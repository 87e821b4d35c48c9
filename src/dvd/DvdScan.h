#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TTaskListModel;

// Opens the DVD at `path` (a folder, a file inside one, or an .iso image) as the window
// does: the titles loaded into `list` (DvdInfo filled), then the longest title checked.
// Throws EQuarnelError naming the path or file when no title can be listed. `notes`, when
// given, gets what a damaged disc left out or read from a backup, also when it throws.
void OpenDvdForScript(const QString &path, TTaskListModel &list, QStringList *notes = nullptr);

// Opens a DVD as OpenDvdForScript does and describes the result as indented JSON (UTF-8,
// ending in a newline): DvdPath, Standard, FrameRateFactor, VolumeName and Titles with their
// Chapters, each entry with its record's fields under their own names. Throws as it does;
// the notes go to `notes` when given.
QByteArray ScanDvd(const QString &path, QStringList *notes = nullptr);
