#include "AppFolders.h"

#include "PathText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QString g_appDir;
QString g_workDir;
bool g_perUser = false;
QString g_settingsDir;
QString g_cacheDir;
QString g_moviesDir;

// Root may write anywhere, so a folder nobody may write to (an install tree, a read-only
// mount) counts as read-only for root too.
bool FolderWritable(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) != 0)
        return true; // no folder yet: nothing to protect, keep the usual places
    return ::access(path.constData(), W_OK) == 0 && (st.st_mode & 0222) != 0;
}

// A copy the user may change: files copied out of a read-only tree keep its modes.
void CopyIfMissing(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to) || !QFileInfo(from).isFile())
        return;
    if (QFile::copy(from, to))
        QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
}

void SeedUserFolder()
{
    QDir().mkpath(g_settingsDir + QStringLiteral("Profiles"));
    CopyIfMissing(g_appDir + QStringLiteral("Preferences.ini"), g_settingsDir + QStringLiteral("Preferences.ini"));
    // The shipped profiles are copied once, when the user has none: a profile the user
    // deleted stays deleted.
    const QString userProfiles = g_settingsDir + QStringLiteral("Profiles/");
    if (!QDir(userProfiles).entryList({QStringLiteral("*.apf")}, QDir::Files).isEmpty())
        return;
    const QDir shipped(g_appDir + QStringLiteral("Profiles"));
    for (const QString &name : shipped.entryList({QStringLiteral("*.apf")}, QDir::Files))
        CopyIfMissing(shipped.filePath(name), userProfiles + name);
}
} // namespace

void AppFolders::SetAppDir(const QString &programFolder)
{
    g_appDir = EnsureTrailingBackslash(programFolder);
    g_perUser = !g_appDir.isEmpty() && !FolderWritable(g_appDir);
    if (!g_perUser) {
        g_settingsDir = g_cacheDir = g_moviesDir = g_appDir;
        return;
    }
    g_settingsDir = EnsureTrailingBackslash(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    g_cacheDir = EnsureTrailingBackslash(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    g_moviesDir = EnsureTrailingBackslash(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
    QDir().mkpath(g_cacheDir);
    QDir().mkpath(g_moviesDir);
    SeedUserFolder();
}

QString AppFolders::AppDir()
{
    return g_appDir;
}
QString AppFolders::EncoderExe()
{
    return g_appDir + QStringLiteral("asapi.dll");
}
QString AppFolders::TranscoderExe()
{
    return g_appDir + QStringLiteral("wmaspi.dll");
}
QString AppFolders::PreferencesFile()
{
    return g_settingsDir + QStringLiteral("Preferences.ini");
}
QString AppFolders::ProfilesFolder()
{
    return g_settingsDir + QStringLiteral("Profiles/");
}
QString AppFolders::HelpFolder()
{
    return g_appDir + QStringLiteral("help/");
}

bool AppFolders::PerUser()
{
    return g_perUser;
}
QString AppFolders::SettingsDir()
{
    return g_settingsDir;
}
QString AppFolders::FallbackWorkDir()
{
    return g_cacheDir;
}
QString AppFolders::DefaultOutputDir()
{
    return g_moviesDir;
}

void AppFolders::SetWorkDir(const QString &workDir)
{
    g_workDir = workDir;
}
QString AppFolders::WorkDir()
{
    return g_workDir;
}

QString AppFolders::IntermediateFile()
{
    const QString folder =
        QFileInfo(g_workDir).isDir() && !g_workDir.isEmpty() ? EnsureTrailingBackslash(g_workDir) : g_cacheDir;
    return folder + QStringLiteral("temp.avi");
}
