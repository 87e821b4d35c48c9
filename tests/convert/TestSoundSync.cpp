#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "DiscTruth.h"
#include "TestSupport.h"

#include "convert/tools/TSourceProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSize>
#include <QtTest>

Q_DECLARE_METATYPE(TScanType)

namespace {

// Whether a sound track of a file is heard with its picture: every flash with its burst within
// 5 ms, as many bursts as flashes (at least two), the sound as long as the picture (within
// `endSlack` seconds). Empty when it is; else what is not.
QString HeardWithThePicture(const QString &file, const QList<SeenPicture> &seen, int track, double endSlack = 0.025)
{
    const QList<double> bursts = BurstStarts(file, track);
    int flashes = 0;
    for (const SeenPicture &p : seen) {
        if (!p.Flash)
            continue;
        ++flashes;
        double nearest = 1e9;
        for (const double b : bursts)
            nearest = qAbs(b - p.Time) < qAbs(nearest) ? b - p.Time : nearest;
        if (qAbs(nearest) > 0.005)
            return QStringLiteral("the flash at %1 s is heard %2 ms after it").arg(p.Time).arg(nearest * 1000);
    }
    if (flashes < 2 || bursts.size() != flashes)
        return QStringLiteral("%1 flashes seen, %2 bursts heard").arg(flashes).arg(bursts.size());
    const double sound = SoundEnd(file, track), picture = PictureEnd(file);
    if (qAbs(sound - picture) > endSlack)
        return QStringLiteral("the sound ends at %1 s, the picture at %2 s").arg(sound).arg(picture);
    return {};
}

} // namespace

// A flash with a beep on the same picture: the sound keeps to the picture.
class TestSoundSync : public ConversionFixture
{
    Q_OBJECT
private slots:
    // A flash and a beep on the same picture stay together: whole titles, chapters and
    // trimmed spans, PAL and NTSC.
    void soundKeepsToThePicture_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<int>("flashes");
        Choice title, chapter2, trimmed;
        chapter2.chapter = 2;
        trimmed.start = QStringLiteral("00:00:03.3");
        trimmed.end = QStringLiteral("00:00:08.5");
        for (const char *dvd : {"pal-sync", "ntsc-sync"}) {
            QTest::addRow("%s, whole title", dvd) << QString::fromLatin1(dvd) << title << 6;
            QTest::addRow("%s, second chapter", dvd) << QString::fromLatin1(dvd) << chapter2 << 3;
            QTest::addRow("%s, 3.3 s to 8.5 s", dvd) << QString::fromLatin1(dvd) << trimmed << 2;
        }
    }
    void soundKeepsToThePicture()
    {
        QFETCH(QString, dvd);
        QFETCH(Choice, choice);
        QFETCH(int, flashes);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Check(choice);
        QCOMPARE(RunToEnd(Request(QStringLiteral("MP4 - H.264 Video"), {})), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const QList<double> seen = FlashTimes(file), heard = BeepTimes(file);
        QCOMPARE(seen.size(), flashes);
        QCOMPARE(heard.size(), flashes);
        for (int i = 0; i < flashes; ++i) {
            const double offset = (heard.at(i) - seen.at(i)) * 1000;
            QVERIFY2(qAbs(offset) <= 5, qPrintable(QStringLiteral("beep %1 ms after flash %2").arg(offset).arg(i + 1)));
        }
    }

    // Every shipped profile, and each sound coder the AVI profile offers: files that keep times
    // for their sound and files that do not (AVI) alike.
    void everyProfileKeepsToThePicture_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("audioCodec"); // the grid's choice; empty: the profile's own
        const QStringList profiles = QDir(BuiltProgramDir() + QStringLiteral("/Profiles"))
                                         .entryList({QStringLiteral("*.apf")}, QDir::Files, QDir::Name);
        for (const QString &file : profiles)
            QTest::newRow(qPrintable(file)) << QFileInfo(file).completeBaseName() << QString();
        QTest::newRow("AVI with AC-3") << QStringLiteral("AVI - MPEG-4 Video") << QStringLiteral("AC-3");
    }
    void everyProfileKeepsToThePicture()
    {
        QFETCH(QString, profile);
        QFETCH(QString, audioCodec);
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-sync"));
        Choice span;
        span.start = QStringLiteral("00:00:00");
        span.end = QStringLiteral("00:00:06");
        Check(span);
        Rows rows;
        if (!audioCodec.isEmpty())
            rows << qMakePair(QStringLiteral("Audio Codec"), audioCodec);
        QCOMPARE(RunToEnd(Request(profile, rows)), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const QList<SeenPicture> seen = WatchPictures(file);
        const QList<double> bursts = BurstStarts(file);
        QList<double> flashes;
        for (const SeenPicture &p : seen) {
            if (p.Flash)
                flashes << p.Time;
        }
        QCOMPARE(flashes.size(), 3);
        QCOMPARE(bursts.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const double offset = (bursts.at(i) - flashes.at(i)) * 1000;
            QVERIFY2(qAbs(offset) <= 5, qPrintable(QStringLiteral("beep %1 ms after flash %2").arg(offset).arg(i + 1)));
        }
    }

    // Every coding a DVD's sound comes in, chapters that begin on an open picture group and
    // cells played out of the VOBs' order: each flash heard with its picture, the chosen track's
    // own tone, and the sound as long as the picture.
    void everyCodingKeepsToThePicture_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        const QString mkv = QStringLiteral("MKV - Matroska Video"), mp4 = QStringLiteral("MP4 - H.264 Video");
        auto chapter = [](int title, int number, int audio) {
            Choice c;
            c.title = title;
            c.chapter = number;
            c.audio = audio;
            return c;
        };
        QTest::newRow("AC3 stereo") << QStringLiteral("pal-film-open") << chapter(1, 2, 0) << mkv;
        QTest::newRow("LPCM") << QStringLiteral("pal-film-open") << chapter(1, 3, 1) << mp4;
        QTest::newRow("MP2") << QStringLiteral("pal-interlaced-open") << chapter(1, 3, 0) << mkv;
        QTest::newRow("AC3 mono, the second track of one language")
            << QStringLiteral("pal-interlaced-open") << chapter(1, 2, 1) << mp4;
        QTest::newRow("DTS") << QStringLiteral("ntsc-interlaced-open") << chapter(1, 2, 1) << mkv;
        Choice change = chapter(2, 0, 0);
        change.start = QStringLiteral("00:00:01");
        change.end = QStringLiteral("00:00:09");
        QTest::newRow("AC3 5.1 across film and video") << QStringLiteral("ntsc-hybrid") << change << mp4;
        QTest::newRow("LPCM, cells out of the VOBs' order")
            << QStringLiteral("pal-out-of-order") << chapter(1, 2, 1) << mkv;
    }
    void everyCodingKeepsToThePicture()
    {
        QFETCH(QString, disc);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QVERIFY(LinkTools(m_program->path()));
        Open(disc);
        Check(choice);
        QCOMPARE(RunToEnd(Request(profile, {{QStringLiteral("Video Size"), QStringLiteral("Original Size")}})),
                 TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const TruthTitle truth = ReadTruth(disc, choice.title);
        const double tone = truth.Audio.at(choice.audio).Tone;
        const double frequency = DominantFrequency(file);
        QVERIFY2(qAbs(frequency - tone) < tone * 0.05,
                 qPrintable(QStringLiteral("%1 Hz, not %2").arg(frequency).arg(tone)));

        const QString heard = HeardWithThePicture(file, WatchPictures(file), 0);
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }

    // Several sound tracks in one file, in the order chosen: each its own tone and language,
    // the first played by default, each heard with every flash and as long as the picture. A
    // file that holds one keeps the first chosen.
    void severalTracksInTheOrderChosen_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("kept");
        QTest::newRow("DTS 5.1 before AC3 stereo, MKV")
            << QStringLiteral("ntsc-interlaced-open") << QList<int>{1, 0} << QStringLiteral("MKV - Matroska Video") << 2;
        QTest::newRow("AC3 mono before MP2, MP4")
            << QStringLiteral("pal-interlaced-open") << QList<int>{1, 0} << QStringLiteral("MP4 - H.264 Video") << 2;
        QTest::newRow("LPCM and AC3 into AVI: the first only")
            << QStringLiteral("pal-film-open") << QList<int>{1, 0} << QStringLiteral("AVI - MPEG-4 Video") << 1;
    }
    void severalTracksInTheOrderChosen()
    {
        QFETCH(QString, disc);
        QFETCH(QList<int>, chosen);
        QFETCH(QString, profile);
        QFETCH(int, kept);
        QVERIFY(LinkTools(m_program->path()));
        Open(disc);
        Choice c;
        c.chapter = 2;
        c.audio = chosen.first();
        Check(c);
        m_list.Entry(m_list.index(c.chapter - 1, 0, m_list.index(0, 0)))->MoreAudioIndexes = chosen.mid(1);
        QCOMPARE(RunToEnd(Request(profile, {{QStringLiteral("Video Size"), QStringLiteral("Original Size")}})),
                 TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const TruthTitle truth = ReadTruth(disc, 1);
        const QList<SoundTrackFacts> tracks = SoundTracks(file);
        QCOMPARE(tracks.size(), kept);
        const QList<SeenPicture> seen = WatchPictures(file);
        for (int t = 0; t < kept; ++t) {
            const TruthAudio &source = truth.Audio.at(chosen.at(t));
            const double frequency = DominantFrequency(file, t);
            QVERIFY2(qAbs(frequency - source.Tone) < source.Tone * 0.05,
                     qPrintable(QStringLiteral("track %1: %2 Hz, not %3").arg(t).arg(frequency).arg(source.Tone)));
            if (kept > 1) {
                const QString language = tracks.at(t).Language;
                QVERIFY2(language.size() == 3 && (source.Language.isEmpty() || language.startsWith(source.Language.left(1))),
                         qPrintable(language));
                QCOMPARE(tracks.at(t).Default, t == 0);
            }
            const QString heard = HeardWithThePicture(file, seen, t);
            QVERIFY2(heard.isEmpty(), qPrintable(QStringLiteral("track %1: ").arg(t) + heard));
        }
    }

    // The original sound: AC3 and DTS copied as the disc has them (5.1 stays 5.1), LPCM kept
    // lossless (FLAC), none of it raised; in sync at every flash, and as long as the picture.
    void originalSound_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<int>("audio");
        QTest::addColumn<QString>("codec");
        QTest::newRow("AC3 stereo copied") << QStringLiteral("pal-film-open") << 0 << QStringLiteral("ac3");
        QTest::newRow("DTS 5.1 copied") << QStringLiteral("ntsc-interlaced-open") << 1 << QStringLiteral("dts");
        QTest::newRow("LPCM kept lossless") << QStringLiteral("pal-film-open") << 1 << QStringLiteral("flac");
    }
    void originalSound()
    {
        QFETCH(QString, disc);
        QFETCH(int, audio);
        QFETCH(QString, codec);
        QVERIFY(LinkTools(m_program->path()));
        Open(disc);
        Choice c;
        c.chapter = 2;
        c.audio = audio;
        Check(c);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"),
                                             {{QStringLiteral("Video Size"), QStringLiteral("Original Size")},
                                              {QStringLiteral("Audio Codec"), QStringLiteral("Original (no re-encoding)")}});
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        QCOMPARE(Probe(file).value(QStringLiteral("audio.codec_name")), codec);
        const TruthAudio source = ReadTruth(disc, 1).Audio.at(audio);
        const double frequency = DominantFrequency(file);
        QVERIFY2(qAbs(frequency - source.Tone) < source.Tone * 0.05,
                 qPrintable(QStringLiteral("%1 Hz, not %2").arg(frequency).arg(source.Tone)));
        // Copied whole frames: the sound ends within a coder frame of the picture.
        const QString heard = HeardWithThePicture(file, WatchPictures(file), 0, 0.035);
        QVERIFY2(heard.isEmpty(), qPrintable(heard));
    }
};

QTEST_GUILESS_MAIN(TestSoundSync)
#include "TestSoundSync.moc"
