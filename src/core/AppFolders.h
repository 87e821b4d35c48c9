#pragma once

#include <QString>

// Program-wide folders and tool paths, fixed at start-up and read everywhere a file is named.
//
// A writable program folder (the build's bin folder) holds everything: preferences, profiles,
// the intermediate file and, by default, the output. An installed program folder is shared
// and read-only, so there the preferences and profiles live in the user's config folder
// (copied from the shipped ones on first start), the intermediate in the user's cache folder
// and the output by default in the user's Videos folder.
class AppFolders
{
public:
    // Sets AppDir (with a trailing separator) and the two tool paths inside it, and chooses
    // where the user's files go; in a read-only program folder it seeds the user's
    // preferences and profiles from the shipped ones where the user has none yet.
    static void SetAppDir(const QString &programFolder);
    static QString AppDir();
    static QString EncoderExe(); // AppDir + "asapi.dll" (MEncoder)
    static QString TranscoderExe(); // AppDir + "wmaspi.dll" (FFmpeg)
    static QString PreferencesFile(); // SettingsDir + "Preferences.ini"
    static QString ProfilesFolder(); // SettingsDir + "Profiles/"
    static QString HelpFolder(); // AppDir + "help/"

    // True when the program folder cannot be written and the user's folders are used.
    static bool PerUser();
    // Where Preferences.ini and Profiles/ are: AppDir, or the user's config folder.
    static QString SettingsDir();
    // The work folder when none is set or it is gone: AppDir, or the user's cache folder.
    static QString FallbackWorkDir();
    // The output folder when the preferences name none: AppDir, or the user's Videos folder.
    static QString DefaultOutputDir();

    // The work folder of the intermediate file, as the preferences set it (may be empty).
    static void SetWorkDir(const QString &workDir);
    static QString WorkDir();
    // WorkDir + "temp.avi", or FallbackWorkDir + "temp.avi" when WorkDir names no existing folder.
    static QString IntermediateFile();
};
