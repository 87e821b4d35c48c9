#include "convert/run/TProgressArithmetic.h"

#include <QtTest>

namespace {

// Status lines as MEncoder and FFmpeg 5.1 write them (carriage returns between updates).
const QString kEncoderChunk =
    QStringLiteral("Pos:  49.8s   1245f (49%)  312.40fps Trem:   0min   3mb  A-V:0.012 [983:47]\r"
                   "Pos:  49.9s   1247f (49%)  312.43fps Trem:   0min   3mb  A-V:0.008 [971:47]\r");
const QString kTranscoderChunk = QStringLiteral(
    "frame= 1250 fps=410 q=28.0 size=    1024kB time=00:00:50.00 bitrate= 167.8kbits/s speed=16.4x    \r");

struct Figures
{
    int current, total;
    QString frames;
};

void Expect(const TProgressArithmetic &a, const Figures &f)
{
    const TConversionProgress &p = a.Progress();
    QCOMPARE(p.CurrentBar, f.current);
    QCOMPARE(p.TotalBar, f.total);
    QCOMPARE(p.CurProgressText, QString::number(f.current) + QLatin1Char('%'));
    QCOMPARE(p.TotalProgressText, QString::number(f.total) + QLatin1Char('%'));
    QCOMPARE(p.FrameText, f.frames);
}

} // namespace

class TestProgressArithmetic : public QObject
{
    Q_OBJECT
private slots:
    void startsEmpty()
    {
        TProgressArithmetic a;
        a.BeginRun(400, 25000);
        QVERIFY(a.Progress().ElapsedText.isEmpty());
        QVERIFY(a.Progress().RemainingText.isEmpty());
        a.BeginEntry(100);
        Expect(a, {0, 0, QStringLiteral("0 / 2500")});
    }

    // Two entries of 100 s: both passes of each fill a quarter of the total.
    void twoEntriesOfHundredSeconds()
    {
        TProgressArithmetic a;
        a.BeginRun(400, 25000);
        QCOMPARE(a.TotalSeconds(), 400.0);
        a.BeginEntry(100);
        a.EncoderChunk(kEncoderChunk);
        Expect(a, {25, 12, QStringLiteral("622 / 2500")}); // 49.8 s from the first line; 622.5 frames -> 622
        a.EncoderChunk(QStringLiteral("Pos: 100.0s   2500f (99%)"));
        Expect(a, {50, 25, QStringLiteral("1250 / 2500")});

        a.BeginTranscoder();
        a.TranscoderChunk(kTranscoderChunk);
        Expect(a, {75, 38, QStringLiteral("1875 / 2500")}); // 37.5 rounds to the even 38
        a.TranscoderChunk(QStringLiteral("time=00:01:40.00 bitrate="));
        Expect(a, {100, 50, QStringLiteral("2500 / 2500")});
        a.EntryFinished();
        a.CountEntryDone();
        QCOMPARE(a.DoneSeconds(), 200.0);
        Expect(a, {100, 50, QStringLiteral("2500 / 2500")});

        a.BeginEntry(100);
        Expect(a, {0, 50, QStringLiteral("0 / 2500")});
        a.EncoderChunk(QStringLiteral("Pos:  50.0s"));
        Expect(a, {25, 62, QStringLiteral("625 / 2500")}); // 62.5 rounds to the even 62
        a.BeginTranscoder();
        a.TranscoderChunk(QStringLiteral("time=100.00 "));
        a.EntryFinished();
        a.CountEntryDone();
        a.RunComplete();
        Expect(a, {100, 100, QStringLiteral("2500 / 2500")});
    }

    // Streamed, the converter's time stands for both passes: the entry's bar, its frames and
    // its two halves of the total together.
    void streamedEntry()
    {
        TProgressArithmetic a;
        a.BeginRun(400, 25000);
        a.BeginEntry(100);
        a.BeginTranscoder();
        a.StreamChunk(QStringLiteral("frame= 625 time=00:00:25.00 bitrate="));
        Expect(a, {25, 12, QStringLiteral("625 / 2500")}); // 12.5 rounds to the even 12
        a.StreamChunk(QStringLiteral("no figure here"));
        Expect(a, {25, 12, QStringLiteral("625 / 2500")});
        a.StreamChunk(QStringLiteral("time=00:01:40.00 bitrate="));
        Expect(a, {100, 50, QStringLiteral("2500 / 2500")});
        a.EntryFinished();
        a.CountEntryDone();
        QCOMPARE(a.DoneSeconds(), 200.0);
    }

    void barsAndFramesRoundHalfToEven_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("frames");
        // L = 100 s, PAL: bar = position / 2, frames = position * 12.5.
        QTest::newRow("bar 0.5 -> 0") << 1.0 << 0 << QStringLiteral("12 / 2500"); // 12.5 -> 12
        QTest::newRow("bar 1.5 -> 2") << 3.0 << 2 << QStringLiteral("38 / 2500"); // 37.5 -> 38
        QTest::newRow("frames 0.5 -> 0") << 0.04 << 0 << QStringLiteral("0 / 2500");
        QTest::newRow("frames 1.5 -> 2") << 0.12 << 0 << QStringLiteral("2 / 2500");
        QTest::newRow("past the end the bar stays at 100") << 250.0 << 100 << QStringLiteral("3125 / 2500");
    }
    void barsAndFramesRoundHalfToEven()
    {
        QFETCH(double, position);
        QFETCH(int, current);
        QFETCH(QString, frames);
        TProgressArithmetic a;
        a.BeginRun(200, 25000);
        a.BeginEntry(100);
        a.EncoderChunk(QStringLiteral("Pos: %1s").arg(position));
        QCOMPARE(a.Progress().CurrentBar, current);
        QCOMPARE(a.Progress().FrameText, frames);
    }

    void ntscFrameCounts()
    {
        TProgressArithmetic a;
        a.BeginRun(12, 29970);
        a.BeginEntry(6); // 179.82 frames
        QCOMPARE(a.Progress().FrameText, QStringLiteral("0 / 180"));
        a.EncoderChunk(QStringLiteral("Pos:   3.0s"));
        QCOMPARE(a.Progress().FrameText, QStringLiteral("45 / 180")); // 44.955
    }

    // What does not carry a figure leaves the figures alone; time never runs back.
    void chunksWithoutFigures()
    {
        TProgressArithmetic a;
        a.BeginRun(200, 25000);
        a.BeginEntry(100);
        a.EncoderChunk(QStringLiteral("Pos:  40.0s"));
        a.EncoderChunk(QStringLiteral("Writing index...\nWriting header...\n"));
        Expect(a, {20, 20, QStringLiteral("500 / 2500")});
        QCOMPARE(a.EncoderPosition(), 40.0);

        a.BeginTranscoder();
        a.TranscoderChunk(QStringLiteral("time=00:01:00.00 "));
        Expect(a, {80, 80, QStringLiteral("2000 / 2500")});
        a.TranscoderChunk(QStringLiteral("Stream mapping:\n  Stream #0:0 -> #0:0\n"));
        Expect(a, {80, 80, QStringLiteral("2000 / 2500")});
        a.TranscoderChunk(QStringLiteral("time=00:00:30.00 "));
        QCOMPARE(a.TranscoderTime(), 60.0);
        Expect(a, {80, 80, QStringLiteral("2000 / 2500")});
    }

    // A new entry starts from its own position, not the last one read for the entry before.
    void positionStartsAgainForEachEntry()
    {
        TProgressArithmetic a;
        a.BeginRun(400, 25000);
        a.BeginEntry(100);
        a.EncoderChunk(QStringLiteral("Pos: 100.0s"));
        a.EntryFinished();
        a.CountEntryDone();
        a.BeginEntry(100);
        a.EncoderChunk(QStringLiteral("no position in this one"));
        Expect(a, {0, 50, QStringLiteral("0 / 2500")});
    }

    // Skipped entries and passes too short to report a position still count in full.
    void skippedAndSilentEntriesCountInFull()
    {
        TProgressArithmetic a;
        a.BeginRun(2 * (100 + 50 + 50), 25000);
        a.BeginEntry(100);
        a.CountEntryDone(); // skipped: nothing read
        QCOMPARE(a.Progress().TotalBar, 50);
        a.BeginEntry(50);
        a.BeginTranscoder(); // the encoder wrote fewer chunks than it takes to report
        a.TranscoderChunk(QStringLiteral("time=00:00:25.00 "));
        QCOMPARE(a.Progress().TotalBar, 69); // (200 + 50 + 25) / 400 = 68.75
        a.EntryFinished();
        a.CountEntryDone();
        QCOMPARE(a.Progress().TotalBar, 75);
        a.BeginEntry(50);
        a.CountEntryDone();
        QCOMPARE(a.Progress().TotalBar, 100);
    }

    void zeroLengths()
    {
        TProgressArithmetic a;
        a.BeginRun(0, 25000);
        a.BeginEntry(0);
        a.EncoderChunk(QStringLiteral("Pos: 3.0s"));
        a.BeginTranscoder();
        a.TranscoderChunk(QStringLiteral("time=00:00:03.00 "));
        Expect(a, {0, 0, QStringLiteral("0 / 0")});
        a.EntryFinished();
        a.CountEntryDone();
        a.RunComplete();
        Expect(a, {100, 100, QStringLiteral("0 / 0")});
    }

    void clock_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<double>("position"); // encoder position of a 100 s single entry
        QTest::addColumn<QString>("elapsed");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("no progress yet") << 5 << 0.0 << QStringLiteral("00:00:05") << QStringLiteral("00:00:00");
        QTest::newRow("a quarter done") << 10 << 50.0 << QStringLiteral("00:00:10") << QStringLiteral("00:00:30");
        QTest::newRow("4.5 rounds to 4") << 3 << 80.0 << QStringLiteral("00:00:03")
                                         << QStringLiteral("00:00:04"); // 40 %
        QTest::newRow("7.5 rounds to 8") << 5 << 80.0 << QStringLiteral("00:00:05") << QStringLiteral("00:00:08");
        QTest::newRow("an hour") << 3600 << 100.0 << QStringLiteral("01:00:00") << QStringLiteral("01:00:00");
    }
    void clock()
    {
        QFETCH(int, ticks);
        QFETCH(double, position);
        QFETCH(QString, elapsed);
        QFETCH(QString, remaining);
        TProgressArithmetic a;
        a.BeginRun(200, 25000);
        a.BeginEntry(100);
        a.EncoderChunk(QStringLiteral("Pos: %1s").arg(position));
        for (int i = 0; i < ticks; ++i)
            a.Tick();
        QCOMPARE(a.ElapsedSeconds(), ticks);
        QCOMPARE(a.Progress().ElapsedText, elapsed);
        QCOMPARE(a.Progress().RemainingText, remaining);
    }

    // Three entries, each with steps around its pass that show no progress (reading the
    // disc, the pre-pass, the check of the file): from the end of the first entry on, the
    // remaining time stays within a fifth of the time that really remains.
    void remainingCountsEveryEntry_data()
    {
        QTest::addColumn<int>("before"); // ticks before each pass
        QTest::addColumn<int>("pass"); // ticks of each pass
        QTest::addColumn<int>("after"); // ticks after it
        QTest::newRow("short entries, long steps around") << 4 << 3 << 2;
        QTest::newRow("long passes") << 1 << 12 << 1;
        QTest::newRow("steps only before") << 5 << 5 << 0;
    }
    void remainingCountsEveryEntry()
    {
        QFETCH(int, before);
        QFETCH(int, pass);
        QFETCH(int, after);
        const double lengths[] = {10, 10, 10};
        const int perEntry = before + pass + after;
        TProgressArithmetic a;
        a.BeginRun(2 * 30, 25000, 3);
        int elapsed = 0;
        for (int e = 0; e < 3; ++e) {
            a.BeginEntry(lengths[e]);
            for (int t = 1; t <= perEntry; ++t) {
                const bool converting = t > before && t <= before + pass;
                if (converting)
                    a.StreamPosition(lengths[e] * (t - before) / pass);
                a.Tick(converting);
                ++elapsed;
                const int truth = 3 * perEntry - elapsed;
                if (e >= 1 && truth > 0)
                    QVERIFY2(qAbs(a.RemainingSeconds() - truth) <= 0.2 * truth + 0.5,
                             qPrintable(QStringLiteral("entry %1, tick %2: %3 shown, %4 left")
                                            .arg(e + 1)
                                            .arg(t)
                                            .arg(a.RemainingSeconds())
                                            .arg(truth)));
            }
            a.EntryFinished();
            a.CountEntryDone();
        }
    }

    // While the total bar stands at 0 the last estimate stays.
    void remainingKeepsTheLastEstimate()
    {
        TProgressArithmetic a;
        a.BeginRun(200, 25000);
        a.BeginEntry(100);
        a.EncoderChunk(QStringLiteral("Pos: 50.0s"));
        a.Tick();
        QCOMPARE(a.RemainingSeconds(), 3);
        a.BeginRun(200, 25000); // a new run starts at 0 again
        a.BeginEntry(100);
        a.Tick();
        QCOMPARE(a.RemainingSeconds(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgressArithmetic)
#include "TestProgressArithmetic.moc"
