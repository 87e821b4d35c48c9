#include "TestSupport.h"

#include "dvd/TTitleSpanReader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Disc(const QString &name)
{
    return TestDvdsDir() + QLatin1Char('/') + name;
}

// Per stream of the written file: its codec and the times of its packets, as FFmpeg reads them.
struct Streams
{
    QStringList Codecs;
    QList<QList<double>> Times;
};

Streams ReadBack(const QString &file)
{
    auto probe = [&file](const QString &entries) {
        QProcess p;
        p.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("mpeg"),
                 QStringLiteral("-show_entries"), entries, QStringLiteral("-of"), QStringLiteral("csv=p=0"), file});
        p.waitForFinished(60000);
        QList<QStringList> rows;
        for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char(','));
            if (fields.size() >= 2 && !fields.at(0).isEmpty() && fields.at(0).at(0).isDigit())
                rows.append(fields);
        }
        return rows;
    };
    Streams s;
    for (const QStringList &row : probe(QStringLiteral("stream=index,codec_name"))) {
        const int index = row.at(0).toInt();
        while (s.Codecs.size() <= index) {
            s.Codecs.append(QString());
            s.Times.append(QList<double>());
        }
        s.Codecs[index] = row.at(1);
    }
    for (const QStringList &row : probe(QStringLiteral("frame=stream_index,pts_time"))) {
        const int index = row.at(0).toInt();
        if (index < s.Times.size())
            s.Times[index].append(row.at(1).toDouble());
    }
    return s;
}

} // namespace

class TestTitleSpanReader : public QObject
{
    Q_OBJECT

private slots:
    void spanHoldsItsPictures_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<int>("title");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("pictures"); // shown from start to end
        QTest::newRow("PAL whole title") << QStringLiteral("pal-simple") << 1 << 0.0 << 6.0 << 150;
        QTest::newRow("PAL middle chapter") << QStringLiteral("pal-simple") << 1 << 2.0 << 4.0 << 50;
        QTest::newRow("soft film, whole title") << QStringLiteral("ntsc-soft-film") << 1 << 0.0 << 20.02 << 480;
    }
    void spanHoldsItsPictures()
    {
        QFETCH(QString, disc);
        QFETCH(int, title);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, pictures);
        QTemporaryDir dir;
        QFile out(dir.filePath(QStringLiteral("span.mpg")));
        QVERIFY(out.open(QIODevice::WriteOnly));
        TTitleSpanReader::Span span;
        span.TitleNumber = title;
        span.Start = start;
        span.End = end;
        span.AudioIds = {0x80};
        const TTitleSpanReader::Result result = TTitleSpanReader::Write(
            Disc(disc), span, [&out](const QByteArray &bytes, double) { return out.write(bytes) == bytes.size(); });
        out.close();
        if (qEnvironmentVariableIsSet("KEEP"))
            QFile::copy(out.fileName(), QString::fromLocal8Bit(qgetenv("KEEP"))
                                            + QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mpg"));
        QVERIFY2(result.Problem.isEmpty(), qPrintable(result.Problem));
        QCOMPARE(result.DamagedSectors, 0);
        const bool ntsc = disc.startsWith(u"ntsc");
        const double s = TTitleSpanReader::StreamSeconds(start, ntsc), e = TTitleSpanReader::StreamSeconds(end, ntsc);
        const Streams streams = ReadBack(out.fileName());
        qInfo() << streams.Codecs << result.VideoFrames << result.FilmFrames;
        QVERIFY(streams.Codecs.contains(QStringLiteral("mpeg2video")));
        const QList<double> video = streams.Times.at(streams.Codecs.indexOf(QStringLiteral("mpeg2video")));
        int inside = 0;
        for (const double t : video)
            inside += t >= s - 0.001 && t < e - 0.001;
        QCOMPARE(inside, pictures);
    }
};

QTEST_GUILESS_MAIN(TestTitleSpanReader)
#include "TestTitleSpanReader.moc"
