#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "FakePowerManager.h"
#include "FileSizeLimit.h"
#include "TestSupport.h"

#include "convert/FreeSpace.h"
#include "convert/TConversionRun.h"
#include "core/AppFolders.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dvd/DvdTitleLoader.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"
#include "tasklist/TTaskListModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Whole conversions with the real MEncoder and FFmpeg on generated DVDs, the window left out.
class TestConversionRun : public ConversionFixture
{
    Q_OBJECT
private slots:
    void convertsEntries_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("tone"); // en 500 Hz, fr 1000 Hz

        Choice french;
        french.audio = 1;
        QTest::newRow("PAL title, French audio, MP4")
            << QStringLiteral("pal-twolang") << french << QStringLiteral("MP4 - H.264 Video")
            << Rows{{QStringLiteral("Video Size"), QStringLiteral("640x480")},
                    {QStringLiteral("Video Codec"), QStringLiteral("H.264")}}
            << QStringLiteral("Title01.mp4") << QStringLiteral("mp4") << QStringLiteral("h264") << QStringLiteral("aac")
            << QSize(640, 480) << 4.0 << 1000.0;

        Choice chapter;
        chapter.chapter = 2;
        chapter.audio = 1;
        QTest::newRow("NTSC chapter, French audio, AVI")
            << QStringLiteral("ntsc-multi") << chapter << QStringLiteral("AVI - MPEG-4 Video")
            << Rows{{QStringLiteral("Video Size"), QStringLiteral("640x480")},
                    {QStringLiteral("Video Codec"), QStringLiteral("MPEG-4")}}
            << QStringLiteral("Title01-Chapter02.avi") << QStringLiteral("avi") << QStringLiteral("mpeg4")
            << QStringLiteral("mp3") << QSize(640, 480) << 2.0 << 1000.0;

        Choice trimmed;
        trimmed.start = QStringLiteral("00:00:01");
        trimmed.end = QStringLiteral("00:00:04");
        QTest::newRow("trimmed PAL title, original size, MKV")
            << QStringLiteral("pal-simple") << trimmed << QStringLiteral("MKV - Matroska Video")
            << Rows{{QStringLiteral("Video Size"), QStringLiteral("Original Size")},
                    {QStringLiteral("Video Codec"), QStringLiteral("H.264")}}
            << QStringLiteral("Title01.mkv") << QStringLiteral("matroska") << QStringLiteral("h264")
            << QStringLiteral("aac") << QSize(720, 576) << 3.0 << 500.0;
    }
    void convertsEntries()
    {
        QFETCH(QString, dvd);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QFETCH(Rows, rows);
        QFETCH(QString, target);
        QFETCH(QString, format);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QSize, size);
        QFETCH(double, seconds);
        QFETCH(double, tone);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Check(choice);
        TConversionRequest request = Request(profile, rows);
        request.Preferences.OpenFolderWhenDone = true;

        QList<TConversionProgress> progress;
        connect(m_run.get(), &TConversionRun::ProgressChanged, this,
                [&](const TConversionProgress &p) { progress << p; });
        QSignalSpy hints(m_run.get(), &TConversionRun::HintChanged);
        QSignalSpy commands(m_run.get(), &TConversionRun::CommandLineChanged);
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);

        QCOMPARE(m_host->Texts(), QStringList{QStringLiteral("The conversion is completed successfully.")});
        QCOMPARE(m_host->messages.first().caption, QStringLiteral("Complete"));
        QCOMPARE(m_host->opened, QStringList{request.OutputDirText});
        QCOMPARE(m_run->ConversionState(), int(TConversionRun::Idle));
        const QString file = m_out->filePath(target);
        QCOMPARE(m_run->MadeFiles(), QStringList{file});
        QVERIFY(!QFile::exists(AppFolders::IntermediateFile()));
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files), QStringList());

        const QHash<QString, QString> facts = Probe(file);
        QVERIFY2(facts.value(QStringLiteral("format_name")).contains(format),
                 qPrintable(facts.value(QStringLiteral("format_name"))));
        QCOMPARE(facts.value(QStringLiteral("video.codec_name")), video);
        QCOMPARE(facts.value(QStringLiteral("audio.codec_name")), audio);
        QCOMPARE(QSize(facts.value(QStringLiteral("video.width")).toInt(),
                       facts.value(QStringLiteral("video.height")).toInt()),
                 size);
        const double duration = facts.value(QStringLiteral("duration")).toDouble();
        QVERIFY2(qAbs(duration - seconds) < 0.25, qPrintable(QString::number(duration)));
        const double frequency = DominantFrequency(file);
        QVERIFY2(qAbs(frequency - tone) < tone * 0.05, qPrintable(QString::number(frequency)));

        // The figures end complete and the total never went back.
        QVERIFY(!progress.isEmpty());
        for (qsizetype i = 1; i < progress.size(); ++i)
            QVERIFY(progress.at(i).TotalBar >= progress.at(i - 1).TotalBar);
        QCOMPARE(progress.last().TotalBar, 100);
        QCOMPARE(progress.last().CurrentBar, 100);
        const qint64 frames = qRound64(seconds * DvdInfo.FrameRateFactor / 1000);
        QCOMPARE(progress.last().FrameText, QStringLiteral("%1 / %1").arg(frames));
        QVERIFY(!hints.isEmpty());
        QCOMPARE(hints.first().at(0).toString(), QStringLiteral("Converting: -") + QFileInfo(target).completeBaseName()
                                                     + QLatin1Char('.') + QFileInfo(target).suffix());
        QCOMPARE(commands.size(), 1);
        // The track by its stream: AC3 streams are 128 on.
        QVERIFY(
            commands.first().at(0).toString().contains(QStringLiteral(" -aid ") + (tone == 1000.0 ? u"129" : u"128")));
    }

    // Two entries in list order; the second title carries only the title set's second
    // subtitle stream, the third only the second audio stream.
    void entriesWhoseTitleSkipsStreams()
    {
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-twolang"));
        Choice german;
        german.title = 2;
        german.subtitle = 1;
        german.start = QStringLiteral("00:00:00");
        german.end = QStringLiteral("00:00:01");
        Check(german);
        Choice third;
        third.title = 3;
        third.chapter = 1;
        Check(third);
        const TConversionRequest request = Request(QStringLiteral("AVI - MPEG-4 Video"), {});
        QCOMPARE(request.Entries.size(), 2);
        QCOMPARE(request.Entries.at(0).SubtitleStream, 1);
        QSignalSpy commands(m_run.get(), &TConversionRun::CommandLineChanged);
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QCOMPARE(commands.size(), 2);
        const QString first = commands.at(0).at(0).toString(), second = commands.at(1).at(0).toString();
        QVERIFY2(first.startsWith(QStringLiteral(" dvd://2 ")) && first.contains(QStringLiteral(" -sid 1 ")),
                 qPrintable(first));
        QVERIFY2(second.startsWith(QStringLiteral(" dvd://3 ")) && second.contains(QStringLiteral(" -aid 129 ")),
                 qPrintable(second));
        QVERIFY(!second.contains(QStringLiteral("-sid")));
        QCOMPARE(m_run->MadeFiles().size(), 2);
        const double frequency = DominantFrequency(m_out->filePath(QStringLiteral("Title03-Chapter01.avi")));
        QVERIFY2(qAbs(frequency - 1000) < 50, qPrintable(QString::number(frequency)));
    }

    void subtitleStreamNumbers()
    {
        Open(QStringLiteral("pal-twolang"));
        Choice both;
        both.subtitle = 2; // Title01: en (stream 0), de (stream 1)
        Check(both);
        Choice german;
        german.title = 2;
        german.subtitle = 1; // Title02: de only
        Check(german);
        const QList<TConversionEntry> entries = CollectCheckedEntries(m_list, DvdInfo.DvdPath);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).SubtitleStream, 1);
        QCOMPARE(entries.at(1).SubtitleStream, 1);
    }

    void missingToolAsksForReinstalling()
    {
        Open(QStringLiteral("pal-simple"));
        Check(Choice());
        QSignalSpy panel(m_run.get(), &TConversionRun::ProgressPanelShown);
        QCOMPARE(RunToEnd(Request(QStringLiteral("MKV - Matroska Video"), {})),
                 TConversionRun::Outcome::EncoderMissing);
        QCOMPARE(m_host->Texts(), QStringList{QStringLiteral("Error. Please re-install Quarnel")});
        QCOMPARE(m_host->messages.first().kind, QStringLiteral("start"));
        QVERIFY(!m_run->Clock().isActive());
        QCOMPARE(panel.last().at(0).toBool(), false);
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files), QStringList());
    }

    // A folder the transcoder cannot write into: the file is named as missing, no success.
    void unwritableOutputIsReported()
    {
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-simple"));
        Choice shortSpan;
        shortSpan.start = QStringLiteral("00:00:00");
        shortSpan.end = QStringLiteral("00:00:01");
        Check(shortSpan);
        QString folder = m_out->path() + QStringLiteral("/locked/");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (QFileInfo(folder).isWritable() || QFile(folder + QStringLiteral("probe")).open(QIODevice::WriteOnly))
            folder = QStringLiteral("/proc/"); // root writes anywhere; nobody creates files here
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.OutputDirText = folder;
        request.Preferences.OpenFolderWhenDone = true;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QCOMPARE(m_host->messages.size(), 1);
        QCOMPARE(m_host->messages.first().kind, QStringLiteral("warn"));
        QVERIFY2(m_host->messages.first().text.startsWith(QStringLiteral("1 file could not be made:\n") + folder
                                                          + QStringLiteral("Title01.mkv (")),
                 qPrintable(m_host->messages.first().text));
        QVERIFY(m_host->opened.isEmpty());
        QVERIFY(m_run->MadeFiles().isEmpty());
        QCOMPARE(m_run->Progress().TotalBar, 100);
        QFile::setPermissions(m_out->path() + QStringLiteral("/locked/"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void existingTarget_data()
    {
        QTest::addColumn<int>("preference");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("made"); // empty: nothing made
        QTest::addColumn<bool>("originalKept");
        QTest::newRow("ask, no: skipped")
            << int(TConversionPreferences::WhenExists::Ask) << QList<bool>{false} << QString() << true;
        QTest::newRow("ask, yes: replaced") << int(TConversionPreferences::WhenExists::Ask) << QList<bool>{true}
                                            << QStringLiteral("Title01.mkv") << false;
        QTest::newRow("rename") << int(TConversionPreferences::WhenExists::Rename) << QList<bool>{}
                                << QStringLiteral("Title01-2.mkv") << true;
        QTest::newRow("overwrite") << int(TConversionPreferences::WhenExists::Overwrite) << QList<bool>{}
                                   << QStringLiteral("Title01.mkv") << false;
    }
    void existingTarget()
    {
        QFETCH(int, preference);
        QFETCH(QList<bool>, answers);
        QFETCH(QString, made);
        QFETCH(bool, originalKept);
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-simple"));
        Choice shortSpan;
        shortSpan.start = QStringLiteral("00:00:02");
        shortSpan.end = QStringLiteral("00:00:03");
        Check(shortSpan);
        for (const char *name : {"Title01.mkv", "Title01-1.mkv"}) {
            QFile f(m_out->filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.Existing = TConversionPreferences::WhenExists(preference);
        m_host->answers = answers;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);

        QStringList expected;
        if (preference == int(TConversionPreferences::WhenExists::Ask))
            expected << QStringLiteral("The output file Title01.mkv is already existent.\n\rClick \"Yes\" to overwrite "
                                       "it. Click \"No\" to skip this file");
        // A run that made nothing does not call itself a success.
        expected << (made.isEmpty() ? TConversionRun::NothingMadeMessage()
                                    : QStringLiteral("The conversion is completed successfully."));
        QCOMPARE(m_host->Texts(), expected);
        if (preference == int(TConversionPreferences::WhenExists::Ask))
            QCOMPARE(m_host->messages.first().caption, QStringLiteral("Output File Exists"));
        QCOMPARE(m_run->MadeFiles(), made.isEmpty() ? QStringList() : QStringList{m_out->filePath(made)});
        QFile original(m_out->filePath(QStringLiteral("Title01.mkv")));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll() == "old", originalKept);
        QCOMPARE(m_run->Progress().TotalBar, 100);
        if (!made.isEmpty())
            QVERIFY(qAbs(Probe(m_out->filePath(made)).value(QStringLiteral("duration")).toDouble() - 1.0) < 0.25);
    }

    void finishingActions_data()
    {
        QTest::addColumn<bool>("turnOff");
        QTest::addColumn<bool>("exit");
        QTest::addColumn<int>("powerOffs");
        QTest::addColumn<int>("closes");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("turn off") << true << true << 1 << 1 << QStringList();
        QTest::newRow("exit") << false << true << 0 << 1 << QStringList();
        QTest::newRow("stay") << false << false << 0 << 0 << QStringList{TConversionRun::NothingMadeMessage()};
    }
    void finishingActions()
    {
        QFETCH(bool, turnOff);
        QFETCH(bool, exit);
        QFETCH(int, powerOffs);
        QFETCH(int, closes);
        QFETCH(QStringList, messages);
        // Every entry skipped: the finishing actions without a tool run.
        Open(QStringLiteral("pal-simple"));
        Check(Choice());
        QFile f(m_out->filePath(QStringLiteral("Title01.mkv")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.ExitWhenDone = exit;
        m_host->answers = {false};
        m_host->turnOff = turnOff;
        QSignalSpy hints(m_run.get(), &TConversionRun::HintChanged);
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QCOMPARE(m_power->powerOffCalls, powerOffs);
        QCOMPARE(m_host->closes, closes);
        QCOMPARE(m_host->hintsHidden, 1);
        QCOMPARE(m_host->Texts().mid(1), messages);
        if (turnOff)
            QCOMPARE(hints.last().at(0).toString(),
                     QStringLiteral("Conversion is completed. Turning off the computer..."));
    }

    void startChecks()
    {
        TConversionRequest request;
        request.OutputDirText = m_out->path() + QLatin1Char('/');
        request.ProfileFile = m_program->file(QStringLiteral("Profiles/MKV - Matroska Video.apf"));
        QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::NoEntryChecked);
        request.Entries << TConversionEntry();
        QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::Ok);
        request.OutputDirText = m_out->path() + QStringLiteral("/missing/");
        QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::NoOutputFolder);
        request.OutputDirText = m_out->path() + QStringLiteral("/missing"); // judged by its folder
        QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::Ok);
        request.ProfileFile = m_program->file(QStringLiteral("Profiles/None.apf"));
        QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::NoProfile);
        // A profile that holds no settings is not quietly replaced by the encoder's defaults.
        for (const QByteArray &content : {QByteArray(),
                                          QByteArray("\x7f"
                                                     "ELF\x02\x01\x01\0\0\0",
                                                     10),
                                          QByteArray("[Main]\nType=avi\n")}) {
            m_program->writeFile(QStringLiteral("Profiles/Broken.apf"), content);
            request.ProfileFile = m_program->file(QStringLiteral("Profiles/Broken.apf"));
            QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::ProfileUnreadable);
        }
        QString text, caption;
        TConversionRun::StartCheckMessage(TConversionRun::StartCheck::ProfileUnreadable, request, text, caption);
        QCOMPARE(text, QStringLiteral("The profile ") + request.ProfileFile
                           + QStringLiteral(" cannot be read. Please select another one."));
        QCOMPARE(caption, QStringLiteral("Profile"));
        // A value that would add a switch of its own stops Start with the parameter named.
        m_program->writeFile(QStringLiteral("Profiles/Edited.apf"),
                             "[Main]\nType=avi\nPara=1\n0=Bit Rate\n[Bit Rate]\nSort=1\nReadOnly=1\nList=0\n"
                             "Caption=800\nValue=800 -o /tmp/elsewhere.avi\ncmd=-b:v\n");
        request.ProfileFile = m_program->file(QStringLiteral("Profiles/Edited.apf"));
        QCOMPARE(TConversionRun::CheckStart(request), TConversionRun::StartCheck::ProfileValues);
        TConversionRun::StartCheckMessage(TConversionRun::StartCheck::ProfileValues, request, text, caption);
        QVERIFY2(text.startsWith(QStringLiteral("The profile \"Edited\" has an unusable value for \"Bit Rate\"")),
                 qPrintable(text));
    }

    // Discs shaped like real ones (noisy pictures, cells of seconds, sound as long as the
    // pictures): every entry ends, and what a viewer sees is the whole entry in its shape.
    void viewerSeesTheWholeEntry_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("size");
        QTest::addColumn<qint64>("frames"); // the disc's; -1: a middle chapter, whose end is a whole second
        QTest::addColumn<double>("aspect");
        QTest::addColumn<double>("tone");
        QTest::addColumn<int>("intermediate"); // as stored: 0 the profile's bitrate, 1 high, 2 streamed
        Choice title1;
        QTest::newRow("PAL 16:9 whole title, mono, letterboxed into 640x480 MP4")
            << QStringLiteral("pal-real") << title1 << QStringLiteral("MP4 - H.264 Video") << QStringLiteral("640x480")
            << qint64(500) << 4.0 / 3 << 500.0 << 2;
        Choice title2;
        title2.title = 2;
        QTest::newRow("PAL 16:9 whole title at its own size, AVI")
            << QStringLiteral("pal-real") << title2 << QStringLiteral("AVI - MPEG-4 Video")
            << QStringLiteral("Original Size") << qint64(300) << 16.0 / 9 << 500.0 << 2;
        Choice last;
        last.chapter = 3;
        QTest::newRow("PAL last chapter, MKV")
            << QStringLiteral("pal-real") << last << QStringLiteral("MKV - Matroska Video") << QStringLiteral("640x480")
            << qint64(167) << 4.0 / 3 << 500.0 << 2;
        Choice middle;
        middle.chapter = 2;
        QTest::newRow("PAL middle chapter, MP4")
            << QStringLiteral("pal-real") << middle << QStringLiteral("MP4 - H.264 Video")
            << QStringLiteral("Original Size") << qint64(-1) << 16.0 / 9 << 500.0 << 2;
        Choice french;
        french.audio = 1;
        QTest::newRow("NTSC 4:3 whole title, French 5.1, MKV at its own size")
            << QStringLiteral("ntsc-real") << french << QStringLiteral("MKV - Matroska Video")
            << QStringLiteral("Original Size") << qint64(450) << 4.0 / 3 << 1000.0 << 2;
        QTest::newRow("PAL 4:3 whole title, MPEG audio, 640x480 MP4")
            << QStringLiteral("pal-mpeg") << title1 << QStringLiteral("MP4 - H.264 Video") << QStringLiteral("640x480")
            << qint64(250) << 4.0 / 3 << 500.0 << 2;
        Choice ntscLast;
        ntscLast.title = 2;
        ntscLast.chapter = 2;
        QTest::newRow("NTSC last chapter, stereo, 640x480 AVI")
            << QStringLiteral("ntsc-real") << ntscLast << QStringLiteral("AVI - MPEG-4 Video")
            << QStringLiteral("640x480") << qint64(150) << 4.0 / 3 << 500.0 << 2;
        // A custom size of odd numbers: H.264 takes only whole pairs of pixels.
        QTest::newRow("PAL last chapter at an odd custom size, MP4")
            << QStringLiteral("pal-real") << last << QStringLiteral("MP4 - H.264 Video") << QStringLiteral("721x405")
            << qint64(167) << 720.0 / 404 << 500.0 << 2;
        // The intermediate file, at high quality and at the profile's bitrate.
        QTest::newRow("PAL last chapter through a high-quality file, MKV")
            << QStringLiteral("pal-real") << last << QStringLiteral("MKV - Matroska Video") << QStringLiteral("640x480")
            << qint64(167) << 4.0 / 3 << 500.0 << 1;
        QTest::newRow("NTSC 4:3 whole title through a file at the profile's bitrate, AVI")
            << QStringLiteral("ntsc-real") << french << QStringLiteral("AVI - MPEG-4 Video")
            << QStringLiteral("Original Size") << qint64(450) << 4.0 / 3 << 1000.0 << 0;
    }
    void viewerSeesTheWholeEntry()
    {
        QFETCH(QString, dvd);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QFETCH(QString, size);
        QFETCH(qint64, frames);
        QFETCH(double, aspect);
        QFETCH(double, tone);
        QFETCH(int, intermediate);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Check(choice);
        TConversionRequest request = Request(profile, {{QStringLiteral("Video Size"), size}});
        request.Preferences.HighQualityIntermediate = intermediate != 0;
        request.Preferences.StreamedIntermediate = intermediate == 2;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(TConversionRun::FailureReport(m_run->Failures())));
        QCOMPARE(m_run->MadeFiles().size(), 1);
        const ViewerFacts seen = Watch(m_run->MadeFiles().first());
        const TConversionEntry &entry = request.Entries.first();
        const double span = entry.Data.End - entry.Data.Start;
        if (frames >= 0) {
            QVERIFY2(qAbs(seen.Frames - frames) <= 1, qPrintable(QString::number(seen.Frames)));
        } else {
            // A chapter's times are whole seconds: the picture covers the span within half a second.
            QVERIFY2(qAbs(seen.VideoSeconds() - span) <= 0.5, qPrintable(QString::number(seen.VideoSeconds())));
        }
        QVERIFY2(
            qAbs(seen.SoundSeconds - seen.VideoSeconds()) <= 0.1,
            qPrintable(QStringLiteral("sound %1 s, pictures %2 s").arg(seen.SoundSeconds).arg(seen.VideoSeconds())));
        QVERIFY2(qAbs(seen.DisplayAspect / aspect - 1) <= 0.01, qPrintable(QString::number(seen.DisplayAspect)));
        const double frequency = DominantFrequency(m_run->MadeFiles().first());
        QVERIFY2(qAbs(frequency - tone) < tone * 0.05, qPrintable(QString::number(frequency)));
    }

    // The encoder pass raises the sound by 10 dB: a quiet tone comes out that much louder and
    // nowhere clipped.
    void loudness()
    {
        QVERIFY(LinkTools(m_program->path()));
        // ntsc-real: a quiet stereo tone.
        Open(QStringLiteral("ntsc-real"));
        Choice quiet;
        quiet.title = 2;
        Check(quiet);
        QCOMPARE(RunToEnd(Request(QStringLiteral("MKV - Matroska Video"), {})), TConversionRun::Outcome::Completed);
        QCOMPARE(m_run->MadeFiles().size(), 1);
        const ViewerFacts source = Watch(DvdInfo.DvdPath + QStringLiteral("VTS_01_1.VOB"));
        const ViewerFacts raised = Watch(m_run->MadeFiles().first());
        QVERIFY2(qAbs(raised.PeakDb - source.PeakDb - 10) < 1.5,
                 qPrintable(QStringLiteral("%1 -> %2 dB").arg(source.PeakDb).arg(raised.PeakDb)));
        QCOMPARE(raised.FullScale, 0);
    }

    // "None" burns no subtitle in; a chosen one is burnt in, or kept as a track of its own
    // where the preference says so and the file can hold one (MKV, MP4; AVI has it burnt in).
    // Against the same entry converted without a subtitle, a burnt one changes the band where
    // subtitles are shown and hardly anything above; a kept one changes neither, and its track
    // shows each of the disc's subtitles from the disc's moment (0.2 s into each chapter).
    void subtitleBurntOrKept_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("asTrack");
        QTest::addColumn<bool>("streamed");
        QTest::addColumn<bool>("burnt");
        QTest::addColumn<QList<double>>("events"); // seconds after the first picture
        Choice chapter;
        chapter.title = 2;
        chapter.chapter = 1;
        chapter.subtitle = 1;
        QTest::newRow("burnt into AVI") << "pal-real" << chapter << "AVI - MPEG-4 Video" << false << true << true
                                        << QList<double>();
        QTest::newRow("AVI holds no track: burnt")
            << "pal-real" << chapter << "AVI - MPEG-4 Video" << true << true << true << QList<double>();
        // ntsc-real Title01: 15 s in chapters of 5 s (5.005 s played), English and German.
        Choice german;
        german.subtitle = 2;
        QTest::newRow("the second of two streams, MKV, streamed")
            << "ntsc-real" << german << "MKV - Matroska Video" << true << true << false
            << QList<double>{0.2, 5.205, 10.21};
        QTest::newRow("a chapter to MP4 through a file")
            << "pal-real" << chapter << "MP4 - H.264 Video" << true << false << false << QList<double>{0.2};
    }
    void subtitleBurntOrKept()
    {
        QFETCH(QString, disc);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QFETCH(bool, asTrack);
        QFETCH(bool, streamed);
        QFETCH(bool, burnt);
        QFETCH(QList<double>, events);
        QVERIFY(LinkTools(m_program->path()));
        auto convert = [&](int subtitle, const QString &out) -> QString {
            m_list.Clear();
            Open(disc);
            Choice c = choice;
            c.subtitle = subtitle;
            Check(c);
            TConversionRequest request =
                Request(profile, {{QStringLiteral("Video Size"), QStringLiteral("Original Size")}});
            request.OutputDirText = out;
            request.Preferences.SubtitleTrack = asTrack;
            request.Preferences.StreamedIntermediate = streamed;
            m_run = std::make_unique<TConversionRun>(*m_host);
            if (RunToEnd(request) != TConversionRun::Outcome::Completed || m_run->MadeFiles().size() != 1)
                return {};
            return m_run->MadeFiles().first();
        };
        QVERIFY(QDir().mkpath(m_out->filePath(QStringLiteral("none"))));
        QVERIFY(QDir().mkpath(m_out->filePath(QStringLiteral("chosen"))));
        const QString none = convert(0, m_out->filePath(QStringLiteral("none/")));
        const QString chosen = convert(choice.subtitle, m_out->filePath(QStringLiteral("chosen/")));
        QVERIFY(!none.isEmpty() && !chosen.isEmpty());
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());

        // Grey pictures of a band at 2, 2.5 and 3 s of pictures: the subtitles' (the disc draws
        // them 110 lines above the bottom) and one above it.
        const int height = disc.startsWith(QStringLiteral("ntsc")) ? 480 : 576;
        auto band = [](const QString &file, int y) {
            QProcess p;
            p.start(QStringLiteral("ffmpeg"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file, QStringLiteral("-vf"),
                     QStringLiteral("select='eq(n\\,50)+eq(n\\,62)+eq(n\\,75)',crop=720:100:0:%1,format=gray").arg(y),
                     QStringLiteral("-vsync"), QStringLiteral("0"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                     QStringLiteral("-")});
            p.waitForFinished(60000);
            return p.readAllStandardOutput();
        };
        auto meanDifference = [](const QByteArray &a, const QByteArray &b) {
            if (a.size() != b.size() || a.isEmpty())
                return -1.0;
            double sum = 0;
            for (qsizetype i = 0; i < a.size(); ++i)
                sum += qAbs(int(quint8(a.at(i))) - int(quint8(b.at(i))));
            return sum / a.size();
        };
        const double subtitleBand = meanDifference(band(none, height - 136), band(chosen, height - 136));
        const double pictureBand = meanDifference(band(none, height / 3), band(chosen, height / 3));
        const QString bands = QStringLiteral("subtitle band %1, picture band %2").arg(subtitleBand).arg(pictureBand);
        QVERIFY2(pictureBand >= 0 && subtitleBand >= 0, qPrintable(bands));
        if (burnt)
            QVERIFY2(subtitleBand > 4 * pictureBand + 1, qPrintable(bands));
        else
            QVERIFY2(subtitleBand < 2 * pictureBand + 1, qPrintable(bands));

        // The subtitle track's events, against the first picture.
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                     QStringLiteral("packet=codec_type,pts_time"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                     chosen});
        QVERIFY(probe.waitForFinished(30000));
        double firstPicture = 1e9;
        QList<double> subtitles;
        for (const QString &line : QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList f = line.split(QLatin1Char(','));
            if (f.size() < 2)
                continue;
            if (f.at(0) == u"video")
                firstPicture = qMin(firstPicture, f.at(1).toDouble());
            else if (f.at(0) == u"subtitle")
                subtitles << f.at(1).toDouble();
        }
        QCOMPARE(subtitles.size(), events.size());
        const double frame = height == 480 ? 1001.0 / 30000 : 0.04;
        for (int i = 0; i < events.size(); ++i)
            QVERIFY2(qAbs(subtitles.at(i) - firstPicture - events.at(i)) <= frame / 2,
                     qPrintable(QStringLiteral("subtitle %1 at %2 s after the first picture, not %3")
                                    .arg(i + 1)
                                    .arg(subtitles.at(i) - firstPicture)
                                    .arg(events.at(i))));
    }

    // Tools that hang, die, or end well with a broken file: each entry fails with its reason,
    // nothing carries the target's name, no hidden file stays, no process is left.
    void brokenToolsFailHonestly_data()
    {
        QTest::addColumn<QString>("encoder"); // script body, empty: the real MEncoder
        QTest::addColumn<QString>("transcoder"); // script body, empty: the real FFmpeg
        QTest::addColumn<qint64>("fileLimit"); // bytes a process may write, 0: no limit
        QTest::addColumn<QString>("reason"); // the start of the reason
        QTest::addColumn<bool>("streamed"); // both tools at once, joined by a pipe
        // The pre-pass is the encoder run without -ovc; the check reads files with -f framecrc.
        const QString probeToFfmpeg = QStringLiteral("case \"$*\" in *framecrc*) exec ffmpeg \"$@\";; esac\n");
        const QString target = QStringLiteral("eval target=\\${$#}\n");
        QTest::newRow("encoder hangs") << QStringLiteral(
            "case \"$*\" in *-ovc*) ;; *) exit 1;; esac\n"
            "echo 'Pos:   0.5s     12f'\nsleep 300 &\necho $! > \"$QUARNEL_TEST_PIDS\"\nsleep 300\n")
                                       << QString() << qint64(0) << QStringLiteral("the encoder stopped responding")
                                       << false;
        QTest::newRow("converter hangs") << QString()
                                         << probeToFfmpeg
                                                + QStringLiteral(
                                                    "echo 'size= 1kB time=00:00:00.10 bitrate=1kbits/s'\nsleep 300 &\n"
                                                    "echo $! > \"$QUARNEL_TEST_PIDS\"\nsleep 300\n")
                                         << qint64(0) << QStringLiteral("the converter stopped responding") << false;
        QTest::newRow("converter dies while writing")
            << QString()
            << probeToFfmpeg + target + QStringLiteral("head -c 100000 /dev/urandom > \"$target\"\nkill -9 $$\n")
            << qint64(0) << QStringLiteral("the converter stopped abnormally") << false;
        QTest::newRow("converter ends well with an empty file")
            << QString() << probeToFfmpeg + target + QStringLiteral(": > \"$target\"\nexit 0\n") << qint64(0)
            << QStringLiteral("the file is empty") << false;
        QTest::newRow("converter ends well with a short file")
            << QString()
            << probeToFfmpeg + target + QStringLiteral("n=$(($# - 1))\nexec ffmpeg \"${@:1:$n}\" -t 1 \"$target\"\n")
            << qint64(0) << QStringLiteral("the file is 1.0 s of 4.0 s") << false;
        QTest::newRow("converter fails on a full disk")
            << QString()
            << probeToFfmpeg
                   + QStringLiteral("echo 'Error writing trailer of out.mkv: No space left on device' >&2\nexit 1\n")
            << qint64(0)
            << QStringLiteral(
                   "the converter ended with status 1: Error writing trailer of out.mkv: No space left on device")
            << false;
        // A work folder that fills up: MEncoder ends well with a cut-short file.
        QTest::newRow("encoder's disk fills up")
            << QString() << QString() << qint64(150000) << QStringLiteral("the picture ends at 0:00:0") << false;
        // Streamed: the tool that failed is named, the other one ended with it.
        const QString encoderPassOnly = QStringLiteral("case \"$*\" in *-ovc*) ;; *) exit 1;; esac\n");
        QTest::newRow("streamed: encoder dies mid-stream")
            << encoderPassOnly + QStringLiteral("mencoder \"$@\" &\nsleep 1\nkill -9 $!\nexit 3\n") << QString()
            << qint64(0) << QStringLiteral("the encoder ended with status 3") << true;
        QTest::newRow("streamed: encoder hangs")
            << encoderPassOnly
                   + QStringLiteral(
                       "echo 'Pos:   0.5s     12f'\nsleep 300 &\necho $! > \"$QUARNEL_TEST_PIDS\"\nsleep 300\n")
            << QString() << qint64(0) << QStringLiteral("the encoder stopped responding") << true;
        // Output without a progress figure is no sign of life, however much of it comes.
        QTest::newRow("encoder chatters without a figure")
            << encoderPassOnly + QStringLiteral("exec yes chatter\n") << QString() << qint64(0)
            << QStringLiteral("the encoder stopped responding") << false;
        QTest::newRow("converter chatters without a figure")
            << QString() << probeToFfmpeg + QStringLiteral("exec yes chatter\n") << qint64(0)
            << QStringLiteral("the converter stopped responding") << false;
        QTest::newRow("streamed: converter chatters without a figure")
            << QString() << probeToFfmpeg + QStringLiteral("exec yes chatter\n") << qint64(0)
            << QStringLiteral("the converter stopped responding") << true;
        QTest::newRow("streamed: converter dies")
            << QString()
            << probeToFfmpeg
                   + QStringLiteral("head -c 1000000 \"$3\" > /dev/null\necho 'Conversion failed!' >&2\nexit 1\n")
            << qint64(0) << QStringLiteral("the converter ended with status 1: Conversion failed!") << true;
    }

    void brokenToolsFailHonestly()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, transcoder);
        QFETCH(qint64, fileLimit);
        QFETCH(QString, reason);
        QFETCH(bool, streamed);
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir pids;
        qputenv("QUARNEL_TEST_PIDS", pids.filePath(QStringLiteral("pid")).toLocal8Bit());
        if (!encoder.isEmpty())
            WriteTool(QStringLiteral("asapi.dll"), encoder);
        if (!transcoder.isEmpty())
            WriteTool(QStringLiteral("wmaspi.dll"), transcoder);
        Open(QStringLiteral("pal-simple"));
        Choice span;
        span.start = QStringLiteral("00:00:01");
        span.end = QStringLiteral("00:00:05");
        Check(span);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        request.Preferences.StreamedIntermediate = streamed;
        TConversionRun::Outcome outcome;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (fileLimit > 0)
                limit = std::make_unique<FileSizeLimit>(rlim_t(fileLimit));
            outcome = RunToEnd(request);
        }
        QCOMPARE(outcome, TConversionRun::Outcome::Completed);
        QCOMPARE(m_run->Failures().size(), 1);
        const QString got = m_run->Failures().first().Reason;
        QVERIFY2(got.startsWith(reason), qPrintable(got));
        QCOMPARE(m_host->Texts().size(), 1);
        QVERIFY(m_host->Texts().first().startsWith(QStringLiteral("1 file could not be made:\n")
                                                   + m_out->filePath(QStringLiteral("Title01.mkv (")) + reason));
        QVERIFY(m_run->MadeFiles().isEmpty());
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
        QFile pidFile(pids.filePath(QStringLiteral("pid")));
        if (pidFile.open(QIODevice::ReadOnly)) {
            // What the hung tool started went with it.
            const QByteArray pid = pidFile.readAll().trimmed();
            QTRY_VERIFY2(!QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)), pid.constData());
        }
        qunsetenv("QUARNEL_TEST_PIDS");
    }

    // What a tool starts goes with its pass, however the pass ends: here a pre-pass that
    // chatters forever (ended as hung; the run goes on without it) and a converter that does
    // its work and leaves a child running. The entry is made within the stall time of the
    // pre-pass plus the conversion, and no process is left.
    void toolsLeaveNothingBehind()
    {
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir pids;
        qputenv("QUARNEL_TEST_PIDS", pids.filePath(QStringLiteral("pid")).toLocal8Bit());
        WriteTool(QStringLiteral("asapi.dll"), QStringLiteral("case \"$*\" in *-ovc*) exec mencoder \"$@\";; esac\n"
                                                              "exec yes chatter\n"));
        WriteTool(QStringLiteral("wmaspi.dll"),
                  QStringLiteral("sleep 300 &\necho $! >> \"$QUARNEL_TEST_PIDS\"\n"
                                 "case \"$*\" in *framecrc*) ;; *) pwd >> \"$QUARNEL_TEST_PIDS.pwd\";; esac\n"
                                 "ffmpeg \"$@\"\n"));
        Open(QStringLiteral("pal-simple"));
        Check(Choice());
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        request.Preferences.StreamedIntermediate = false;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(TConversionRun::FailureReport(m_run->Failures())));
        QCOMPARE(m_run->MadeFiles().size(), 1);
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QFile pidFile(pids.filePath(QStringLiteral("pid")));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const QList<QByteArray> started = pidFile.readAll().trimmed().split('\n');
        QVERIFY(!started.isEmpty());
        for (const QByteArray &pid : started)
            QTRY_VERIFY2(!QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)), pid.constData());
        // Every converter run had the work folder for its current folder.
        QFile folders(pids.filePath(QStringLiteral("pid.pwd")));
        QVERIFY(folders.open(QIODevice::ReadOnly));
        for (const QByteArray &folder : folders.readAll().trimmed().split('\n'))
            QCOMPARE(QFileInfo(QString::fromLocal8Bit(folder)).canonicalFilePath(),
                     QFileInfo(m_work->path()).canonicalFilePath());
        qunsetenv("QUARNEL_TEST_PIDS");
    }

    // After its last figure FFmpeg may move the index to the file's front (faststart) without
    // a word for longer than the watchdog waits: still writing or still working is not hung.
    void quietFinishIsNotAStall_data()
    {
        QTest::addColumn<QString>("finish"); // what the converter does after encoding, for 4 s
        QTest::addColumn<QString>("reason"); // empty: the file is made
        QTest::newRow("rewriting its file")
            << QStringLiteral("for i in 1 2 3 4 5 6 7 8; do sleep 0.5; "
                              "dd if=\"$target\" of=\"$target\" bs=4096 count=1 conv=notrunc 2>/dev/null; done\n")
            << QString();
        QTest::newRow("working") << QStringLiteral("end=$((SECONDS + 4)); while [ $SECONDS -lt $end ]; do :; done\n")
                                 << QString();
        QTest::newRow("neither: hung") << QStringLiteral("sleep 4\n")
                                       << QStringLiteral("the converter stopped responding");
    }
    void quietFinishIsNotAStall()
    {
        QFETCH(QString, finish);
        QFETCH(QString, reason);
        QVERIFY(LinkTools(m_program->path()));
        WriteTool(QStringLiteral("wmaspi.dll"), QStringLiteral("case \"$*\" in *framecrc*) exec ffmpeg \"$@\";; esac\n"
                                                               "eval target=\\${$#}\nffmpeg \"$@\" || exit $?\n")
                                                    + finish);
        Open(QStringLiteral("pal-simple"));
        Choice span;
        span.end = QStringLiteral("00:00:04");
        Check(span);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        if (reason.isEmpty()) {
            QVERIFY2(m_run->Failures().isEmpty(), qPrintable(TConversionRun::FailureReport(m_run->Failures())));
            QCOMPARE(m_run->MadeFiles().size(), 1);
        } else {
            QCOMPARE(m_run->Failures().size(), 1);
            QVERIFY2(m_run->Failures().first().Reason.startsWith(reason), qPrintable(m_run->Failures().first().Reason));
        }
    }

    // A viewer skips from chapter to chapter in MKV and MP4: a mark at each chapter start the
    // span holds, named as the disc numbers them, at the chapter's time in the file; AVI has
    // none and says nothing of it.
    void chapterMarks_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("start"); // a trimmed span's, empty for the whole title
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<double>>("times"); // the list's chapter starts less the span's
        QTest::addColumn<bool>("off"); // the preference turned off
        const QStringList three{QStringLiteral("Chapter 01"), QStringLiteral("Chapter 02"),
                                QStringLiteral("Chapter 03")};
        QTest::newRow("MKV, whole title")
            << QStringLiteral("MKV - Matroska Video") << QString() << three << QList<double>{0, 0, 0} << false;
        QTest::newRow("MP4, whole title")
            << QStringLiteral("MP4 - H.264 Video") << QString() << three << QList<double>{0, 0, 0} << false;
        QTest::newRow("MKV, a span from inside the first chapter")
            << QStringLiteral("MKV - Matroska Video") << QStringLiteral("00:00:03") << three.mid(1)
            << QList<double>{3, 3} << false;
        QTest::newRow("AVI holds none") << QStringLiteral("AVI - MPEG-4 Video") << QString() << QStringList()
                                        << QList<double>() << false;
        QTest::newRow("MKV with the marks turned off")
            << QStringLiteral("MKV - Matroska Video") << QString() << QStringList() << QList<double>() << true;
    }
    void chapterMarks()
    {
        QFETCH(QString, profile);
        QFETCH(QString, start);
        QFETCH(QStringList, names);
        QFETCH(QList<double>, times);
        QFETCH(bool, off);
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-real"));
        Choice title;
        if (!start.isEmpty()) {
            title.start = start;
            title.end = QStringLiteral("00:00:20"); // the title's end
        }
        Check(title);
        TConversionRequest request = Request(profile, {});
        request.Preferences.ChapterMarks = !off;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(TConversionRun::FailureReport(m_run->Failures())));
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_chapters"),
                     QStringLiteral("-of"), QStringLiteral("json"), m_run->MadeFiles().first()});
        QVERIFY(probe.waitForFinished(30000));
        const QJsonArray chapters =
            QJsonDocument::fromJson(probe.readAllStandardOutput()).object().value(QStringLiteral("chapters")).toArray();
        QStringList got;
        for (const QJsonValue &c : chapters)
            got << c.toObject().value(QStringLiteral("tags")).toObject().value(QStringLiteral("title")).toString();
        QCOMPARE(got, names);
        // Each at its chapter's start in the list (whole seconds there), shifted by the span's start.
        const QModelIndex titleIndex = m_list.index(0, 0);
        for (int i = 0; i < chapters.size(); ++i) {
            const int number = names.at(i).right(2).toInt();
            const double listed = m_list.Entry(m_list.index(number - 1, 0, titleIndex))->Start;
            const double at = chapters.at(i).toObject().value(QStringLiteral("start_time")).toString().toDouble();
            QVERIFY2(qAbs(at - (listed - times.at(i))) < 1.0,
                     qPrintable(QStringLiteral("%1 at %2, listed %3").arg(names.at(i)).arg(at).arg(listed)));
        }
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
    }

    // The room asked for a high-quality intermediate holds what the encoder writes of noisy
    // pictures, at the DVD's size and scaled.
    void intermediateFitsItsRoom_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<double>("frameRate");
        QTest::newRow("noisy PAL at its own size")
            << QStringLiteral("pal-real") << QStringLiteral("Original Size") << QSize(720, 576) << 25.0;
        QTest::newRow("noisy NTSC at its own size")
            << QStringLiteral("ntsc-real") << QStringLiteral("Original Size") << QSize(720, 480) << 29.97;
        QTest::newRow("noisy PAL scaled")
            << QStringLiteral("pal-real") << QStringLiteral("640x480") << QSize(640, 360) << 25.0;
    }
    void intermediateFitsItsRoom()
    {
        QFETCH(QString, dvd);
        QFETCH(QString, size);
        QFETCH(QSize, picture);
        QFETCH(double, frameRate);
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir marks;
        const QString sizes = marks.filePath(QStringLiteral("sizes"));
        qputenv("QUARNEL_TEST_PIDS", sizes.toLocal8Bit());
        WriteTool(QStringLiteral("asapi.dll"),
                  QStringLiteral(
                      "mencoder \"$@\"; status=$?\n"
                      "case \"$*\" in *-ovc*) eval out=\\${$#}; stat -c %s \"$out\" >> \"$QUARNEL_TEST_PIDS\";; esac\n"
                      "exit $status\n"));
        Open(dvd);
        Check(Choice());
        TConversionRequest request =
            Request(QStringLiteral("MKV - Matroska Video"), {{QStringLiteral("Video Size"), size}});
        request.Preferences.HighQualityIntermediate = true;
        request.Preferences.StreamedIntermediate = false;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        qunsetenv("QUARNEL_TEST_PIDS");
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(TConversionRun::FailureReport(m_run->Failures())));
        const qint64 written = ReadBytes(sizes).trimmed().toLongLong();
        const double seconds = request.Entries.first().Data.End - request.Entries.first().Data.Start;
        const double kbps = written * 8 / seconds / 1000;
        const double estimate = IntermediateKbps(true, QString(), picture.width(), picture.height(), frameRate);
        qInfo("%s: %.0f kbit/s written, %.0f estimated", qPrintable(dvd), kbps, estimate);
        QVERIFY2(kbps > 0 && kbps <= estimate, qPrintable(QStringLiteral("%1 of %2").arg(kbps).arg(estimate)));
    }

    // Too little room is said at once, before any tool runs.
    void tooLittleRoom()
    {
        const QString small = m_out->filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(small));
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=1m"), QStringLiteral("tmpfs"), small})
            != 0)
            QSKIP("mounting a small file system needs root; not checked here");
        auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {small}); });
        WriteTool(QStringLiteral("asapi.dll"), QStringLiteral("echo started >> \"$QUARNEL_TEST_PIDS\"\nexit 1\n"));
        QTemporaryDir marks;
        qputenv("QUARNEL_TEST_PIDS", marks.filePath(QStringLiteral("runs")).toLocal8Bit());
        Open(QStringLiteral("pal-simple"));
        Check(Choice());
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.OutputDirText = small + QLatin1Char('/');
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        qunsetenv("QUARNEL_TEST_PIDS");
        QCOMPARE(m_run->Failures().size(), 1);
        QVERIFY2(m_run->Failures().first().Reason.startsWith(QStringLiteral("not enough room in ") + small
                                                             + QStringLiteral(": about ")),
                 qPrintable(m_run->Failures().first().Reason));
        QVERIFY(!QFileInfo::exists(marks.filePath(QStringLiteral("runs"))));
    }
};

QTEST_GUILESS_MAIN(TestConversionRun)
#include "TestConversionRun.moc"
