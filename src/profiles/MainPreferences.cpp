#include "MainPreferences.h"

#include "TIniFile.h"
#include "app/AppFolders.h"
#include "app/ListFilesWithExtension.h"
#include "app/PathText.h"

namespace MainPreferences {

namespace {
const QString kMain = QStringLiteral("Main");
const QString kProfile = QStringLiteral("Profile");
const QString kOutputPath = QStringLiteral("Output Path");
} // namespace

QStringList ProfileNames()
{
    QStringList names;
    for (const QString &file : ListFilesWithExtension(AppFolders::ProfilesFolder(), QStringLiteral(".apf")))
        names << StripExtension(file);
    return names;
}

int ProfileIndex(int count)
{
    const int index = TIniFile(AppFolders::PreferencesFile()).ReadInteger(kMain, kProfile, 0);
    return index >= 0 && index < count ? index : -1;
}

QString OutputPath()
{
    return TIniFile(AppFolders::PreferencesFile()).ReadString(kMain, kOutputPath, AppFolders::AppDir());
}

QString Version()
{
    return TIniFile(AppFolders::PreferencesFile()).ReadString(kMain, QStringLiteral("Version"), QStringLiteral("2.0"));
}

void Store(int profileIndex, const QString &outputPath)
{
    TIniFile preferences(AppFolders::PreferencesFile());
    preferences.WriteInteger(kMain, kProfile, profileIndex);
    preferences.WriteString(kMain, kOutputPath, outputPath);
}

} // namespace MainPreferences
