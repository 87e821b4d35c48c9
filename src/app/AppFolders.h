#pragma once

#include <QString>

// Program-wide folders and tool paths, fixed at start-up and read everywhere a file is named.
class AppFolders
{
public:
    // Sets AppDir (with a trailing separator) and the two tool paths inside it.
    static void SetAppDir(const QString &programFolder);
    static QString AppDir();
    static QString EncoderExe();    // AppDir + "asapi.dll" (MEncoder)
    static QString TranscoderExe(); // AppDir + "wmaspi.dll" (FFmpeg)
    static QString PreferencesFile(); // AppDir + "Preferences.ini"
    static QString ProfilesFolder(); // AppDir + "Profiles/"

    // The work folder of the intermediate file, as the preferences set it (may be empty).
    static void SetWorkDir(const QString &workDir);
    static QString WorkDir();
    // WorkDir + "temp.avi", or AppDir + "temp.avi" when WorkDir names no existing folder.
    static QString IntermediateFile();
};
