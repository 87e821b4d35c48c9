#include "TestSupport.h"

#include "dvd/TSubtitleTrack.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Disc(const QString &name)
{
    return TestDvdsDir() + QLatin1Char('/') + name;
}

// The subtitles FFmpeg reads from the pair: start seconds, and the stream's language.
struct ReadBack
{
    QList<double> Starts;
    QString Language;
    QString Codec;
};

ReadBack Probe(const QString &idx)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                        QStringLiteral("packet=pts_time:stream=codec_name:stream_tags=language"),
                                        QStringLiteral("-of"), QStringLiteral("compact=p=0:nk=1"), idx});
    p.waitForFinished(30000);
    ReadBack r;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        bool number = false;
        const double t = line.toDouble(&number);
        if (number)
            r.Starts << t;
        else if (line.contains(QLatin1Char('|')))
            r.Codec = line.section(QLatin1Char('|'), 0, 0), r.Language = line.section(QLatin1Char('|'), 1, 1);
    }
    return r;
}

} // namespace

class TestSubtitleTrack : public QObject
{
    Q_OBJECT

private slots:
    // Each chapter of the test discs shows its subtitle from 0.2 s after the chapter starts:
    // the track holds those of the span, timed from its start in real seconds.
    void spansOfTitlesAndChapters_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<int>("stream");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QList<double>>("expected");
        QTest::addColumn<QString>("language");
        // ntsc-real Title01: 15 s, chapters of 5 s; the tables count 30 frames a second.
        QTest::newRow("NTSC whole title, German")
            << "ntsc-real" << 1 << 0.0 << 15.0 << 1.001 << QList<double>{0.2, 5.2 * 1.001, 10.2 * 1.001} << "deu";
        QTest::newRow("NTSC second chapter") << "ntsc-real" << 0 << 5.0 << 10.0 << 1.001 << QList<double>{0.2} << "eng";
        QTest::newRow("a trim starting inside a subtitle leaves it out")
            << "ntsc-real" << 0 << 5.5 << 15.0 << 1.001 << QList<double>{(10.2 - 5.5) * 1.001} << "eng";
        // pal-real Title01: 20 s in 3 chapters.
        QTest::newRow("PAL whole title 16:9")
            << "pal-real" << 0 << 0.0 << 20.0 << 1.0 << QList<double>{0.2, 6.84, 13.52} << "eng";
    }
    void spansOfTitlesAndChapters()
    {
        QFETCH(QString, disc);
        QFETCH(int, stream);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(double, scale);
        QFETCH(QList<double>, expected);
        QFETCH(QString, language);
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("track"));
        const TSubtitleTrack track = TSubtitleTrack::Write(Disc(disc), 1, stream, start, end, scale, base);
        QVERIFY2(track.Problem.isEmpty(), qPrintable(track.Problem));
        QCOMPARE(track.Subtitles, expected.size());
        const ReadBack back = Probe(base + QStringLiteral(".idx"));
        QCOMPARE(back.Codec, QStringLiteral("dvd_subtitle"));
        QCOMPARE(back.Language, language);
        QCOMPARE(back.Starts.size(), expected.size());
        // Within half a picture of where the disc shows it.
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(qAbs(back.Starts.at(i) - expected.at(i)) < 0.017,
                     qPrintable(QStringLiteral("%1 s, not %2 s").arg(back.Starts.at(i)).arg(expected.at(i))));
    }

    void unreadableTitleOrStream()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("track"));
        QVERIFY(!TSubtitleTrack::Write(Disc(QStringLiteral("ntsc-real")), 9, 0, 0, 10, 1, base).Problem.isEmpty());
        QVERIFY(!TSubtitleTrack::Write(Disc(QStringLiteral("ntsc-real")), 1, 32, 0, 10, 1, base).Problem.isEmpty());
        QVERIFY(!QFile::exists(base + QStringLiteral(".idx")));
    }

    void stopsWhenAsked()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("track"));
        const TSubtitleTrack track =
            TSubtitleTrack::Write(Disc(QStringLiteral("ntsc-real")), 1, 0, 0, 15, 1.001, base, [] { return true; });
        QVERIFY(!track.Problem.isEmpty());
        QVERIFY(!QFile::exists(base + QStringLiteral(".idx")));
    }
};

QTEST_GUILESS_MAIN(TestSubtitleTrack)
#include "TestSubtitleTrack.moc"
