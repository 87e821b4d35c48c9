#include "TestSupport.h"

#include "core/EQuarnelError.h"
#include "preview/TPreviewEngine.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>

// The engine over the real libmpv, without picture or sound, on generated discs.
namespace {

QString PreviewDvd()
{
    return qEnvironmentVariable("QUARNEL_PREVIEW_DVD") + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO");
}

QString TestDvd(const char *name)
{
    return TestDvdsDir() + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO");
}

// An engine ready for a title command, as the preview builds it.
void Start(TPreviewEngine &engine, const QString &ifo)
{
    engine.SetOutputs({QStringLiteral("null"), QStringLiteral("null")});
    QVERIFY(engine.Activate());
    engine.RenderDvdVideoVolume(ifo);
    engine.Run();
}

// Waits for the title to start and returns where it started.
double StartedAt(TPreviewEngine &engine, QSignalSpy &started)
{
    if (started.isEmpty() && !started.wait(15000))
        return -100;
    return engine.Position();
}

} // namespace

class TestPreviewEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY2(QFile::exists(PreviewDvd()), "make_preview_dvd must run first");
    }

    // mpv's dvd:// titles count from 0; the engine takes the DVD's numbers.
    void titleNumbering_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<double>("length");
        QTest::newRow("Title01, 12 s") << 1 << 12.0;
        QTest::newRow("Title02, 6 s") << 2 << 6.0;
    }
    void titleNumbering()
    {
        QFETCH(int, title);
        QFETCH(double, length);
        TPreviewEngine engine;
        Start(engine, PreviewDvd());
        QSignalSpy started(&engine, &TPreviewEngine::PlaybackStarted);
        engine.PlayTitle(title);
        QCOMPARE(engine.CurrentTitle(), title);
        QVERIFY(qAbs(StartedAt(engine, started)) < 0.3);
        QVERIFY2(qAbs(engine.TitleLength() - length) < 0.5, qPrintable(QString::number(engine.TitleLength())));
        QCOMPARE(TPreviewEngine::TitleUrl(title), QStringLiteral("dvd://%1").arg(title - 1));
    }

    void chapterStartsAtItsPlace_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<int>("chapter");
        QTest::addColumn<double>("start");
        QTest::newRow("title 1 chapter 1") << 1 << 1 << 0.0;
        QTest::newRow("title 1 chapter 2") << 1 << 2 << 4.0;
        QTest::newRow("title 1 chapter 3") << 1 << 3 << 8.0;
        QTest::newRow("title 2 chapter 2") << 2 << 2 << 3.0;
    }
    void chapterStartsAtItsPlace()
    {
        QFETCH(int, title);
        QFETCH(int, chapter);
        QFETCH(double, start);
        TPreviewEngine engine;
        Start(engine, PreviewDvd());
        QSignalSpy started(&engine, &TPreviewEngine::PlaybackStarted);
        engine.PlayChapterInTitle(title, chapter);
        const double at = StartedAt(engine, started);
        // Seeks land on navigation units, not on exact pictures: dvdauthor may put a
        // chapter a unit early, and mpv's time search lands up to a few units late.
        QVERIFY2(at > start - 0.45 && at < start + 0.8, qPrintable(QString::number(at)));
        QTRY_VERIFY_WITH_TIMEOUT(engine.Position() > at + 0.5, 5000); // and it plays on
    }

    void playAtTimeLandsThere_data()
    {
        QTest::addColumn<bool>("whileLoading");
        QTest::newRow("title playing") << false;
        QTest::newRow("title still loading") << true;
    }
    void playAtTimeLandsThere()
    {
        QFETCH(bool, whileLoading);
        TPreviewEngine engine;
        Start(engine, PreviewDvd());
        QSignalSpy started(&engine, &TPreviewEngine::PlaybackStarted);
        QSignalSpy seeks(&engine, &TPreviewEngine::SeekRequested);
        engine.PlayTitle(1);
        if (!whileLoading)
            QVERIFY(StartedAt(engine, started) > -1);
        QVERIFY(engine.PlayAtTime(0, 0, 9, 0));
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks.at(0).at(0).toDouble(), 9.0);
        QTRY_VERIFY_WITH_TIMEOUT(engine.Position() >= 8.7 && engine.Position() < 11, 10000);
    }

    // An image of the disc is played as the disc: the image itself is mpv's dvd-device.
    void playsAnImage()
    {
        QTemporaryDir dir;
        const QString iso = dir.filePath(QStringLiteral("preview.iso"));
        QVERIFY(MakeDvdImage(qEnvironmentVariable("QUARNEL_PREVIEW_DVD"), iso));
        TPreviewEngine engine;
        Start(engine, iso);
        QSignalSpy started(&engine, &TPreviewEngine::PlaybackStarted);
        engine.PlayTitle(2);
        QVERIFY(qAbs(StartedAt(engine, started)) < 0.3);
        QVERIFY2(qAbs(engine.TitleLength() - 6.0) < 0.5, qPrintable(QString::number(engine.TitleLength())));
    }

    void pauseHoldsThePosition()
    {
        TPreviewEngine engine;
        Start(engine, PreviewDvd());
        QSignalSpy started(&engine, &TPreviewEngine::PlaybackStarted);
        engine.PlayTitle(1);
        QVERIFY(StartedAt(engine, started) > -1);
        QTRY_VERIFY_WITH_TIMEOUT(engine.Position() > 0.5, 5000);
        engine.Pause();
        QCOMPARE(engine.GetState(), TPreviewEngine::State::Paused);
        QTest::qWait(200);
        const double held = engine.Position();
        QTest::qWait(600);
        QVERIFY(qAbs(engine.Position() - held) < 0.05);
        engine.Run();
        QCOMPARE(engine.GetState(), TPreviewEngine::State::Running);
        QTRY_VERIFY_WITH_TIMEOUT(engine.Position() > held + 0.3, 5000);
    }

    void statesAndCommandsWithoutACore()
    {
        TPreviewEngine engine;
        QCOMPARE(engine.GetState(), TPreviewEngine::State::None);
        QVERIFY(!engine.PlayAtTime(0, 0, 1, 0));
        QVERIFY_THROWS_EXCEPTION(EQuarnelError, engine.PlayTitle(1));
        QVERIFY_THROWS_EXCEPTION(EQuarnelError, engine.PlayChapterInTitle(1, 2));
        engine.Run(); // nothing to run: still no state
        QCOMPARE(engine.GetState(), TPreviewEngine::State::None);

        Start(engine, PreviewDvd());
        QCOMPARE(engine.GetState(), TPreviewEngine::State::Running);
        QVERIFY(!engine.PlayAtTime(0, 0, 1, 0)); // no title loaded yet
        engine.PlayTitle(1);
        engine.Stop();
        QCOMPARE(engine.GetState(), TPreviewEngine::State::Stopped);
        QVERIFY(!engine.PlayAtTime(0, 0, 1, 0));
        engine.Clear();
        QCOMPARE(engine.GetState(), TPreviewEngine::State::None);
        QVERIFY(!engine.IsActive());
        engine.Deactivate(); // after Clear: nothing left to release
    }

    // pal-twolang: Title01 carries subtitle streams 0 (en) and 1 (de); Title02 only
    // stream 1, its chain leaving stream 0 out.
    void subpictureStreams_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("stream");
        QTest::addColumn<int>("shown");
        QTest::newRow("Title01 stream 0") << 1 << true << 0 << 0;
        QTest::newRow("Title01 stream 1") << 1 << true << 1 << 1;
        QTest::newRow("Title02 stream 1") << 2 << true << 1 << 1;
        QTest::newRow("display off") << 1 << false << 1 << -1;
        QTest::newRow("a stream the disc lacks") << 1 << true << 5 << -1;
    }
    void subpictureStreams()
    {
        QFETCH(int, title);
        QFETCH(bool, on);
        QFETCH(int, stream);
        QFETCH(int, shown);
        TPreviewEngine engine;
        Start(engine, TestDvd("pal-twolang"));
        QSignalSpy started(&engine, &TPreviewEngine::PlaybackStarted);
        engine.PlayTitle(title);
        engine.SetSubpictureState(on);
        engine.SelectSubpictureStream(stream);
        QVERIFY(StartedAt(engine, started) > -1);
        QTRY_COMPARE_WITH_TIMEOUT(engine.ShownSubpictureStream(), shown, 5000);
        // Switching after the start works too.
        engine.SetSubpictureState(!on);
        if (on)
            QTRY_COMPARE_WITH_TIMEOUT(engine.ShownSubpictureStream(), -1, 5000);
    }

    void discThatCannotBePlayed()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("VIDEO_TS")));
        QFile ifo(dir.filePath(QStringLiteral("VIDEO_TS/VIDEO_TS.IFO")));
        QVERIFY(ifo.open(QIODevice::WriteOnly));
        ifo.write(QByteArray(4096, 'x'));
        ifo.close();
        TPreviewEngine engine;
        Start(engine, ifo.fileName());
        QSignalSpy ended(&engine, &TPreviewEngine::PlaybackEnded);
        engine.PlayTitle(1);
        QVERIFY(ended.wait(15000));
        QCOMPARE(ended.at(0).at(0).toBool(), true);
        QVERIFY(!ended.at(0).at(1).toString().isEmpty());
        QVERIFY(!engine.IsLoaded());
    }
};

QTEST_GUILESS_MAIN(TestPreviewEngine)
#include "TestPreviewEngine.moc"
