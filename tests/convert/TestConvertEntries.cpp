#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "FakePowerManager.h"
#include "FileSizeLimit.h"
#include "TestSupport.h"

#include "convert/run/FreeSpace.h"
#include "convert/run/TConversionRun.h"
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

// Titles, chapters and trims converted with the real MEncoder and FFmpeg, and what the run says before and after: start
// checks, existing targets, finishing actions.
class TestConvertEntries : public ConversionFixture
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
        // The track by its stream: AC3 streams are 0x80 on.
        QVERIFY(commands.first().at(0).toString().contains(tone == 1000.0 ? u"[0:i:0x81]" : u"[0:i:0x80]"));
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
        // The subtitle read from the disc and laid on the picture; the sound by its stream.
        QVERIFY2(first.contains(QStringLiteral(".subtitles.idx")) && first.contains(QStringLiteral("overlay")),
                 qPrintable(first));
        QVERIFY2(second.contains(QStringLiteral("[0:i:0x81]")), qPrintable(second));
        QVERIFY(!second.contains(QStringLiteral("overlay")));
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
        QTest::addColumn<QList<TOverwriteAnswer>>("answers");
        QTest::addColumn<QString>("made"); // empty: nothing made
        QTest::addColumn<bool>("originalKept");
        QTest::newRow("ask, no: skipped")
            << int(TConversionPreferences::WhenExists::Ask) << QList<TOverwriteAnswer>{TOverwriteAnswer::No} << QString() << true;
        QTest::newRow("ask, yes: replaced") << int(TConversionPreferences::WhenExists::Ask) << QList<TOverwriteAnswer>{TOverwriteAnswer::Yes}
                                            << QStringLiteral("Title01.mkv") << false;
        QTest::newRow("rename") << int(TConversionPreferences::WhenExists::Rename) << QList<TOverwriteAnswer>{}
                                << QStringLiteral("Title01-2.mkv") << true;
        QTest::newRow("overwrite") << int(TConversionPreferences::WhenExists::Overwrite) << QList<TOverwriteAnswer>{}
                                   << QStringLiteral("Title01.mkv") << false;
    }
    void existingTarget()
    {
        QFETCH(int, preference);
        QFETCH(QList<TOverwriteAnswer>, answers);
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
        expected << (made.isEmpty() ? NothingMadeMessage()
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
        QTest::newRow("stay") << false << false << 0 << 0 << QStringList{NothingMadeMessage()};
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
        m_host->answers = {TOverwriteAnswer::No};
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
        QCOMPARE(CheckStart(request), TStartCheck::NoEntryChecked);
        request.Entries << TConversionEntry();
        QCOMPARE(CheckStart(request), TStartCheck::Ok);
        request.OutputDirText = m_out->path() + QStringLiteral("/missing/");
        QCOMPARE(CheckStart(request), TStartCheck::NoOutputFolder);
        request.OutputDirText = m_out->path() + QStringLiteral("/missing"); // judged by its folder
        QCOMPARE(CheckStart(request), TStartCheck::Ok);
        request.ProfileFile = m_program->file(QStringLiteral("Profiles/None.apf"));
        QCOMPARE(CheckStart(request), TStartCheck::NoProfile);
        // A profile that holds no settings is not quietly replaced by the encoder's defaults.
        for (const QByteArray &content : {QByteArray(),
                                          QByteArray("\x7f"
                                                     "ELF\x02\x01\x01\0\0\0",
                                                     10),
                                          QByteArray("[Main]\nType=avi\n")}) {
            m_program->writeFile(QStringLiteral("Profiles/Broken.apf"), content);
            request.ProfileFile = m_program->file(QStringLiteral("Profiles/Broken.apf"));
            QCOMPARE(CheckStart(request), TStartCheck::ProfileUnreadable);
        }
        QString text, caption;
        StartCheckMessage(TStartCheck::ProfileUnreadable, request, text, caption);
        QCOMPARE(text, QStringLiteral("The profile ") + request.ProfileFile
                           + QStringLiteral(" cannot be read. Please select another one."));
        QCOMPARE(caption, QStringLiteral("Profile"));
        // A value that would add a switch of its own stops Start with the parameter named.
        m_program->writeFile(QStringLiteral("Profiles/Edited.apf"),
                             "[Main]\nType=avi\nPara=1\n0=Bit Rate\n[Bit Rate]\nSort=1\nReadOnly=1\nList=0\n"
                             "Caption=800\nValue=800 -o /tmp/elsewhere.avi\ncmd=-b:v\n");
        request.ProfileFile = m_program->file(QStringLiteral("Profiles/Edited.apf"));
        QCOMPARE(CheckStart(request), TStartCheck::ProfileValues);
        StartCheckMessage(TStartCheck::ProfileValues, request, text, caption);
        QVERIFY2(text.startsWith(QStringLiteral("The profile \"Edited\" has an unusable value for \"Bit Rate\"")),
                 qPrintable(text));
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
        SetToolNotes(marks.filePath(QStringLiteral("runs")));
        Open(QStringLiteral("pal-simple"));
        Check(Choice());
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.OutputDirText = small + QLatin1Char('/');
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        SetToolNotes(QString());
        QCOMPARE(m_run->Failures().size(), 1);
        QVERIFY2(m_run->Failures().first().Reason.startsWith(QStringLiteral("not enough room in ") + small
                                                             + QStringLiteral(": about ")),
                 qPrintable(m_run->Failures().first().Reason));
        QVERIFY(!QFileInfo::exists(marks.filePath(QStringLiteral("runs"))));
    }
};

QTEST_GUILESS_MAIN(TestConvertEntries)
#include "TestConvertEntries.moc"
