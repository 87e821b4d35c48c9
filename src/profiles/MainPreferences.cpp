#include "MainPreferences.h"

#include "TIniFile.h"
#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "core/ListFilesWithExtension.h"
#include "core/PathText.h"

#include <QFileInfo>

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

QString ProfileFile(const QString &name)
{
    const QString folder = AppFolders::ProfilesFolder();
    const QString usual = folder + name + QStringLiteral(".apf");
    if (QFileInfo(usual).isFile())
        return usual;
    for (const QString &file : ListFilesWithExtension(folder, QStringLiteral(".apf"))) {
        if (StripExtension(file) == name)
            return folder + file;
    }
    return usual;
}

int ProfileIndex(int count)
{
    const int index = TIniFile(AppFolders::PreferencesFile()).ReadInteger(kMain, kProfile, 0);
    return index >= 0 && index < count ? index : -1;
}

QString OutputPath()
{
    const QString file = AppFolders::PreferencesFile();
    return FolderFromSettingsFile(file, TIniFile(file).ReadString(kMain, kOutputPath, AppFolders::DefaultOutputDir()));
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

QSize WindowSize()
{
    const TIniFile preferences(AppFolders::PreferencesFile());
    return QSize(preferences.ReadInteger(kMain, QStringLiteral("Window Width"), -1),
                 preferences.ReadInteger(kMain, QStringLiteral("Window Height"), -1));
}

void StoreWindowSize(const QSize &size)
{
    TIniFile preferences(AppFolders::PreferencesFile());
    preferences.WriteInteger(kMain, QStringLiteral("Window Width"), size.width());
    preferences.WriteInteger(kMain, QStringLiteral("Window Height"), size.height());
}

namespace {
const QString kFirstUse = QStringLiteral("FirstUse");
// Per program folder: tests run several program folders in one process.
QString g_noticeShownFor;
QString g_failureToldFor;
} // namespace

bool FirstUseNoticeDue()
{
    const QString file = AppFolders::PreferencesFile();
    return g_noticeShownFor != file && TIniFile(file).ReadBool(kMain, kFirstUse, true);
}

QString FirstUseNoticeShown()
{
    const QString file = AppFolders::PreferencesFile();
    g_noticeShownFor = file;
    try {
        TIniFile(file).WriteBool(kMain, kFirstUse, false);
    } catch (const EQuarnelError &e) {
        if (g_failureToldFor == file)
            return {};
        g_failureToldFor = file;
        return e.text() + QStringLiteral("\nThe notice will be shown again at the next start.");
    }
    return {};
}

} // namespace MainPreferences
