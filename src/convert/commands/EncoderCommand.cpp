#include "EncoderCommand.h"

#include "convert/commands/PictureFit.h"
#include "convert/commands/TConversionEntry.h"
#include "convert/commands/TMencOutputSettings.h"
#include "core/TimeText.h"

#include <QStorageInfo>

QString SecondsText(double seconds)
{
    return QString::number(seconds, 'f', 3);
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
        .AddWritten(outputFile);
    return command;
}

QString PrepassDrive(const QString &dvdPath)
{
    const QStorageInfo storage(dvdPath);
    return storage.isValid() ? storage.rootPath() : QStringLiteral("/");
}
