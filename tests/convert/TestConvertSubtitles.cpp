#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
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

// Subtitles burnt into the picture or kept as a track.
class TestConvertSubtitles : public ConversionFixture
{
    Q_OBJECT
private slots:
    // "None" burns no subtitle in; a chosen one is burnt in, or kept as a track of its own
    // where the preference says so and the file can hold one (MKV, MP4; AVI has it burnt in).
    // Against the same entry converted without a subtitle, a burnt one changes the band where
    // subtitles are shown and hardly anything above; a kept one changes neither, and its track
    // shows each of the disc's subtitles from the disc's moment (0.2 s into each chapter).
    void subtitleBurntOrKept_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("asTrack");
        QTest::addColumn<bool>("streamed");
        QTest::addColumn<bool>("burnt");
        QTest::addColumn<QList<double>>("events"); // seconds after the first picture
        Choice chapter;
        chapter.title = 2;
        chapter.chapter = 1;
        chapter.subtitle = 1;
        QTest::newRow("burnt into AVI") << "pal-real" << chapter << "AVI - MPEG-4 Video" << false << true << true
                                        << QList<double>();
        QTest::newRow("AVI holds no track: burnt")
            << "pal-real" << chapter << "AVI - MPEG-4 Video" << true << true << true << QList<double>();
        // ntsc-real Title01: 15 s in chapters of 5 s (5.005 s played), English and German.
        Choice german;
        german.subtitle = 2;
        QTest::newRow("the second of two streams, MKV, streamed")
            << "ntsc-real" << german << "MKV - Matroska Video" << true << true << false
            << QList<double>{0.2, 5.205, 10.21};
        QTest::newRow("a chapter to MP4 through a file")
            << "pal-real" << chapter << "MP4 - H.264 Video" << true << false << false << QList<double>{0.2};
    }
    void subtitleBurntOrKept()
    {
        QFETCH(QString, disc);
        QFETCH(Choice, choice);
        QFETCH(QString, profile);
        QFETCH(bool, asTrack);
        QFETCH(bool, streamed);
        QFETCH(bool, burnt);
        QFETCH(QList<double>, events);
        QVERIFY(LinkTools(m_program->path()));
        auto convert = [&](int subtitle, const QString &out) -> QString {
            m_list.Clear();
            Open(disc);
            Choice c = choice;
            c.subtitle = subtitle;
            Check(c);
            TConversionRequest request =
                Request(profile, {{QStringLiteral("Video Size"), QStringLiteral("Original Size")}});
            request.OutputDirText = out;
            request.Preferences.SubtitleTrack = asTrack;
            request.Preferences.StreamedIntermediate = streamed;
            m_run = std::make_unique<TConversionRun>(*m_host);
            if (RunToEnd(request) != TConversionRun::Outcome::Completed || m_run->MadeFiles().size() != 1)
                return {};
            return m_run->MadeFiles().first();
        };
        QVERIFY(QDir().mkpath(m_out->filePath(QStringLiteral("none"))));
        QVERIFY(QDir().mkpath(m_out->filePath(QStringLiteral("chosen"))));
        const QString none = convert(0, m_out->filePath(QStringLiteral("none/")));
        const QString chosen = convert(choice.subtitle, m_out->filePath(QStringLiteral("chosen/")));
        QVERIFY(!none.isEmpty() && !chosen.isEmpty());
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());

        // Grey pictures of a band at 2, 2.5 and 3 s of pictures: the subtitles' (the disc draws
        // them 110 lines above the bottom) and one above it.
        const int height = disc.startsWith(QStringLiteral("ntsc")) ? 480 : 576;
        auto band = [](const QString &file, int y) {
            QProcess p;
            p.start(QStringLiteral("ffmpeg"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file, QStringLiteral("-vf"),
                     QStringLiteral("select='eq(n\\,50)+eq(n\\,62)+eq(n\\,75)',crop=720:100:0:%1,format=gray").arg(y),
                     QStringLiteral("-vsync"), QStringLiteral("0"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                     QStringLiteral("-")});
            p.waitForFinished(60000);
            return p.readAllStandardOutput();
        };
        auto meanDifference = [](const QByteArray &a, const QByteArray &b) {
            if (a.size() != b.size() || a.isEmpty())
                return -1.0;
            double sum = 0;
            for (qsizetype i = 0; i < a.size(); ++i)
                sum += qAbs(int(quint8(a.at(i))) - int(quint8(b.at(i))));
            return sum / a.size();
        };
        const double subtitleBand = meanDifference(band(none, height - 136), band(chosen, height - 136));
        const double pictureBand = meanDifference(band(none, height / 3), band(chosen, height / 3));
        const QString bands = QStringLiteral("subtitle band %1, picture band %2").arg(subtitleBand).arg(pictureBand);
        QVERIFY2(pictureBand >= 0 && subtitleBand >= 0, qPrintable(bands));
        if (burnt)
            QVERIFY2(subtitleBand > 4 * pictureBand + 1, qPrintable(bands));
        else
            QVERIFY2(subtitleBand < 2 * pictureBand + 1, qPrintable(bands));

        // The subtitle track's events, against the first picture.
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                     QStringLiteral("packet=codec_type,pts_time"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                     chosen});
        QVERIFY(probe.waitForFinished(30000));
        double firstPicture = 1e9;
        QList<double> subtitles;
        for (const QString &line : QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QStringList f = line.split(QLatin1Char(','));
            if (f.size() < 2)
                continue;
            if (f.at(0) == u"video")
                firstPicture = qMin(firstPicture, f.at(1).toDouble());
            else if (f.at(0) == u"subtitle")
                subtitles << f.at(1).toDouble();
        }
        QCOMPARE(subtitles.size(), events.size());
        const double frame = height == 480 ? 1001.0 / 30000 : 0.04;
        for (int i = 0; i < events.size(); ++i)
            QVERIFY2(qAbs(subtitles.at(i) - firstPicture - events.at(i)) <= frame / 2,
                     qPrintable(QStringLiteral("subtitle %1 at %2 s after the first picture, not %3")
                                    .arg(i + 1)
                                    .arg(subtitles.at(i) - firstPicture)
                                    .arg(events.at(i))));
    }

    // A burnt-in subtitle shows on exactly the pictures its own track would show it on: from
    // the picture at its start to the last one before its end.
    void burntSubtitleOnItsPictures_data()
    {
        QTest::addColumn<QString>("disc");
        QTest::addColumn<int>("chapter");
        QTest::newRow("PAL") << QStringLiteral("pal-real") << 2;
        QTest::newRow("NTSC") << QStringLiteral("ntsc-real") << 3;
    }
    void burntSubtitleOnItsPictures()
    {
        QFETCH(QString, disc);
        QFETCH(int, chapter);
        QVERIFY(LinkTools(m_program->path()));
        auto convert = [&](int subtitle, bool asTrack, const QString &folder) -> QString {
            m_list.Clear();
            Open(disc);
            Choice c;
            c.chapter = chapter;
            c.subtitle = subtitle;
            Check(c);
            TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"),
                                                 {{QStringLiteral("Video Size"), QStringLiteral("Original Size")}});
            request.OutputDirText = m_out->filePath(folder) + QLatin1Char('/');
            request.Preferences.SubtitleTrack = asTrack;
            m_run = std::make_unique<TConversionRun>(*m_host);
            if (!QDir().mkpath(m_out->filePath(folder)) || RunToEnd(request) != TConversionRun::Outcome::Completed
                || m_run->MadeFiles().size() != 1)
                return {};
            return m_run->MadeFiles().first();
        };
        const QString none = convert(0, false, QStringLiteral("none")),
                      burnt = convert(1, false, QStringLiteral("burnt")),
                      track = convert(1, true, QStringLiteral("track"));
        QVERIFY(!none.isEmpty() && !burnt.isEmpty() && !track.isEmpty());

        // Where the track shows its subtitle, against its first picture.
        const QByteArray probed = ToolOutput(
            QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("s"),
             QStringLiteral("-show_entries"), QStringLiteral("subtitle=pts_time,start_display_time,end_display_time"),
             QStringLiteral("-of"), QStringLiteral("csv=p=0"), track});
        double from = -1, to = -1;
        for (const QByteArray &line : probed.split('\n')) {
            const QList<QByteArray> f = line.trimmed().split(',');
            if (f.size() >= 3 && from < 0) {
                from = f.at(0).toDouble() + f.at(1).toDouble() / 1000;
                to = f.at(0).toDouble() + f.at(2).toDouble() / 1000;
            }
        }
        QVERIFY2(from > 0 && to > from, probed.constData());
        from -= StreamStart(track, QStringLiteral("v:0"));
        to -= StreamStart(track, QStringLiteral("v:0"));

        // The pictures whose subtitle band differs from the same entry's without one.
        const int height = disc.startsWith(QStringLiteral("ntsc")) ? 480 : 576;
        auto band = [height](const QString &file) {
            return GreyPictures({QStringLiteral("-i"), file}, QStringLiteral("720:100:0:%1").arg(height - 136), 100000);
        };
        const QList<QByteArray> plain = band(none), shown = band(burnt);
        QCOMPARE(shown.size(), plain.size());
        const double frame = disc.startsWith(QStringLiteral("ntsc")) ? 1001.0 / 30000 : 1.0 / 25;
        // On a picture whose start the subtitle's time takes in (to a millisecond, as its times are kept).
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const bool differs = PsnrY(plain.at(i), shown.at(i)) < 35;
            const double t = double(i) * frame;
            const bool wanted = t >= from - 0.001 && t < to - 0.001;
            QVERIFY2(differs == wanted,
                     qPrintable(QStringLiteral("picture %1 (%2 s) %3 the subtitle shown %4 s to %5 s")
                                    .arg(i)
                                    .arg(t)
                                    .arg(differs ? QStringLiteral("shows") : QStringLiteral("lacks"))
                                    .arg(from)
                                    .arg(to)));
        }
    }
};

QTEST_GUILESS_MAIN(TestConvertSubtitles)
#include "TestConvertSubtitles.moc"
