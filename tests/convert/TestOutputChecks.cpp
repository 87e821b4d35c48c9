#include "convert/commands/Bitrates.h"
#include "convert/run/FreeSpace.h"
#include "convert/run/OutputChecks.h"
#include "convert/tools/TMediaProbe.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TMediaInfo Info(bool video, double videoEnd, bool audio, double audioEnd, qint64 size = 1000)
{
    TMediaInfo i;
    i.Readable = true;
    i.FileSize = size;
    i.HasVideo = video;
    i.VideoEnd = videoEnd;
    i.HasAudio = audio;
    i.AudioEnd = audioEnd;
    return i;
}

// Makes a short clip with ffmpeg; false when it could not.
bool MakeClip(const QString &file, double videoSeconds, double audioSeconds)
{
    QStringList args{QStringLiteral("-hide_banner"),
                     QStringLiteral("-nostdin"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=320x240:rate=25:duration=%1").arg(videoSeconds)};
    if (audioSeconds > 0)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=500:sample_rate=44100:duration=%1").arg(audioSeconds);
    args << QStringLiteral("-c:v") << QStringLiteral("mpeg4") << QStringLiteral("-c:a") << QStringLiteral("libmp3lame")
         << file;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

TMediaInfo ProbeFile(const QString &file)
{
    TMediaProbe probe;
    QSignalSpy done(&probe, &TMediaProbe::Finished);
    probe.Probe(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")), file, 30000);
    if (!done.wait(60000))
        return {};
    return done.first().first().value<TMediaInfo>();
}

} // namespace

// Whether a tool's file holds the entry's whole span, and whether there is room for it.
class TestOutputChecks : public QObject
{
    Q_OBJECT
private slots:
    void clockText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("fraction");
        QTest::addColumn<QString>("text");
        QTest::newRow("hundredths") << 0.13 << true << QStringLiteral("0:00:00.13");
        QTest::newRow("whole") << 20.0 << false << QStringLiteral("0:00:20");
        QTest::newRow("hours") << 3725.5 << true << QStringLiteral("1:02:05.50");
        QTest::newRow("half to even") << 2.5 << false << QStringLiteral("0:00:02");
        QTest::newRow("carry into minutes") << 59.999 << true << QStringLiteral("0:01:00.00");
        QTest::newRow("negative reads as zero") << -1.0 << true << QStringLiteral("0:00:00.00");
    }
    void clockText()
    {
        QFETCH(double, seconds);
        QFETCH(bool, fraction);
        QFETCH(QString, text);
        QCOMPARE(ClockText(seconds, fraction), text);
    }

    void checks_data()
    {
        QTest::addColumn<bool>("target"); // false: the intermediate file
        QTest::addColumn<TMediaInfo>("info");
        QTest::addColumn<double>("span");
        QTest::addColumn<bool>("wantAudio");
        QTest::addColumn<QString>("reason"); // empty: whole
        QTest::newRow("whole intermediate") << false << Info(true, 20.04, true, 20.0) << 20.0 << true << QString();
        QTest::newRow("sound lost after a block") << false << Info(true, 20.0, true, 0.13) << 20.0 << true
                                                  << QStringLiteral("the sound ends at 0:00:00.13 of 0:00:20");
        QTest::newRow("picture cut short") << false << Info(true, 12.5, true, 20.0) << 20.0 << true
                                           << QStringLiteral("the picture ends at 0:00:12.50 of 0:00:20");
        QTest::newRow("no sound stream") << false << Info(true, 20.0, false, 0) << 20.0 << true
                                         << QStringLiteral("the encoder's file holds no sound");
        QTest::newRow("no sound wanted") << false << Info(true, 20.0, false, 0) << 20.0 << false << QString();
        QTest::newRow("no picture") << false << Info(false, 0, true, 20.0) << 20.0 << true
                                    << QStringLiteral("the encoder's file holds no picture");
        // max(1 s, 2 %): a second on short spans, 2 % on long ones.
        QTest::newRow("within a second") << false << Info(true, 3.1, true, 3.05) << 4.0 << true << QString();
        QTest::newRow("just over a second short") << false << Info(true, 2.9, true, 4.0) << 4.0 << true
                                                  << QStringLiteral("the picture ends at 0:00:02.90 of 0:00:04");
        QTest::newRow("2 % of a long span") << false << Info(true, 590.0, true, 590.0) << 600.0 << true << QString();
        QTest::newRow("fractional span") << false << Info(true, 1.0, true, 10.5) << 10.5 << true
                                         << QStringLiteral("the picture ends at 0:00:01.00 of 0:00:10.50");

        QTest::newRow("whole target") << true << Info(true, 4.0, true, 3.98) << 4.0 << true << QString();
        QTest::newRow("empty target") << true << Info(false, 0, false, 0, 0) << 4.0 << true
                                      << QStringLiteral("the file is empty");
        QTest::newRow("short target") << true << Info(true, 2.5, true, 2.5) << 4.0 << true
                                      << QStringLiteral("the file is 2.5 s of 4.0 s");
        QTest::newRow("long target") << true << Info(true, 9.0, true, 9.0) << 4.0 << true
                                     << QStringLiteral("the file is 9.0 s of 4.0 s");
        QTest::newRow("target sound stops") << true << Info(true, 20.0, true, 0.13) << 20.0 << true
                                            << QStringLiteral("the sound ends at 0:00:00.13 of 0:00:20");
        QTest::newRow("target lost its sound")
            << true << Info(true, 20.0, false, 0) << 20.0 << true << QStringLiteral("the file holds no sound");
        QTest::newRow("sound left out on purpose") << true << Info(true, 20.0, false, 0) << 20.0 << false << QString();
        QTest::newRow("nothing in it") << true << Info(false, 0, false, 0) << 20.0 << false
                                       << QStringLiteral("the file holds neither picture nor sound");
    }
    void checks()
    {
        QFETCH(bool, target);
        QFETCH(TMediaInfo, info);
        QFETCH(double, span);
        QFETCH(bool, wantAudio);
        QFETCH(QString, reason);
        QCOMPARE(target ? CheckTarget(info, span, wantAudio) : CheckIntermediate(info, span, wantAudio), reason);
    }

    void unreadable()
    {
        TMediaInfo info;
        info.FileSize = 10;
        info.Problem = QStringLiteral("Invalid data found when processing input");
        QCOMPARE(CheckTarget(info, 4, true),
                 QStringLiteral("the file cannot be read (Invalid data found when processing input)"));
        QCOMPARE(CheckIntermediate(info, 4, true),
                 QStringLiteral("the encoder's file cannot be read (Invalid data found when processing input)"));
    }

    void frameCrcListing()
    {
        // As FFmpeg 5 writes it for an AVI with MPEG-4 and MP3: time bases differ per stream,
        // packets come interleaved and out of order.
        const QByteArray listing = "#extradata 0:       47, 0xc5dd094d\n"
                                   "#software: Lavf59.27.100\n"
                                   "#tb 0: 1/25\n#media_type 0: video\n#codec_id 0: mpeg4\n#dimensions 0: 320x240\n"
                                   "#tb 1: 32/1225\n#media_type 1: audio\n#codec_id 1: mp3\n"
                                   "0,          0,          0,        1,     7875, 0x2f4f26e5\n"
                                   "1,          0,          0,        1,      208, 0x276c5798\n"
                                   "0,          2,          2,        1,     2062, 0x0289d869, F=0x0\n"
                                   "0,          1,          1,        1,      615, 0xf3a52a68, F=0x0\n"
                                   "1,         26,         26,        1,      209, 0xca995ce6\n"
                                   "#tb 2: 1/90000\n#media_type 2: audio\n"
                                   "2,          0,          0,  9000000,      100, 0x0\n";
        const TMediaInfo info = TMediaInfo::FromFrameCrc(listing);
        QVERIFY(info.Readable);
        QVERIFY(info.HasVideo);
        QCOMPARE(info.VideoPackets, 3);
        QCOMPARE(info.VideoEnd, 3.0 / 25);
        QVERIFY(info.HasAudio);
        QCOMPARE(info.AudioEnd, 27.0 * 32 / 1225); // the first sound stream, not the longer second
        QVERIFY(!TMediaInfo::FromFrameCrc("").HasVideo);
    }

    // The probe reads what a player would: here sound that stops long before the picture.
    void probeRealFiles()
    {
        QTemporaryDir dir;
        const QString whole = dir.filePath(QStringLiteral("whole.avi"));
        const QString silent = dir.filePath(QStringLiteral("short sound.avi"));
        QVERIFY(MakeClip(whole, 4, 4));
        QVERIFY(MakeClip(silent, 4, 0.5));
        const TMediaInfo a = ProbeFile(whole);
        QVERIFY(a.Readable);
        QVERIFY(qAbs(a.VideoEnd - 4.0) < 0.1);
        QVERIFY(qAbs(a.AudioEnd - 4.0) < 0.1);
        QCOMPARE(a.VideoPackets, 100);
        QCOMPARE(CheckTarget(a, 4, true), QString());
        const TMediaInfo b = ProbeFile(silent);
        QVERIFY(qAbs(b.AudioEnd - 0.5) < 0.1);
        QVERIFY2(CheckTarget(b, 4, true).startsWith(QStringLiteral("the sound ends at 0:00:00.5")),
                 qPrintable(CheckTarget(b, 4, true)));

        QFile junk(dir.filePath(QStringLiteral("junk.avi")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        const TMediaInfo c = ProbeFile(junk.fileName());
        QVERIFY(!c.Readable);
        QVERIFY(!c.Problem.isEmpty());
        QCOMPARE(c.FileSize, 4096);
        QVERIFY(CheckTarget(c, 4, true).startsWith(QStringLiteral("the file cannot be read (")));
    }

    void bitrates_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<double>("kbps");
        QTest::newRow("bits") << QStringLiteral("800000") << 800.0;
        QTest::newRow("kilobits as MEncoder takes them") << QStringLiteral("800") << 800.0;
        QTest::newRow("k suffix") << QStringLiteral("192k") << 192.0;
        QTest::newRow("M suffix") << QStringLiteral("2M") << 2000.0;
        QTest::newRow("not a number") << QStringLiteral("fast") << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
    }
    void bitrates()
    {
        QFETCH(QString, value);
        QFETCH(double, kbps);
        QCOMPARE(BitrateKbps(value), kbps);
    }

    void profileBitrates()
    {
        const QStringList args{QStringLiteral("-c:v"),    QStringLiteral("libx264"), QStringLiteral("-b:v"),
                               QStringLiteral("1200000"), QStringLiteral("-b:a"),    QStringLiteral("128k")};
        QCOMPARE(ArgumentBitrateKbps(args, true, 1), 1200.0);
        QCOMPARE(ArgumentBitrateKbps(args, false, 1), 128.0);
        QCOMPARE(ArgumentBitrateKbps({QStringLiteral("-crf"), QStringLiteral("20")}, true, 8000), 8000.0);
    }

    // A small file system of its own (root only): too little room is said before any work.
    void roomOnASmallDisk()
    {
        QTemporaryDir dir;
        const QString small = dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(small));
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=4m"), QStringLiteral("tmpfs"), small});
        if (!mount.waitForFinished(10000) || mount.exitCode() != 0)
            QSKIP("mounting a small file system needs root; not checked here");
        auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {small}); });
        const QString big = dir.path();
        // 20 s at 2000 kbps is about 6 MB with the margin: too much for 4 MB.
        const QString reason = CheckRoom(big, EstimatedBytes(20, 1000), small, EstimatedBytes(20, 2000));
        QVERIFY2(reason.startsWith(QStringLiteral("not enough room in ") + small + QStringLiteral(": about ")),
                 qPrintable(reason));
        QVERIFY(reason.endsWith(QStringLiteral(" MB more are needed")));
        QVERIFY(CheckRoom(small, EstimatedBytes(20, 2000), big, 0)
                    .startsWith(QStringLiteral("not enough room in ") + small));
        QCOMPARE(CheckRoom(small, EstimatedBytes(2, 1000), big, EstimatedBytes(2, 1000)), QString());
        // One disk holding both files must hold both.
        QVERIFY(!CheckRoom(small, EstimatedBytes(8, 1500), small, EstimatedBytes(8, 1500)).isEmpty());
        QCOMPARE(CheckRoom(small, EstimatedBytes(8, 1500), big, EstimatedBytes(8, 1500)), QString());
    }
};

QTEST_GUILESS_MAIN(TestOutputChecks)
#include "TestOutputChecks.moc"
