#pragma once

#include "TPreviewEngine.h"

#include <QObject>
#include <QString>

class QComboBox;
class QLabel;
class QSlider;
class QToolButton;
class QWidget;
class TBusyHint;
class TPreviewClock;
class TTaskListModel;
class TTaskTreeView;

// The main window's controls the pane works with, named as the window names them.
struct TPreviewControls
{
    QWidget *window; // messages are its; closing it stops the preview
    QWidget *VideoWindow;
    QToolButton *sbtnPlay, *sbtnPause, *sbtnStop;
    QSlider *TrackBar;
    TTaskTreeView *ltvTask;
    TTaskListModel *TaskList;
    QComboBox *cmbSub;
    QLabel *labStart, *labEnd, *labPreviewPlayTime;
};

// The preview pane of the main window: plays the focused task entry (its full span,
// never the trimmed part) inside VideoWindow. Connects itself to the pane's buttons,
// the track bar and the task list's double click.
//
// The running time is a count of one-second ticks, not a position read back from the
// engine; moving the track bar seeks once the bar has rested a whole 200 ms period.
class TPreviewPane : public QObject
{
    Q_OBJECT
public:
    static constexpr int PreviewTickMs = 1000;
    static constexpr int DragDelayMs = 200;

    // Outputs by default: picture into an OpenGL widget covering VideoWindow (vo
    // "libmpv"), sound where mpv finds it; offscreen no picture and no sound. Where that
    // widget cannot draw, vo "libmpv" becomes "null".
    // hint: the busy hint shown while a title loads.
    TPreviewPane(const TPreviewControls &controls, TBusyHint *hint);
    TPreviewPane(const TPreviewControls &controls, TBusyHint *hint, const TPreviewEngine::Outputs &outputs);
    ~TPreviewPane() override;

    // What the Stop button does; also drops a Play still waiting for the hint panel.
    // The rest of the program calls it before a DVD is opened and before a conversion.
    void StopPreview();

    void sbtnPlayClick();
    // Pausing while a Play still loads makes the title start paused.
    void sbtnPauseClick();
    // Space: pauses or resumes what plays (or loads), else plays the focused entry.
    void PlayPause();
    void sbtnStopClick();
    void TrackBarChange();
    void tmrPreviewTimer();
    void tmrPreviewDragDelayTimer();

    TPreviewEngine *FilterGraph() const { return m_engine; }
    TPreviewClock *Clock() const { return m_clock; }
    bool PreviewTimerOn() const;
    bool DragDelayTimerOn() const;
    // A Play is waiting for the hint panel to open.
    bool IsLoading() const { return m_loading; }

    // State of the preview, in whole seconds.
    int PreviewElapsed = 0;
    int PreviewDuration = 0;
    int PreviewStartOffset = 0;
    // 0 idle; 1 the tick itself is moving the track bar; 3 a seek is pending.
    int SeekState = 0;
    // The bar has rested one whole delay period since its last change.
    bool DragQuiet = false;

    // Subtitle stream chosen by the last Play (-1: subtitles off).
    int PlayedSubpictureStream() const { return m_playedStream; }

    static QString FirstUseNotice();

protected:
    // Space on the picture or the track bar: PlayPause.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PlayRequest
    {
        bool isTitle = false;
        int title = 0;
        int chapter = 0;
        QString startText, endText;
        double start = 0;
        int subtitleItem = 0;
    };

    void Connect();
    // The focused entry's times in the labels while nothing plays.
    void ShowFocusedTimes();
    void ContinuePlay(quint64 generation, const PlayRequest &request);
    void EngineEnded(bool error, const QString &reason);
    void StartPlayback(const PlayRequest &request);
    // What the player is given: the open disc's VIDEO_TS.IFO, or its image.
    static QString PlayedFile();
    static TPreviewEngine::Outputs DefaultOutputs();

    TPreviewControls m_main;
    TBusyHint *m_hint;
    TPreviewEngine *m_engine;
    TPreviewClock *m_clock;
    QWidget *m_surface = nullptr; // the picture, covering VideoWindow
    int m_tickTimer = -1;
    int m_dragTimer = -1;
    bool m_loading = false;
    bool m_pauseWhenLoaded = false;
    quint64 m_playGeneration = 0;
    int m_playedStream = -1;
};
