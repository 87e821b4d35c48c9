#include "TestSupport.h"
#include "WindowTestBase.h"

#include "core/ProgramInfo.h"
#include "core/QuarnelApplication.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TQuarnelWindows.h"
#include "preview/TPreviewClock.h"
#include "preview/TPreviewPane.h"
#include "profiles/TIniFile.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QOpenGLWidget>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include <clocale>
#include <memory>

// The preview pane in the real main window (offscreen), playing generated discs with the
// real libmpv without picture or sound. The pane's two timers run on a manual clock,
// so a five-minute chapter takes no time; the engine plays in real time.
namespace {

QString PreviewDvd()
{
    return qEnvironmentVariable("QUARNEL_PREVIEW_DVD");
}

QString TestDvd(const char *name)
{
    return TestDvdsDir() + QLatin1Char('/') + QString::fromLatin1(name);
}

void CopyDvd(const QString &from, const QString &to)
{
    QDir().mkpath(to + QStringLiteral("/VIDEO_TS"));
    const QDir source(from + QStringLiteral("/VIDEO_TS"));
    for (const QString &name : source.entryList(QDir::Files))
        QVERIFY(QFile::copy(source.filePath(name), to + QStringLiteral("/VIDEO_TS/") + name));
}

// A chapter entry of our own under a title entry of our own (numbers of a real title).
QModelIndex AddEntry(TTaskListModel &list, int title, int chapter, const QString &start, const QString &end)
{
    TTaskNodeData t;
    t.IsTitle = true;
    t.Number = title;
    t.OrigStartText = QStringLiteral("00:00:00");
    t.OrigEndText = end;
    t.OrigEnd = 0;
    t.Subtitles = QStringList{QStringLiteral("None")};
    const QModelIndex titleIndex = list.AddTitleNode(t);
    TTaskNodeData c;
    c.Number = chapter;
    c.ChapterIndex = chapter - 1;
    c.OrigStartText = start;
    c.OrigEndText = end;
    c.OrigStart = TimeTextToSeconds(start);
    c.OrigEnd = TimeTextToSeconds(end);
    return list.AddChapterNode(titleIndex, c);
}

} // namespace

class TestPreviewPane : public WindowTestBase
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY2(QFile::exists(PreviewDvd() + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")),
                 "make_preview_dvd must run first");
    }

    void playWithoutAFocusedEntryDoesNothing()
    {
        m_folder->writeFile(QStringLiteral("Preferences.ini"), "");
        QTest::mouseClick(m_main->sbtnPlay, Qt::LeftButton);
        QTest::qWait(100);
        QVERIFY(m_boxes->Calls().isEmpty());
        QVERIFY(!m_main->PanHint->isVisible());
        QVERIFY(!m_pane->IsLoading());
        QCOMPARE(m_folder->readFile(QStringLiteral("Preferences.ini")), QByteArray());
    }

    void firstUseNoticeShowsOnce()
    {
        m_folder->writeFile(QStringLiteral("Preferences.ini"), "[Main]\nProfile=0\n");
        Open(PreviewDvd());
        Focus(0);
        Play();
        QCOMPARE(m_boxes->Calls().size(), 1);
        const MessageBox::Call call = m_boxes->Calls().first();
        QCOMPARE(call.icon, MessageBox::Icon::Information);
        QCOMPARE(call.caption, ProgramInfo::ProductName());
        QCOMPARE(call.text.split(QLatin1Char('\n')),
                 Strings({"This product is not desinged for playing DVD movies, so it",
                          "may not play some copyright (region) protected DVD properly.",
                          "Note: Ripping copyright protected DVD is illegal in come countries."}));
        QCOMPARE(TIniFile(m_folder->file(QStringLiteral("Preferences.ini")))
                     .ReadString(QStringLiteral("Main"), QStringLiteral("FirstUse"), QString()),
                 QStringLiteral("0"));
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);

        Play(); // a second Play, and a later run of the program, stay quiet
        m_windows.reset();
        m_pane = nullptr;
        OpenWindows();
        m_main->show();
        Open(PreviewDvd());
        Focus(0);
        Play();
        QCOMPARE(m_boxes->Calls().size(), 1);
    }

    void playStartsTheEntry_data()
    {
        QTest::addColumn<int>("title"); // 0-based rows of the list
        QTest::addColumn<int>("chapter"); // -1: the title itself
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<double>("position");
        QTest::newRow("Title01") << 0 << -1 << "00:00:00"
                                 << "00:00:12" << 0.0;
        QTest::newRow("Title01 Chapter02") << 0 << 1 << "00:00:04"
                                           << "00:00:08" << 4.0;
        QTest::newRow("Title01 Chapter03") << 0 << 2 << "00:00:08"
                                           << "00:00:12" << 8.0;
        QTest::newRow("Title02") << 1 << -1 << "00:00:00"
                                 << "00:00:06" << 0.0;
    }
    void playStartsTheEntry()
    {
        QFETCH(int, title);
        QFETCH(int, chapter);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(double, position);
        Open(PreviewDvd());
        Focus(title, chapter);
        m_main->TrackBar->setValue(30); // an earlier position: Play puts it back to 0
        // Where the title started, read when the engine reports the start.
        double at = -100;
        connect(m_pane->FilterGraph(), &TPreviewEngine::PlaybackStarted, this, [&] {
            if (at == -100)
                at = m_pane->FilterGraph()->Position();
        });
        Play();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        QCOMPARE(m_pane->FilterGraph()->CurrentTitle(), title + 1);
        QCOMPARE(m_main->labStart->text(), start);
        QCOMPARE(m_main->labEnd->text(), end);
        QCOMPARE(m_pane->PreviewStartOffset, int(TimeTextToSeconds(start)));
        QCOMPARE(m_pane->PreviewDuration, int(TimeTextToSeconds(end) - TimeTextToSeconds(start)));
        QCOMPARE(m_pane->PreviewElapsed, 0);
        QCOMPARE(m_main->TrackBar->value(), 0);
        QVERIFY(m_pane->PreviewTimerOn());
        QTRY_VERIFY_WITH_TIMEOUT(at != -100, 15000);
        disconnect(m_pane->FilterGraph(), &TPreviewEngine::PlaybackStarted, this, nullptr);
        QVERIFY2(at > position - 0.45 && at < position + 0.8, qPrintable(QString::number(at)));
        // Resetting the bar scheduled a seek to the entry's start; it lands there too.
        QSignalSpy seeks(m_pane->FilterGraph(), &TPreviewEngine::SeekRequested);
        m_pane->Clock()->Advance(400);
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks.at(0).at(0).toDouble(), position);
    }

    void doubleClickPlays()
    {
        Open(PreviewDvd());
        Focus(0, 1);
        emit m_main->ltvTask->EntryDoubleClicked(m_main->ltvTask->currentIndex());
        WaitPlayed();
        QCOMPARE(m_pane->FilterGraph()->CurrentTitle(), 1);
        QCOMPARE(m_main->labStart->text(), QStringLiteral("00:00:04"));
    }

    // A chapter from 00:20:00 to 00:25:00 (on a title of the disc, which is shorter: the
    // count is the pane's own).
    void ticksMoveTheTimeAndTheBar()
    {
        Open(PreviewDvd());
        m_main->ltvTask->setCurrentIndex(
            AddEntry(*m_main->TaskList, 1, 2, QStringLiteral("00:20:00"), QStringLiteral("00:25:00")));
        Play();
        QCOMPARE(m_main->labStart->text(), QStringLiteral("00:20:00"));
        QCOMPARE(m_main->labEnd->text(), QStringLiteral("00:25:00"));
        QCOMPARE(m_pane->PreviewDuration, 300);
        QCOMPARE(m_pane->PreviewStartOffset, 1200);
        Tick(150);
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:22:30"));
        QCOMPARE(m_main->TrackBar->value(), 50);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        QSignalSpy seeks(m_pane->FilterGraph(), &TPreviewEngine::SeekRequested);
        Tick(149);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        Tick(1);
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:25:00"));
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
        QCOMPARE(m_main->TrackBar->value(), 0);
        // A stop made by the tick itself schedules no seek.
        QVERIFY(!m_pane->DragDelayTimerOn());
        m_pane->Clock()->Advance(1000);
        QVERIFY(seeks.isEmpty());
    }

    void dragSeeksOnceAfterTheBarRests()
    {
        Open(PreviewDvd());
        m_main->ltvTask->setCurrentIndex(
            AddEntry(*m_main->TaskList, 1, 2, QStringLiteral("00:20:00"), QStringLiteral("00:25:00")));
        Play();
        Tick(10);
        QSignalSpy seeks(m_pane->FilterGraph(), &TPreviewEngine::SeekRequested);

        m_main->TrackBar->setValue(80);
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:24:00"));
        QCOMPARE(m_pane->SeekState, 3);
        m_pane->Clock()->Advance(1000 - 1); // a tick due meanwhile neither counts nor moves the bar
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks.at(0).at(0).toDouble(), 1440.0); // 0 h 24 min 0 s
        QCOMPARE(m_pane->PreviewElapsed, 240);
        QCOMPARE(m_pane->SeekState, 0);
        QVERIFY(!m_pane->DragDelayTimerOn());
        Tick(1);
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:24:01"));

        // Two seconds of dragging: one seek, 200 to 400 ms after the last movement.
        seeks.clear();
        for (int i = 0; i < 40; ++i) {
            m_main->TrackBar->setValue(10 + i);
            m_pane->Clock()->Advance(50);
        }
        QVERIFY(seeks.isEmpty());
        m_pane->Clock()->Advance(150);
        QVERIFY(seeks.isEmpty()); // 200 ms after the last movement: not a whole period yet
        m_pane->Clock()->Advance(200);
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks.at(0).at(0).toDouble(), 1200.0 + 49 * 3);
    }

    void dragLandsTheEngineThere()
    {
        Open(PreviewDvd());
        Focus(0);
        QSignalSpy started(m_pane->FilterGraph(), &TPreviewEngine::PlaybackStarted);
        Play();
        QVERIFY(!started.isEmpty() || started.wait(15000));
        m_pane->Clock()->Advance(400); // the seek of Play's bar reset
        m_main->TrackBar->setValue(75); // 9 of 12 s
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:00:09"));
        m_pane->Clock()->Advance(400);
        QCOMPARE(m_pane->PreviewElapsed, 9);
        QTRY_VERIFY_WITH_TIMEOUT(m_pane->FilterGraph()->Position() >= 8.7 && m_pane->FilterGraph()->Position() < 11,
                                 10000);
    }

    void dragWithoutPlaybackOrWhilePaused()
    {
        Open(PreviewDvd());
        Focus(0);
        m_main->TrackBar->setValue(50); // no playback at all: the seek quietly does nothing
        m_pane->Clock()->Advance(400);
        QVERIFY(!m_pane->DragDelayTimerOn());
        QCOMPARE(m_pane->SeekState, 0);

        Play();
        m_pane->Clock()->Advance(400);
        m_main->sbtnPause->click();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Paused);
        m_main->TrackBar->setValue(50);
        m_pane->Clock()->Advance(2000);
        QCOMPARE(m_pane->PreviewElapsed, 6);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Paused);
        QVERIFY(!m_pane->PreviewTimerOn());
    }

    void pauseAndResume()
    {
        Open(PreviewDvd());
        Focus(0);
        Play();
        Tick(3);
        m_main->sbtnPause->click();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Paused);
        QVERIFY(!m_pane->PreviewTimerOn());
        m_pane->Clock()->Advance(5000);
        QCOMPARE(m_pane->PreviewElapsed, 3);
        m_main->sbtnPause->click();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        QVERIFY(m_pane->PreviewTimerOn());
        Tick(1);
        QCOMPARE(m_pane->PreviewElapsed, 4);
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:00:04"));
    }

    // A pause asked for while the title still loads is not lost: it starts paused. The
    // keyboard's Space on the picture does what the button does.
    void pauseRightAfterPlay_data()
    {
        QTest::addColumn<bool>("keys");
        QTest::newRow("buttons") << false;
        QTest::newRow("Space on the picture") << true;
    }
    void pauseRightAfterPlay()
    {
        QFETCH(bool, keys);
        Open(PreviewDvd());
        Focus(0);
        m_main->activateWindow();
        m_main->VideoWindow->setFocus();
        const auto press = [&](QToolButton *button) {
            if (keys)
                QTest::keyClick(m_main->VideoWindow, Qt::Key_Space);
            else
                button->click();
        };
        press(m_main->sbtnPlay);
        QVERIFY(m_pane->IsLoading());
        press(m_main->sbtnPause);
        WaitPlayed();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Paused);
        QVERIFY(!m_pane->PreviewTimerOn());
        Tick(3);
        QCOMPARE(m_pane->PreviewElapsed, 0);
        press(m_main->sbtnPause);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        Tick(2);
        QCOMPARE(m_pane->PreviewElapsed, 2);
    }

    // What plays is the focused entry: focusing another stops it; another cell of the same
    // entry does not.
    void anotherEntryStopsThePlayingOne()
    {
        Open(PreviewDvd());
        Focus(0);
        Play();
        Tick(2);
        m_main->ltvTask->setCurrentIndex(m_main->TaskList->index(0, 2));
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        Focus(1);
        QVERIFY(m_pane->FilterGraph()->GetState() != TPreviewEngine::State::Running);
        QVERIFY(!m_pane->PreviewTimerOn());
        const TTaskNodeData *second = m_main->TaskList->Entry(m_main->TaskList->index(1, 0));
        QCOMPARE(m_main->labEnd->text(), second->OrigEndText);
        QCOMPARE(m_main->labPreviewPlayTime->text(), second->OrigStartText);

        // A Play still loading goes too.
        m_pane->sbtnPlayClick();
        Focus(0);
        QVERIFY(!m_pane->IsLoading());
        QTest::qWait(200);
        QVERIFY(m_pane->FilterGraph()->GetState() != TPreviewEngine::State::Running);
    }

    void stopEndsPlayback()
    {
        Open(PreviewDvd());
        Focus(0);
        m_main->sbtnStop->click(); // nothing playing: nothing to do
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        Play();
        Tick(6);
        QCOMPARE(m_main->TrackBar->value(), 50);
        QSignalSpy seeks(m_pane->FilterGraph(), &TPreviewEngine::SeekRequested);
        m_main->sbtnStop->click();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
        QCOMPARE(m_main->TrackBar->value(), 0);
        m_pane->Clock()->Advance(400); // the seek the bar's reset scheduled finds no graph
        QVERIFY(seeks.isEmpty());
        m_main->sbtnPause->click(); // pausing a stopped preview does nothing
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
    }

    void closingTheWindowStopsThePreview()
    {
        Open(PreviewDvd());
        Focus(0);
        Play();
        m_main->close();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
    }

    // The program's picture output offscreen, where Qt cannot draw an OpenGL widget: no
    // widget, no picture, and the title plays all the same.
    void pictureOutputWithoutAScreen()
    {
        delete m_pane;
        m_pane = new TPreviewPane(m_main->PreviewControls(), m_main->BusyHint(),
                                  {QStringLiteral("libmpv"), QStringLiteral("null")});
        m_main->SetPreview(m_pane);
        QVERIFY(!m_main->findChild<QOpenGLWidget *>());
        QCOMPARE(m_pane->FilterGraph()->GetOutputs().vo, QStringLiteral("null"));
        Open(PreviewDvd());
        Focus(0);
        QSignalSpy started(m_pane->FilterGraph(), &TPreviewEngine::PlaybackStarted);
        Play();
        QVERIFY(!started.isEmpty() || started.wait(15000));
        m_main->sbtnStop->click();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    // The same rules on the real timers: one tick a second, the seek 200 to 400 ms after
    // the bar came to rest.
    void realTimersDriveThePreview()
    {
        m_pane->Clock()->SetManual(false);
        Open(PreviewDvd());
        Focus(0);
        Play();
        QTRY_COMPARE_WITH_TIMEOUT(m_pane->PreviewElapsed, 2, 3500);
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:00:02"));
        QSignalSpy seeks(m_pane->FilterGraph(), &TPreviewEngine::SeekRequested);
        QElapsedTimer rest;
        m_main->TrackBar->setValue(75);
        rest.start();
        QVERIFY(seeks.wait(2000));
        QVERIFY2(rest.elapsed() >= 190 && rest.elapsed() < 1000, qPrintable(QString::number(rest.elapsed())));
        QCOMPARE(seeks.at(0).at(0).toDouble(), 9.0);
        QTRY_VERIFY_WITH_TIMEOUT(m_pane->FilterGraph()->Position() >= 8.7, 10000);
    }

    void stopPreviewDropsAPlayStillLoading()
    {
        Open(PreviewDvd());
        Focus(0);
        m_pane->sbtnPlayClick();
        QVERIFY(m_pane->IsLoading());
        m_pane->StopPreview();
        QTRY_VERIFY(!m_main->PanHint->isVisible());
        QTest::qWait(100);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
    }

    void zeroLengthEntryStopsAtTheFirstTick()
    {
        Open(PreviewDvd());
        m_main->ltvTask->setCurrentIndex(
            AddEntry(*m_main->TaskList, 1, 2, QStringLiteral("00:00:04"), QStringLiteral("00:00:04")));
        Play();
        QCOMPARE(m_pane->PreviewDuration, 0);
        QSignalSpy moved(m_main->TrackBar, &QSlider::valueChanged);
        Tick(1);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(moved.isEmpty());
        QCOMPARE(m_main->labPreviewPlayTime->text(), QStringLiteral("00:00:05"));
    }

    void shortTitleEndsAfterItsLength()
    {
        Open(TestDvd("many-titles")); // Title01: 2 s
        Focus(0);
        Play();
        QCOMPARE(m_pane->PreviewDuration, 2);
        Tick(1);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::Running);
        Tick(1);
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void missingIfoMessage()
    {
        QTemporaryDir dir;
        const QString disc = dir.filePath(QStringLiteral("disc"));
        CopyDvd(PreviewDvd(), disc);
        Open(disc);
        Focus(0);
        QVERIFY(QDir(disc).removeRecursively());
        Play();
        QCOMPARE(m_boxes->Calls().size(), 1);
        const MessageBox::Call call = m_boxes->Calls().first();
        QCOMPARE(call.text,
                 DvdInfo.DvdPath + QStringLiteral("VIDEO_TS.IFO can not be found. Please insert and open the DVD."));
        QCOMPARE(call.caption, QStringLiteral("VIDEO_TS.IFO not found"));
        QCOMPARE(call.icon, MessageBox::Icon::Information);
        QVERIFY(!m_main->PanHint->isVisible());
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
    }

    void folderRemovedDuringPlayback()
    {
        QTemporaryDir dir;
        const QString disc = dir.filePath(QStringLiteral("disc"));
        CopyDvd(PreviewDvd(), disc);
        Open(disc);
        Focus(0);
        QSignalSpy started(m_pane->FilterGraph(), &TPreviewEngine::PlaybackStarted);
        Play();
        QVERIFY(!started.isEmpty() || started.wait(15000));
        QVERIFY(QDir(disc).removeRecursively());
        // Whatever mpv makes of it (files still open play on), the window stays alive
        // and the preview either goes on or stops quietly.
        QTest::qWait(1500);
        Tick(3);
        QVERIFY(m_boxes->Calls().isEmpty() || m_pane->FilterGraph()->GetState() == TPreviewEngine::State::None);
        // Play again without Stop: it fails, and the clock of what played before stops too.
        m_boxes->Clear();
        Play();
        QCOMPARE(m_boxes->Calls().size(), 1);
        QCOMPARE(m_boxes->Calls().first().caption, QStringLiteral("VIDEO_TS.IFO not found"));
        QVERIFY(!m_pane->PreviewTimerOn());
        m_main->sbtnStop->click();
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
    }

    void discThatCannotBePlayed()
    {
        Open(PreviewDvd());
        Focus(0);
        // The list stays; the folder now holds something that is no DVD.
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("VIDEO_TS")));
        WriteGarbageIfo(dir.filePath(QStringLiteral("VIDEO_TS/VIDEO_TS.IFO")));
        DvdInfo.DvdPath = dir.filePath(QStringLiteral("VIDEO_TS/"));
        Play();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes->Calls().size(), 1, 15000);
        QVERIFY(m_boxes->Calls().first().text.startsWith(QStringLiteral("The preview cannot play this DVD title")));
        QCOMPARE(m_pane->FilterGraph()->GetState(), TPreviewEngine::State::None);
        QVERIFY(!m_pane->PreviewTimerOn());
        QCOMPARE(m_main->TrackBar->value(), 0);
    }

    // pal-twolang: Title01 lists None, English, German (streams 0, 1); Title02 lists None,
    // German, its German being stream 1.
    void subtitleChoiceReachesTheEngine_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("stream");
        QTest::newRow("Title01 None") << 0 << 0 << -1;
        QTest::newRow("Title01 English") << 0 << 1 << 0;
        QTest::newRow("Title01 German") << 0 << 2 << 1;
        QTest::newRow("Title02 German") << 1 << 1 << 1;
        QTest::newRow("Title03 has none") << 2 << 0 << -1;
    }
    void subtitleChoiceReachesTheEngine()
    {
        QFETCH(int, title);
        QFETCH(int, item);
        QFETCH(int, stream);
        Open(TestDvd("pal-twolang"));
        Focus(title);
        m_main->cmbSub->setCurrentIndex(item);
        QSignalSpy started(m_pane->FilterGraph(), &TPreviewEngine::PlaybackStarted);
        Play();
        QCOMPARE(m_pane->PlayedSubpictureStream(), stream);
        QVERIFY(!started.isEmpty() || started.wait(15000));
        QTRY_COMPARE_WITH_TIMEOUT(m_pane->FilterGraph()->ShownSubpictureStream(), stream, 5000);
    }

private:
    void SetUp() override
    {
        // Seen once already: only the test that is about the notice sees it.
        m_folder->writeFile(QStringLiteral("Preferences.ini"), "[Main]\nFirstUse=0\n");
        OpenWindows();
        m_pane->Clock()->SetManual(true);
        m_main->show();
    }
    void TearDown() override
    {
        delete m_pane;
        m_pane = nullptr;
    }

    // The program's windows with a pane that plays to nowhere in place of the program's
    // own, which plays with real output.
    void OpenWindows()
    {
        m_windows = std::make_unique<TQuarnelWindows>(m_folder->path());
        m_main = m_windows->MainForm();
        qDeleteAll(m_main->findChildren<TPreviewPane *>(Qt::FindDirectChildrenOnly));
        m_pane = new TPreviewPane(m_main->PreviewControls(), m_main->BusyHint(),
                                  {QStringLiteral("null"), QStringLiteral("null")});
        m_main->SetPreview(m_pane);
    }

    static void WriteGarbageIfo(const QString &path)
    {
        QFile ifo(path);
        QVERIFY(ifo.open(QIODevice::WriteOnly));
        ifo.write(QByteArray(4096, 'x'));
    }

    void Open(const QString &folder)
    {
        m_main->OpenDvdFolder(folder);
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->IsOpeningDvd(), 10000);
        QVERIFY(!m_main->TaskList->IsEmpty());
    }

    void Focus(int title, int chapter = -1)
    {
        const QModelIndex t = m_main->TaskList->index(title, 0);
        m_main->ltvTask->setCurrentIndex(chapter < 0 ? t : m_main->TaskList->index(chapter, 0, t));
        m_main->ltvTaskChange();
    }

    void WaitPlayed() { QTRY_VERIFY_WITH_TIMEOUT(!m_pane->IsLoading() && !m_main->PanHint->isVisible(), 10000); }

    void Play()
    {
        m_pane->sbtnPlayClick();
        WaitPlayed();
    }

    void Tick(int seconds) { m_pane->Clock()->Advance(seconds * 1000); }

    TMainForm *m_main = nullptr;
    TPreviewPane *m_pane = nullptr;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestPreviewPane test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPreviewPane.moc"
