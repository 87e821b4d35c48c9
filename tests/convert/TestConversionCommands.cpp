#include "TestSupport.h"

#include "convert/commands/EncoderCommand.h"
#include "convert/commands/PictureFit.h"
#include "convert/commands/StreamedConversion.h"
#include "convert/commands/TranscoderCommand.h"
#include "convert/run/RunTexts.h"
#include "convert/commands/OptionBuilder.h"
#include "convert/commands/TConversionEntry.h"
#include "convert/commands/TMencOutputSettings.h"
#include "core/TimeText.h"
#include "profiles/TParameterGrids.h"
#include "profiles/TProfileValues.h"
#include "tasklist/TargetNames.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TScanType)
Q_DECLARE_METATYPE(TDeinterlace)
Q_DECLARE_METATYPE(TStreamStart)
Q_DECLARE_METATYPE(TEntryTimeline)

namespace {

TConversionEntry Title(int number, const char *start, const char *end)
{
    TConversionEntry e;
    e.Data.IsTitle = true;
    e.Data.Number = number;
    e.Data.StartText = QString::fromLatin1(start);
    e.Data.EndText = QString::fromLatin1(end);
    e.Data.OutputName = QStringLiteral("Title%1").arg(number, 2, 10, QLatin1Char('0'));
    e.TitleNumber = number;
    e.AudioLanguages = Strings({"en", "fr"});
    e.Aspect = QStringLiteral("4:3");
    return e;
}

// What the disc says: its programs' starts, the title's length, the program the reading
// begins at, and the sound's lead there.
TStreamStart Disc(const QList<double> &programs, double length, int program, double audioLead = 0, int part = 0)
{
    TStreamStart d;
    d.ProgramStarts = programs;
    d.TitleLength = length;
    d.Program = program;
    d.Part = part > 0 ? part : program + 1;
    d.ProgramStart = programs.value(program);
    d.Found = true;
    d.VideoPts = 90000;
    d.AudioPts = 90000 - qint64(audioLead * 90000);
    return d;
}

TMencOutputSettings Size(const char *size, const char *aspect)
{
    TMencOutputSettings s;
    s.OutputSize = QString::fromLatin1(size);
    const qsizetype colon = s.OutputSize.indexOf(QLatin1Char(':'));
    if (!s.OutputSize.isEmpty()) {
        s.OutputWidth = colon < 0 ? QString() : s.OutputSize.left(colon);
        s.OutputHeight = s.OutputSize.mid(colon + 1);
    }
    s.OutputAspect = QString::fromLatin1(aspect);
    return s;
}

// A frame of DVD or Video CD video.
TMencOutputSettings MpegSize(const char *size, const char *aspect, const char *codec = "mpeg2video")
{
    TMencOutputSettings s = Size(size, aspect);
    s.VideoCodec = QString::fromLatin1(codec);
    return s;
}

const QString kOptions = QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800:mbd=2 -oac mp3lame -lameopts "
                                        "vbr=2:q=5 -channels 2 -af volume=10:1");
// Every frame and all the sound: liba52 first, no frame skipping, no A/V correction.
const QString kDecoding = QStringLiteral(" -ac a52, -noskip -mc 0");
const QString kDvd = QStringLiteral("/media/cdrom/VIDEO_TS/");

} // namespace

class TestConversionCommands : public QObject
{
    Q_OBJECT
private slots:
    // What the encoder pass is told, after the fixed codec options.
    void encoderCommand_data()
    {
        QTest::addColumn<TConversionEntry>("entry");
        QTest::addColumn<TMencOutputSettings>("settings");
        QTest::addColumn<QString>("head"); // title, device, start and length
        QTest::addColumn<QString>("tail"); // what follows the codec options
        QTest::addColumn<TStreamStart>("disc");

        const TMencOutputSettings none;
        QTest::newRow("a start inside a chapter: read from the chapter, length with three decimals")
            << Title(1, "00:10:00", "00:25:30") << none
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -chapter 2 -endpos 1230.500")
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub") << Disc({0, 300, 900}, 3600, 1);
        QTest::newRow("16:9 into 640x480 is scaled to 640x360 and padded")
            << Title(1, "0:0:0", "0:0:4") << Size("640:480", "16:9")
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -ss 0.001 -endpos 4.500")
            << QStringLiteral(" -alang en -lavcopts aspect=640/360 -vf scale=640:360 -nosub") << TStreamStart();
        QTest::newRow("4:3 into 640x480")
            << Title(1, "0:0:0", "0:0:4") << Size("640:480", "4:3") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=640/480 -vf scale=640:480 -nosub") << TStreamStart();
        QTest::newRow("720 wide at 16:9 is 404 high: sizes are whole pairs of pixels")
            << Title(1, "0:0:0", "0:0:4") << Size("720:576", "16:9") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=720/404 -vf scale=720:404 -nosub") << TStreamStart();
        QTest::newRow("an odd custom frame becomes even, the picture inside it too")
            << Title(1, "0:0:0", "0:0:4") << Size("721:405", "4:3") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=538/404 -vf scale=538:404 -nosub") << TStreamStart();
        QTest::newRow("720 wide at 4:3 is 540 high")
            << Title(1, "0:0:0", "0:0:4") << Size("720:576", "4:3") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=720/540 -vf scale=720:540 -nosub") << TStreamStart();
        TConversionEntry wide = Title(1, "0:0:0", "0:0:4");
        wide.Aspect = QStringLiteral("16:9");
        QTest::newRow("a 16:9 title at its own size keeps its display aspect")
            << wide << none << QString() << QStringLiteral(" -alang en -lavcopts aspect=16/9 -nosub") << TStreamStart();
        QTest::newRow("no profile aspect: a 16:9 title")
            << wide << Size("854:480", "") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=854/480 -vf scale=854:480 -nosub") << TStreamStart();
        QTest::newRow("no profile aspect: a 4:3 title fits the frame's height")
            << Title(1, "0:0:0", "0:0:4") << Size("1280:720", "2.35:1") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=960/720 -vf scale=960:720 -nosub") << TStreamStart();
        QTest::newRow("a 16:9 title in a DVD frame shown at 4:3 is letterboxed")
            << wide << MpegSize("720:576", "4:3") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=16/9 -vf scale=720:432 -nosub") << TStreamStart();
        QTest::newRow("a 4:3 title in a DVD frame shown at 16:9 is pillarboxed")
            << Title(1, "0:0:0", "0:0:4") << MpegSize("720:480", "16:9") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -vf scale=540:480 -nosub") << TStreamStart();
        QTest::newRow("a 16:9 title fills a DVD frame of its own aspect")
            << wide << MpegSize("720:576", "") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=16/9 -vf scale=720:576 -nosub") << TStreamStart();
        TMencOutputSettings raw = Size("640:480", "");
        raw.RawPicture = true;
        QTest::newRow("raw pictures for a pipe: no codec options, tight i420")
            << wide << raw << QString() << QStringLiteral(" -alang en -vf scale=640:360,format=i420 -nosub")
            << TStreamStart();
        TMencOutputSettings rawOwnSize;
        rawOwnSize.RawPicture = true;
        QTest::newRow("raw pictures at the DVD's size are copied tight too")
            << wide << rawOwnSize << QString() << QStringLiteral(" -alang en -vf scale,format=i420 -nosub")
            << TStreamStart();
        QTest::newRow("a Video CD frame")
            << Title(1, "0:0:0", "0:0:4") << MpegSize("352:288", "", "mpeg1video") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -vf scale=352:288 -nosub") << TStreamStart();
        QTest::newRow("MPEG-1 at a square size keeps square pixels")
            << wide << MpegSize("640:480", "", "mpeg1video") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=640/360 -vf scale=640:360 -nosub") << TStreamStart();
        TConversionEntry unknown = Title(1, "0:0:0", "0:0:4");
        unknown.Aspect = QStringLiteral("???");
        QTest::newRow("unknown title aspect counts as 4:3")
            << unknown << Size("320:240", "") << QString()
            << QStringLiteral(" -alang en -lavcopts aspect=320/240 -vf scale=320:240 -nosub") << TStreamStart();

        TConversionEntry sub = Title(2, "0:0:0", "0:0:4");
        sub.Data.SubtitleIndex = 1;
        QTest::newRow("first subtitle, no stream number known")
            << sub << none << QString() << QStringLiteral(" -alang en -lavcopts aspect=4/3 -sid 0") << TStreamStart();
        sub.SubtitleStream = 1; // a title that carries only the title set's second stream
        QTest::newRow("first subtitle of a title that skips stream 0")
            << sub << none << QString() << QStringLiteral(" -alang en -lavcopts aspect=4/3 -sid 1") << TStreamStart();

        TConversionEntry chapter = Title(3, "0:0:2", "0:0:5");
        chapter.Data.IsTitle = false;
        chapter.Data.Number = 2;
        chapter.Data.ChapterIndex = 1;
        chapter.Data.OrigStartText = QStringLiteral("0:0:1"); // trimmed: its start is a time
        chapter.Data.AudioLanguageIndex = 1;
        chapter.Aspect = QStringLiteral("16:9");
        chapter.Data.OutputName = QStringLiteral("Title03-Chapter02");
        QTest::newRow("trimmed chapter: title's number, languages and aspect")
            << chapter << Size("640:480", "")
            << QStringLiteral(" dvd://3 -dvd-device /media/cdrom/VIDEO_TS -chapter 2 -endpos 4.500")
            << QStringLiteral(" -alang fr -lavcopts aspect=640/360 -vf scale=640:360 -nosub") << Disc({0, 1, 5}, 8, 1);
        // -ss lands on a group of pictures; a chapter by number starts at its first picture.
        chapter.Data.OrigStartText = chapter.Data.StartText;
        QTest::newRow("untrimmed chapter by its number")
            << chapter << Size("640:480", "")
            << QStringLiteral(" dvd://3 -dvd-device /media/cdrom/VIDEO_TS -chapter 2 -endpos 3.500")
            << QStringLiteral(" -alang fr -lavcopts aspect=640/360 -vf scale=640:360 -nosub") << Disc({0, 2, 5}, 8, 1);
        QTest::newRow("a program that begins no DVD chapter: the DVD's chapter before it")
            << chapter << none << QStringLiteral(" dvd://3 -dvd-device /media/cdrom/VIDEO_TS -chapter 2 -endpos 4.500")
            << QStringLiteral(" -alang fr -lavcopts aspect=16/9 -nosub") << Disc({0, 1, 2, 5}, 8, 1, 0, 2);
        chapter.AudioId = 0x81;
        QTest::newRow("the chosen track by its stream, not its language")
            << chapter << none << QString() << QStringLiteral(" -aid 129 -lavcopts aspect=16/9 -nosub")
            << Disc({0, 2, 5}, 8, 1);
        // MEncoder never ends when -endpos reaches the title's end: an entry that runs to it
        // (or into its last second) goes without.
        auto ofTitle = [](const char *start, const char *end, double titleEnd) {
            TConversionEntry e = Title(1, start, end);
            e.Data.Start = TimeTextToSeconds(e.Data.StartText);
            e.Data.End = TimeTextToSeconds(e.Data.EndText);
            e.TitleEnd = titleEnd;
            return e;
        };
        QTest::newRow("whole title: no -endpos")
            << ofTitle("0:0:0", "0:0:20", 20) << none
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -ss 0.001")
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub") << TStreamStart();
        QTest::newRow("last chapter: no -endpos")
            << ofTitle("0:0:15", "0:0:20", 20) << none
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -chapter 3")
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub") << Disc({0, 5, 15}, 20, 2);
        QTest::newRow("end in the title's last second: no -endpos")
            << ofTitle("0:0:15", "0:0:19.5", 20) << none
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -chapter 3")
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub") << Disc({0, 5, 15}, 20, 2);
        QTest::newRow("middle chapter keeps -endpos")
            << ofTitle("0:0:5", "0:0:10", 20) << none
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -chapter 2 -endpos 5.500")
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub") << Disc({0, 5, 15}, 20, 1);
        QTest::newRow("trimmed end a second early keeps -endpos")
            << ofTitle("0:0:0", "0:0:19", 20) << none
            << QStringLiteral(" dvd://1 -dvd-device /media/cdrom/VIDEO_TS -ss 0.001 -endpos 19.500")
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub") << TStreamStart();
        TConversionEntry mute = Title(1, "0:0:0", "0:0:4");
        mute.AudioLanguages.clear();
        QTest::newRow("a title without audio asks for no language")
            << mute << none << QString() << QStringLiteral(" -lavcopts aspect=4/3 -nosub") << TStreamStart();
    }
    void encoderCommand()
    {
        QFETCH(TConversionEntry, entry);
        QFETCH(TMencOutputSettings, settings);
        QFETCH(QString, head);
        QFETCH(QString, tail);
        QFETCH(TStreamStart, disc);
        TToolCommand command(QStringLiteral("/prog/asapi.dll"));
        QString problem;
        QVERIFY(BuildEncoderCommand(entry, EntryTimeline(entry, disc), kDvd, kOptions, settings, TPictureTreatment(),
                                    command, problem));
        QVERIFY(problem.isEmpty());
        if (!head.isEmpty())
            QVERIFY2(command.Text().startsWith(head + kDecoding + kOptions), qPrintable(command.Text()));
        QCOMPARE(command.Text().mid(command.Text().indexOf(kOptions) + kOptions.size()), tail);
        // Every blank-separated piece of the text is one argument: nothing here needs quotes.
        QCOMPARE(command.Arguments(), command.Text().split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }

    // The fields are still apart before scaling: deinterlacing and film matching come first,
    // and film is written at its own rate.
    void pictureTreatmentComesBeforeScaling_data()
    {
        QTest::addColumn<TScanType>("scan");
        QTest::addColumn<TDeinterlace>("choice");
        QTest::addColumn<TMencOutputSettings>("settings");
        QTest::addColumn<QString>("tail");
        const TMencOutputSettings none, scaled = Size("640:480", "");
        QTest::newRow("progressive: as before")
            << TScanType::Progressive << TDeinterlace::Auto << scaled
            << QStringLiteral(" -alang en -lavcopts aspect=640/480 -vf scale=640:480 -nosub");
        QTest::newRow("interlaced, scaled")
            << TScanType::Interlaced << TDeinterlace::Auto << scaled
            << QStringLiteral(" -alang en -lavcopts aspect=640/480 -vf yadif=0,scale=640:480 -nosub");
        QTest::newRow("interlaced, original size")
            << TScanType::Interlaced << TDeinterlace::Auto << none
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -vf yadif=0 -nosub");
        QTest::newRow("interlaced, No") << TScanType::Interlaced << TDeinterlace::No << none
                                        << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub");
        QTest::newRow("progressive, Yes") << TScanType::Progressive << TDeinterlace::Yes << none
                                          << QStringLiteral(" -alang en -lavcopts aspect=4/3 -vf yadif=0 -nosub");
        QTest::newRow("soft film")
            << TScanType::SoftFilm << TDeinterlace::Auto << scaled
            << QStringLiteral(
                   " -alang en -lavcopts aspect=640/480 -vf pullup,softskip,scale=640:480 -ofps 24000/1001 -nosub");
        QTest::newRow("soft film, No: the time must stay")
            << TScanType::SoftFilm << TDeinterlace::No << none
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -vf pullup,softskip -ofps 24000/1001 -nosub");
        QTest::newRow("hard film, Yes")
            << TScanType::HardFilm << TDeinterlace::Yes << none
            << QStringLiteral(" -alang en -lavcopts aspect=4/3 -vf pullup,softskip -ofps 24000/1001 -nosub");
        QTest::newRow("hard film, No: as stored") << TScanType::HardFilm << TDeinterlace::No << none
                                                  << QStringLiteral(" -alang en -lavcopts aspect=4/3 -nosub");
    }
    void pictureTreatmentComesBeforeScaling()
    {
        QFETCH(TScanType, scan);
        QFETCH(TDeinterlace, choice);
        QFETCH(TMencOutputSettings, settings);
        QFETCH(QString, tail);
        TToolCommand command(QStringLiteral("/prog/asapi.dll"));
        QString problem;
        const TConversionEntry entry = Title(1, "0:0:0", "0:0:4");
        QVERIFY(BuildEncoderCommand(entry, EntryTimeline(entry, TStreamStart()), kDvd, kOptions, settings,
                                    PictureTreatment(scan, choice), command, problem));
        QCOMPARE(command.Text().mid(command.Text().indexOf(kOptions) + kOptions.size()), tail);
    }

    // The disc's exact times replace the list's whole seconds where the entry is a chapter's or
    // the title's own; a trimmed time stays the user's.
    void timelineFromTheDisc_data()
    {
        QTest::addColumn<TConversionEntry>("entry");
        QTest::addColumn<TStreamStart>("disc");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("programStart");
        QTest::addColumn<double>("audioLead");
        const TStreamStart disc = Disc({0, 6.64, 13.32}, 20.04, 0, 0.6133);
        TConversionEntry title = Title(1, "0:0:0", "0:0:20");
        title.Data.OrigStartText = title.Data.StartText;
        title.Data.OrigEndText = title.Data.EndText;
        QTest::newRow("whole title") << title << disc << 0.0 << 20.04 << 0.0 << 0.6133;
        TConversionEntry chapter = title;
        chapter.Data.IsTitle = false;
        chapter.Data.ChapterIndex = 1;
        chapter.Data.StartText = chapter.Data.OrigStartText = QStringLiteral("0:0:7");
        chapter.Data.EndText = chapter.Data.OrigEndText = QStringLiteral("0:0:13");
        QTest::newRow("middle chapter: the disc's own times")
            << chapter << Disc({0, 6.64, 13.32}, 20.04, 1) << 6.64 << 13.32 << 6.64 << 0.0;
        chapter.Data.ChapterIndex = 2;
        QTest::newRow("last chapter ends with the title")
            << chapter << Disc({0, 6.64, 13.32}, 20.04, 2) << 13.32 << 20.04 << 13.32 << 0.0;
        TConversionEntry trimmed = Title(1, "0:0:8.5", "0:0:12");
        QTest::newRow("trimmed: the user's times, read from the chapter before")
            << trimmed << Disc({0, 6.64, 13.32}, 20.04, 1) << 8.5 << 12.0 << 6.64 << 0.0;
        QTest::newRow("a disc that could not be read: from the title's start")
            << trimmed << TStreamStart() << 8.5 << 12.0 << 0.0 << 0.0;
    }
    void timelineFromTheDisc()
    {
        QFETCH(TConversionEntry, entry);
        QFETCH(TStreamStart, disc);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(double, programStart);
        QFETCH(double, audioLead);
        const TEntryTimeline t = EntryTimeline(entry, disc);
        QCOMPARE(t.Start, start);
        QCOMPARE(t.End, end);
        QCOMPARE(t.ProgramStart, programStart);
        QVERIFY2(qAbs(t.AudioLead - audioLead) < 1e-4, qPrintable(QString::number(t.AudioLead)));
    }

    // What the converter cuts: the encoder's broken first picture after a chapter start, the
    // lead in whole pictures, and the sound at the same picture less its own lead.
    void converterCutsToTheEntry_data()
    {
        QTest::addColumn<TEntryTimeline>("timeline");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<double>("videoEnd");
        QTest::addColumn<QStringList>("cut");
        auto timeline = [](int program, double programStart, double start, double end, double audioLead) {
            TEntryTimeline t;
            t.Program = program;
            t.ProgramStart = programStart;
            t.Start = start;
            t.End = end;
            t.AudioLead = audioLead;
            return t;
        };
        QTest::newRow("title start: the sound's lead only")
            << timeline(0, 0, 0, 12, 0.0053) << Strings({"-c:v", "libx264"}) << 12.0
            << Strings({"-c:v", "libx264", "-af", "atrim=start=0.005300,asetpts=PTS-STARTPTS", "-t", "12.000"});
        QTest::newRow("a chapter: its broken picture, the lead into the profile's volume")
            << timeline(1, 6.24, 6.24, 12, 0.6133) << Strings({"-af", "volume=1.5"}) << 5.8
            << Strings({"-af", "atrim=start=0.613300,asetpts=PTS-STARTPTS,volume=1.5", "-vf",
                        "trim=start_frame=1,setpts=PTS-STARTPTS", "-t", "5.760"});
        QTest::newRow("trimmed: the lead in whole pictures, the sound cut at the same picture")
            << timeline(0, 0, 3.3, 8, 0) << Strings({"-vf", "yadif"}) << 8.5
            << Strings({"-vf", "trim=start_frame=82,setpts=PTS-STARTPTS,yadif", "-af",
                        "atrim=start=3.280000,asetpts=PTS-STARTPTS", "-t", "4.700"});
        QTest::newRow("sound that comes late is delayed")
            << timeline(0, 0, 0, 4, -0.012) << Strings({}) << 4.0
            << Strings({"-af", "adelay=delays=12.000:all=1", "-t", "4.000"});
        QTest::newRow("no sound: nothing to cut")
            << timeline(1, 2, 2, 4, 0.5) << Strings({"-an"}) << 2.5
            << Strings({"-an", "-vf", "trim=start_frame=1,setpts=PTS-STARTPTS", "-t", "2.000"});
        QTest::newRow("an intermediate shorter than the entry ends the file")
            << timeline(0, 0, 0, 12, 0) << Strings({}) << 11.96 << Strings({"-t", "11.960"});
    }
    void converterCutsToTheEntry()
    {
        QFETCH(TEntryTimeline, timeline);
        QFETCH(QStringList, arguments);
        QFETCH(double, videoEnd);
        QFETCH(QStringList, cut);
        TTranscoderOptions options;
        options.Arguments = arguments;
        CutTranscoderToEntry(options, timeline, 25, videoEnd);
        QCOMPARE(options.Arguments, cut);
    }

    // The converter pads the scaled picture into the frame with video black and square
    // pixels; a display aspect of the profile's becomes the frame's.
    void transcoderFitsTheFrame_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<TMencOutputSettings>("settings");
        QTest::addColumn<QString>("titleAspect");
        QTest::addColumn<QStringList>("fitted");
        const QString pad =
            QStringLiteral("pad=w=max(iw\\,640):h=max(ih\\,480):x=(ow-iw)/2:y=(oh-ih)/2:color=black,setsar=1");
        const QString wide = QStringLiteral("16:9"), narrow = QStringLiteral("4:3");
        QTest::newRow("no size: nothing changes") << Strings({"-c:v", "libx264", "-aspect", "16:9"}) << Size("", "16:9")
                                                  << wide << Strings({"-c:v", "libx264", "-aspect", "16:9"});
        QTest::newRow("a frame: padded, the aspect the frame's")
            << Strings({"-c:v", "libx264", "-s", "640x480", "-aspect", "16:9"}) << Size("640:480", "16:9") << wide
            << (Strings({"-c:v", "libx264", "-s", "640x480", "-aspect", "640:480", "-vf"}) << pad);
        QTest::newRow("the profile's filter comes first")
            << Strings({"-vf", "yadif", "-s", "640x480"}) << Size("640:480", "") << narrow
            << (Strings({"-vf"}) << QStringLiteral("yadif,") + pad << Strings({"-s", "640x480"}));
        QTest::newRow("an odd frame is made even for the converter too")
            << Strings({"-c:v", "libx264", "-s", "721x405"}) << Size("721:405", "") << narrow
            << (Strings({"-c:v", "libx264", "-s", "720x404", "-vf"})
                << QStringLiteral("pad=w=max(iw\\,720):h=max(ih\\,404):x=(ow-iw)/2:y=(oh-ih)/2:color=black,setsar=1"));
        const QString dvdPad =
            QStringLiteral("pad=w=max(iw\\,720):h=max(ih\\,576):x=(ow-iw)/2:y=(oh-ih)/2:color=black,");
        QTest::newRow("a DVD frame keeps the profile's display aspect")
            << Strings({"-c:v", "mpeg2video", "-s", "720x576", "-aspect", "4:3"}) << MpegSize("720:576", "4:3") << wide
            << (Strings({"-c:v", "mpeg2video", "-s", "720x576", "-aspect", "4:3", "-vf"})
                << dvdPad + QStringLiteral("setdar=4/3"));
        QTest::newRow("a DVD frame without a profile aspect takes the title's")
            << Strings({"-c:v", "mpeg2video", "-s", "720x576"}) << MpegSize("720:576", "") << wide
            << (Strings({"-c:v", "mpeg2video", "-s", "720x576", "-vf"}) << dvdPad + QStringLiteral("setdar=16/9"));
    }
    void transcoderFitsTheFrame()
    {
        QFETCH(QStringList, arguments);
        QFETCH(TMencOutputSettings, settings);
        QFETCH(QString, titleAspect);
        QFETCH(QStringList, fitted);
        TTranscoderOptions options;
        options.Arguments = arguments;
        FitTranscoderToFrame(options, settings, titleAspect);
        QCOMPARE(options.Arguments, fitted);
    }

    // The bars a disc carries, as cropdetect saw them over the title's samples, and the film's
    // picture made of what is left: widened to even lines, at the film's shape.
    void croppedFilmKeepsItsShape_data()
    {
        QTest::addColumn<QString>("figures"); // cropdetect's last figures; empty: none
        QTest::addColumn<TMencOutputSettings>("settings");
        QTest::addColumn<QString>("titleAspect");
        QTest::addColumn<QString>("crop"); // the filter; empty: nothing cropped
        QTest::addColumn<QSize>("picture"); // the scaled picture; empty: not scaled
        QTest::addColumn<QSize>("frame");
        const QString scope = QStringLiteral("x1:0 x2:719 y1:70 y2:505");
        QTest::newRow("2.35:1 in 16:9, original size")
            << scope << Size("", "") << QStringLiteral("16:9") << QStringLiteral("crop=720:436:0:70") << QSize()
            << QSize();
        QTest::newRow("2.35:1 in 16:9 by height: square pixels of its shape")
            << scope << Size(":360", "") << QStringLiteral("16:9") << QStringLiteral("crop=720:436:0:70")
            << QSize(846, 360) << QSize(846, 360);
        QTest::newRow("2.35:1 into a 640x480 frame: the frame's bars, not the disc's")
            << scope << Size("640:480", "") << QStringLiteral("16:9") << QStringLiteral("crop=720:436:0:70")
            << QSize(640, 272) << QSize(640, 480);
        QTest::newRow("2.35:1 into a 4:3 DVD frame: letterboxed at its shape")
            << scope << MpegSize("720:576", "4:3") << QStringLiteral("16:9") << QStringLiteral("crop=720:436:0:70")
            << QSize(720, 328) << QSize(720, 576);
        QTest::newRow("odd edges widen outwards to even ones")
            << QStringLiteral("x1:9 x2:710 y1:71 y2:504") << Size("", "") << QStringLiteral("16:9")
            << QStringLiteral("crop=704:436:8:70") << QSize() << QSize();
        QTest::newRow("16:9 in 4:3 by height")
            << QStringLiteral("x1:0 x2:719 y1:72 y2:503") << Size(":432", "") << QStringLiteral("4:3")
            << QStringLiteral("crop=720:432:0:72") << QSize(768, 432) << QSize(768, 432);
        QTest::newRow("no bars: nothing cropped, the title's shape by height")
            << QStringLiteral("x1:0 x2:719 y1:0 y2:575") << Size(":480", "") << QStringLiteral("16:9") << QString()
            << QSize(854, 480) << QSize(854, 480);
        QTest::newRow("dark samples only: nothing cropped")
            << QStringLiteral("x1:719 x2:0 y1:575 y2:0") << Size("", "") << QStringLiteral("16:9") << QString()
            << QSize() << QSize();
        QTest::newRow("a sliver of picture is no film: nothing cropped")
            << QStringLiteral("x1:300 x2:420 y1:250 y2:330") << Size("", "") << QStringLiteral("16:9") << QString()
            << QSize() << QSize();
        QTest::newRow("no figures: nothing cropped")
            << QString() << Size("", "") << QStringLiteral("16:9") << QString() << QSize() << QSize();
    }
    void croppedFilmKeepsItsShape()
    {
        QFETCH(QString, figures);
        QFETCH(TMencOutputSettings, settings);
        QFETCH(QString, titleAspect);
        QFETCH(QString, crop);
        QFETCH(QSize, picture);
        QFETCH(QSize, frame);
        // The first figures are narrower: only the last, the widest seen, count.
        const QString output =
            QStringLiteral("  Stream #0:0[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, top first), 720x576 [SAR 64:45 DAR "
                           "16:9], 25 fps\n[Parsed_cropdetect_0 @ 0x1] x1:0 x2:719 y1:100 y2:480 w:720 h:380 x:0 "
                           "y:100\n")
            + (figures.isEmpty() ? QString()
                                 : QStringLiteral("[Parsed_cropdetect_0 @ 0x1] ") + figures
                                       + QStringLiteral(" w:2 h:2 x:0 y:0 pts:1 t:0.04 crop=2:2:0:0\n"));
        const TPictureCrop found = TPictureCrop::FromCropdetect(figures.isEmpty() ? QString() : output);
        QCOMPARE(found.IsSet() ? found.Filter() : QString(), crop);
        TPictureFit fit;
        QCOMPARE(FitPicture(settings, titleAspect, fit, found), picture.isValid());
        if (picture.isValid()) {
            QCOMPARE(QSize(fit.Width, fit.Height), picture);
            QCOMPARE(QSize(fit.FrameWidth, fit.FrameHeight), frame);
        }

        // Streamed, the bars go before scaling, the frame's pixel shape before them.
        TStreamedConversion conversion;
        conversion.Pipe = QStringLiteral("/tmp/pipe");
        conversion.End = 3;
        conversion.AudioId = -1;
        conversion.TitleAspect = titleAspect;
        conversion.Crop = found;
        const QString graph = BuildStreamedConverterCommand(QStringLiteral("ffmpeg"), conversion, TTranscoderOptions(),
                                                            settings, QStringLiteral(".mkv"),
                                                            QStringLiteral("/tmp/out.mkv"))
                                  .Arguments()
                                  .filter(QStringLiteral("[v]"))
                                  .value(0);
        const QString shape = titleAspect == u"16:9" ? QStringLiteral("setdar=16/9") : QStringLiteral("setdar=4/3");
        if (!crop.isEmpty()) {
            QVERIFY2(graph.contains(shape + QLatin1Char(',') + crop), qPrintable(graph));
            if (picture.isValid())
                QVERIFY2(graph.indexOf(crop) < graph.indexOf(QStringLiteral("scale=")), qPrintable(graph));
            else
                QVERIFY2(graph.endsWith(crop + QStringLiteral("[v]")), qPrintable(graph));
        } else {
            QVERIFY2(!graph.contains(QStringLiteral("crop=")), qPrintable(graph));
        }
    }

    // A mark at each chapter start inside the span, at its time in the file, named by the
    // title's chapter number; each runs to the next mark or the file's end.
    void chapterMarks_data()
    {
        QTest::addColumn<QList<double>>("programs");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("marks"); // "number start end" in ms, by ";"
        const QList<double> three{0, 6.04, 12};
        QTest::newRow("a whole title") << three << 0.0 << 18.0 << 1.0
                                       << QStringLiteral("1 0 6040;2 6040 12000;3 12000 18000");
        QTest::newRow("a span from inside the first chapter")
            << three << 7.0 << 18.0 << 1.0 << QStringLiteral("3 5000 11000");
        QTest::newRow("a span from the second chapter") << three << 6.04 << 12.0 << 1.0 << QStringLiteral("2 0 5960");
        QTest::newRow("NTSC: the disc's clock runs 1.001 slow")
            << QList<double>{0, 10} << 0.0 << 20.0 << 1.001 << QStringLiteral("1 0 10010;2 10010 20020");
        QTest::newRow("no chapter starts inside") << three << 7.0 << 11.0 << 1.0 << QString();
        QTest::newRow("no programs known") << QList<double>() << 0.0 << 18.0 << 1.0 << QString();
    }
    void chapterMarks()
    {
        QFETCH(QList<double>, programs);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(double, scale);
        QFETCH(QString, marks);
        TEntryTimeline timeline;
        timeline.Start = start;
        timeline.End = end;
        timeline.ClockScale = scale;
        QString want;
        if (!marks.isEmpty()) {
            want = QStringLiteral(";FFMETADATA1\n");
            for (const QString &mark : marks.split(QLatin1Char(';'))) {
                const QStringList f = mark.split(QLatin1Char(' '));
                want += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=Chapter %3\n")
                            .arg(f.at(1), f.at(2), f.at(0).rightJustified(2, QLatin1Char('0')));
            }
        }
        QCOMPARE(ChapterMarksText(programs, timeline), want);
        QVERIFY(ContainerTakesMarks(QStringLiteral(".mkv")) && ContainerTakesMarks(QStringLiteral(".MP4"))
                && ContainerTakesMarks(QStringLiteral(".mov")));
        QVERIFY(!ContainerTakesMarks(QStringLiteral(".avi")) && !ContainerTakesMarks(QStringLiteral(".flv")));
        // The marks are the converter's second input, their chapters the file's.
        const TToolCommand withMarks =
            BuildTranscoderCommand(QStringLiteral("ffmpeg"), QStringLiteral("/w/temp.avi"), TTranscoderOptions(),
                                   QStringLiteral("/o/a.mkv"), QStringLiteral("/w/temp.avi.chapters"));
        QCOMPARE(withMarks.Arguments(),
                 Strings({"-y", "-protocol_whitelist", "file,pipe", "-i", "/w/temp.avi", "-protocol_whitelist", "file,pipe", "-i", "/w/temp.avi.chapters", "-map_chapters", "1",
                          "/o/a.mkv"}));
        // A subtitle track is one more input; the output options follow all inputs.
        const TToolCommand withBoth = BuildTranscoderCommand(
            QStringLiteral("ffmpeg"), QStringLiteral("/w/temp.avi"), TTranscoderOptions(), QStringLiteral("/o/a.mkv"),
            QStringLiteral("/w/temp.avi.chapters"), QStringLiteral("/w/temp.avi.subtitles.idx"));
        QCOMPARE(withBoth.Arguments(),
                 Strings({"-y", "-protocol_whitelist", "file,pipe", "-i", "/w/temp.avi", "-protocol_whitelist", "file,pipe", "-i", "/w/temp.avi.chapters", "-protocol_whitelist", "file,pipe", 
                          "-i", "/w/temp.avi.subtitles.idx",
                          "-map_chapters", "1", "-c:s", "copy", "/o/a.mkv"}));
        QVERIFY(ContainerTakesSubtitleTrack(QStringLiteral(".MKV"))
                && ContainerTakesSubtitleTrack(QStringLiteral(".mp4")));
        QVERIFY(!ContainerTakesSubtitleTrack(QStringLiteral(".avi"))
                && !ContainerTakesSubtitleTrack(QStringLiteral(".mov")));
    }

    void unusableEntriesAreRefused_data()
    {
        QTest::addColumn<TConversionEntry>("entry");
        QTest::addColumn<TMencOutputSettings>("settings");
        QTest::newRow("start is no time") << Title(1, "abc", "0:0:4") << TMencOutputSettings();
        QTest::newRow("end before start") << Title(1, "0:0:5", "0:0:4") << TMencOutputSettings();
        QTest::newRow("a span of no length") << Title(1, "0:0:4", "0:0:4") << TMencOutputSettings();
        QTest::newRow("size without width") << Title(1, "0:0:0", "0:0:4") << Size("720", "4:3");
        QTest::newRow("width is no number") << Title(1, "0:0:0", "0:0:4") << Size("big:480", "4:3");
    }
    void unusableEntriesAreRefused()
    {
        QFETCH(TConversionEntry, entry);
        QFETCH(TMencOutputSettings, settings);
        TToolCommand command(QStringLiteral("/prog/asapi.dll"));
        QString problem;
        QVERIFY(!BuildEncoderCommand(entry, EntryTimeline(entry, TStreamStart()), kDvd, kOptions, settings,
                                     TPictureTreatment(), command, problem));
        QVERIFY(!problem.isEmpty());
    }

    // Paths travel as single arguments whatever they hold; the text quotes them for reading.
    void pathsAreSingleArguments()
    {
        const QString dvd = QStringLiteral("/media/Ünïcode DVD \"x\"/VIDEO_TS/");
        TToolCommand encoder(QStringLiteral("/prog/asapi.dll"));
        QString problem;
        const TConversionEntry entry = Title(1, "0:0:0", "0:0:4");
        QVERIFY(BuildEncoderCommand(entry, EntryTimeline(entry, TStreamStart()), dvd, kOptions, {}, TPictureTreatment(),
                                    encoder, problem));
        encoder.Add(QStringLiteral("-o")).AddQuoted(QStringLiteral("/work dir/temp.avi"));
        QCOMPARE(encoder.Arguments().at(2), QStringLiteral("/media/Ünïcode DVD \"x\"/VIDEO_TS"));
        QCOMPARE(encoder.Arguments().last(), QStringLiteral("/work dir/temp.avi"));
        QVERIFY(encoder.Text().endsWith(QStringLiteral(" -o \"/work dir/temp.avi\"")));
        QVERIFY(encoder.Text().contains(QStringLiteral(" \"/media/Ünïcode DVD \\\"x\\\"/VIDEO_TS\" ")));

        TTranscoderOptions options;
        options.Arguments = Strings({"-c:v", "libx264", "-metadata", "title=My Film"});
        const TToolCommand transcoder =
            BuildTranscoderCommand(QStringLiteral("/prog/wmaspi.dll"), QStringLiteral("/work dir/temp.avi"), options,
                                   QStringLiteral("/out put/-Title01.mp4"));
        QCOMPARE(transcoder.Program(), QStringLiteral("/prog/wmaspi.dll"));
        QCOMPARE(transcoder.Arguments(), Strings({"-y", "-protocol_whitelist", "file,pipe", "-i", "/work dir/temp.avi",
                                                  "-c:v", "libx264", "-metadata", "title=My Film",
                                                  "/out put/-Title01.mp4"}));
        QCOMPARE(
            transcoder.Text(),
            QStringLiteral(
                " -y -protocol_whitelist file,pipe -i \"/work dir/temp.avi\" -c:v libx264 -metadata \"title=My Film\" "
                "\"/out put/-Title01.mp4\""));

        const TToolCommand prepass = BuildPrepassCommand(QStringLiteral("/prog/asapi.dll"), 2, QStringLiteral("/"),
                                                         QStringLiteral("/work dir/temp.avi"));
        QCOMPARE(prepass.Arguments(), Strings({"dvd://2", "-dvd-device", "/", "-o", "/work dir/temp.avi"}));
        QCOMPARE(prepass.Text(), QStringLiteral(" dvd://2 -dvd-device / -o \"/work dir/temp.avi\""));
    }

    void wordsSkipRepeatedBlanks()
    {
        TToolCommand c(QStringLiteral("x"));
        c.AddWords(QStringLiteral(" -channels 2  -af volume=10:0 "));
        QCOMPARE(c.Arguments(), Strings({"-channels", "2", "-af", "volume=10:0"}));
    }

    // The profile's switches and values as arguments match the option builder's text.
    void transcoderOptionPieces()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("p.apf"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "[Main]\r\nType=mkv\r\nPara=5\r\n0=Codec\r\n1=Title\r\n2=Mute\r\n3=Note\r\n4=Size\r\n"
            "[Codec]\r\nSort=1\r\nList=1\r\nCaption=H.264,MPEG-4,\r\nValue=libx264,mpeg4,\r\nIndex=1\r\ncmd=-c:v\r\n"
            "[Title]\r\nSort=3\r\nReadOnly=1\r\nList=0\r\nCaption=t\r\nValue=title=A Film\r\ncmd=-metadata\r\n"
            "[Mute]\r\nSort=2\r\nList=1\r\nCaption=No,Yes,\r\nValue=,\\,\r\nIndex=1\r\ncmd=-an\r\n"
            "[Note]\r\nSort=3\r\nReadOnly=1\r\nList=0\r\nCaption=x\r\nValue=x\r\n"
            "[Size]\r\nSort=1\r\nList=1\r\nCaption=Original Size,640x480,\r\nValue=,640x480,\r\nIndex=1\r\ncmd=-s\r\n");
        f.close();
        const TProfileValues grids = TProfileValues::FromFile(file);
        const TTranscoderOptions options = TranscoderOptionPieces(file, grids);
        QCOMPARE(BuildTranscoderOptions(file, grids), QStringLiteral(" -c:v mpeg4 -metadata title=A Film -an  -s 640x480"));
        QCOMPARE(options.Arguments, Strings({"-c:v", "mpeg4", "-metadata", "title=A Film", "-an", "-s", "640x480"}));
        QVERIFY(TranscoderOptionPieces(dir.filePath(QStringLiteral("missing.apf")), grids).Arguments.isEmpty());
    }

    // Every shipped profile: its values hold no blanks, so the text's words are the arguments.
    void shippedProfilesGiveTheSameArguments()
    {
        const QDir profiles(SourceDir() + QStringLiteral("/resources/Profiles"));
        const QStringList names = profiles.entryList({QStringLiteral("*.apf")}, QDir::Files);
        if (names.isEmpty())
            QSKIP("no shipped profiles");
        for (const QString &name : names) {
            const QString file = profiles.filePath(name);
            const TProfileValues grids = TProfileValues::FromFile(file);
            const TTranscoderOptions options = TranscoderOptionPieces(file, grids);
            QCOMPARE(options.Arguments, BuildTranscoderOptions(file, grids).split(QLatin1Char(' '), Qt::SkipEmptyParts));
        }
    }

    void targetFileName_data()
    {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::newRow("volume and name") << QStringLiteral("MY_DVD") << QStringLiteral("Title01")
                                         << QStringLiteral("/out/MY_DVD-Title01.mp4");
        QTest::newRow("no volume") << QString() << QStringLiteral("Title01-Chapter02")
                                   << QStringLiteral("/out/Title01-Chapter02.mp4");
        QTest::newRow("twenty characters kept whole")
            << QStringLiteral("ABCDEFGHIJKLMNOPQRST") << QStringLiteral("Title01")
            << QStringLiteral("/out/ABCDEFGHIJKLMNOPQRST-Title01.mp4");
        QTest::newRow("separators and reserved characters")
            << QStringLiteral("A/B\\C:D*E?F\"G<H>I|J") << QStringLiteral("Ti/tle")
            << QStringLiteral("/out/A_B_C_D_E_F_G_H_I_J-Ti_tle.mp4");
        QTest::newRow("control characters")
            << QStringLiteral("A\nB\tC") << QStringLiteral("T") << QStringLiteral("/out/A_B_C-T.mp4");
        QTest::newRow("letters of any script stay")
            << QStringLiteral("Été 日本") << QStringLiteral("Title01") << QStringLiteral("/out/Été 日本-Title01.mp4");
    }
    void targetFileName()
    {
        QFETCH(QString, volume);
        QFETCH(QString, name);
        QFETCH(QString, target);
        QCOMPARE(TargetFileName(QStringLiteral("/out/"), volume, name, QStringLiteral(".mp4")), target);
    }

    void hintText_data()
    {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("hint");
        QTest::newRow("short") << QStringLiteral("MY_DVD") << QStringLiteral("Converting: MY_DVD-Title01.mp4");
        QTest::newRow("18 characters whole")
            << QStringLiteral("ABCDEFGHIJKLMNOPQR") << QStringLiteral("Converting: ABCDEFGHIJKLMNOPQR-Title01.mp4");
        QTest::newRow("19 characters cut")
            << QStringLiteral("ABCDEFGHIJKLMNOPQRS") << QStringLiteral("Converting: ABCDEFGHIJKLMNO...-Title01.mp4");
        QTest::newRow("20 characters cut")
            << QStringLiteral("ABCDEFGHIJKLMNOPQRST") << QStringLiteral("Converting: ABCDEFGHIJKLMNO...-Title01.mp4");
        QTest::newRow("empty volume") << QString() << QStringLiteral("Converting: -Title01.mp4");
    }
    void hintText()
    {
        QFETCH(QString, volume);
        QFETCH(QString, hint);
        QCOMPARE(ConvertingHint(volume, QStringLiteral("Title01"), QStringLiteral(".mp4")), hint);
    }

    void renameTakesTheFirstFreeName()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("DVD-Title01.mp4"));
        auto touch = [](const QString &path) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        };
        touch(target);
        QCOMPARE(RenamedTargetFile(target, QStringLiteral(".mp4")), dir.filePath(QStringLiteral("DVD-Title01-1.mp4")));
        touch(dir.filePath(QStringLiteral("DVD-Title01-1.mp4")));
        // A link to nothing is still a name in use.
        QVERIFY(
            QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("DVD-Title01-2.mp4"))));
        QCOMPARE(RenamedTargetFile(target, QStringLiteral(".mp4")), dir.filePath(QStringLiteral("DVD-Title01-3.mp4")));
        // The extension stays at the end even when the name holds points.
        QCOMPARE(RenamedTargetFile(dir.filePath(QStringLiteral("a.b.mp4")), QStringLiteral(".mp4")),
                 dir.filePath(QStringLiteral("a.b-1.mp4")));
    }

    void outputFolderToCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folder");
        QTest::newRow("trailing separator") << QStringLiteral("/home/u/out/") << QStringLiteral("/home/u/out");
        QTest::newRow("judged by its parent") << QStringLiteral("/home/u/out") << QStringLiteral("/home/u");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("folder in the root") << QStringLiteral("/out") << QStringLiteral("/");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no separator") << QStringLiteral("out") << QString();
    }
    void outputFolderToCheck()
    {
        QFETCH(QString, text);
        QFETCH(QString, folder);
        QCOMPARE(OutputFolderToCheck(text), folder);
    }

    void prepassDriveIsTheMountPoint()
    {
        QTemporaryDir dir;
        const QString drive = PrepassDrive(dir.path() + QStringLiteral("/VIDEO_TS/"));
        QCOMPARE(drive, QStorageInfo(dir.path()).rootPath());
        QVERIFY(dir.path().startsWith(drive));
    }

    void overwriteQuestion()
    {
        QCOMPARE(OverwriteQuestion(QStringLiteral("/out/DVD-Title01.mp4")),
                 QStringLiteral("The output file DVD-Title01.mp4 is already existent.\n\rClick \"Yes\" to overwrite "
                                "it. Click \"No\" to skip this file"));
    }
};

QTEST_GUILESS_MAIN(TestConversionCommands)
#include "TestConversionCommands.moc"
