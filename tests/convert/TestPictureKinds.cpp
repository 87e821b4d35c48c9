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

// Discs shaped like real ones: interlaced PAL, NTSC film with hard and soft pulldown, converted and looked at as a
// viewer would.
class TestPictureKinds : public ConversionFixture
{
    Q_OBJECT
private slots:
    // How each kind of disc is read before its encoder pass, and what it costs.
    void picturesAreJudgedPerTitle_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<TScanType>("scan");
        QTest::newRow("interlaced PAL") << QStringLiteral("pal-interlaced") << TScanType::Interlaced;
        QTest::newRow("hard-telecined NTSC film") << QStringLiteral("ntsc-hard-film") << TScanType::HardFilm;
        QTest::newRow("soft-telecined NTSC film") << QStringLiteral("ntsc-soft-film") << TScanType::SoftFilm;
        QTest::newRow("progressive PAL pan") << QStringLiteral("pal-pan") << TScanType::Progressive;
        QTest::newRow("noisy progressive PAL") << QStringLiteral("pal-real") << TScanType::Progressive;
        QTest::newRow("noisy progressive NTSC") << QStringLiteral("ntsc-real") << TScanType::Progressive;
    }
    void picturesAreJudgedPerTitle()
    {
        QFETCH(QString, dvd);
        QFETCH(TScanType, scan);
        TSourceProbe probe;
        QSignalSpy finished(&probe, &TSourceProbe::Finished);
        QElapsedTimer clock;
        clock.start();
        probe.Detect(TestDvdsDir() + QLatin1Char('/') + dvd, 1, false, false, 0, 0, 0x80, m_work->path(),
                     QStringLiteral("ffmpeg"), 30000);
        QVERIFY(finished.wait(30000));
        const auto result = finished.first().at(0).value<TSourceProbe::Result>();
        qInfo("%s: %s in %lld ms (%s)", qPrintable(dvd), qPrintable(ScanTypeText(result.Scan)), clock.elapsed(),
              qPrintable(result.How));
        QCOMPARE(result.Scan, scan);
        QVERIFY(result.Start.Found);
        // No sample file is left in the work folder.
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // What a viewer sees of interlaced and film discs: whole progressive pictures at the
    // film's own rate, neither combed nor ghosted, as sharp as the clean source allows, the
    // first one the entry's first picture.
    void viewerSeesCleanPictures_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("crop"); // the picture inside the frame
        QTest::addColumn<int>("firstSource"); // the source picture the file starts with
        QTest::addColumn<int>("sourceStep"); // source pictures per output picture
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("psnr"); // the least mean PSNR-Y against the source
        Choice title, chapter2;
        chapter2.chapter = 2;
        const QString mp4 = QStringLiteral("MP4 - H.264 Video"), mkv = QStringLiteral("MKV - Matroska Video");
        const QString letterbox = QStringLiteral("640:360:0:60");
        QTest::newRow("interlaced PAL scaled into MP4: no ghosts")
            << QStringLiteral("pal-interlaced") << title << mp4 << QStringLiteral("640x480") << letterbox << 0 << 2
            << qint64(500) << 25.0 << 38.0;
        QTest::newRow("interlaced PAL at its own size in MKV: no combs")
            << QStringLiteral("pal-interlaced") << title << mkv << QStringLiteral("Original Size") << QString() << 0
            << 2 << qint64(500) << 25.0 << 38.0;
        QTest::newRow("soft-telecined film back at 23.976")
            << QStringLiteral("ntsc-soft-film") << title << mp4 << QStringLiteral("640x480") << letterbox << 0 << 1
            << qint64(480) << 23.976 << 45.0;
        QTest::newRow("soft-telecined film, a chapter")
            << QStringLiteral("ntsc-soft-film") << chapter2 << mkv << QStringLiteral("Original Size") << QString()
            << 160 << 1 << qint64(160) << 23.976 << 45.0;
        QTest::newRow("hard-telecined film back at 23.976")
            << QStringLiteral("ntsc-hard-film") << title << mkv << QStringLiteral("Original Size") << QString() << 0
            << 1 << qint64(480) << 23.976 << 45.0;
        QTest::newRow("hard-telecined film, a chapter")
            << QStringLiteral("ntsc-hard-film") << chapter2 << mp4 << QStringLiteral("640x480") << QString() << 160 << 1
            << qint64(160) << 23.976 << 45.0;
        // -chapter counts the DVD's chapters; the list's second one is a program only.
        QTest::newRow("a program that begins no DVD chapter")
            << QStringLiteral("pal-programs") << chapter2 << mkv << QStringLiteral("Original Size") << QString() << 150
            << 1 << qint64(150) << 25.0 << 48.0;
        Choice chapter3;
        chapter3.chapter = 3;
        QTest::newRow("the DVD's second chapter is the list's third")
            << QStringLiteral("pal-programs") << chapter3 << mkv << QStringLiteral("Original Size") << QString() << 300
            << 1 << qint64(150) << 25.0 << 48.0;
        QTest::newRow("progressive PAL as sharp as before")
            << QStringLiteral("pal-pan") << title << mkv << QStringLiteral("Original Size") << QString() << 0 << 1
            << qint64(500) << 25.0 << 48.0;
    }
    void viewerSeesCleanPictures()
    {
        QFETCH(QString, dvd);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QFETCH(QString, size);
        QFETCH(QString, crop);
        QFETCH(int, firstSource);
        QFETCH(int, sourceStep);
        QFETCH(qint64, frames);
        QFETCH(double, rate);
        QFETCH(double, psnr);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Check(choice);
        TConversionRequest request = Request(profile, {{QStringLiteral("Video Size"), size}});
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const ViewerFacts seen = Watch(file);
        // Every picture of the entry, the title's last one too.
        QCOMPARE(seen.Frames, frames);
        QVERIFY2(qAbs(seen.FrameRate - rate) < 0.01, qPrintable(QString::number(seen.FrameRate)));
        QVERIFY2(
            qAbs(seen.SoundSeconds - seen.VideoSeconds()) <= 0.1,
            qPrintable(QStringLiteral("sound %1 s, pictures %2 s").arg(seen.SoundSeconds).arg(seen.VideoSeconds())));
        // idet takes some pictures of a fast pan for interlaced even on the clean progressive
        // source (a fifth of them); woven fields it finds in every picture.
        const IdetCounts idet = Idet(file);
        QVERIFY2(
            idet.Interlaced * 10 <= 3 * (idet.Interlaced + idet.Progressive),
            qPrintable(QStringLiteral("%1 interlaced, %2 progressive").arg(idet.Interlaced).arg(idet.Progressive)));

        // Picture by picture against the clean source, matched by count.
        QString source = SourceGraph(dvd, 1);
        QVERIFY(!source.isEmpty());
        source += QStringLiteral(",select='gte(n\\,%1)*not(mod(n-%1\\,%2))'").arg(firstSource).arg(sourceStep);
        const QList<QByteArray> got = GreyPictures({QStringLiteral("-i"), file}, crop, int(seen.Frames));
        const QList<QByteArray> want = GreyPictures(
            {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source}, QString(), int(seen.Frames));
        QCOMPARE(got.size(), want.size());
        double sum = 0, least = 99;
        for (qsizetype i = 0; i < got.size(); ++i) {
            const double p = PsnrY(got.at(i), want.at(i));
            sum += p;
            least = qMin(least, p);
        }
        const double mean = sum / double(got.size());
        qInfo("%s: %lld pictures at %.3f, %lld interlaced, PSNR-Y mean %.1f dB, least %.1f dB, first %.1f dB",
              qPrintable(dvd), seen.Frames, seen.FrameRate, idet.Interlaced, mean, least,
              PsnrY(got.first(), want.first()));
        QVERIFY2(mean >= psnr, qPrintable(QString::number(mean)));
        // Not a picture off: a neighbour of the pan is far below this.
        QVERIFY2(least >= 33, qPrintable(QString::number(least)));
        QVERIFY2(PsnrY(got.first(), want.first()) >= psnr - 5,
                 qPrintable(QString::number(PsnrY(got.first(), want.first()))));
    }

    // Soft pulldown used to stop every profile; each one now makes the chapter whole.
    void softFilmConvertsWithEveryProfile()
    {
        QVERIFY(LinkTools(m_program->path()));
        const QStringList profiles =
            QDir(m_program->file(QStringLiteral("Profiles"))).entryList({QStringLiteral("*.apf")});
        QVERIFY(profiles.size() >= 10);
        for (const QString &name : profiles) {
            Open(QStringLiteral("ntsc-soft-film"));
            Choice first;
            first.chapter = 1;
            Check(first);
            const TConversionRequest request = Request(QFileInfo(name).completeBaseName(), {});
            QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
            QVERIFY2(m_run->Failures().isEmpty(),
                     qPrintable(name + QLatin1Char(' ') + FailureReport(m_run->Failures())));
            const ViewerFacts seen = Watch(m_run->MadeFiles().first());
            // 160 film frames: 6.67 s.
            QVERIFY2(qAbs(seen.VideoSeconds() - 160 * 1.001 / 24) < 0.15,
                     qPrintable(name + QStringLiteral(": %1 pictures at %2").arg(seen.Frames).arg(seen.FrameRate)));
            QFile::remove(m_run->MadeFiles().first());
        }
    }
};

QTEST_GUILESS_MAIN(TestPictureKinds)
#include "TestPictureKinds.moc"
