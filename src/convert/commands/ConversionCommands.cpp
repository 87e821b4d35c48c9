#include "convert/commands/ConversionCommands.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/run/TConversionEntry.h"
#include "convert/commands/TMencOutputSettings.h"
#include "core/RoundHalfEven.h"
#include "core/TimeText.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"

#include <QFileInfo>
#include <QPair>
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

bool IsAnamorphicFrame(const QString &videoCodec, int width, int height)
{
    static const QList<int> widths = {720, 704, 480, 352}, heights = {576, 480, 288, 240};
    const bool mpeg = videoCodec == u"mpeg2video" || videoCodec == u"mpeg1video";
    return mpeg && widths.contains(width) && heights.contains(height);
}

namespace {

int EvenPixels(double pixels)
{
    return int(2 * RoundHalfEven(pixels / 2));
}

} // namespace

bool FitPicture(const TMencOutputSettings &settings, const QString &titleAspect, TPictureFit &fit)
{
    if (settings.OutputSize.isEmpty())
        return false;
    bool widthOk = false, heightOk = false;
    fit.FrameWidth = settings.OutputWidth.trimmed().toInt(&widthOk);
    fit.FrameHeight = settings.OutputHeight.trimmed().toInt(&heightOk);
    if (!widthOk || fit.FrameWidth <= 0)
        return false;
    // Most codecs take only even sizes (H.264 refuses 720x405): the frame and the picture
    // are whole pairs of pixels, rounded half to even.
    fit.FrameWidth = qMax(2, EvenPixels(fit.FrameWidth));
    if (heightOk && fit.FrameHeight > 0)
        fit.FrameHeight = qMax(2, EvenPixels(fit.FrameHeight));
    if (heightOk && IsAnamorphicFrame(settings.VideoCodec, fit.FrameWidth, fit.FrameHeight)) {
        const bool wideTitle = titleAspect == u"16:9";
        const bool wideFrame = settings.OutputAspect == u"16:9" || (settings.OutputAspect != u"4:3" && wideTitle);
        fit.DisplayAspect = wideFrame ? QStringLiteral("16:9") : QStringLiteral("4:3");
        fit.Width = fit.FrameWidth;
        fit.Height = fit.FrameHeight;
        if (wideTitle && !wideFrame)
            fit.Height = EvenPixels(fit.FrameHeight * 0.75);
        else if (!wideTitle && wideFrame)
            fit.Width = EvenPixels(fit.FrameWidth * 0.75);
        return true;
    }
    const double r = ScaleAspectRatio(settings.OutputAspect, titleAspect);
    fit.Width = fit.FrameWidth;
    fit.Height = qMax(2, EvenPixels(fit.FrameWidth / r));
    if (heightOk && fit.FrameHeight > 0 && fit.Height > fit.FrameHeight) {
        fit.Height = fit.FrameHeight;
        fit.Width = qMin(fit.FrameWidth, qMax(2, EvenPixels(fit.FrameHeight * r)));
    }
    if (!heightOk || fit.FrameHeight <= 0)
        fit.FrameHeight = fit.Height;
    return true;
}

QString PictureAspect(const TMencOutputSettings &settings, const QString &titleAspect)
{
    TPictureFit fit;
    if (FitPicture(settings, titleAspect, fit) && fit.DisplayAspect.isEmpty())
        return QStringLiteral("%1/%2").arg(fit.Width).arg(fit.Height);
    return titleAspect == u"16:9" ? QStringLiteral("16/9") : QStringLiteral("4/3");
}

bool RunsToTitleEnd(const TConversionEntry &entry)
{
    return entry.TitleEnd > 0 && entry.Data.End > entry.TitleEnd - kTitleEndSlack;
}

int StartProgramHint(const TConversionEntry &entry)
{
    if (entry.Data.StartText != entry.Data.OrigStartText)
        return -1;
    return entry.Data.IsTitle ? 0 : qMax(0, entry.Data.ChapterIndex);
}

TEntryTimeline EntryTimeline(const TConversionEntry &entry, const TStreamStart &start)
{
    TEntryTimeline t;
    t.Start = TimeTextToSeconds(entry.Data.StartText);
    t.End = TimeTextToSeconds(entry.Data.EndText);
    const QList<double> &programs = start.ProgramStarts;
    if (!programs.isEmpty()) {
        // A chapter's times in the list are whole seconds; the disc's are exact.
        const int first = entry.Data.IsTitle ? 0 : entry.Data.ChapterIndex;
        if (entry.Data.StartText == entry.Data.OrigStartText && first >= 0 && first < programs.size())
            t.Start = programs.at(first);
        if (entry.Data.EndText == entry.Data.OrigEndText) {
            const int next = entry.Data.IsTitle ? int(programs.size()) : first + 1;
            t.End = next >= 0 && next < programs.size() ? programs.at(next) : start.TitleLength;
        }
        t.Program = start.Program;
        t.Part = start.Part;
        t.ProgramStart = start.ProgramStart;
        t.ClockScale = start.ClockScale;
    }
    if (start.Found)
        t.AudioLead = start.AudioLead();
    return t;
}

bool BuildEncoderCommand(const TConversionEntry &entry, const TEntryTimeline &timeline, const QString &dvdPath,
                         const QString &encoderOptions, const TMencOutputSettings &settings,
                         const TPictureTreatment &treatment, TToolCommand &command, QString &problem)
{
    const double start = TimeTextToSeconds(entry.Data.StartText);
    const double end = TimeTextToSeconds(entry.Data.EndText);
    if (start < 0 || end < 0 || end < start) {
        problem = QStringLiteral("its start or end time is not valid");
        return false;
    }
    // The encoder would still write a picture or two, and a file of them is no conversion.
    if (end == start) {
        problem = QStringLiteral("it has no length");
        return false;
    }
    QString device = dvdPath;
    if (device.endsWith(QLatin1Char('/')) && device.size() > 1)
        device.chop(1);
    command.Add(QStringLiteral("dvd://") + QString::number(entry.TitleNumber))
        .Add(QStringLiteral("-dvd-device"))
        .Add(device);
    // MEncoder's -ss lands on whatever group of pictures comes next; a DVD chapter is where it
    // begins exactly (-chapter counts the DVD's chapters, not the list's programs). Reading from the title's start
    // without a seek, it writes a broken first picture and its sound starts late, so the title's start is a seek to its
    // first instant.
    if (timeline.Program > 0)
        command.Add(QStringLiteral("-chapter")).Add(QString::number(timeline.Part));
    else
        command.Add(QStringLiteral("-ss")).Add(QStringLiteral("0.001"));
    // MEncoder never ends when -endpos reaches the end of a DVD title: it writes its file and
    // then spins. Left out, it stops at the title's end by itself.
    if (!RunsToTitleEnd(entry))
        command.Add(QStringLiteral("-endpos"))
            .Add(SecondsText((timeline.End - timeline.ProgramStart) * timeline.ClockScale + kEncoderOverrun));
    // The default AC3 decoder loses the sound after a block on some discs, and frame skipping
    // and A/V correction drop pictures; liba52 (other audio falls back to the usual decoders)
    // and no skipping keep every frame and all the sound.
    command.Add(QStringLiteral("-ac"))
        .Add(QStringLiteral("a52,"))
        .Add(QStringLiteral("-noskip"))
        .Add(QStringLiteral("-mc"))
        .Add(QStringLiteral("0"));
    command.AddWords(encoderOptions); // fixed switches and single-word values, no paths
    // The stream itself, since a title may hold two tracks of one language; the language only
    // where the stream is not known. A title without audio asks for nothing.
    const int audio = entry.Data.AudioLanguageIndex;
    if (entry.AudioId >= 0)
        command.Add(QStringLiteral("-aid")).Add(QString::number(entry.AudioId));
    else if (audio >= 0 && audio < entry.AudioLanguages.size() && !entry.AudioLanguages.at(audio).isEmpty())
        command.Add(QStringLiteral("-alang")).Add(entry.AudioLanguages.at(audio));
    TPictureFit fit;
    const bool scaled = FitPicture(settings, entry.Aspect, fit);
    if (!settings.OutputSize.isEmpty() && !scaled) {
        problem = QStringLiteral("the frame size %1 is not a width and a height").arg(settings.OutputSize);
        return false;
    }
    // MEncoder's own aspect guess comes too early to know the DVD's and writes square pixels
    // of the stored size; the picture's real display aspect is said outright (raw pictures
    // carry none: the converter is told). The bars are added by the converter, in video black.
    if (!settings.RawPicture)
        command.Add(QStringLiteral("-lavcopts")).Add(QStringLiteral("aspect=") + PictureAspect(settings, entry.Aspect));
    // Deinterlacing and film matching need the fields as the disc has them, before scaling
    // blends them together.
    QStringList filters;
    if (!treatment.Filters.isEmpty())
        filters << treatment.Filters;
    if (scaled)
        filters << QStringLiteral("scale=%1:%2").arg(fit.Width).arg(fit.Height);
    // Raw pictures are written as the last filter leaves them; after yadif that is with its
    // own line stride, which the converter reads as a torn picture. A scale copies them tight.
    if (settings.RawPicture) {
        if (!scaled)
            filters << QStringLiteral("scale");
        filters << QStringLiteral("format=i420");
    }
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

TToolCommand BuildPrepassCommand(const QString &encoderExe, int titleNumber, const QString &drive,
                                 const QString &outputFile)
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

namespace {

// The option text as the option builder writes it: a blank before every argument.
QString ArgumentsText(const QStringList &args)
{
    QString text;
    for (const QString &a : args)
        text += QLatin1Char(' ') + a;
    return text;
}

} // namespace

QString FramePadFilter(const TPictureFit &fit)
{
    const QString shape =
        fit.DisplayAspect.isEmpty()
            ? QStringLiteral("setsar=1")
            : QStringLiteral("setdar=") + QString(fit.DisplayAspect).replace(QLatin1Char(':'), QLatin1Char('/'));
    return QStringLiteral("pad=w=max(iw\\,%1):h=max(ih\\,%2):x=(ow-iw)/2:y=(oh-ih)/2:color=black,%3")
        .arg(fit.FrameWidth)
        .arg(fit.FrameHeight)
        .arg(shape);
}

void FitFrameOptions(QStringList &args, const TPictureFit &fit)
{
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args.at(i) == u"-aspect") {
            args[i + 1] = !fit.DisplayAspect.isEmpty()
                            ? fit.DisplayAspect
                            : QStringLiteral("%1:%2").arg(fit.FrameWidth).arg(fit.FrameHeight);
        } else if (args.at(i) == u"-s") {
            args[i + 1] = QStringLiteral("%1x%2").arg(fit.FrameWidth).arg(fit.FrameHeight);
        }
    }
}

void FitTranscoderToFrame(TTranscoderOptions &options, const TMencOutputSettings &settings, const QString &titleAspect)
{
    TPictureFit fit;
    if (!FitPicture(settings, titleAspect, fit))
        return;
    const QString pad = FramePadFilter(fit);
    QStringList &args = options.Arguments;
    FitFrameOptions(args, fit);
    bool padded = false;
    for (int i = 0; i + 1 < args.size() && !padded; ++i) {
        if (args.at(i) == u"-vf") {
            args[i + 1] = args.at(i + 1).isEmpty() ? pad : args.at(i + 1) + QLatin1Char(',') + pad;
            padded = true;
        }
    }
    if (!padded)
        args << QStringLiteral("-vf") << pad;
    options.Text = ArgumentsText(args);
}

namespace {

// Puts `filter` in front of the chain of `option` (-vf, -af), or gives the option one.
void PrependFilter(QStringList &args, const QString &option, const QString &filter)
{
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args.at(i) == option) {
            args[i + 1] = args.at(i + 1).isEmpty() ? filter : filter + QLatin1Char(',') + args.at(i + 1);
            return;
        }
    }
    args << option << filter;
}

QString Seconds6(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

} // namespace

QString SoundGainFilters()
{
    return QStringLiteral("volume=%1dB,alimiter=limit=%2:attack=5:release=50:level=0:latency=1")
        .arg(kSoundGainDb)
        .arg(kSoundPeak);
}

void RaiseSound(TTranscoderOptions &options)
{
    QStringList &args = options.Arguments;
    if (args.contains(QStringLiteral("-an")))
        return;
    const qsizetype at = args.indexOf(QStringLiteral("-af"));
    if (at >= 0 && at + 1 < args.size())
        args[at + 1] =
            args.at(at + 1).isEmpty() ? SoundGainFilters() : args.at(at + 1) + QLatin1Char(',') + SoundGainFilters();
    else
        args << QStringLiteral("-af") << SoundGainFilters();
    options.Text = ArgumentsText(args);
}

void SetTranscoderInputAspect(TTranscoderOptions &options, const QString &aspect)
{
    PrependFilter(options.Arguments, QStringLiteral("-vf"), QStringLiteral("setdar=") + aspect);
    options.Text = ArgumentsText(options.Arguments);
}

void CutTranscoderToEntry(TTranscoderOptions &options, const TEntryTimeline &timeline, double frameRate,
                          double videoEnd)
{
    QStringList &args = options.Arguments;
    const double frame = frameRate > 0 ? 1.0 / frameRate : 0.04;
    const double lead = qMax(0.0, timeline.Lead()) * timeline.ClockScale;
    // Counted in pictures: a time would be rounded to the stream's clock, and half a picture
    // can go either way.
    const qint64 leadPictures = RoundHalfEven(lead / frame);
    const qint64 pictures = timeline.BrokenPictures() + leadPictures;
    const double skip = pictures * frame;
    if (pictures > 0)
        PrependFilter(args, QStringLiteral("-vf"),
                      QStringLiteral("trim=start_frame=%1,setpts=PTS-STARTPTS").arg(pictures));
    if (!args.contains(QStringLiteral("-an"))) {
        // The sound is cut at the first picture kept, not at the time asked for.
        const double cut = leadPictures * frame + timeline.AudioLead + timeline.PictureLate;
        if (cut > 0.0005)
            PrependFilter(args, QStringLiteral("-af"),
                          QStringLiteral("atrim=start=%1,asetpts=PTS-STARTPTS").arg(Seconds6(cut)));
        else if (cut < -0.0005)
            PrependFilter(args, QStringLiteral("-af"),
                          QStringLiteral("adelay=delays=%1:all=1").arg(QString::number(-cut * 1000, 'f', 3)));
    }
    // The file ends with the entry's last picture, or the intermediate's where that came first.
    double length = (timeline.End - timeline.Start) * timeline.ClockScale;
    if (videoEnd > 0)
        length = qMin(length, videoEnd - skip);
    if (length > 0)
        args << QStringLiteral("-t") << SecondsText(length);
    options.Text = ArgumentsText(args);
}

TToolCommand BuildTranscoderCommand(const QString &transcoderExe, const QString &intermediateFile,
                                    const TTranscoderOptions &options, const QString &targetFile,
                                    const QString &chaptersFile, const QString &subtitleIndex)
{
    TToolCommand command(transcoderExe);
    command.Add(QStringLiteral("-y")).Add(QStringLiteral("-i")).AddQuoted(intermediateFile);
    if (!chaptersFile.isEmpty())
        command.Add(QStringLiteral("-i")).AddQuoted(chaptersFile);
    if (!subtitleIndex.isEmpty())
        command.Add(QStringLiteral("-i")).AddQuoted(subtitleIndex);
    // Output options from here on.
    if (!chaptersFile.isEmpty())
        command.Add(QStringLiteral("-map_chapters")).Add(QStringLiteral("1"));
    // Copied as the disc has it; named, it is picked although the container's own subtitle
    // codec is a text one.
    if (!subtitleIndex.isEmpty())
        command.Add(QStringLiteral("-c:s")).Add(QStringLiteral("copy"));
    for (const QString &argument : options.Arguments)
        command.Add(argument);
    // An absolute path: a name starting with "-" must not read as an option.
    command.AddQuoted(QFileInfo(targetFile).absoluteFilePath());
    return command;
}

bool ContainerTakesMarks(const QString &outputExt)
{
    static const QStringList marked = {QStringLiteral(".mkv"), QStringLiteral(".mp4"), QStringLiteral(".m4v"),
                                       QStringLiteral(".mov")};
    return marked.contains(outputExt.toLower());
}

bool ContainerTakesSubtitleTrack(const QString &outputExt)
{
    static const QStringList kept = {QStringLiteral(".mkv"), QStringLiteral(".mp4"), QStringLiteral(".m4v")};
    return kept.contains(outputExt.toLower());
}

QString ChapterMarksText(const QList<double> &programStarts, const TEntryTimeline &timeline)
{
    // Half a picture of slack: a span that begins at a chapter begins with its mark.
    constexpr double kSlack = 0.02;
    const double length = (timeline.End - timeline.Start) * timeline.ClockScale;
    QList<QPair<int, qint64>> marks; // chapter number, milliseconds into the file
    for (int i = 0; i < programStarts.size(); ++i) {
        const double at = programStarts.at(i);
        if (at >= timeline.Start - kSlack && at < timeline.End - kSlack)
            marks.append({i + 1, RoundHalfEven(qMax(0.0, at - timeline.Start) * timeline.ClockScale * 1000)});
    }
    if (marks.isEmpty())
        return {};
    QString text = QStringLiteral(";FFMETADATA1\n");
    for (int m = 0; m < marks.size(); ++m) {
        const qint64 end = m + 1 < marks.size() ? marks.at(m + 1).second : RoundHalfEven(length * 1000);
        text += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=Chapter %3\n")
                    .arg(marks.at(m).second)
                    .arg(qMax(end, marks.at(m).second))
                    .arg(marks.at(m).first, 2, 10, QLatin1Char('0'));
    }
    return text;
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
