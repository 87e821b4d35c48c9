#pragma once

#include <QString>

// "." + the type of the profile loaded in the main window: the extension of every output
// file. Empty until the first profile is loaded.
QString OutputExt();
void SetOutputExt(const QString &extension);
