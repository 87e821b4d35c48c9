#pragma once

#include <QObject>
#include <QString>

struct mpv_handle;

// The preview's playback engine: libmpv playing a DVD folder through libdvdnav. It offers
// what the preview asks of a DVD player (a graph that is built, run, paused, stopped and
// cleared, and the title, chapter, time and subpicture commands) and maps the DVD's
// numbering onto mpv's: mpv's dvd:// titles count from 0, the DVD's from 1.
//
// Commands never wait for mpv. mpv's wakeup callback only posts a queued call to this
// object's thread, which then drains mpv's events.
class TPreviewEngine : public QObject
{
    Q_OBJECT
public:
    enum class State { None, Stopped, Paused, Running };

    // Where picture and sound go. An empty vo or ao lets mpv choose; vo "libmpv" draws
    // through the video target (mpv's render API) and nowhere else.
    struct Outputs
    {
        QString vo;
        QString ao;
    };

    // Draws the picture of the engine's cores through mpv's render API. Told of every core
    // right after it starts and just before it ends: a render context must not outlive
    // its core.
    class VideoTarget
    {
    public:
        virtual void AttachCore(mpv_handle *mpv) = 0;
        virtual void DetachCore() = 0;

    protected:
        ~VideoTarget() = default;
    };

    explicit TPreviewEngine(QObject *parent = nullptr);
    ~TPreviewEngine() override;

    void SetOutputs(const Outputs &outputs) { m_outputs = outputs; }
    const Outputs &GetOutputs() const { return m_outputs; }
    // The target of the next core's picture; a running core's target is detached at once.
    // nullptr: none.
    void SetVideoTarget(VideoTarget *target);

    // Builds a fresh mpv core; false when mpv cannot be started.
    bool Activate();
    // Releases the core, if Clear has not already.
    void Deactivate();
    bool IsActive() const { return m_mpv != nullptr; }
    // Stops playback and ends the core; afterwards no command reaches the DVD.
    void Clear();

    // ifoPath: the VIDEO_TS.IFO of the disc, whose folder becomes mpv's dvd-device, or a
    // DVD image, which becomes it itself.
    void RenderDvdVideoVolume(const QString &ifoPath);
    void Run();
    void Pause();
    void Stop();
    State GetState() const;

    // Throw EQuarnelError when there is no core to take the command.
    void PlayTitle(int title);
    void PlayChapterInTitle(int title, int chapter);
    // A jump within the current title; false when no title is loaded or mpv refuses.
    // Asked while the title still loads, it is done as soon as the title is open.
    bool PlayAtTime(int hours, int minutes, int seconds, int frames);

    // Subpicture display and the stream shown: the title set's stream number (0..31),
    // which is the DVD's subpicture stream id minus 0x20. Kept across loads of a core.
    void SetSubpictureState(bool on);
    void SelectSubpictureStream(int stream);

    // What mpv reports, for the program's own checks: the position in the title
    // (seconds, -1 when unknown), the title loaded (DVD numbering, 0 when none), the
    // subtitle stream shown (-1 when none) and whether the loaded title has started.
    double Position() const;
    double TitleLength() const;
    int CurrentTitle() const { return m_title; }
    int ShownSubpictureStream() const;
    bool IsLoaded() const { return m_loaded; }

    // mpv's numbering of a DVD title: dvd://0 is title 1.
    static QString TitleUrl(int title);

signals:
    // The loaded title started playing (also after a seek finished).
    void PlaybackStarted();
    // mpv let go of the title: the disc ran out (error false) or could not be played or
    // read (error true, with mpv's reason).
    void PlaybackEnded(bool error, const QString &reason);
    // Every PlayAtTime that reached a core, in seconds from the title's start.
    void SeekRequested(double seconds);

private slots:
    void DrainEvents();

private:
    static void Wakeup(void *context);
    void Load(int title, const QString &start);
    void ApplySubpicture();
    void RequireCore() const;
    void SetFlag(const char *name, bool value);

    mpv_handle *m_mpv = nullptr;
    Outputs m_outputs;
    VideoTarget *m_videoTarget = nullptr;
    QString m_device;
    State m_state = State::None;
    int m_title = 0;
    bool m_loaded = false;
    quint64 m_loadId = 0; // reply id of the loadfile of the title we wait for
    double m_pendingSeek = -1; // a jump asked while the title was loading
    bool m_subpictureOn = false;
    int m_subpictureStream = -1;
};
