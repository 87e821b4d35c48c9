#include "AppFolders.h"

#include "PathText.h"

#include <QFileInfo>

namespace {
QString g_appDir;
QString g_workDir;
}

void AppFolders::SetAppDir(const QString &programFolder)
{
    g_appDir = EnsureTrailingBackslash(programFolder);
}

QString AppFolders::AppDir() { return g_appDir; }
QString AppFolders::EncoderExe() { return g_appDir + QStringLiteral("asapi.dll"); }
QString AppFolders::TranscoderExe() { return g_appDir + QStringLiteral("wmaspi.dll"); }
QString AppFolders::PreferencesFile() { return g_appDir + QStringLiteral("Preferences.ini"); }
QString AppFolders::ProfilesFolder() { return g_appDir + QStringLiteral("Profiles/"); }

void AppFolders::SetWorkDir(const QString &workDir) { g_workDir = workDir; }
QString AppFolders::WorkDir() { return g_workDir; }

QString AppFolders::IntermediateFile()
{
    const QString folder = QFileInfo(g_workDir).isDir() && !g_workDir.isEmpty() ? EnsureTrailingBackslash(g_workDir) : g_appDir;
    return folder + QStringLiteral("temp.avi");
}
