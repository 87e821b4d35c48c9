#include "TPreferences.h"

#include "TNewInifile.h"
#include "core/PathText.h"

TPreferences TPreferences::Defaults(const QString &outputDir, const QString &workDir)
{
    TPreferences p;
    p.OutputPath = outputDir;
    p.WorkDir = workDir;
    return p;
}

TPreferences TPreferences::Read(const TNewInifile &ini, const QString &section, const QString &outputDir,
                                const QString &workDir)
{
    const TPreferences d = Defaults(outputDir, workDir);
    TPreferences p;
    p.OutputPath =
        FolderFromSettingsFile(ini.FileName(), ini.ReadString(section, QStringLiteral("Output Path"), d.OutputPath));
    p.WorkDir = FolderFromSettingsFile(ini.FileName(), ini.ReadString(section, QStringLiteral("Work Dir"), d.WorkDir));
    p.SynMode = ini.ReadInteger(section, QStringLiteral("Syn Mode"), d.SynMode);
    p.AutoOpenDir = ini.ReadBool(section, QStringLiteral("Auto Open Dir"), d.AutoOpenDir);
    p.AutoExit = ini.ReadBool(section, QStringLiteral("Auto Exit"), d.AutoExit);
    p.AutoTurnOff = ini.ReadBool(section, QStringLiteral("Auto Turn Off"), d.AutoTurnOff);
    p.Ask = ini.ReadBool(section, QStringLiteral("Ask"), d.Ask);
    p.Overwrite = ini.ReadBool(section, QStringLiteral("Overwrite"), d.Overwrite);
    const int intermediate = ini.ReadInteger(section, QStringLiteral("Intermediate Quality"), 2);
    p.HighQualityIntermediate = intermediate != 0;
    p.StreamedIntermediate = intermediate == 2;
    p.ChapterMarks = ini.ReadBool(section, QStringLiteral("Chapter Marks"), d.ChapterMarks);
    p.SubtitleTrack = ini.ReadBool(section, QStringLiteral("Subtitle Track"), d.SubtitleTrack);
    const int stall = ini.ReadInteger(section, QStringLiteral("Stall Seconds"), d.StallSeconds);
    // No wait at all would end every conversion at once: the usual wait instead.
    p.StallSeconds = stall <= 0 ? d.StallSeconds : qMin(stall, 24 * 3600);
    if (stall <= 0)
        p.Notes << QStringLiteral("Stall Seconds is %1 in %2; %3 seconds apply.")
                       .arg(QString::number(stall), ini.FileName(), QString::number(d.StallSeconds));
    return p;
}

void TPreferences::Write(TNewInifile &ini) const
{
    const QString main = QStringLiteral("Main");
    ini.WriteString(main, QStringLiteral("Output Path"), OutputPath);
    ini.WriteString(main, QStringLiteral("Work Dir"), WorkDir);
    ini.WriteInteger(main, QStringLiteral("Syn Mode"), SynMode);
    ini.WriteBool(main, QStringLiteral("Auto Open Dir"), AutoOpenDir);
    ini.WriteBool(main, QStringLiteral("Auto Exit"), AutoExit);
    ini.WriteBool(main, QStringLiteral("Auto Turn Off"), AutoTurnOff);
    ini.WriteBool(main, QStringLiteral("Ask"), Ask);
    ini.WriteBool(main, QStringLiteral("Overwrite"), Overwrite);
    ini.WriteInteger(main, QStringLiteral("Intermediate Quality"), IntermediateIndex());
    ini.WriteBool(main, QStringLiteral("Chapter Marks"), ChapterMarks);
    ini.WriteBool(main, QStringLiteral("Subtitle Track"), SubtitleTrack);
}
