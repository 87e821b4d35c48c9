#include "TranscoderCommand.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/commands/PictureFit.h"
#include "convert/commands/TMencOutputSettings.h"
#include "core/RoundHalfEven.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"

#include <QFileInfo>
#include <QPair>

TTranscoderOptions TranscoderOptionPieces(const QString &profileFile, const TParameterGrids &grids)
{
    if (!QFileInfo(profileFile).isFile())
        return {};
    return TranscoderOptionPieces(TProfile::Read(TIniFile(profileFile)), grids);
}

TTranscoderOptions TranscoderOptionPieces(const TProfile &profile, const TParameterGrids &grids)
{
    TTranscoderOptions options;
    // The option builder's rule: a switch and its value for every parameter that has both,
    // the switch alone for a value of a single "\".
    for (const TProfileParameter &p : profile.Parameters) {
        const QString value = ResolveParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty() || IsProgramRow(p))
            continue;
        options.Arguments << p.Cmd;
        if (value != u"\\")
            options.Arguments << value;
    }
    return options;
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
    // The original sound asked for: through a file the encoder has decoded it already, so it is
    // kept lossless as it stands (FLAC), not raised.
    const qsizetype coder = args.indexOf(QStringLiteral("-c:a"));
    if (coder >= 0 && coder + 1 < args.size() && args.at(coder + 1) == u"copy") {
        args[coder + 1] = QStringLiteral("flac");
        const qsizetype rate = args.indexOf(QStringLiteral("-b:a"));
        if (rate >= 0 && rate + 1 < args.size())
            args.remove(rate, 2);
        // Still through a filter: the cut of the entry times filtered sound as it does the
        // raised sound.
        if (!args.contains(QStringLiteral("-af")))
            args << QStringLiteral("-af") << QStringLiteral("anull");
        return;
    }
    const qsizetype at = args.indexOf(QStringLiteral("-af"));
    if (at >= 0 && at + 1 < args.size())
        args[at + 1] =
            args.at(at + 1).isEmpty() ? SoundGainFilters() : args.at(at + 1) + QLatin1Char(',') + SoundGainFilters();
    else
        args << QStringLiteral("-af") << SoundGainFilters();
}

void SetTranscoderInputAspect(TTranscoderOptions &options, const QString &aspect)
{
    PrependFilter(options.Arguments, QStringLiteral("-vf"), QStringLiteral("setdar=") + aspect);
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
}

TToolCommand BuildTranscoderCommand(const QString &transcoderExe, const QString &intermediateFile,
                                    const TTranscoderOptions &options, const QString &targetFile,
                                    const QString &chaptersFile, const QString &subtitleIndex)
{
    TToolCommand command(transcoderExe);
    command.Add(QStringLiteral("-y")).AddFileInput(intermediateFile);
    if (!chaptersFile.isEmpty())
        command.AddFileInput(chaptersFile);
    if (!subtitleIndex.isEmpty())
        command.AddFileInput(subtitleIndex);
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
    command.AddWritten(QFileInfo(targetFile).absoluteFilePath());
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
