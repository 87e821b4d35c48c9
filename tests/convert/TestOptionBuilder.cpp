#include "TestSupport.h"

#include "convert/commands/TranscoderCommand.h"
#include "convert/commands/OptionBuilder.h"
#include "convert/commands/TMencOutputSettings.h"
#include "core/QuarnelApplication.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"
#include "profiles/TProfileGrids.h"
#include "profiles/TProfileValues.h"
#include "profiles/TValueListEditor.h"

#include <QtTest>

Q_DECLARE_METATYPE(TDeinterlace)

namespace {

using Edits = QList<QPair<QString, QString>>; // row key, text typed or chosen in the grid

// A profile with one row of every kind; each case adds or changes what it needs.
const QByteArray kBase =
    "[Main]\r\nType=avi\r\nPara=6\r\n0=Video Size\r\n1=Bit Rate\r\n2=Aspect\r\n3=Channels\r\n4=Disable "
    "Audio\r\n5=Note\r\n"
    "[Video Size]\r\nSort=1\r\nList=1\r\nCaption=Original Size,320x240,640x480,Custom "
    "Size,\r\nValue=,320x240,640x480,,\r\n"
    "Index=2\r\ncmd=-s\r\n"
    "[Bit Rate]\r\nSort=1\r\nReadOnly=0\r\nList=0\r\nCaption=800000\r\nValue=800000\r\ncmd=-b\r\n"
    "[Aspect]\r\nSort=3\r\nReadOnly=1\r\nList=0\r\nCaption=Wide\r\nValue=16:9\r\ncmd=-aspect\r\n"
    "[Channels]\r\nSort=2\r\nList=1\r\nCaption=Mono,Stereo,\r\nValue=1,2,\r\nIndex=1\r\ncmd=-ac\r\n"
    "[Disable Audio]\r\nSort=2\r\nList=1\r\nCaption=No,Yes,\r\nValue=,\\,\r\nIndex=0\r\ncmd=-an\r\n"
    "[Note]\r\nSort=3\r\nReadOnly=0\r\nList=0\r\nCaption=hello\r\nValue=hello\r\n";

// The main window's three grids, filled from a profile the way the main window fills them.
struct Grids
{
    Grids()
        : video(95, 92, nullptr)
        , audio(95, 92, nullptr)
        , advanced(95, 92, nullptr)
        , grids(&video, &audio, &advanced, nullptr)
    { }
    void Load(const QString &file, const Edits &edits)
    {
        grids.Fill(TProfile::Read(TIniFile(file)));
        for (const auto &[key, text] : edits)
            QVERIFY2(video.SetValue(key, text) || audio.SetValue(key, text) || advanced.SetValue(key, text),
                     qPrintable(key));
    }
    TValueListEditor video, audio, advanced;
    TProfileGrids grids;
};

} // namespace

class TestOptionBuilder : public QObject
{
    Q_OBJECT
private slots:
    void transcoderOptions_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<QString>("options");

        const QString plain = QStringLiteral(" -s 640x480 -b 800000 -aspect 16:9 -ac 2");
        QTest::newRow("as loaded: list items by value, fixed from the file, free from the grid, empty values left out")
            << kBase << Edits{} << plain;
        QTest::newRow("list text matched without regard to case")
            << kBase << Edits{{QStringLiteral("Video Size"), QStringLiteral("320X240")}}
            << QStringLiteral(" -s 320x240 -b 800000 -aspect 16:9 -ac 2");
        QTest::newRow("typed custom size is not an item: passed as it stands")
            << kBase << Edits{{QStringLiteral("Video Size"), QStringLiteral("720x480")}}
            << QStringLiteral(" -s 720x480 -b 800000 -aspect 16:9 -ac 2");
        QTest::newRow("Custom Size left in the cell: its empty value leaves -s out")
            << kBase << Edits{{QStringLiteral("Video Size"), QStringLiteral("Custom Size")}}
            << QStringLiteral(" -b 800000 -aspect 16:9 -ac 2");
        QTest::newRow("free text edited in the grid")
            << kBase << Edits{{QStringLiteral("Bit Rate"), QStringLiteral("1200000")}}
            << QStringLiteral(" -s 640x480 -b 1200000 -aspect 16:9 -ac 2");
        QTest::newRow("free text emptied: no switch") << kBase << Edits{{QStringLiteral("Bit Rate"), QString()}}
                                                      << QStringLiteral(" -s 640x480 -aspect 16:9 -ac 2");
        QTest::newRow("fixed row: the file's Value, whatever the cell shows")
            << kBase << Edits{{QStringLiteral("Aspect"), QStringLiteral("4:3")}} << plain;
        QTest::newRow("a single backslash gives the switch alone")
            << kBase << Edits{{QStringLiteral("Disable Audio"), QStringLiteral("Yes")}}
            << plain + QStringLiteral(" -an ");
        QTest::newRow("no cmd: never on the command line")
            << kBase << Edits{{QStringLiteral("Note"), QStringLiteral("-y")}} << plain;

        QByteArray order = kBase;
        order.replace("0=Video Size\r\n1=Bit Rate\r\n2=Aspect\r\n", "0=Aspect\r\n1=Bit Rate\r\n2=Video Size\r\n");
        QTest::newRow("profile order, not grid order")
            << order << Edits{} << QStringLiteral(" -aspect 16:9 -b 800000 -s 640x480 -ac 2");

        QByteArray shortValues = kBase;
        shortValues.replace("Value=,320x240,640x480,,", "Value=,320x240,");
        QTest::newRow("Value list shorter than Caption list: the missing item leaves the switch out")
            << shortValues << Edits{} << QStringLiteral(" -b 800000 -aspect 16:9 -ac 2");

        QByteArray badSort = kBase;
        badSort.replace("[Aspect]\r\nSort=3", "[Aspect]\r\nSort=4");
        QTest::newRow("Sort outside 1 to 3: left out, fixed value included")
            << badSort << Edits{} << QStringLiteral(" -s 640x480 -b 800000 -ac 2");

        QByteArray duplicate = kBase;
        duplicate.replace("5=Note\r\n", "5=channels\r\n");
        QTest::newRow("a second parameter of the same name is left out") << duplicate << Edits{} << plain;

        QByteArray withGap = kBase;
        withGap.replace("1=Bit Rate\r\n", "");
        QTest::newRow("a missing name is skipped, the rest still count")
            << withGap << Edits{} << QStringLiteral(" -s 640x480 -aspect 16:9 -ac 2");
    }
    void transcoderOptions()
    {
        QFETCH(QByteArray, profile);
        QFETCH(Edits, edits);
        QFETCH(QString, options);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/p.apf"), profile);
        Grids g;
        g.Load(folder.file(QStringLiteral("Profiles/p.apf")), edits);
        QCOMPARE(BuildTranscoderOptions(folder.file(QStringLiteral("Profiles/p.apf")), g.grids), options);
    }

    void rowMissingFromTheGrids()
    {
        // The file gained rows after the grids were filled: a list row reads as empty text
        // (not an item, so the empty text itself), a free row as empty; both add nothing.
        TestProgramFolder folder(false);
        const QString file = folder.file(QStringLiteral("Profiles/p.apf"));
        folder.writeFile(QStringLiteral("Profiles/p.apf"), "[Main]\r\nPara=0\r\n");
        Grids g;
        g.Load(file, {});
        folder.writeFile(QStringLiteral("Profiles/p.apf"), kBase);
        QCOMPARE(BuildTranscoderOptions(file, g.grids), QStringLiteral(" -aspect 16:9"));
    }

    // The Deinterlace row is the encoder pass's own: never on FFmpeg's command line, in the
    // shipped form (no switch) or in an earlier file's (-vf, "yadif" for Yes, empty for No).
    void deinterlaceRow_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("chosen"); // in the grid; empty: the profile's own
        QTest::addColumn<bool>("inGrids");
        QTest::addColumn<TDeinterlace>("choice");
        const QByteArray shipped =
            "[Deinterlace]\r\nSort=3\r\nList=1\r\nCaption=Auto,Yes,No,\r\nValue=auto,yadif,,\r\nIndex=0\r\n";
        const QByteArray earlier =
            "[Deinterlace]\r\nSort=3\r\nList=1\r\nCaption=No,Yes,\r\nValue=,yadif,\r\nIndex=1\r\ncmd=-vf\r\n";
        QTest::newRow("shipped, as loaded: Auto") << shipped << QString() << true << TDeinterlace::Auto;
        QTest::newRow("shipped, No chosen") << shipped << QStringLiteral("No") << true << TDeinterlace::No;
        QTest::newRow("shipped, Yes chosen") << shipped << QStringLiteral("Yes") << true << TDeinterlace::Yes;
        QTest::newRow("earlier file with Yes") << earlier << QString() << true << TDeinterlace::Yes;
        QTest::newRow("earlier file, No chosen") << earlier << QStringLiteral("No") << true << TDeinterlace::No;
        QTest::newRow("grids without the row: the file's choice") << earlier << QString() << false << TDeinterlace::Yes;
    }
    void deinterlaceRow()
    {
        QFETCH(QByteArray, row);
        QFETCH(QString, chosen);
        QFETCH(bool, inGrids);
        QFETCH(TDeinterlace, choice);
        TestProgramFolder folder(false);
        const QString file = folder.file(QStringLiteral("Profiles/p.apf"));
        QByteArray profile = kBase;
        profile.replace("Para=6\r\n", "Para=7\r\n6=Deinterlace\r\n");
        profile += row;
        folder.writeFile(QStringLiteral("Profiles/p.apf"), inGrids ? profile : QByteArray(kBase));
        Grids g;
        g.Load(file, chosen.isEmpty() ? Edits{} : Edits{{QStringLiteral("Deinterlace"), chosen}});
        folder.writeFile(QStringLiteral("Profiles/p.apf"), profile);
        TMencOutputSettings settings;
        BuildEncoderOptions(file, g.grids, settings);
        QCOMPARE(settings.Deinterlace, choice);
        const QString options = BuildTranscoderOptions(file, g.grids);
        QVERIFY2(!options.contains(QStringLiteral("-vf")) && !options.contains(QStringLiteral("yadif")),
                 qPrintable(options));
        QString problem;
        QVERIFY2(CheckProfileValues(file, g.grids, problem), qPrintable(problem));
    }

    // The Crop row is the program's own too: Auto finds the disc's bars, None or no row crops nothing.
    void cropRow_data()
    {
        QTest::addColumn<QString>("chosen"); // empty: the profile's own
        QTest::addColumn<bool>("withRow");
        QTest::addColumn<bool>("autoCrop");
        QTest::newRow("as loaded: Auto") << QString() << true << true;
        QTest::newRow("None chosen") << QStringLiteral("None") << true << false;
        QTest::newRow("no row") << QString() << false << false;
    }
    void cropRow()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, withRow);
        QFETCH(bool, autoCrop);
        TestProgramFolder folder(false);
        const QString file = folder.file(QStringLiteral("Profiles/p.apf"));
        QByteArray profile = kBase;
        if (withRow) {
            profile.replace("Para=6\r\n", "Para=7\r\n6=Crop\r\n");
            profile += "[Crop]\r\nSort=1\r\nList=1\r\nCaption=Auto,None,\r\nValue=auto,,\r\nIndex=0\r\ncmd=-vf\r\n";
        }
        folder.writeFile(QStringLiteral("Profiles/p.apf"), profile);
        Grids g;
        g.Load(file, chosen.isEmpty() ? Edits{} : Edits{{QStringLiteral("Crop"), chosen}});
        TMencOutputSettings settings;
        BuildEncoderOptions(file, g.grids, settings);
        QCOMPARE(settings.AutoCrop, autoCrop);
        QVERIFY(!BuildTranscoderOptions(file, g.grids).contains(QStringLiteral("-vf")));
    }

    void missingFile()
    {
        Grids g;
        TMencOutputSettings settings{QStringLiteral("1:2"),  QStringLiteral("1"),   QStringLiteral("2"),
                                     QStringLiteral("4:3"),  QStringLiteral("900"), QStringLiteral("48000"),
                                     QStringLiteral("mpeg4")};
        const TMencOutputSettings before = settings;
        QCOMPARE(BuildTranscoderOptions(QStringLiteral("/nonexistent/p.apf"), g.grids), QString());
        QCOMPARE(BuildEncoderOptions(QStringLiteral("/nonexistent/p.apf"), g.grids, settings), QString());
        QCOMPARE(settings.OutputSize, before.OutputSize);
        QCOMPARE(settings.AudioSampleRate, before.AudioSampleRate);
    }

    void encoderOptions_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<QString>("bitrate");
        QTest::addColumn<QString>("srate");
        QTest::addColumn<QStringList>("settings"); // size, width, height, aspect, bitrate, rate

        const QByteArray rate = "4=Sample Rate\r\n[Sample Rate]\r\nSort=2\r\nList=1\r\nCaption=44100 Hz,48000 Hz,\r\n"
                                "Value=44100,48000,\r\nIndex=1\r\ncmd=-ar\r\n";
        const QByteArray withRate = "[Main]\r\nPara=5\r\n0=Video Size\r\n1=Bit Rate\r\n2=Aspect\r\n3=Channels\r\n"
                                  + rate + kBase.mid(kBase.indexOf("[Video Size]"));

        QTest::newRow("size, bitrate, aspect and rate from the grids")
            << withRate << Edits{} << QStringLiteral("800000") << QStringLiteral(" -srate 48000")
            << Strings({"640:480", "640", "480", "16:9", "800000", "48000"});
        QTest::newRow("upper-case X and a typed size")
            << withRate << Edits{{QStringLiteral("Video Size"), QStringLiteral("720X576")}} << QStringLiteral("800000")
            << QStringLiteral(" -srate 48000") << Strings({"720:576", "720", "576", "16:9", "800000", "48000"});
        // Refused values never reach MEncoder's text, which is split at blanks and colons.
        QTest::newRow("a size that is not a width and a height: no size")
            << withRate << Edits{{QStringLiteral("Video Size"), QStringLiteral("640x480,screenshot")}}
            << QStringLiteral("800000") << QStringLiteral(" -srate 48000")
            << Strings({"", "", "", "16:9", "800000", "48000"});
        QByteArray badRate = withRate;
        badRate.replace("Value=44100,48000,", "Value=44100,48000:x=1,");
        QTest::newRow("a bitrate that adds a switch: 800; a rate that adds a sub-option: the source's")
            << badRate << Edits{{QStringLiteral("Bit Rate"), QStringLiteral("800 -o /tmp/x")}} << QStringLiteral("800")
            << QString() << Strings({"640:480", "640", "480", "16:9", "", ""});
        QTest::newRow("a height alone: no width")
            << withRate << Edits{{QStringLiteral("Video Size"), QStringLiteral("x480")}} << QStringLiteral("800000")
            << QStringLiteral(" -srate 48000") << Strings({":480", "", "480", "16:9", "800000", "48000"});
        QTest::newRow("Original Size: no size")
            << withRate << Edits{{QStringLiteral("Video Size"), QStringLiteral("Original Size")}}
            << QStringLiteral("800000") << QStringLiteral(" -srate 48000")
            << Strings({"", "", "", "16:9", "800000", "48000"});
        QByteArray videoSwitch = withRate;
        videoSwitch.replace("cmd=-b\r\n", "cmd=-b:v\r\n");
        QTest::newRow("-b:v is the bitrate too")
            << videoSwitch << Edits{{QStringLiteral("Bit Rate"), QStringLiteral("1500000")}}
            << QStringLiteral("1500000") << QStringLiteral(" -srate 48000")
            << Strings({"640:480", "640", "480", "16:9", "1500000", "48000"});
        // FFmpeg's own forms, as profiles write them; the encoder takes bits (kilobits below 16).
        QTest::newRow("1500k: the encoder gets bits")
            << videoSwitch << Edits{{QStringLiteral("Bit Rate"), QStringLiteral("1500k")}} << QStringLiteral("1500000")
            << QStringLiteral(" -srate 48000") << Strings({"640:480", "640", "480", "16:9", "1500k", "48000"});
        QTest::newRow("2M") << videoSwitch << Edits{{QStringLiteral("Bit Rate"), QStringLiteral("2M")}}
                            << QStringLiteral("2000000") << QStringLiteral(" -srate 48000")
                            << Strings({"640:480", "640", "480", "16:9", "2M", "48000"});
        QTest::newRow("8k: kilobits") << videoSwitch << Edits{{QStringLiteral("Bit Rate"), QStringLiteral("8k")}}
                                      << QStringLiteral("8") << QStringLiteral(" -srate 48000")
                                      << Strings({"640:480", "640", "480", "16:9", "8k", "48000"});
        QTest::newRow("bitrate emptied: 800; no -ar: the encoder keeps the source's rate")
            << kBase << Edits{{QStringLiteral("Bit Rate"), QString()}} << QStringLiteral("800") << QString()
            << Strings({"640:480", "640", "480", "16:9", "", ""});
    }
    void encoderOptions()
    {
        QFETCH(QByteArray, profile);
        QFETCH(Edits, edits);
        QFETCH(QString, bitrate);
        QFETCH(QString, srate);
        QFETCH(QStringList, settings);
        TestProgramFolder folder(false);
        const QString file = folder.file(QStringLiteral("Profiles/p.apf"));
        folder.writeFile(QStringLiteral("Profiles/p.apf"), profile);
        Grids g;
        g.Load(file, edits);
        // Values of an earlier profile must not survive into this one.
        TMencOutputSettings record{QStringLiteral("9:9"), QStringLiteral("9"), QStringLiteral("9"),
                                   QStringLiteral("9:9"), QStringLiteral("9"), QStringLiteral("9"),
                                   QStringLiteral("9")};
        QCOMPARE(BuildEncoderOptions(file, g.grids, record),
                 QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=") + bitrate
                     + QStringLiteral(":mbd=2 -oac pcm -channels 2") + srate);
        // A high-quality intermediate trades the profile's bitrate for a fixed quantiser.
        TMencOutputSettings high;
        QCOMPARE(BuildEncoderOptions(file, g.grids, high, true),
                 QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vqscale=2:mbd=2 -oac pcm -channels 2") + srate);
        QVERIFY(!high.RawPicture);
        // Streamed, the pictures go to the converter as they are.
        TMencOutputSettings streamed;
        QCOMPARE(BuildEncoderOptions(file, g.grids, streamed, true, true),
                 QStringLiteral(" -ovc raw -oac pcm -channels 2") + srate);
        QVERIFY(streamed.RawPicture);
        QCOMPARE((QStringList{record.OutputSize, record.OutputWidth, record.OutputHeight, record.OutputAspect,
                              record.VideoBitrate, record.AudioSampleRate}),
                 settings);
        // The size still reaches FFmpeg with its "x".
        if (!settings.at(0).isEmpty() && settings.at(0).contains(QLatin1Char(':')))
            QVERIFY(BuildTranscoderOptions(file, g.grids)
                        .contains(QStringLiteral(" -s ") + g.video.Value(QStringLiteral("Video Size"))));
    }

    // A value from the grids becomes one argument after its switch, or the profile is refused
    // naming the parameter. `cmd` and `value` make one more fixed parameter, "Extra" (no cmd
    // line when `cmd` is empty); `leftOut`: what no argument of the converter may hold.
    void checkProfileValues_data()
    {
        QTest::addColumn<QString>("cmd");
        QTest::addColumn<QString>("value");
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<QString>("problem"); // empty: usable
        QTest::addColumn<QString>("leftOut");

        const Edits none;
        const auto edit = [](const char *row, const char *text) {
            return Edits{{QLatin1String(row), QLatin1String(text)}};
        };
        const QString bitRate = QStringLiteral("unusable value for \"Bit Rate\": ");
        const QString size = QStringLiteral("unusable value for \"Video Size\": ");
        const QString extraValue = QStringLiteral("unusable value for \"Extra\": ");
        const QString extraSwitch = QStringLiteral("unusable switch for \"Extra\": ");

        QTest::newRow("as loaded") << QString() << QString() << none << QString() << QString();
        QTest::newRow("a flag alone") << QString() << QString() << edit("Disable Audio", "Yes") << QString()
                                      << QString();
        QTest::newRow("no switch: never checked")
            << QString() << QStringLiteral("-o /tmp/x") << none << QString() << QString();
        QTest::newRow("a ratio") << QStringLiteral("-r") << QStringLiteral("30000/1001") << none << QString()
                                 << QString();
        QTest::newRow("a filter with a division")
            << QStringLiteral("-vf") << QStringLiteral("scale=iw/2:-2") << none << QString() << QString();
        QTest::newRow("a negative number")
            << QStringLiteral("-map_metadata") << QStringLiteral("-1") << none << QString() << QString();
        QTest::newRow("a value with blanks stays one argument")
            << QStringLiteral("-metadata") << QStringLiteral("title=A Film") << none << QString() << QString();
        QTest::newRow("a flag prefixed with no")
            << QStringLiteral("-nostdin") << QStringLiteral("\\") << none << QString() << QString();

        QTest::newRow("bitrate with a switch and a path")
            << QString() << QString() << edit("Bit Rate", "800 -o /etc/x")
            << bitRate + QStringLiteral("\"800 -o /etc/x\" is not a bit rate such as 1500000 or 1500k.")
            << QStringLiteral("/etc/x");
        QTest::newRow("bitrate with an encoder sub-option")
            << QString() << QString() << edit("Bit Rate", "800:passlogfile=/tmp/x") << bitRate
            << QStringLiteral("passlogfile");
        QTest::newRow("bitrate with a unit: FFmpeg's own form")
            << QString() << QString() << edit("Bit Rate", "800k") << QString() << QString();
        QTest::newRow("bitrate with another unit")
            << QString() << QString() << edit("Bit Rate", "800kb") << bitRate << QStringLiteral("800kb");
        QTest::newRow("bitrate zero") << QString() << QString() << edit("Bit Rate", "0") << bitRate << QString();
        QTest::newRow("sample rate with a switch")
            << QStringLiteral("-ar") << QStringLiteral("48000 -o x") << none
            << extraValue + QStringLiteral("\"48000 -o x\" is not a whole number of samples per second.")
            << QStringLiteral("48000");
        QTest::newRow("size with a filter") << QString() << QString() << edit("Video Size", "640x480,screenshot")
                                            << size << QStringLiteral("screenshot");
        QTest::newRow("size with colons")
            << QString() << QString() << edit("Video Size", "640:480") << size << QStringLiteral("640:480");
        QTest::newRow("size of no width")
            << QString() << QString() << edit("Video Size", "0x480") << size << QStringLiteral("0x480");

        QTest::newRow("a path as the switch")
            << QStringLiteral("/tmp/out.mkv") << QStringLiteral("x") << none
            << extraSwitch + QStringLiteral("\"/tmp/out.mkv\" is not a single switch such as -b:v.")
            << QStringLiteral("/tmp");
        QTest::newRow("two words as the switch")
            << QStringLiteral("-c:v -y") << QStringLiteral("mpeg4") << none << extraSwitch << QStringLiteral("mpeg4");
        QTest::newRow("a bare dash: standard output") << QStringLiteral("-") << QStringLiteral("stdout.mkv") << none
                                                      << extraSwitch << QStringLiteral("stdout.mkv");
        QTest::newRow("a double dash ends the switches")
            << QStringLiteral("--") << QStringLiteral("rest.mkv") << none << extraSwitch << QStringLiteral("rest.mkv");
        QTest::newRow("a switch that writes a file of its own")
            << QStringLiteral("-progress") << QStringLiteral("x.log") << none
            << extraSwitch + QStringLiteral("-progress is not a switch a profile may use.")
            << QStringLiteral("x.log");
        QTest::newRow("a preset file from the home folder")
            << QStringLiteral("-vpre") << QStringLiteral("x") << none << extraSwitch << QStringLiteral("-vpre");
        QTest::newRow("a second input") << QStringLiteral("-i") << QStringLiteral("x.avi") << none << extraSwitch
                                        << QStringLiteral("x.avi");
        QTest::newRow("a value given to a flag: one more output")
            << QStringLiteral("-an") << QStringLiteral("out.mkv") << none
            << extraValue
                   + QStringLiteral("-an takes no value, so \"out.mkv\" would be one more output file; \"\\\" gives "
                                    "the switch alone.")
            << QStringLiteral("out.mkv");
        QTest::newRow("a value given to an allowed no-flag")
            << QStringLiteral("-nostdin") << QStringLiteral("nostdin.mkv") << none << extraValue
            << QStringLiteral("nostdin.mkv");
        QTest::newRow("a switch without its value takes the next argument")
            << QStringLiteral("-c:v") << QStringLiteral("\\") << none
            << extraValue + QStringLiteral("-c:v needs a value; alone it would take the next argument for its value.")
            << QStringLiteral("-c:v");
        QTest::newRow("a value that reads as a switch")
            << QStringLiteral("-c:v") << QStringLiteral("-y") << none
            << extraValue + QStringLiteral("\"-y\" would read as a switch.") << QStringLiteral("-c:v");
        QTest::newRow("an absolute path")
            << QStringLiteral("-metadata") << QStringLiteral("comment=/etc/passwd") << none
            << extraValue + QStringLiteral("\"comment=/etc/passwd\" looks like a file path.") << QStringLiteral("passwd");
        QTest::newRow("a relative path") << QStringLiteral("-vf") << QStringLiteral("movie=clips/logo.png") << none
                                         << extraValue << QStringLiteral("logo");
        QTest::newRow("a file named by protocol")
            << QStringLiteral("-f") << QStringLiteral("file:x.mkv") << none << extraValue << QStringLiteral("x.mkv");
        QTest::newRow("a path behind a division") << QStringLiteral("-vf") << QStringLiteral("scale=iw/2,movie=../x")
                                                  << none << extraValue << QStringLiteral("movie");
        // Filters and coder options are allowed by name: anything else may read or write a file
        // relative to where the converter runs, run a script, or open a socket.
        const struct {
            const char *row, *cmd, *value, *refused, *leftOut;
        } refused[] = {
            {"a filter's file= option", "-af", "ametadata=mode=print:file=AVI - MPEG-4 Video.apf", "filter ametadata",
             "ametadata"},
            {"a filter that dumps over the preferences", "-af", "firequalizer=dumpfile=Preferences.ini",
             "filter firequalizer", "dumpfile"},
            {"a filter that writes its own file", "-vf", "vidstabdetect", "filter vidstabdetect", "vidstab"},
            {"a video filter's metadata file", "-vf", "scale=640:-2,metadata=mode=print:file=m.txt", "filter metadata",
             "m.txt"},
            {"a drawn text read from a file", "-vf", "drawtext=textfile=t.txt", "filter drawtext", "t.txt"},
            {"subtitles read from a file", "-vf", "subtitles=x.srt", "filter subtitles", "x.srt"},
            {"a look-up table read from a file", "-vf", "lut3d=x.cube", "filter lut3d", "x.cube"},
            {"a movie behind an instance name", "-vf", "movie@m=x.mkv", "filter movie", "x.mkv"},
            {"a sound movie behind an instance name", "-af", "amovie@x=x.wav", "filter amovie", "x.wav"},
            {"commands read from a file behind labels", "-vf", "[in]sendcmd@s=f=c.txt[out]", "filter sendcmd", "c.txt"},
            {"a filter that opens a socket", "-vf", "scale=640:-2,zmq", "filter zmq", "zmq"},
            {"an encoder's stats file", "-x264-params", "pass=1:stats=x.log", "coder option pass", "stats"},
            {"an encoder's picture dump", "-x264-params", "keyint=50:dump-yuv=y.yuv", "coder option dump-yuv", "y.yuv"},
            {"a container that writes many files", "-f", "tee", "container tee", "tee"},
        };
        // "filter zmq" reads: "zmq" is not a filter a profile may use.
        for (const auto &r : refused) {
            const QString what = QLatin1String(r.refused);
            const qsizetype blank = what.lastIndexOf(u' ');
            QTest::newRow(r.row) << QString::fromLatin1(r.cmd) << QString::fromLatin1(r.value) << none
                                 << extraValue
                                        + QStringLiteral("\"%1\" is not a %2 a profile may use.")
                                              .arg(what.mid(blank + 1), what.left(blank))
                                 << QString::fromLatin1(r.leftOut);
        }
        QTest::newRow("a value longer than any row needs")
            << QStringLiteral("-metadata") << QStringLiteral("title=") + QString(3000, QLatin1Char('x')) << none
            << extraValue + QStringLiteral("the value is 3006 characters long; at most 2047 are taken.")
            << QStringLiteral("xxxxxxxx");
        QTest::newRow("no filter between two commas")
            << QStringLiteral("-vf") << QStringLiteral("scale=640:-2,,setsar=1") << none
            << QStringLiteral("is not a list of filters such as") << QStringLiteral("setsar");
        const struct {
            const char *row, *cmd, *value;
        } allowed[] = {
            {"filters with instance names and labels", "-vf", "[in]scale@s=640:-2,setsar@t=1[out]"},
            {"a comma inside quotes", "-vf", "scale=w='min(iw,640)':h=-2"},
            {"sound filters", "-af", "volume=2.0,alimiter=limit=0.9"},
            {"coder options that name no file", "-x264-params", "keyint=50:bframes=3:deblock=-1,-1"},
            {"a constant quality", "-crf", "23"},
            {"a display shape as a number", "-aspect", "1.7778"},
            {"a height alone, the width the title's shape gives", "-s", "x480"},
        };
        for (const auto &r : allowed)
            QTest::newRow(r.row) << QString::fromLatin1(r.cmd) << QString::fromLatin1(r.value) << none << QString() << QString();
        QTest::newRow("a segment list switch")
            << QStringLiteral("-segment_list") << QStringLiteral("list.m3u8") << none
            << extraSwitch + QStringLiteral("-segment_list is not a switch a profile may use.")
            << QStringLiteral("list.m3u8");
        QTest::newRow("a pass log switch") << QStringLiteral("-passlogfile") << QStringLiteral("log") << none
                                           << extraSwitch << QStringLiteral("passlogfile");
        QTest::newRow("a profile is no file")
            << QStringLiteral("-profile:v") << QStringLiteral("high") << none << QString() << QString();
        QTest::newRow("filter options that name no file")
            << QStringLiteral("-vf") << QStringLiteral("scale=w=640:h=-2:flags=lanczos,setsar=1") << none << QString()
            << QString();
    }
    void checkProfileValues()
    {
        QFETCH(QString, cmd);
        QFETCH(QString, value);
        QFETCH(Edits, edits);
        QFETCH(QString, problem);
        QFETCH(QString, leftOut);
        QByteArray profile = kBase;
        if (!value.isEmpty()) {
            profile.replace("Para=6", "Para=7").replace("5=Note\r\n", "5=Note\r\n6=Extra\r\n");
            profile += "[Extra]\r\nSort=3\r\nReadOnly=1\r\nList=0\r\nCaption=x\r\nValue=" + value.toUtf8() + "\r\n";
            if (!cmd.isEmpty())
                profile += "cmd=" + cmd.toUtf8() + "\r\n";
        }
        TestProgramFolder folder(false);
        const QString file = folder.file(QStringLiteral("Profiles/p.apf"));
        folder.writeFile(QStringLiteral("Profiles/p.apf"), profile);
        Grids g;
        g.Load(file, edits);

        QString text = QStringLiteral("left from before");
        const bool usable = CheckProfileValues(file, g.grids, text);
        if (problem.isEmpty()) {
            QVERIFY2(usable, qPrintable(text));
            QCOMPARE(text, QString());
        } else {
            QVERIFY(!usable);
            QVERIFY2(text.startsWith(QStringLiteral("The profile \"p\" has an ")) && text.contains(problem),
                     qPrintable(text));
        }
        // Even unchecked, a refused parameter stays off the converter's command line.
        if (!leftOut.isEmpty()) {
            const TTranscoderOptions options = TranscoderOptionPieces(file, g.grids);
            for (const QString &argument : options.Arguments)
                QVERIFY2(!argument.contains(leftOut), qPrintable(argument));
        }
    }

    void checkMissingProfile()
    {
        Grids g;
        QString problem = QStringLiteral("left from before");
        QVERIFY(CheckProfileValues(QStringLiteral("/nonexistent/p.apf"), g.grids, problem));
        QCOMPARE(problem, QString());
    }

    // Every shipped profile passes with every item of every list row chosen.
    void shippedProfilesAreUsable()
    {
        const QDir profiles(SourceDir() + QStringLiteral("/resources/Profiles"));
        const QStringList names = profiles.entryList({QStringLiteral("*.apf")}, QDir::Files);
        QVERIFY(!names.isEmpty());
        for (const QString &name : names) {
            const QString file = profiles.filePath(name);
            const TProfile loaded = TProfileValues::FromFile(file).Profile();
            QString problem;
            QVERIFY2(CheckProfileValues(file, TProfileValues(loaded), problem), qPrintable(problem));
            for (qsizetype row = 0; row < loaded.Parameters.size(); ++row) {
                for (qsizetype item = 0; item < loaded.Parameters.at(row).CaptionItems().size(); ++item) {
                    TProfile chosen = loaded;
                    chosen.Parameters[row].Index = int(item);
                    QVERIFY2(CheckProfileValues(file, TProfileValues(chosen), problem), qPrintable(problem));
                }
            }
        }
    }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestOptionBuilder test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestOptionBuilder.moc"
