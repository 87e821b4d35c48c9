#pragma once

#include <QJsonObject>
#include <QString>

// Opens a DVD exactly as the window does (title loading, then the longest title checked)
// and describes the result: DvdPath, Standard, FrameRateFactor, VolumeName and Titles with
// their Chapters, each entry with its record's fields under their own names.
// Throws EQuarnelError naming the path or file that cannot be opened or parsed.
QJsonObject ScanDvd(const QString &path);
