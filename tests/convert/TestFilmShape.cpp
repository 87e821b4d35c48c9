#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "TestSupport.h"

#include <QRegularExpression>
#include <QSize>
#include <QtTest>

namespace {

// The mean PSNR of the luma of the first `count` pictures of a file against a reference
// (FFmpeg's input options and input) brought to the file's size by `filter`, both from their own
// first picture on.
double MeanPsnrY(const QString &file, const QStringList &reference, const QString &filter, int count)
{
    const QByteArray log = ToolOutput(
        QStringLiteral("ffmpeg"),
        QStringList{QStringLiteral("-nostats"), QStringLiteral("-i"), file} + reference
            + QStringList{QStringLiteral("-lavfi"),
                          QStringLiteral("[0:v]setpts=PTS-STARTPTS[a];[1:v]setpts=PTS-STARTPTS,%1[b];"
                                         "[a][b]psnr=shortest=1")
                              .arg(filter),
                          QStringLiteral("-frames:v"), QString::number(count), QStringLiteral("-f"),
                          QStringLiteral("null"), QStringLiteral("-")},
        true);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("PSNR y:([0-9.]+|inf)")).match(QString::fromLocal8Bit(log));
    return !m.hasMatch() ? 0 : m.captured(1) == u"inf" ? 99 : m.captured(1).toDouble();
}

// The bars FFmpeg's cropdetect finds in a file: the picture it would keep, w:h:x:y.
QString DetectedPicture(const QString &file)
{
    const QString log = QString::fromLocal8Bit(
        ToolOutput(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-nostats"), QStringLiteral("-i"), file, QStringLiteral("-vf"),
                    QStringLiteral("cropdetect=round=2"), QStringLiteral("-f"), QStringLiteral("null"),
                    QStringLiteral("-")},
                   true));
    const qsizetype at = log.lastIndexOf(QStringLiteral("crop="));
    return at < 0 ? QString() : log.mid(at + 5).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

// The constant-quality profiles as a viewer meets their files: the disc's own bars gone, the
// film at its own shape, a clean picture.
class TestFilmShape : public ConversionFixture
{
    Q_OBJECT
private slots:
    void filmKeepsItsShape_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<double>("aspect");
        const QString hevc = QStringLiteral("MKV - H.265 (HEVC)");
        const QString size = QStringLiteral("Video Size");
        // 2.35:1 in a 16:9 PAL frame: 436 lines of 576.
        QTest::newRow("2.35:1 letterboxed in 16:9, H.265 as shipped: cropped, anamorphic")
            << QStringLiteral("pal-scope") << hevc << Rows() << QStringLiteral("hevc") << QSize(720, 436) << 2.35;
        QTest::newRow("2.35:1 at a height of 360: square pixels")
            << QStringLiteral("pal-scope") << hevc << Rows{{size, QStringLiteral("Height 360")}}
            << QStringLiteral("hevc") << QSize(846, 360) << 2.35;
        QTest::newRow("crop None: the disc's frame, bars and all")
            << QStringLiteral("pal-scope") << hevc << Rows{{QStringLiteral("Crop"), QStringLiteral("None")}}
            << QStringLiteral("hevc") << QSize(720, 576) << 16.0 / 9;
        QTest::newRow("16:9 without bars, noisy, AV1 as shipped: nothing cropped")
            << QStringLiteral("pal-real") << QStringLiteral("MKV - AV1") << Rows() << QStringLiteral("av1")
            << QSize(720, 576) << 16.0 / 9;
        QTest::newRow("16:9 at a height of 480")
            << QStringLiteral("pal-real") << QStringLiteral("MKV - AV1") << Rows{{size, QStringLiteral("Height 480")}}
            << QStringLiteral("av1") << QSize(854, 480) << 16.0 / 9;
    }
    void filmKeepsItsShape()
    {
        QFETCH(QString, dvd);
        QFETCH(QString, profile);
        QFETCH(Rows, rows);
        QFETCH(QString, codec);
        QFETCH(QSize, frame);
        QFETCH(double, aspect);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Choice span;
        span.start = QStringLiteral("00:00:00");
        span.end = QStringLiteral("00:00:03");
        Check(span);
        QCOMPARE(RunToEnd(Request(profile, rows)), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();

        const QHash<QString, QString> facts = Probe(file);
        QCOMPARE(facts.value(QStringLiteral("video.codec_name")), codec);
        QCOMPARE(QSize(facts.value(QStringLiteral("video.width")).toInt(),
                       facts.value(QStringLiteral("video.height")).toInt()),
                 frame);
        const ViewerFacts seen = Watch(file);
        QVERIFY2(qAbs(seen.DisplayAspect - aspect) < 0.02 * aspect, qPrintable(QString::number(seen.DisplayAspect)));
        const bool barsKept = frame.height() == 576 && dvd == u"pal-scope";
        if (!barsKept) {
            const QString kept = QStringLiteral("%1:%2:0:0").arg(frame.width()).arg(frame.height());
            QCOMPARE(DetectedPicture(file), kept);
        }

        // The picture against a clean one at the file's size: the film as made where the disc
        // has its source, else the disc's own decoded pictures.
        const QString source = SourceGraph(dvd, 1);
        const QStringList reference =
            !barsKept && !source.isEmpty()
                ? QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source}
                : QStringList{QStringLiteral("-i"),
                              TestDvdsDir() + QLatin1Char('/') + dvd + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB")};
        const double psnr =
            MeanPsnrY(file, reference, QStringLiteral("scale=%1:%2").arg(frame.width()).arg(frame.height()), 50);
        QVERIFY2(psnr >= 38, qPrintable(QString::number(psnr)));
    }
};

QTEST_GUILESS_MAIN(TestFilmShape)
#include "TestFilmShape.moc"
