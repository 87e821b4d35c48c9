#pragma once

#include <QString>
#include <QStringList>

// The main window's own entries in "Preferences.ini" (section "Main": "Profile", "Output
// Path", "Version") and the profile list the first one indexes. The window without widgets
// (--convert) restores the same choices through these.
namespace MainPreferences {

// The profile drop-down's items: the program's profile files without their extension.
QStringList ProfileNames();

// The stored profile position among `count` items; -1 when it names none.
int ProfileIndex(int count);

// The stored output path; the program folder when none is stored.
QString OutputPath();

// The product version the About box and the caption show ("Version"); "2.0" when none.
QString Version();

// Throws EQuarnelError naming the file when it cannot be written.
void Store(int profileIndex, const QString &outputPath);

} // namespace MainPreferences
