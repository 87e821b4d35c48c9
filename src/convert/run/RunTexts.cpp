#include "RunTexts.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/run/OutputChecks.h"
#include "convert/run/TConversionRequest.h"
#include "profiles/PrivateProfile.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"

#include <QFile>
#include <QFileInfo>

TStartCheck CheckStart(const TConversionRequest &request)
{
    if (request.Entries.isEmpty())
        return TStartCheck::NoEntryChecked;
    const QString folder = OutputFolderToCheck(request.OutputDirText);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return TStartCheck::NoOutputFolder;
    if (!QFileInfo(request.ProfileFile).isFile())
        return TStartCheck::NoProfile;
    // Converting with the encoder's defaults instead of the chosen settings would make a
    // file nobody asked for.
    QFile profile(request.ProfileFile);
    if (!profile.open(QIODevice::ReadOnly) || TProfile::Read(TIniFile(request.ProfileFile)).Parameters.isEmpty())
        return TStartCheck::ProfileUnreadable;
    QString problem;
    if (!CheckProfileValues(request.ProfileFile, GridsOf(request), problem))
        return TStartCheck::ProfileValues;
    return TStartCheck::Ok;
}

void StartCheckMessage(TStartCheck check, const TConversionRequest &request, QString &text, QString &caption)
{
    switch (check) {
    case TStartCheck::NoEntryChecked:
        text = QStringLiteral("Please have Titles and Chapters you want to convert checked.");
        caption = QStringLiteral("No Title or Chapter checked");
        break;
    case TStartCheck::NoOutputFolder:
        if (QFileInfo(OutputFolderToCheck(request.OutputDirText)).isFile()) {
            text = QStringLiteral("The output path %1 is a file, not a folder. Please specify another one.")
                       .arg(OutputFolderToCheck(request.OutputDirText));
            caption = QStringLiteral("Output path is not a folder");
        } else {
            text = QStringLiteral("The output path does not exist. Please specify another one.");
            caption = QStringLiteral("Output path does not exist");
        }
        break;
    case TStartCheck::NoProfile:
        text = QStringLiteral("Please select a valid output profile.");
        caption = QStringLiteral("Profile");
        break;
    case TStartCheck::ProfileUnreadable:
        text = QFileInfo(request.ProfileFile).size() > PrivateProfile::MaxFileBytes
                 ? QStringLiteral("The profile %1 cannot be read: it is larger than 1 MB. Please select another one.")
                       .arg(request.ProfileFile)
                 : QStringLiteral("The profile %1 cannot be read. Please select another one.").arg(request.ProfileFile);
        caption = QStringLiteral("Profile");
        break;
    case TStartCheck::ProfileValues:
        CheckProfileValues(request.ProfileFile, GridsOf(request), text);
        caption = QStringLiteral("Profile");
        break;
    case TStartCheck::Ok:
        text.clear();
        caption.clear();
        break;
    }
}

QString FailureReport(const QList<TConversionFailure> &failures)
{
    QString text = failures.size() == 1 ? QStringLiteral("1 file could not be made:")
                                        : QStringLiteral("%1 files could not be made:").arg(failures.size());
    for (const TConversionFailure &f : failures)
        text += QLatin1Char('\n') + f.TargetFile + QStringLiteral(" (") + f.Reason + QLatin1Char(')');
    return text;
}

QString NothingMadeMessage()
{
    return QStringLiteral("No file was made: the output files of all entries exist already.");
}

QString ToolFailureText(const QString &tool, const TProcessRunner::Result &result, bool stalled, const QString &words)
{
    if (stalled)
        return QStringLiteral("the %1 stopped responding").arg(tool);
    const QString reason = result.Crashed ? QStringLiteral("the %1 stopped abnormally").arg(tool)
                                          : QStringLiteral("the %1 ended with status %2").arg(tool).arg(result.ExitCode);
    return WithToolWords(reason, words);
}

QString WithToolWords(const QString &reason, const QString &words)
{
    return words.isEmpty() ? reason : reason + QStringLiteral(": ") + words;
}

QString HintVolumeText(const QString &volumeName)
{
    return volumeName.size() <= 18 ? volumeName : volumeName.left(15) + QStringLiteral("...");
}

QString ConvertingHint(const QString &volumeName, const QString &outputName, const QString &outputExt)
{
    return QStringLiteral("Converting: ") + HintVolumeText(volumeName) + QLatin1Char('-') + outputName + outputExt;
}

QString OutputFolderToCheck(const QString &outputDirText)
{
    const qsizetype last = outputDirText.lastIndexOf(QLatin1Char('/'));
    if (last < 0)
        return {};
    return last == 0 ? QStringLiteral("/") : outputDirText.left(last);
}

QString OverwriteQuestion(const QString &targetFile)
{
    return QStringLiteral("The output file ") + QFileInfo(targetFile).fileName()
         + QStringLiteral(" is already existent.") + QStringLiteral("\n\r")
         + QStringLiteral("Click \"Yes\" to overwrite it. Click \"No\" to skip this file");
}

QString DamageText(const TTitleSpanReader::Result &reading, double streamStart)
{
    if (reading.DamagedSectors <= 0)
        return {};
    const double at = qMax(0.0, reading.FirstDamage - (streamStart - TTitleSpanReader::ClockBase));
    return QStringLiteral("the disc is damaged at %1: %2 sectors of its video cannot be read")
        .arg(ClockText(at, false))
        .arg(reading.DamagedSectors);
}
