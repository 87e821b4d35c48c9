#include "TPreviewPane.h"

#include "PreviewSubtitles.h"
#include "TPreviewClock.h"
#include "TPreviewVideo.h"
#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "core/MessageBox.h"
#include "core/PathText.h"
#include "core/ProgramInfo.h"
#include "core/RoundHalfEven.h"
#include "core/TBusyHint.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dvd/DvdLibrary.h"
#include "dvd/DvdSource.h"
#include "profiles/MainPreferences.h"
#include "profiles/TIniFile.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

namespace {

// Keeps the video surface covering VideoWindow when the pane is laid out anew.
class FollowSize : public QObject
{
public:
    FollowSize(QWidget *watched, QWidget *follower) : QObject(follower), m_follower(follower)
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            m_follower->setGeometry(static_cast<QWidget *>(watched)->rect());
        return false;
    }

private:
    QWidget *m_follower;
};

// Ends playback when the main window closes, while the picture's OpenGL context still exists.
class StopOnClose : public QObject
{
public:
    StopOnClose(QWidget *window, TPreviewPane *pane) : QObject(pane), m_pane(pane) { window->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            m_pane->StopPreview();
        return false;
    }

private:
    TPreviewPane *m_pane;
};

template <typename F> void Reported(QWidget *owner, F f)
{
    try {
        f();
    } catch (const EQuarnelError &e) {
        MessageBox::Error(owner, e.text(), ProgramInfo::ProductName());
    }
}

} // namespace

TPreviewPane::TPreviewPane(const TPreviewControls &controls, TBusyHint *hint)
    : TPreviewPane(controls, hint, DefaultOutputs())
{ }

TPreviewPane::TPreviewPane(const TPreviewControls &controls, TBusyHint *hint, const TPreviewEngine::Outputs &outputs)
    : QObject(controls.window)
    , m_main(controls)
    , m_hint(hint)
    , m_engine(new TPreviewEngine(this))
    , m_clock(new TPreviewClock(this))
{
    TPreviewEngine::Outputs used = outputs;
    if (used.vo == QLatin1String("libmpv") && !TPreviewVideo::IsSupported())
        used.vo = QStringLiteral("null");
    m_engine->SetOutputs(used);
    if (used.vo == QLatin1String("libmpv")) {
        QWidget *video = m_main.VideoWindow;
        m_surface = new TPreviewVideo(m_engine, video);
        m_surface->setObjectName(QStringLiteral("VideoSurface"));
        m_surface->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_surface->setGeometry(video->rect());
        new FollowSize(video, m_surface);
    }
    m_tickTimer = m_clock->AddTimer(PreviewTickMs, [this] { tmrPreviewTimer(); });
    m_dragTimer = m_clock->AddTimer(DragDelayMs, [this] { tmrPreviewDragDelayTimer(); });
    Connect();
    new StopOnClose(m_main.window, this);
}

TPreviewPane::~TPreviewPane()
{
    m_engine->Clear();
}

TPreviewEngine::Outputs TPreviewPane::DefaultOutputs()
{
    TPreviewEngine::Outputs outputs;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        outputs.vo = QStringLiteral("null");
        outputs.ao = QStringLiteral("null");
    } else {
        // Only into our own OpenGL widget (or nowhere, where it cannot draw): any other
        // video output of mpv's opens a window or a display connection of its own.
        outputs.vo = QStringLiteral("libmpv");
    }
    return outputs;
}

void TPreviewPane::Connect()
{
    connect(m_main.sbtnPlay, &QToolButton::clicked, this,
            [this] { Reported(m_main.window, [this] { sbtnPlayClick(); }); });
    connect(m_main.sbtnPause, &QToolButton::clicked, this, [this] { sbtnPauseClick(); });
    connect(m_main.sbtnStop, &QToolButton::clicked, this, [this] { sbtnStopClick(); });
    connect(m_main.TrackBar, &QSlider::valueChanged, this, [this] { TrackBarChange(); });
    connect(m_main.ltvTask, &TTaskTreeView::EntryDoubleClicked, this,
            [this] { Reported(m_main.window, [this] { sbtnPlayClick(); }); });
    connect(m_engine, &TPreviewEngine::PlaybackEnded, this, &TPreviewPane::EngineEnded);
    // Another entry: what played was the old one's, so it stops; the times shown are the
    // focused entry's until it plays.
    connect(m_main.ltvTask->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (current.siblingAtColumn(0) != previous.siblingAtColumn(0))
                    StopPreview();
                ShowFocusedTimes();
            });
    // Space on the picture or the track bar plays and pauses; on a button it presses it.
    m_main.VideoWindow->installEventFilter(this);
    m_main.TrackBar->installEventFilter(this);
    connect(m_main.TaskList, &QAbstractItemModel::modelReset, this, [this] { ShowFocusedTimes(); });
}

bool TPreviewPane::PreviewTimerOn() const
{
    return m_clock->IsActive(m_tickTimer);
}

bool TPreviewPane::DragDelayTimerOn() const
{
    return m_clock->IsActive(m_dragTimer);
}

QString TPreviewPane::FirstUseNotice()
{
    // The notice's own wording, kept as it has always been shown.
    return QStringLiteral("This product is not desinged for playing DVD movies, so it\n"
                          "may not play some copyright (region) protected DVD properly.\n"
                          "Note: Ripping copyright protected DVD is illegal in come countries.");
}

void TPreviewPane::sbtnPlayClick()
{
    const QModelIndex focused = m_main.ltvTask->currentIndex();
    const TTaskNodeData *entry = m_main.TaskList->Entry(focused);
    if (!entry)
        return;

    // A preferences file that cannot be written must not keep the preview from playing.
    if (MainPreferences::FirstUseNoticeDue()) {
        MessageBox::Information(m_main.window, FirstUseNotice(), ProgramInfo::ProductName());
        const QString failure = MainPreferences::FirstUseNoticeShown();
        if (!failure.isEmpty())
            MessageBox::Information(m_main.window, failure, ProgramInfo::ProductName());
    }

    // Taken now: the list may be refilled while the hint panel opens.
    PlayRequest request;
    request.isTitle = entry->IsTitle;
    request.title = entry->IsTitle ? entry->Number : m_main.TaskList->Entry(m_main.TaskList->TitleOf(focused))->Number;
    request.chapter = entry->IsTitle ? 0 : entry->Number;
    request.startText = entry->OrigStartText;
    request.endText = entry->OrigEndText;
    request.start = entry->OrigStart;
    request.subtitleItem = m_main.cmbSub->currentIndex();

    const quint64 generation = ++m_playGeneration;
    m_loading = true;
    m_pauseWhenLoaded = false;
    m_hint->Show(QStringLiteral("Loading.   Please wait...."),
                 [this, generation, request] { ContinuePlay(generation, request); });
}

QString TPreviewPane::PlayedFile()
{
    // An image is the disc itself.
    if (DvdSource::IsImageName(DvdInfo.DvdPath))
        return DvdInfo.DvdPath;
    return FileInFolder(DvdInfo.DvdPath, QStringLiteral("VIDEO_TS.IFO"));
}

void TPreviewPane::ContinuePlay(quint64 generation, const PlayRequest &request)
{
    if (generation != m_playGeneration) {
        // Stopped while the hint opened: the hint is still ours to close.
        m_hint->Hide();
        return;
    }
    m_loading = false;
    m_engine->Clear();
    m_engine->Deactivate();
    m_clock->Stop(m_tickTimer); // what played before has stopped, whether this Play starts or not

    const QString path = PlayedFile();
    if (!QFileInfo(path).isFile()) {
        MessageBox::Information(m_main.window,
                                path + QStringLiteral(" can not be found. Please insert and open the DVD."),
                                QStringLiteral("VIDEO_TS.IFO not found"));
        m_hint->Hide();
        return;
    }
    // The player reads the disc with libdvdread's own table readers, which a damaged .IFO
    // takes down with the whole program.
    const QString damage = DvdLibrary::PlaybackProblem(DvdInfo.DvdPath, request.title);
    if (!damage.isEmpty()) {
        MessageBox::Information(m_main.window, damage, ProgramInfo::ProductName());
        m_hint->Hide();
        return;
    }
    try {
        StartPlayback(request);
    } catch (const EQuarnelError &e) {
        m_clock->Stop(m_tickTimer);
        m_engine->Clear();
        m_hint->Hide();
        MessageBox::Error(m_main.window, e.text(), ProgramInfo::ProductName());
        return;
    }
    m_hint->Hide();
    SeekState = 0;
    if (m_pauseWhenLoaded)
        m_engine->Pause();
    else
        m_clock->Start(m_tickTimer);
    m_pauseWhenLoaded = false;

    // Item 0 "None" switches subtitles off; item k shows the k-th listed stream.
    const QList<int> listed = PreviewSubtitles::ListedStreams(DvdInfo.DvdPath, request.title);
    m_playedStream = PreviewSubtitles::StreamOfItem(listed, request.subtitleItem);
    m_engine->SetSubpictureState(m_playedStream >= 0);
    m_engine->SelectSubpictureStream(m_playedStream);
}

void TPreviewPane::StartPlayback(const PlayRequest &request)
{
    if (!m_engine->Activate())
        throw EQuarnelError(QStringLiteral("The preview player cannot be started."));
    m_engine->RenderDvdVideoVolume(PlayedFile());
    m_engine->Run();
    PreviewElapsed = 0;
    m_main.TrackBar->setValue(0);

    m_main.labStart->setText(request.startText);
    m_main.labEnd->setText(request.endText);
    PreviewStartOffset = int(RoundHalfEven(request.start));
    PreviewDuration = int(RoundHalfEven(TimeTextToSeconds(request.endText) - TimeTextToSeconds(request.startText)));

    if (request.isTitle)
        m_engine->PlayTitle(request.title);
    else
        m_engine->PlayChapterInTitle(request.title, request.chapter);
}

bool TPreviewPane::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_main.VideoWindow || watched == m_main.TrackBar) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && !key->isAutoRepeat()) {
            Reported(m_main.window, [this] { PlayPause(); });
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TPreviewPane::PlayPause()
{
    const TPreviewEngine::State state = m_engine->GetState();
    if (m_loading || state == TPreviewEngine::State::Running || state == TPreviewEngine::State::Paused)
        sbtnPauseClick();
    else
        sbtnPlayClick();
}

void TPreviewPane::sbtnPauseClick()
{
    if (m_loading) {
        // The title is still loading: it starts paused (a second press takes that back).
        m_pauseWhenLoaded = !m_pauseWhenLoaded;
        return;
    }
    switch (m_engine->GetState()) {
    case TPreviewEngine::State::Running:
        m_clock->Stop(m_tickTimer);
        m_engine->Pause();
        break;
    case TPreviewEngine::State::Paused:
        m_clock->Start(m_tickTimer);
        m_engine->Run();
        break;
    default:
        break;
    }
}

void TPreviewPane::sbtnStopClick()
{
    // The clock never outlives its playback, however the playback ended.
    m_clock->Stop(m_tickTimer);
    const TPreviewEngine::State state = m_engine->GetState();
    if (state != TPreviewEngine::State::Running && state != TPreviewEngine::State::Paused)
        return;
    m_engine->Stop();
    m_main.TrackBar->setValue(0);
    m_engine->Clear();
}

void TPreviewPane::ShowFocusedTimes()
{
    const TPreviewEngine::State state = m_engine->GetState();
    if (m_loading || state == TPreviewEngine::State::Running || state == TPreviewEngine::State::Paused)
        return;
    const TTaskNodeData *entry = m_main.TaskList->Entry(m_main.ltvTask->currentIndex());
    const QString zero = QStringLiteral("00:00:00");
    m_main.labStart->setText(entry ? entry->OrigStartText : zero);
    m_main.labEnd->setText(entry ? entry->OrigEndText : zero);
    m_main.labPreviewPlayTime->setText(entry ? entry->OrigStartText : zero);
}

void TPreviewPane::StopPreview()
{
    if (m_loading) {
        // The Play waiting for the hint panel will not start.
        ++m_playGeneration;
        m_loading = false;
        m_pauseWhenLoaded = false;
    }
    sbtnStopClick();
}

void TPreviewPane::EngineEnded(bool error, const QString &reason)
{
    sbtnStopClick();
    if (error)
        MessageBox::Information(m_main.window,
                                QStringLiteral("The preview cannot play this DVD title (%1).").arg(reason),
                                ProgramInfo::ProductName());
}

void TPreviewPane::tmrPreviewTimer()
{
    if (SeekState == 3)
        return;
    SeekState = 1;
    ++PreviewElapsed;
    m_main.labPreviewPlayTime->setText(SecondsToTimeText(TimeTextToSeconds(m_main.labStart->text()) + PreviewElapsed));
    if (PreviewDuration != 0)
        m_main.TrackBar->setValue(
            int(RoundHalfEven(double(PreviewElapsed) / PreviewDuration * m_main.TrackBar->maximum())));
    if (PreviewElapsed >= PreviewDuration)
        sbtnStopClick();
    SeekState = 0;
}

void TPreviewPane::TrackBarChange()
{
    if (SeekState == 1)
        return;
    const QSlider *bar = m_main.TrackBar;
    const qint64 product = qint64(bar->value()) * PreviewDuration;
    const qint64 t = RoundHalfEven(double(product) / bar->maximum()) + PreviewStartOffset;
    m_main.labPreviewPlayTime->setText(SecondsToTimeText(double(t)));
    DragQuiet = false;
    m_clock->Start(m_dragTimer);
    SeekState = 3;
}

void TPreviewPane::tmrPreviewDragDelayTimer()
{
    if (SeekState == 1)
        return;
    if (!DragQuiet) {
        DragQuiet = true;
        return;
    }
    DragQuiet = false;
    m_clock->Stop(m_dragTimer);
    SeekState = 3;
    const QSlider *bar = m_main.TrackBar;
    PreviewElapsed = int(RoundHalfEven(double(bar->value()) * PreviewDuration / bar->maximum()));
    const int t = PreviewElapsed + PreviewStartOffset;
    const int hours = t / 3600;
    const int minutes = (t - hours * 3600) / 60;
    const int seconds = t % 60;
    // A seek without a title to seek in simply does not happen.
    m_engine->PlayAtTime(hours, minutes, seconds, 0);
    SeekState = 0;
}
