#include "ConversionCommands.h"

#include "OptionBuilder.h"
#include "TConversionEntry.h"
#include "TMencOutputSettings.h"
#include "app/RoundHalfEven.h"
#include "app/TimeText.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"

#include <QFileInfo>
#include <QStorageInfo>

QString SecondsText(double seconds)
{
    return QString::number(seconds, 'f', 3);
}

double ScaleAspectRatio(const QString &outputAspect, const QString &titleAspect)
{
    if (outputAspect == u"4:3")
        return 1.3333;
    if (outputAspect == u"16:9")
        return 1.7778;
    return titleAspect == u"16:9" ? 1.7778 : 1.3333;
}

bool FitPicture(const TMencOutputSettings &settings, const QString &titleAspect, TPictureFit &fit)
{
    if (settings.OutputSize.isEmpty())
        return false;
    bool widthOk = false, heightOk = false;
    fit.FrameWidth = settings.OutputWidth.trimmed().toInt(&widthOk);
    fit.FrameHeight = settings.OutputHeight.trimmed().toInt(&heightOk);
    if (!widthOk || fit.FrameWidth <= 0)
        return false;
    const double r = ScaleAspectRatio(settings.OutputAspect, titleAspect);
    fit.Width = fit.FrameWidth;
    fit.Height = int(RoundHalfEven(fit.FrameWidth / r));
    if (heightOk && fit.FrameHeight > 0 && fit.Height > fit.FrameHeight) {
        fit.Height = fit.FrameHeight;
        fit.Width = int(RoundHalfEven(fit.FrameHeight * r));
    }
    if (!heightOk || fit.FrameHeight <= 0)
        fit.FrameHeight = fit.Height;
    return true;
}

bool RunsToTitleEnd(const TConversionEntry &entry)
{
    return entry.TitleEnd > 0 && entry.Data.End > entry.TitleEnd - kTitleEndSlack;
}

bool BuildEncoderCommand(const TConversionEntry &entry, const QString &dvdPath, const QString &encoderOptions,
                         const TMencOutputSettings &settings, const TPictureTreatment &treatment, TToolCommand &command,
                         QString &problem)
{
    const double start = TimeTextToSeconds(entry.Data.StartText);
    const double end = TimeTextToSeconds(entry.Data.EndText);
    if (start < 0 || end < 0 || end < start) {
        problem = QStringLiteral("its start or end time is not valid");
        return false;
    }
    QString device = dvdPath;
    if (device.endsWith(QLatin1Char('/')) && device.size() > 1)
        device.chop(1);
    command.Add(QStringLiteral("dvd://") + QString::number(entry.TitleNumber))
        .Add(QStringLiteral("-dvd-device"))
        .Add(device);
    // A chapter's times are whole seconds and MEncoder's -ss lands on a group of pictures up
    // to half a second away; a chapter that starts where it starts on the disc is asked for
    // by number, which starts at its first picture.
    if (!entry.Data.IsTitle && entry.Data.ChapterIndex >= 0 && entry.Data.StartText == entry.Data.OrigStartText)
        command.Add(QStringLiteral("-chapter")).Add(QString::number(entry.Data.ChapterIndex + 1));
    else
        command.Add(QStringLiteral("-ss")).Add(SecondsText(start));
    // MEncoder never ends when -endpos reaches the end of a DVD title: it writes its file and
    // then spins. Left out, it stops at the title's end by itself.
    if (!RunsToTitleEnd(entry))
        command.Add(QStringLiteral("-endpos")).Add(SecondsText(end - start));
    // The default AC3 decoder loses the sound after a block on some discs, and frame skipping
    // and A/V correction drop pictures; liba52 (other audio falls back to the usual decoders)
    // and no skipping keep every frame and all the sound.
    command.Add(QStringLiteral("-ac")).Add(QStringLiteral("a52,")).Add(QStringLiteral("-noskip")).Add(QStringLiteral("-mc")).Add(QStringLiteral("0"));
    command.AddWords(encoderOptions); // fixed switches and single-word values, no paths
    // A title without audio has no language to ask for; MEncoder then takes what there is.
    const int audio = entry.Data.AudioLanguageIndex;
    if (audio >= 0 && audio < entry.AudioLanguages.size() && !entry.AudioLanguages.at(audio).isEmpty())
        command.Add(QStringLiteral("-alang")).Add(entry.AudioLanguages.at(audio));
    TPictureFit fit;
    const bool scaled = FitPicture(settings, entry.Aspect, fit);
    if (!settings.OutputSize.isEmpty() && !scaled) {
        problem = QStringLiteral("the frame size %1 is not a width and a height").arg(settings.OutputSize);
        return false;
    }
    // MEncoder's own aspect guess comes too early to know the DVD's and writes square pixels
    // of the stored size; the picture's real display aspect is said outright. The bars
    // are added by the converter, in video black.
    const QString aspect = scaled ? QStringLiteral("%1/%2").arg(fit.Width).arg(fit.Height)
                                  : entry.Aspect == u"16:9" ? QStringLiteral("16/9") : QStringLiteral("4/3");
    command.Add(QStringLiteral("-lavcopts")).Add(QStringLiteral("aspect=") + aspect);
    // Deinterlacing and film matching need the fields as the disc has them, before scaling
    // blends them together.
    QStringList filters;
    if (!treatment.Filters.isEmpty())
        filters << treatment.Filters;
    if (scaled)
        filters << QStringLiteral("scale=%1:%2").arg(fit.Width).arg(fit.Height);
    if (!filters.isEmpty())
        command.Add(QStringLiteral("-vf")).Add(filters.join(QLatin1Char(',')));
    if (treatment.FilmRate)
        command.Add(QStringLiteral("-ofps")).Add(QStringLiteral("24000/1001"));
    if (entry.Data.SubtitleIndex != 0) {
        const int stream = entry.SubtitleStream >= 0 ? entry.SubtitleStream : entry.Data.SubtitleIndex - 1;
        command.Add(QStringLiteral("-sid")).Add(QString::number(stream));
    } else {
        // Without it MEncoder burns in the disc's default subtitle.
        command.Add(QStringLiteral("-nosub"));
    }
    return true;
}

TToolCommand BuildPrepassCommand(const QString &encoderExe, int titleNumber, const QString &drive, const QString &outputFile)
{
    TToolCommand command(encoderExe);
    command.Add(QStringLiteral("dvd://") + QString::number(titleNumber))
        .Add(QStringLiteral("-dvd-device"))
        .Add(drive)
        .Add(QStringLiteral("-o"))
        .AddQuoted(outputFile);
    return command;
}

QString PrepassDrive(const QString &dvdPath)
{
    const QStorageInfo storage(dvdPath);
    return storage.isValid() ? storage.rootPath() : QStringLiteral("/");
}

TTranscoderOptions TranscoderOptionPieces(const QString &profileFile, const TParameterGrids &grids)
{
    TTranscoderOptions options;
    options.Text = BuildTranscoderOptions(profileFile, grids);
    if (!QFileInfo(profileFile).isFile())
        return options;
    // The same rule as the text: a switch and its value for every parameter that has both,
    // the switch alone for a value of a single "\".
    const TProfile profile = TProfile::Read(TIniFile(profileFile));
    for (const TProfileParameter &p : profile.Parameters) {
        const QString value = ResolveParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty() || IsEncoderPassRow(p))
            continue;
        options.Arguments << p.Cmd;
        if (value != u"\\")
            options.Arguments << value;
    }
    return options;
}

void FitTranscoderToFrame(TTranscoderOptions &options, const TMencOutputSettings &settings)
{
    TPictureFit fit;
    if (!FitPicture(settings, QString(), fit))
        return;
    const QString pad = QStringLiteral("pad=w=max(iw\\,%1):h=max(ih\\,%2):x=(ow-iw)/2:y=(oh-ih)/2:color=black,setsar=1")
                            .arg(fit.FrameWidth)
                            .arg(fit.FrameHeight);
    QStringList &args = options.Arguments;
    bool padded = false;
    for (int i = 0; i + 1 < args.size(); i += 1) {
        if (args.at(i) == u"-vf" && !padded) {
            args[i + 1] = args.at(i + 1).isEmpty() ? pad : args.at(i + 1) + QLatin1Char(',') + pad;
            padded = true;
        } else if (args.at(i) == u"-aspect") {
            args[i + 1] = QStringLiteral("%1:%2").arg(fit.FrameWidth).arg(fit.FrameHeight);
        }
    }
    if (!padded)
        args << QStringLiteral("-vf") << pad;
    QString text;
    for (const QString &a : std::as_const(args))
        text += QLatin1Char(' ') + a;
    options.Text = text;
}

TToolCommand BuildTranscoderCommand(const QString &transcoderExe, const QString &intermediateFile,
                                    const TTranscoderOptions &options, const QString &targetFile)
{
    TToolCommand command(transcoderExe);
    command.Add(QStringLiteral("-y")).Add(QStringLiteral("-i")).AddQuoted(intermediateFile);
    for (const QString &argument : options.Arguments)
        command.Add(argument);
    // An absolute path: a name starting with "-" must not read as an option.
    command.AddQuoted(QFileInfo(targetFile).absoluteFilePath());
    return command;
}

QString SafeFileNamePart(const QString &name)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString safe = name;
    for (QChar &c : safe) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return safe;
}

QString TargetFileName(const QString &outputFolder, const QString &volumeName, const QString &outputName,
                       const QString &outputExt)
{
    QString name;
    if (!volumeName.isEmpty())
        name = volumeName + QLatin1Char('-');
    name += outputName;
    return outputFolder + SafeFileNamePart(name) + SafeFileNamePart(outputExt);
}

QString RenameCandidate(const QString &targetFile, const QString &outputExt, int n)
{
    const QString ext = SafeFileNamePart(outputExt);
    const QString base = !ext.isEmpty() && targetFile.endsWith(ext) ? targetFile.left(targetFile.size() - ext.size()) : targetFile;
    return base + QLatin1Char('-') + QString::number(n) + ext;
}

QString RenamedTargetFile(const QString &targetFile, const QString &outputExt)
{
    for (int n = 1;; ++n) {
        const QString candidate = RenameCandidate(targetFile, outputExt, n);
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
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
    return QStringLiteral("The output file ") + QFileInfo(targetFile).fileName() + QStringLiteral(" is already existent.")
           + QStringLiteral("\n\r") + QStringLiteral("Click \"Yes\" to overwrite it. Click \"No\" to skip this file");
}
