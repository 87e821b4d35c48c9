#pragma once

#include <QString>
#include <QStringList>

// The path ending in the directory separator; an empty path stays empty, which callers
// rely on (an empty folder names nothing and they fall back to the program folder).
QString EnsureTrailingBackslash(const QString &path);

// A folder named in a settings file, relative to the folder that holds the file (not to
// whoever started the program); absolute and empty paths stay as they are, and a trailing
// separator stays.
QString FolderFromSettingsFile(const QString &settingsFile, const QString &path);

// `folder` (ending in the separator) + the name of its entry that equals `name` without
// regard to case, or `folder` + `name` when it has none. DVD copies from some file systems
// and tools are all lower case ("video_ts/vts_01_0.ifo"); the DVD library reads those too.
QString FileInFolder(const QString &folder, const QString &name);

// The text before the last "." (the search does not stop at a separator); a text
// without any "." is returned whole.
QString StripExtension(const QString &name);

// The items of a profile list: the pieces each followed by ","; text after the last
// "," is not an item. Blanks and empty items are kept.
QStringList SplitCommaList(const QString &text);
