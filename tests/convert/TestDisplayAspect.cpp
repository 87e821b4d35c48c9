#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
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

// MPEG frames shown at their display aspect.
class TestDisplayAspect : public ConversionFixture
{
    Q_OBJECT
private slots:
    // DVD and Video CD frames are shown at 4:3 or 16:9 with their own pixel shape: a picture
    // of another aspect gets bars, never a stretch, and DVD authoring takes the file.
    void mpegFramesShowTheirDisplayAspect_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QString>("picture"); // where the title's picture is, as a crop
        QTest::addColumn<QString>("bar"); // one of the bars
        const QString dvd = QStringLiteral("MPEG-2 Video (DVD)");
        const QString aspect = QStringLiteral("Aspect");
        QTest::newRow("16:9 title on a 4:3 DVD frame: letterboxed")
            << QStringLiteral("pal-pan") << dvd << Rows() << QSize(720, 576) << 4.0 / 3
            << QStringLiteral("720:432:0:72") << QStringLiteral("720:72:0:0");
        QTest::newRow("16:9 title on a 16:9 DVD frame: fills it")
            << QStringLiteral("pal-pan") << dvd << Rows{{aspect, QStringLiteral("16:9")}} << QSize(720, 576) << 16.0 / 9
            << QString() << QString();
        QTest::newRow("4:3 title on a 16:9 NTSC-size DVD frame: pillarboxed")
            << QStringLiteral("pal-mpeg") << dvd
            << Rows{{aspect, QStringLiteral("16:9")}, {QStringLiteral("Video Size"), QStringLiteral("720x480 (NTSC)")}}
            << QSize(720, 480) << 16.0 / 9 << QStringLiteral("540:480:90:0") << QStringLiteral("90:480:0:0");
        QTest::newRow("Video CD frame at the title's aspect")
            << QStringLiteral("pal-pan") << QStringLiteral("MPEG-1 Video") << Rows() << QSize(352, 288) << 16.0 / 9
            << QString() << QString();
    }
    void mpegFramesShowTheirDisplayAspect()
    {
        QFETCH(QString, dvd);
        QFETCH(QString, profile);
        QFETCH(Rows, rows);
        QFETCH(QSize, frame);
        QFETCH(double, aspect);
        QFETCH(QString, picture);
        QFETCH(QString, bar);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Check(Choice());
        QCOMPARE(RunToEnd(Request(profile, rows)), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const QHash<QString, QString> facts = Probe(file);
        QCOMPARE(QSize(facts.value(QStringLiteral("video.width")).toInt(),
                       facts.value(QStringLiteral("video.height")).toInt()),
                 frame);
        const ViewerFacts seen = Watch(file);
        // MPEG-1 has a short table of pixel shapes: 16:9 at 352x288 comes out 1.81.
        QVERIFY2(qAbs(seen.DisplayAspect - aspect) < 0.04, qPrintable(QString::number(seen.DisplayAspect)));

        // The bars are black, the picture is the title's own, not squeezed.
        if (!bar.isEmpty()) {
            for (const QByteArray &p : GreyPictures({QStringLiteral("-i"), file}, bar, 5))
                QVERIFY2(PsnrY(p, QByteArray(p.size(), '\0')) > 30, "a bar is not black");
        }
        const QString source = SourceGraph(dvd, 1);
        if (!source.isEmpty()) {
            const QList<QByteArray> got = GreyPictures({QStringLiteral("-i"), file}, picture, 50);
            const QList<QByteArray> want = GreyPictures(
                {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source}, QString(), 50);
            QCOMPARE(got.size(), want.size());
            double least = 99;
            for (qsizetype i = 0; i < got.size(); ++i)
                least = qMin(least, PsnrY(got.at(i), want.at(i)));
            QVERIFY2(least >= 30, qPrintable(QString::number(least)));
        }
        if (profile == u"MPEG-2 Video (DVD)") {
            QProcess author;
            author.setProcessChannelMode(QProcess::MergedChannels);
            author.start(
                QStringLiteral("dvdauthor"),
                {QStringLiteral("-o"), m_work->filePath(QStringLiteral("authored")), QStringLiteral("-t"), file});
            QVERIFY(author.waitForFinished(60000));
            const QString said = QString::fromLocal8Bit(author.readAll());
            QVERIFY2(author.exitCode() == 0 && !said.contains(QStringLiteral("unknown mpeg2 aspect")),
                     qPrintable(said));
        }
    }
};

QTEST_GUILESS_MAIN(TestDisplayAspect)
#include "TestDisplayAspect.moc"
