#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "DiscTruth.h"

#include "core/TimeText.h"

#include <QtTest>

// Discs shaped like real ones, every source picture carrying its number: titles that change
// from film to video and back, chapters that begin on an open picture group, cells played out
// of the VOBs' order. A viewer of the file sees every picture of the entry once, in order, at
// its own time, none combed, each flash heard with its burst, and sound as long as the picture.
class TestEveryPicture : public ConversionFixture
{
    Q_OBJECT
private slots:
    void everyPictureOnceAtItsTime_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("variableRate"); // every picture at its own time; else a constant rate
        const QString mkv = QStringLiteral("MKV - Matroska Video"), mp4 = QStringLiteral("MP4 - H.264 Video");
        auto chapter = [](int title, int number) {
            Choice c;
            c.title = title;
            c.chapter = number;
            return c;
        };
        auto trim = [](int title, const char *start, const char *end) {
            Choice c;
            c.title = title;
            c.start = QString::fromLatin1(start);
            c.end = QString::fromLatin1(end);
            return c;
        };
        QTest::newRow("film then video, the whole title")
            << QStringLiteral("ntsc-hybrid") << chapter(1, 0) << mkv << true;
        QTest::newRow("film then video, a span across the change")
            << QStringLiteral("ntsc-hybrid") << trim(1, "00:00:17", "00:00:23") << mp4 << true;
        QTest::newRow("film then video, a chapter of video")
            << QStringLiteral("ntsc-hybrid") << chapter(2, 2) << mkv << true;
        QTest::newRow("film and plain 29.97 pictures taking turns")
            << QStringLiteral("ntsc-hybrid") << trim(3, "00:00:00", "00:00:11") << mkv << true;
        QTest::newRow("PAL film coded interlaced, a chapter on an open group")
            << QStringLiteral("pal-film-open") << chapter(1, 2) << mkv << true;
        QTest::newRow("PAL interlaced, a chapter on an open group")
            << QStringLiteral("pal-interlaced-open") << chapter(1, 3) << mp4 << true;
        QTest::newRow("NTSC interlaced, a chapter on an open group")
            << QStringLiteral("ntsc-interlaced-open") << chapter(1, 2) << mkv << true;
        QTest::newRow("soft film, a chapter on an open group")
            << QStringLiteral("ntsc-soft-open") << chapter(1, 2) << mkv << true;
        QTest::newRow("cells out of the VOBs' order, the whole title")
            << QStringLiteral("pal-out-of-order") << chapter(1, 0) << mkv << true;
        QTest::newRow("cells out of the VOBs' order, the second chapter")
            << QStringLiteral("pal-out-of-order") << chapter(1, 2) << mkv << true;
        QTest::newRow("film then video into AVI, a constant rate")
            << QStringLiteral("ntsc-hybrid") << trim(1, "00:00:17", "00:00:23") << QStringLiteral("AVI - MPEG-4 Video")
            << false;
    }
    void everyPictureOnceAtItsTime()
    {
        QFETCH(QString, disc);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QFETCH(bool, variableRate);
        QVERIFY(LinkTools(m_program->path()));
        Open(disc);
        Check(choice);
        TConversionRequest request =
            Request(profile, {{QStringLiteral("Video Size"), QStringLiteral("Original Size")}});
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();

        const TruthTitle truth = ReadTruth(disc, choice.title);
        QVERIFY(!truth.Segments.isEmpty());
        double from = 0, to = truth.Duration;
        if (choice.chapter > 0) {
            from = truth.ChapterStarts.at(choice.chapter - 1);
            to = choice.chapter < truth.ChapterStarts.size() ? truth.ChapterStarts.at(choice.chapter) : truth.Duration;
        } else if (!choice.start.isEmpty()) {
            // The table counts NTSC time in frames of 30 a second; real ones are 1.001 longer.
            const double scale = disc.startsWith(u"ntsc") ? 1.001 : 1.0;
            from = TimeTextToSeconds(choice.start) * scale;
            to = TimeTextToSeconds(choice.end) * scale;
        }
        const QList<ExpectedPicture> want = ExpectedPictures(truth, from, to);
        const QList<SeenPicture> seen = WatchPictures(file);
        QVERIFY(!seen.isEmpty());

        QList<int> codes, unreadable;
        for (qsizetype i = 0; i < seen.size(); ++i) {
            codes << seen.at(i).Code;
            if (seen.at(i).Code < 0)
                unreadable << int(i);
        }
        // A picture woven from two, or ghosted, shows no code.
        QVERIFY2(unreadable.isEmpty(), qPrintable(QStringLiteral("%1 of %2 pictures show no whole code, the first %3")
                                                      .arg(unreadable.size())
                                                      .arg(seen.size())
                                                      .arg(unreadable.value(0, -1))));
        if (variableRate) {
            QList<int> wanted;
            for (const ExpectedPicture &p : want)
                wanted << p.Code;
            if (codes != wanted) {
                qsizetype i = 0;
                while (i < codes.size() && i < wanted.size() && codes.at(i) == wanted.at(i))
                    ++i;
                QFAIL(qPrintable(QStringLiteral("%1 pictures seen, %2 wanted; picture %3 is %4, not %5")
                                     .arg(codes.size())
                                     .arg(wanted.size())
                                     .arg(i)
                                     .arg(codes.value(i, -1))
                                     .arg(wanted.value(i, -1))));
            }
            for (qsizetype i = 0; i < seen.size(); ++i) {
                const double late = (seen.at(i).Time - seen.first().Time - want.at(i).Time + want.first().Time) * 1000;
                QVERIFY2(qAbs(late) <= 2,
                         qPrintable(QStringLiteral("picture %1 (%2) is %3 ms late").arg(i).arg(codes.at(i)).arg(late)));
            }
        } else {
            // A constant rate leaves out some pictures of the video stretches, never repeats one
            // or shows them out of order, and keeps the length.
            for (qsizetype i = 1; i < codes.size(); ++i)
                QVERIFY2(codes.at(i) > codes.at(i - 1), qPrintable(QStringLiteral("picture %1").arg(i)));
            QVERIFY2(codes.first() == want.first().Code, qPrintable(QString::number(codes.first())));
        }

        // Each flash is heard at its picture, and the sound lasts as long as the picture.
        const QList<double> bursts = BurstStarts(file);
        int flashes = 0;
        for (const SeenPicture &p : seen) {
            // A file without times for its sound begins it with the coder's silence.
            if (!p.Flash || (!variableRate && p.Time - seen.first().Time < 0.05))
                continue;
            ++flashes;
            double nearest = 1e9;
            for (const double b : bursts)
                nearest = qAbs(b - p.Time) < qAbs(nearest) ? b - p.Time : nearest;
            // A constant rate puts a picture up to half a step from its time.
            const double heard = variableRate ? 0.005 : 0.5 / 23.976 + 0.005;
            QVERIFY2(qAbs(nearest) <= heard,
                     qPrintable(
                         QStringLiteral("the flash at %1 s is heard %2 ms after it").arg(p.Time).arg(nearest * 1000)));
        }
        int truthFlashes = 0;
        for (const double f : truth.Flashes)
            truthFlashes += f >= from - 0.0001 && f < to - 0.0001;
        QVERIFY2(flashes == truthFlashes || (!variableRate && flashes == truthFlashes - 1),
                 qPrintable(QStringLiteral("%1 flashes seen of %2").arg(flashes).arg(truthFlashes)));
        // Up to one frame of the sound coder (its last one is filled up) apart.
        const double sound = SoundEnd(file), picture = PictureEnd(file);
        QVERIFY2(qAbs(sound - picture) <= 0.025,
                 qPrintable(QStringLiteral("the sound ends at %1 s, the picture at %2 s").arg(sound).arg(picture)));
    }
};

QTEST_GUILESS_MAIN(TestEveryPicture)
#include "TestEveryPicture.moc"
