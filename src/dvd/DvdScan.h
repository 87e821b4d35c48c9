#pragma once

#include <QByteArray>
#include <QString>

// Opens a DVD exactly as the window does (title loading, then the longest title checked)
// and describes the result as indented JSON (UTF-8, ending in a newline): DvdPath,
// Standard, FrameRateFactor, VolumeName and Titles with their Chapters, each entry with its
// record's fields under their own names.
// Throws EQuarnelError naming the path or file that cannot be opened or parsed.
QByteArray ScanDvd(const QString &path);
