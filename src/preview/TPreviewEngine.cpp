#include "TPreviewEngine.h"

#include "core/EQuarnelError.h"
#include "dvd/DvdSource.h"

#include <QFileInfo>
#include <QMetaObject>

#include <mpv/client.h>

#include <clocale>
#include <vector>

namespace {

// Subpicture packets of stream n carry the MPEG substream id 0x20 + n; mpv lists a
// DVD subtitle track with that id as its "src-id".
constexpr int kFirstSubpictureId = 0x20;

QString NodeString(const mpv_node &node)
{
    return node.format == MPV_FORMAT_STRING ? QString::fromUtf8(node.u.string) : QString();
}

const mpv_node *MapValue(const mpv_node &map, const char *key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (qstrcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

qint64 MapInt(const mpv_node &map, const char *key, qint64 def)
{
    const mpv_node *v = MapValue(map, key);
    if (v && v->format == MPV_FORMAT_INT64)
        return v->u.int64;
    return def;
}

bool MapFlag(const mpv_node &map, const char *key)
{
    const mpv_node *v = MapValue(map, key);
    return v && v->format == MPV_FORMAT_FLAG && v->u.flag;
}

// Calls f(track) for every entry of mpv's track-list.
template <typename F> void ForEachTrack(mpv_handle *mpv, F f)
{
    mpv_node list;
    if (mpv_get_property(mpv, "track-list", MPV_FORMAT_NODE, &list) < 0)
        return;
    if (list.format == MPV_FORMAT_NODE_ARRAY) {
        for (int i = 0; i < list.u.list->num; ++i)
            f(list.u.list->values[i]);
    }
    mpv_free_node_contents(&list);
}

} // namespace

TPreviewEngine::TPreviewEngine(QObject *parent) : QObject(parent)
{ }

TPreviewEngine::~TPreviewEngine()
{
    Clear();
}

QString TPreviewEngine::TitleUrl(int title)
{
    return QStringLiteral("dvd://%1").arg(title - 1);
}

bool TPreviewEngine::Activate()
{
    Clear();
    // mpv refuses to start unless numbers are written with a "." (main() sets this too).
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle *mpv = mpv_create();
    if (!mpv)
        return false;
    auto set = [mpv](const char *name, const QString &value) {
        mpv_set_option_string(mpv, name, value.toUtf8().constData());
    };
    if (!m_outputs.vo.isEmpty())
        set("vo", m_outputs.vo);
    if (!m_outputs.ao.isEmpty())
        set("ao", m_outputs.ao);
    set("idle", QStringLiteral("yes"));
    set("force-window", QStringLiteral("no"));
    set("keep-open", QStringLiteral("no"));
    // A DVD's MPEG-2 costs the processor next to nothing; a hardware decoder, and the
    // interop that hands its frames to OpenGL, would have mpv probe GPU devices and
    // drivers of its own, outside the program's GL context.
    set("hwdec", QStringLiteral("no"));
    set("gpu-hwdec-interop", QStringLiteral("no"));
    // Seeks land on the nearest navigation unit, as a DVD player's time search does. A
    // precise seek would wait for a time stamp that a disc with restarting time stamps
    // per cell never delivers.
    set("hr-seek", QStringLiteral("no"));
    // The pane is the program's, not mpv's: no keys, no on-screen controls, no scripts.
    set("input-default-bindings", QStringLiteral("no"));
    set("input-vo-keyboard", QStringLiteral("no"));
    set("input-cursor", QStringLiteral("no"));
    set("cursor-autohide", QStringLiteral("no"));
    set("osc", QStringLiteral("no"));
    set("load-scripts", QStringLiteral("no"));
    set("ytdl", QStringLiteral("no"));
    set("osd-level", QStringLiteral("0"));
    set("sub-auto", QStringLiteral("no"));
    set("audio-display", QStringLiteral("no"));
    if (mpv_initialize(mpv) < 0) {
        mpv_terminate_destroy(mpv);
        return false;
    }
    m_mpv = mpv;
    m_state = State::Stopped;
    m_title = 0;
    m_loaded = false;
    m_pendingSeek = -1;
    mpv_set_wakeup_callback(m_mpv, &TPreviewEngine::Wakeup, this);
    // Before any title loads: mpv's video output finds its render context when it opens.
    if (m_videoTarget)
        m_videoTarget->AttachCore(m_mpv);
    return true;
}

void TPreviewEngine::SetVideoTarget(VideoTarget *target)
{
    if (target == m_videoTarget)
        return;
    if (m_mpv && m_videoTarget)
        m_videoTarget->DetachCore();
    m_videoTarget = target;
}

void TPreviewEngine::Deactivate()
{
    Clear();
}

void TPreviewEngine::Clear()
{
    if (!m_mpv)
        return;
    mpv_handle *mpv = m_mpv;
    m_mpv = nullptr;
    // After this returns mpv no longer calls us; calls already posted find no core.
    mpv_set_wakeup_callback(mpv, nullptr, nullptr);
    if (m_videoTarget)
        m_videoTarget->DetachCore();
    mpv_terminate_destroy(mpv);
    m_state = State::None;
    m_title = 0;
    m_loaded = false;
    m_pendingSeek = -1;
}

void TPreviewEngine::Wakeup(void *context)
{
    QMetaObject::invokeMethod(static_cast<TPreviewEngine *>(context), "DrainEvents", Qt::QueuedConnection);
}

void TPreviewEngine::RenderDvdVideoVolume(const QString &ifoPath)
{
    m_device =
        DvdSource::IsImageName(ifoPath) ? QFileInfo(ifoPath).absoluteFilePath() : QFileInfo(ifoPath).absolutePath();
    if (m_mpv)
        mpv_set_property_string(m_mpv, "dvd-device", m_device.toUtf8().constData());
}

void TPreviewEngine::SetFlag(const char *name, bool value)
{
    int flag = value ? 1 : 0;
    mpv_set_property(m_mpv, name, MPV_FORMAT_FLAG, &flag);
}

void TPreviewEngine::Run()
{
    if (!m_mpv)
        return;
    SetFlag("pause", false);
    m_state = State::Running;
}

void TPreviewEngine::Pause()
{
    if (!m_mpv)
        return;
    SetFlag("pause", true);
    m_state = State::Paused;
}

void TPreviewEngine::Stop()
{
    if (!m_mpv)
        return;
    const char *cmd[] = {"stop", nullptr};
    mpv_command(m_mpv, cmd);
    m_state = State::Stopped;
    m_title = 0;
    m_loaded = false;
    m_pendingSeek = -1;
}

TPreviewEngine::State TPreviewEngine::GetState() const
{
    return m_mpv ? m_state : State::None;
}

void TPreviewEngine::RequireCore() const
{
    if (!m_mpv)
        throw EQuarnelError(QStringLiteral("The preview player is not ready."));
}

void TPreviewEngine::PlayTitle(int title)
{
    Load(title, QString());
}

void TPreviewEngine::PlayChapterInTitle(int title, int chapter)
{
    // mpv's "#n" start counts chapters from 1, as the DVD does.
    Load(title, QStringLiteral("#%1").arg(chapter));
}

void TPreviewEngine::Load(int title, const QString &start)
{
    RequireCore();
    const QByteArray url = TitleUrl(title).toUtf8();
    const QByteArray startText = start.toUtf8();

    // Named arguments: the position of "options" differs between mpv versions.
    std::vector<mpv_node> optionValues;
    std::vector<char *> optionKeys;
    if (!start.isEmpty()) {
        mpv_node v;
        v.format = MPV_FORMAT_STRING;
        v.u.string = const_cast<char *>(startText.constData());
        optionValues.push_back(v);
        optionKeys.push_back(const_cast<char *>("start"));
    }
    mpv_node_list options{int(optionValues.size()), optionValues.data(), optionKeys.data()};

    mpv_node values[4];
    char *keys[4] = {const_cast<char *>("name"), const_cast<char *>("url"), const_cast<char *>("flags"),
                     const_cast<char *>("options")};
    values[0].format = MPV_FORMAT_STRING;
    values[0].u.string = const_cast<char *>("loadfile");
    values[1].format = MPV_FORMAT_STRING;
    values[1].u.string = const_cast<char *>(url.constData());
    values[2].format = MPV_FORMAT_STRING;
    values[2].u.string = const_cast<char *>("replace");
    values[3].format = MPV_FORMAT_NODE_MAP;
    values[3].u.list = &options;
    mpv_node_list args{4, values, keys};
    mpv_node command;
    command.format = MPV_FORMAT_NODE_MAP;
    command.u.list = &args;

    m_loaded = false;
    m_pendingSeek = -1;
    m_title = title;
    if (mpv_command_node(m_mpv, &command, nullptr) < 0) {
        m_title = 0;
        throw EQuarnelError(QStringLiteral("The preview player cannot play title %1.").arg(title));
    }
}

bool TPreviewEngine::PlayAtTime(int hours, int minutes, int seconds, int frames)
{
    if (!m_mpv || m_title == 0)
        return false;
    // The program always passes 0 frames; count them at the PAL rate otherwise.
    const double target = hours * 3600.0 + minutes * 60.0 + seconds + frames / 25.0;
    if (!m_loaded) {
        m_pendingSeek = target;
        emit SeekRequested(target);
        return true;
    }
    const QByteArray text = QByteArray::number(target, 'f', 3);
    const char *cmd[] = {"seek", text.constData(), "absolute", nullptr};
    if (mpv_command(m_mpv, cmd) < 0)
        return false;
    emit SeekRequested(target);
    return true;
}

void TPreviewEngine::SetSubpictureState(bool on)
{
    m_subpictureOn = on;
    ApplySubpicture();
}

void TPreviewEngine::SelectSubpictureStream(int stream)
{
    m_subpictureStream = stream;
    ApplySubpicture();
}

void TPreviewEngine::ApplySubpicture()
{
    // Tracks exist only once the title is open; FILE_LOADED applies the choice then.
    if (!m_mpv || !m_loaded)
        return;
    qint64 id = -1;
    if (m_subpictureOn && m_subpictureStream >= 0) {
        ForEachTrack(m_mpv, [&](const mpv_node &track) {
            const mpv_node *type = MapValue(track, "type");
            if (type && NodeString(*type) == QLatin1String("sub")
                && MapInt(track, "src-id", -1) == kFirstSubpictureId + m_subpictureStream)
                id = MapInt(track, "id", -1);
        });
    }
    if (id >= 0) {
        int64_t sid = id;
        mpv_set_property(m_mpv, "sid", MPV_FORMAT_INT64, &sid);
    } else {
        mpv_set_property_string(m_mpv, "sid", "no");
    }
}

double TPreviewEngine::Position() const
{
    double t = -1;
    if (!m_mpv || mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &t) < 0)
        return -1;
    return t;
}

double TPreviewEngine::TitleLength() const
{
    double t = -1;
    if (!m_mpv || mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &t) < 0)
        return -1;
    return t;
}

int TPreviewEngine::ShownSubpictureStream() const
{
    int stream = -1;
    if (!m_mpv)
        return stream;
    ForEachTrack(m_mpv, [&](const mpv_node &track) {
        const mpv_node *type = MapValue(track, "type");
        if (type && NodeString(*type) == QLatin1String("sub") && MapFlag(track, "selected"))
            stream = int(MapInt(track, "src-id", -1)) - kFirstSubpictureId;
    });
    return stream;
}

void TPreviewEngine::DrainEvents()
{
    mpv_handle *const mpv = m_mpv;
    // A handler of our signals may clear the core: stop as soon as it is gone.
    while (mpv && m_mpv == mpv) {
        mpv_event *event = mpv_wait_event(mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        switch (event->event_id) {
        case MPV_EVENT_START_FILE:
            m_loaded = false;
            break;
        case MPV_EVENT_FILE_LOADED:
            m_loaded = true;
            ApplySubpicture();
            if (m_pendingSeek >= 0) {
                const double target = m_pendingSeek;
                m_pendingSeek = -1;
                const QByteArray text = QByteArray::number(target, 'f', 3);
                const char *cmd[] = {"seek", text.constData(), "absolute", nullptr};
                mpv_command(mpv, cmd);
            }
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            emit PlaybackStarted();
            break;
        case MPV_EVENT_END_FILE: {
            const auto *end = static_cast<const mpv_event_end_file *>(event->data);
            // A title replaced by the next load or by Stop ends with STOP: nothing to report.
            if (end->reason != MPV_END_FILE_REASON_EOF && end->reason != MPV_END_FILE_REASON_ERROR)
                break;
            m_loaded = false;
            m_title = 0;
            const bool error = end->reason == MPV_END_FILE_REASON_ERROR;
            emit PlaybackEnded(error, error ? QString::fromUtf8(mpv_error_string(end->error)) : QString());
            break;
        }
        default:
            break;
        }
    }
}
