#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// The main window's own entries in "Preferences.ini" (section "Main": "Profile", "Output
// Path", "Version", the window's size) and the profile list the first one indexes. The window without widgets
// (--convert) restores the same choices through these.
namespace MainPreferences {

// The profile drop-down's items: the program's profile files without their extension.
QStringList ProfileNames();

// The file of a profile the drop-down names: the Profiles folder's "name.apf", or the file
// whose extension is written otherwise ("name.APF"), so a listed profile always loads.
QString ProfileFile(const QString &name);

// The stored profile position among `count` items; -1 when it names none.
int ProfileIndex(int count);

// The stored output path; the program folder when none is stored.
QString OutputPath();

// The product version the About box and the caption show ("Version"); "2.0" when none.
QString Version();

// Throws EQuarnelError naming the file when it cannot be written.
void Store(int profileIndex, const QString &outputPath);

// The main window's size when it last closed ("Window Width", "Window Height"); an
// invalid size when none is stored.
QSize WindowSize();
// Throws EQuarnelError naming the file when it cannot be written.
void StoreWindowSize(const QSize &size);

// The preview's first-use notice ("FirstUse", on until the notice has been shown once).
// Due while the file says so, but once a run at most: a file that cannot be written must
// not bring the notice back at every Play.
bool FirstUseNoticeDue();
// Records that the notice was shown. Never throws: the text of the failure the first
// time the choice cannot be saved (to tell the user once), else empty.
QString FirstUseNoticeShown();

} // namespace MainPreferences
