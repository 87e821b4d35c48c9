#include "TVideoRetimer.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Frames a film frame's time is decided with: the cadence of soft pulldown repeats every four.
constexpr int Ahead = 4;
// Fields by which the disc's time may differ from the fields counted before it is a jump.
constexpr double JumpFields = 3.5;

// Whether the bytes hold the start of a frame's headers (a picture, group or sequence header).
bool HoldsHeader(const QByteArray &bytes, qsizetype from)
{
    for (qsizetype i = std::max<qsizetype>(0, from); i + 3 < bytes.size(); ++i) {
        if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1)
            continue;
        const quint8 code = quint8(bytes[i + 3]);
        if (code == 0x00 || code == 0xb3 || code == 0xb8)
            return true;
    }
    return false;
}

bool Repeats(const TVideoPicture &p)
{
    return p.IsFilmFrame() && p.RepeatFirstField;
}

} // namespace

TVideoRetimer::TVideoRetimer(double fieldTicks, double filmOrigin) : m_fieldTicks(fieldTicks), m_filmOrigin(filmOrigin)
{ }

void TVideoRetimer::Add(const char *data, qsizetype size, double pts)
{
    if (size <= 0)
        return;
    const qsizetype from = m_buffer.size() - 3;
    m_marks.append({m_buffer.size(), pts});
    m_buffer.append(data, size);
    // A frame is complete only once the headers of the next one arrive.
    if (HoldsHeader(m_buffer, from))
        Split(false);
}

void TVideoRetimer::BeginCell()
{
    m_cellAt = m_buffer.size();
}

void TVideoRetimer::Finish()
{
    Split(true);
    if (!m_open.Frames.empty())
        CloseGroup();
    Resolve(true);
    EmitReady();
}

QList<TVideoRetimer::Frame> TVideoRetimer::Take()
{
    QList<Frame> ready;
    ready.swap(m_ready);
    return ready;
}

void TVideoRetimer::Split(bool atEnd)
{
    qsizetype consumed = 0;
    const QList<TVideoPicture> pictures = SplitVideoPictures(m_buffer, atEnd, consumed, m_progressiveSequence);
    // The time of a packet belongs to the first picture that begins in it.
    int mark = 0;
    for (const TVideoPicture &picture : pictures) {
        while (mark + 1 < m_marks.size() && m_marks.at(mark + 1).first <= picture.PictureAt)
            ++mark;
        Coded coded;
        coded.Picture = picture;
        coded.Bytes = m_buffer.mid(picture.Begin, picture.End - picture.Begin);
        if (mark < m_marks.size() && m_marks.at(mark).first <= picture.PictureAt) {
            coded.DiscPts = m_marks.at(mark).second;
            m_marks[mark].second = -1;
        }
        if (picture.GroupStart && !m_open.Frames.empty())
            CloseGroup();
        if (picture.GroupStart && m_cellAt >= 0 && picture.Begin >= m_cellAt) {
            m_open.CellStart = true;
            m_cellAt = -1;
        }
        m_open.Frames.push_back(std::move(coded));
    }
    if (consumed > 0) {
        m_buffer.remove(0, consumed);
        if (m_cellAt >= 0)
            m_cellAt = std::max<qsizetype>(0, m_cellAt - consumed);
        // The packet the rest begins in keeps its time, moved to the front.
        QList<QPair<qsizetype, double>> kept;
        for (int i = 0; i < m_marks.size(); ++i) {
            const bool last = i + 1 == m_marks.size() || m_marks.at(i + 1).first > consumed;
            if (m_marks.at(i).first >= consumed)
                kept.append({m_marks.at(i).first - consumed, m_marks.at(i).second});
            else if (last)
                kept.append({0, m_marks.at(i).second});
        }
        m_marks = kept;
    }
    Resolve(false);
    EmitReady();
}

void TVideoRetimer::CloseGroup()
{
    m_closed.push_back(std::move(m_open));
    m_open = Group();
    std::deque<Coded> &frames = m_closed.back().Frames;
    std::vector<int> order(frames.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&frames](int a, int b) {
        return frames[size_t(a)].Picture.TemporalReference < frames[size_t(b)].Picture.TemporalReference;
    });
    std::vector<int> fieldsBefore(frames.size());
    int fields = 0;
    for (const int i : order) {
        fieldsBefore[size_t(i)] = fields;
        fields += frames[size_t(i)].Picture.Fields;
    }
    // The disc's own time where it gives one, else on from the group before.
    double anchor = m_nextNative >= 0 ? m_nextNative : 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].DiscPts >= 0) {
            anchor = frames[i].DiscPts - fieldsBefore[i] * m_fieldTicks;
            break;
        }
    }
    // The fields shown go on from the group before, as a player shows them, where the disc's
    // time says about the same (muxers round it by a field or two); where it jumps (a cell made
    // apart, a clock begun anew), its time counts and a film's cadence begins anew.
    const bool jump =
        m_closed.back().CellStart || m_nextNative < 0 || std::fabs(anchor - m_nextNative) > JumpFields * m_fieldTicks;
    if (!jump)
        anchor = m_nextNative;
    m_nextNative = anchor + fields * m_fieldTicks;
    bool first = jump;
    for (const int i : order) {
        m_shown.push_back({&frames[size_t(i)], anchor + fieldsBefore[size_t(i)] * m_fieldTicks, first});
        first = false;
    }
}

void TVideoRetimer::Resolve(bool atEnd)
{
    // A film frame's place on the film's even steps: which step it is from its run's first
    // frame, which lies on the steps counted from the title's start where it can.
    const double step = 2.5 * m_fieldTicks;
    while (!m_shown.empty() && (atEnd || int(m_shown.size()) > Ahead)) {
        Shown &shown = m_shown.front();
        const TVideoPicture &picture = shown.Frame->Picture;
        const bool start = shown.Break || m_behind.empty();
        const bool afterVideo = !start && !m_behind.back().Picture.IsFilmFrame();
        // Film: a frame that repeats a field, or a progressive frame between two such (two
        // frames at most on either side, or interlaced video or the stream's start on one).
        bool film = Repeats(picture);
        if (picture.IsFilmFrame() && !film) {
            bool before = false, after = false;
            for (size_t j = 1; j <= 2 && j < m_shown.size() && !m_shown[j].Break; ++j) {
                if (!m_shown[j].Frame->Picture.IsFilmFrame())
                    break;
                after = after || Repeats(m_shown[j].Frame->Picture);
            }
            for (auto b = m_behind.rbegin(); !start && b != m_behind.rend() && b - m_behind.rbegin() < 2; ++b) {
                if (!b->Picture.IsFilmFrame())
                    break;
                before = before || Repeats(b->Picture);
            }
            // Neither flag tells film's last frame from plain progressive video's first, nor its
            // first from the video's last: after the last repeat it is taken for film (cadences
            // end on a pair), before the first repeat for video (they begin on the repeat).
            film = before || (after && (start || afterVideo));
        }
        if (shown.Break || !film)
            m_runLength = 0;
        double time = shown.Native;
        if (film) {
            int index = 0;
            if (m_runLength > 0) {
                index = std::max<int>(m_lastIndex + 1, int(std::lround((shown.Native - m_runStart) / step)));
                if (std::fabs(shown.Native - (m_runStart + index * step)) > 0.5 * step)
                    m_runLength = 0;
            }
            if (m_runLength == 0) {
                index = 0;
                // On the film's steps counted from the title's start where the frame can lie on
                // them (a film begun with the title, or cut on its steps); else where it lies.
                const double onSteps = m_filmOrigin + step * std::round((shown.Native - m_filmOrigin) / step);
                m_runStart = std::fabs(onSteps - shown.Native) <= 0.75 * m_fieldTicks ? onSteps : shown.Native;
            }
            time = m_runStart + index * step;
            ++m_runLength;
            m_lastIndex = index;
            ++m_filmFrames;
        }
        // Display times only go forward, whatever a table or a damaged stream says.
        if (m_lastTime >= 0 && time <= m_lastTime)
            time = m_lastTime + 1;
        m_lastTime = time;
        shown.Frame->Time = time;
        shown.Frame->Resolved = true;
        m_behind.push_back({picture, film});
        if (m_behind.size() > 2)
            m_behind.pop_front();
        m_shown.pop_front();
    }
}

void TVideoRetimer::EmitReady()
{
    const double reorder = (m_progressiveSequence ? 6 : 3) * m_fieldTicks;
    while (!m_closed.empty()) {
        std::deque<Coded> &frames = m_closed.front().Frames;
        if (!std::all_of(frames.begin(), frames.end(), [](const Coded &c) { return c.Resolved; }))
            return;
        std::vector<double> times;
        for (const Coded &c : frames)
            times.push_back(c.Time);
        std::sort(times.begin(), times.end());
        for (size_t k = 0; k < frames.size(); ++k) {
            Frame out;
            out.Bytes = std::move(frames[k].Bytes);
            out.Pts = frames[k].Time;
            out.Fields = frames[k].Picture.Fields;
            out.Dts = std::min(out.Pts, times[k] - reorder);
            m_ready.append(std::move(out));
        }
        m_closed.pop_front();
    }
}
