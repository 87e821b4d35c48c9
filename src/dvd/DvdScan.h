#pragma once

#include <QByteArray>
#include <QString>

class TTaskListModel;

// Opens the DVD at `path` (a folder, or a file inside one) as the window does: the titles
// loaded into `list` (DvdInfo filled), then the longest title checked.
// Throws EQuarnelError naming the path or file that cannot be opened or parsed.
void OpenDvdForScript(const QString &path, TTaskListModel &list);

// Why the folder `path`, just loaded (DvdInfo.DvdPath set), holds no DVD; empty when it
// holds one. The window shows the same words the script mode prints.
QString NoDvdReason(const QString &path);

// Opens a DVD as OpenDvdForScript does and describes the result as indented JSON (UTF-8,
// ending in a newline): DvdPath, Standard, FrameRateFactor, VolumeName and Titles with their
// Chapters, each entry with its record's fields under their own names. Throws as it does.
QByteArray ScanDvd(const QString &path);
