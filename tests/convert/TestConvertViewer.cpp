#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "DiscTruth.h"
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

// What a viewer sees and hears of a converted entry: every picture, the sound beside it, its loudness.
class TestConvertViewer : public ConversionFixture
{
    Q_OBJECT
private slots:
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
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
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

    // Quiet sound (dialogue) comes out about 10 dB louder as before; loud sound is held under
    // full scale by a limiter instead of clipped: a tone near full scale stays a clean tone.
    void loudSoundStaysClean_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<double>("peak"); // dBFS the file's tone should peak at
        QTest::addColumn<bool>("streamed");
        QTest::newRow("a tone at -3 dBFS") << 1 << -1.0 << true;
        QTest::newRow("dialogue at -27 dBFS") << 2 << -17.0 << true;
        QTest::newRow("a tone at -3 dBFS, through a file") << 1 << -1.0 << false;
    }
    void loudSoundStaysClean()
    {
        QFETCH(int, title);
        QFETCH(double, peak);
        QFETCH(bool, streamed);
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-loud"));
        Choice choice;
        choice.title = title;
        choice.start = QStringLiteral("00:00:00");
        choice.end = QStringLiteral("00:00:04");
        Check(choice);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StreamedIntermediate = streamed;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        const ToneFacts tone = MeasureTone(m_run->MadeFiles().first(), 997, 2.0);
        QVERIFY2(qAbs(tone.PeakDbfs - peak) < 1.0, qPrintable(QString::number(tone.PeakDbfs)));
        QVERIFY2(tone.DistortionPercent < 1.0, qPrintable(QString::number(tone.DistortionPercent)));
    }
};

QTEST_GUILESS_MAIN(TestConvertViewer)
#include "TestConvertViewer.moc"
