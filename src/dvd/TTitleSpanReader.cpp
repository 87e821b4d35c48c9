#include "TTitleSpanReader.h"

#include "DvdLibrary.h"
#include "ProgramStreamPackets.h"
#include "ProgramStreamWriter.h"
#include "TVideoRetimer.h"
#include "TitleStreams.h"
#include "core/RoundHalfEven.h"

#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

constexpr int SectorSize = 2048;
constexpr qint64 ClockMask = (qint64(1) << 33) - 1;
constexpr quint32 EndOfCell = 0x3fffffff;
// Sectors looked through at once for the next VOBU where damage hides the one expected.
constexpr int SearchSectors = 64;
constexpr int PrerollVobus = 2;

// The difference of two 33-bit clock values, across a wrap.
qint64 Ticks(qint64 later, qint64 earlier)
{
    qint64 d = (later - earlier) & ClockMask;
    if (d >= (qint64(1) << 32))
        d -= qint64(1) << 33;
    return d;
}

// A VOBU as its navigation pack describes it.
struct Vobu
{
    quint32 Sector = 0;
    quint32 LastOffset = 0; // its last sector, from its first
    qint64 StartPtm = 0; // 90 kHz, the VOB's clock
    qint64 EndPtm = 0;
    quint32 Next = EndOfCell; // the next VOBU of the cell, from this one
    quint32 Previous = EndOfCell;
    double TitleStart = 0; // where StartPtm lies on the title's clock, ticks
    double TitleEnd() const { return TitleStart + double(Ticks(EndPtm, StartPtm)); }
};

bool ParseNav(const QByteArray &sector, quint32 at, Vobu &vobu)
{
    bool pci = false, dsi = false;
    ForEachPesPacket(sector, [&](const TPesPacket &p) {
        if (p.StreamId != 0xbf)
            return;
        const char *d = p.Payload + 1;
        if (p.SubstreamId == 0 && p.Size >= 1 + 20) {
            vobu.StartPtm = qFromBigEndian<quint32>(d + 12);
            vobu.EndPtm = qFromBigEndian<quint32>(d + 16);
            pci = true;
        } else if (p.SubstreamId == 1 && p.Size >= 1 + 322) {
            vobu.LastOffset = qFromBigEndian<quint32>(d + 8);
            vobu.Next = qFromBigEndian<quint32>(d + 314) & 0x3fffffff;
            vobu.Previous = qFromBigEndian<quint32>(d + 318) & 0x3fffffff;
            dsi = true;
        }
    });
    vobu.Sector = at;
    // A VOBU shows something, and lies in the VOBs.
    return pci && dsi && Ticks(vobu.EndPtm, vobu.StartPtm) > 0 && vobu.LastOffset < (1u << 24);
}

// Cuts a sound packet's payload to begin with its first whole frame: private stream 1 (AC3, DTS,
// LPCM) says where that is (the first access unit pointer, counted from the byte after it);
// MPEG audio is searched for its frame sync. False when no frame begins in it.
bool StartAtFirstFrame(quint8 streamId, QByteArray &payload)
{
    if (streamId == 0xbd) {
        if (payload.size() < 4)
            return false;
        const int pointer = (quint8(payload.at(2)) << 8) | quint8(payload.at(3));
        const int header = (quint8(payload.at(0)) & 0xf8) == 0xa0 ? 7 : 4; // LPCM carries three more bytes
        const qsizetype first = 3 + pointer;
        if (pointer == 0 || first < header || first >= payload.size())
            return false;
        payload.remove(header, first - header);
        payload[2] = 0;
        payload[3] = char(header - 3);
        return true;
    }
    for (qsizetype i = 0; i + 1 < payload.size(); ++i) {
        if (quint8(payload.at(i)) == 0xff && (quint8(payload.at(i + 1)) & 0xe0) == 0xe0) {
            payload.remove(0, i);
            return true;
        }
    }
    return false;
}

class SpanWriter
{
public:
    SpanWriter(const DvdSource::TitleVideo &video, const TTitleSpanReader::Span &span, bool ntsc,
               const TTitleSpanReader::Sink &sink, const std::function<bool()> &stopped)
        : m_video(video)
        , m_span(span)
        , m_frameTicks(ntsc ? 3003 : 3600)
        , m_retimer(m_frameTicks / 2.0, TTitleSpanReader::ClockBase * 90000)
        , m_sink(sink)
        , m_stopped(stopped)
    { }

    TTitleSpanReader::Result Run(const QList<TCellSectors> &cells);

private:
    bool Stopped()
    {
        if (!m_result.Stopped && m_stopped && m_stopped())
            m_result.Stopped = true;
        return m_result.Stopped;
    }
    // The VOBU at `sector` of the cell, or, where damage hides it, the next one the cell holds.
    bool NavAt(quint32 sector, const TCellSectors &cell, Vobu &vobu);
    void Damage(qint64 sectors, double titleTicks);
    // The sector after the VOBU in the cell, or past the cell's end.
    static quint32 After(const Vobu &vobu, const TCellSectors &cell);
    // cellStart: the VOBU begins a cell; its time is the cell's own. adjoining: that cell lies
    // right after the one before in the VOBs, so its sound runs on.
    bool Emit(const Vobu &vobu, bool cellStart = false, bool adjoining = true);
    bool Flush(bool atEnd);
    // The span's last cell is `last`: where the next cell follows it in the VOB, its first VOBU
    // holds the sound of the span's last pictures (sound is stored behind its pictures).
    void SoundBehind(const QList<TCellSectors> &cells, int last);
    double Mapped(qint64 pts, const Vobu &vobu) const
    {
        return TTitleSpanReader::ClockBase * 90000 + vobu.TitleStart + double(Ticks(pts, vobu.StartPtm));
    }
    qint64 NextScr(double ticks)
    {
        m_scr = std::max<qint64>(m_scr, qint64(ticks) - 90000);
        return m_scr;
    }

    const DvdSource::TitleVideo &m_video;
    const TTitleSpanReader::Span &m_span;
    const double m_frameTicks;
    TVideoRetimer m_retimer;
    const TTitleSpanReader::Sink &m_sink;
    const std::function<bool()> &m_stopped;
    TTitleSpanReader::Result m_result;
    QByteArray m_out;
    qint64 m_scr = 0;
    double m_lastGood = 0; // the title's clock at the end of the last VOBU read
    double m_position = 0; // the stream's clock at the last picture written, seconds
    QSet<int> m_soundGoesOn; // sound streams whose frames run on from the last packet written
};

void SpanWriter::Damage(qint64 sectors, double titleTicks)
{
    if (sectors <= 0)
        return;
    if (m_result.DamagedSectors == 0)
        m_result.FirstDamage = titleTicks / 90000.0;
    m_result.DamagedSectors += sectors;
}

bool SpanWriter::NavAt(quint32 sector, const TCellSectors &cell, Vobu &vobu)
{
    QByteArray bytes;
    for (quint32 at = sector; at <= cell.Last;) {
        if (Stopped())
            return false;
        const int count = int(std::min<quint32>(SearchSectors, cell.Last - at + 1));
        if (!m_video.Read(at, count, bytes)) {
            Damage(count, m_lastGood);
            at += quint32(count);
            continue;
        }
        for (int i = 0; i < int(bytes.size() / SectorSize); ++i) {
            if (ParseNav(bytes.mid(qsizetype(i) * SectorSize, SectorSize), at + quint32(i), vobu)) {
                Damage(qint64(at) + i - sector, m_lastGood);
                return true;
            }
        }
        at += quint32(count);
    }
    Damage(qint64(cell.Last) + 1 - sector, m_lastGood);
    return false;
}

quint32 SpanWriter::After(const Vobu &vobu, const TCellSectors &cell)
{
    const quint32 end = vobu.Sector + vobu.LastOffset + 1;
    if (vobu.Next == EndOfCell)
        return std::max(end, cell.Last + 1);
    const quint32 next = vobu.Sector + vobu.Next;
    return next > vobu.Sector && next <= cell.Last ? next : end;
}

bool SpanWriter::Emit(const Vobu &vobu, bool cellStart, bool adjoining)
{
    if (Stopped())
        return false;
    QByteArray bytes;
    const int count = int(vobu.LastOffset) + 1;
    if (!m_video.Read(vobu.Sector, count, bytes)) {
        Damage(count, vobu.TitleStart);
        return true;
    }
    // Sectors that are no pack hold nothing of the VOBU.
    qint64 lost = count - bytes.size() / SectorSize;
    for (qsizetype at = 0; at + SectorSize <= bytes.size(); at += SectorSize) {
        const char *s = bytes.constData() + at;
        if (!(s[0] == 0 && s[1] == 0 && s[2] == 1 && quint8(s[3]) == 0xba))
            ++lost;
    }
    Damage(lost, vobu.TitleStart);
    if (cellStart) {
        m_retimer.BeginCell();
        if (!adjoining)
            m_soundGoesOn.clear();
    }
    ForEachPesPacket(bytes, [&](const TPesPacket &p) {
        if (p.StreamId == 0xe0) {
            m_retimer.Add(p.Payload, p.Size, p.Pts >= 0 ? Mapped(p.Pts, vobu) : -1.0);
            return;
        }
        const int id = p.StreamId == 0xbd                       ? p.SubstreamId
                     : p.StreamId >= 0xc0 && p.StreamId <= 0xc7 ? p.StreamId - 0xc0
                                                                : -1;
        if (id < 0 || !m_span.AudioIds.contains(id))
            return;
        const double pts = p.Pts >= 0 ? Mapped(p.Pts, vobu) : -1.0;
        QByteArray payload(p.Payload, p.Size);
        // Where a stream begins, or begins again after a jump, it begins with a whole frame: a
        // reader would give the packet's time to the piece of a frame before it.
        if (!m_soundGoesOn.contains(id)) {
            if (pts < 0 || !StartAtFirstFrame(p.StreamId, payload))
                return;
            m_soundGoesOn.insert(id);
        }
        AppendPesPack(m_out, p.StreamId, payload.constData(), payload.size(),
                      pts >= 0 ? qint64(RoundHalfEven(pts)) : -1, -1, NextScr(pts >= 0 ? pts : double(m_scr + 90000)));
    });
    m_lastGood = vobu.TitleEnd();
    return Flush(false);
}

bool SpanWriter::Flush(bool atEnd)
{
    if (atEnd)
        m_retimer.Finish();
    for (const TVideoRetimer::Frame &frame : m_retimer.Take()) {
        ++m_result.VideoFrames;
        m_position = std::max(m_position, frame.Pts / 90000.0);
        for (qsizetype at = 0; at < frame.Bytes.size(); at += MaxPesPayload) {
            const qsizetype size = std::min<qsizetype>(MaxPesPayload, frame.Bytes.size() - at);
            const bool first = at == 0;
            AppendPesPack(m_out, 0xe0, frame.Bytes.constData() + at, size,
                          first ? qint64(RoundHalfEven(frame.Pts)) : -1, first ? qint64(RoundHalfEven(frame.Dts)) : -1,
                          NextScr(frame.Dts));
        }
    }
    if (atEnd)
        AppendProgramEnd(m_out);
    if (m_out.isEmpty())
        return true;
    if (!m_sink(m_out, m_position)) {
        m_result.Stopped = true;
        return false;
    }
    m_result.BytesWritten += m_out.size();
    m_out.clear();
    return true;
}

void SpanWriter::SoundBehind(const QList<TCellSectors> &cells, int last)
{
    if (last + 1 >= cells.size() || cells.at(last).Last + 1 != cells.at(last + 1).First)
        return;
    const TCellSectors &next = cells.at(last + 1);
    QByteArray bytes;
    Vobu vobu;
    // Not searched for: damage beyond the span is not the span's.
    if (!m_video.Read(next.First, 1, bytes) || !ParseNav(bytes, next.First, vobu))
        return;
    vobu.TitleStart = double(next.StartFrames) * m_frameTicks;
    Emit(vobu, true, true);
}

TTitleSpanReader::Result SpanWriter::Run(const QList<TCellSectors> &cells)
{
    const int rate = cells.first().FrameRate;
    const qint64 startFrames = RoundHalfEven(m_span.Start * rate);
    const qint64 endFrames = RoundHalfEven(m_span.End * rate);
    const double startTicks = double(startFrames) * m_frameTicks, endTicks = double(endFrames) * m_frameTicks;
    int first = 0;
    while (first + 1 < cells.size() && cells.at(first).StartFrames + cells.at(first).LengthFrames <= startFrames)
        ++first;

    // The span's first cell, up to the VOBU that holds its start; the VOBUs passed on the way
    // are the reading's margin.
    const TCellSectors &cell = cells.at(first);
    const double cellStart = double(cell.StartFrames) * m_frameTicks;
    m_lastGood = cellStart;
    QList<Vobu> margin;
    Vobu vobu;
    if (!NavAt(cell.First, cell, vobu)) {
        if (!m_result.Stopped)
            m_result.Problem = QStringLiteral("the title's video holds nothing readable where the span begins");
        return m_result;
    }
    const qint64 cellPtm = vobu.StartPtm;
    bool found = false;
    while (true) {
        vobu.TitleStart = cellStart + double(Ticks(vobu.StartPtm, cellPtm));
        if (vobu.TitleEnd() > startTicks) {
            found = true;
            break;
        }
        margin.append(vobu);
        if (margin.size() > PrerollVobus)
            margin.removeFirst();
        const quint32 next = After(vobu, cell);
        if (next > cell.Last || !NavAt(next, cell, vobu))
            break;
    }
    if (!found) {
        if (!m_result.Stopped)
            m_result.Problem = QStringLiteral("the title's video ends before the span begins");
        return m_result;
    }
    // A span that begins with its cell takes its margin from the end of the cell before it.
    if (margin.isEmpty() && first > 0) {
        const TCellSectors &before = cells.at(first - 1);
        Vobu last;
        QByteArray bytes;
        if (m_video.Read(before.LastVobuStart, 1, bytes) && ParseNav(bytes, before.LastVobuStart, last)) {
            // Right before it in the VOB, it runs on the same clock; elsewhere its clock is
            // joined to the cell's where its pictures end.
            const bool adjoining = before.Last + 1 == cell.First && Ticks(cellPtm, last.StartPtm) > 0
                                && Ticks(cellPtm, last.StartPtm) < 90000 * 10;
            last.TitleStart = adjoining ? cellStart - double(Ticks(cellPtm, last.StartPtm))
                                        : cellStart - double(Ticks(last.EndPtm, last.StartPtm));
            Vobu previous;
            if (last.Previous != EndOfCell && last.Previous > 0 && last.Previous <= last.Sector - before.First
                && m_video.Read(last.Sector - last.Previous, 1, bytes)
                && ParseNav(bytes, last.Sector - last.Previous, previous)) {
                previous.TitleStart = last.TitleStart - double(Ticks(last.StartPtm, previous.StartPtm));
                margin.append(previous);
            }
            margin.append(last);
        }
    }
    for (const Vobu &m : std::as_const(margin)) {
        if (!Emit(m))
            return m_result;
    }

    // The span itself, cell after cell, each on its own place in the title.
    for (int c = first; c < cells.size(); ++c) {
        const TCellSectors &current = cells.at(c);
        if (c > first) {
            if (double(current.StartFrames) * m_frameTicks >= endTicks) {
                SoundBehind(cells, c - 1);
                break;
            }
            const double continues = double(current.StartFrames) * m_frameTicks;
            if (!NavAt(current.First, current, vobu)) {
                if (m_result.Stopped)
                    return m_result;
                continue;
            }
            const qint64 ptm = vobu.StartPtm;
            const quint32 firstSector = vobu.Sector;
            while (true) {
                vobu.TitleStart = continues + double(Ticks(vobu.StartPtm, ptm));
                if (vobu.TitleStart >= endTicks)
                    break;
                if (!Emit(vobu, vobu.Sector == firstSector, cells.at(c - 1).Last + 1 == current.First))
                    return m_result;
                const quint32 next = After(vobu, current);
                if (next > current.Last || !NavAt(next, current, vobu))
                    break;
            }
        } else {
            while (true) {
                if (vobu.TitleStart >= endTicks)
                    break;
                if (!Emit(vobu, vobu.Sector == cell.First, first > 0 && cells.at(first - 1).Last + 1 == cell.First))
                    return m_result;
                const quint32 next = After(vobu, current);
                if (next > current.Last || !NavAt(next, current, vobu))
                    break;
                vobu.TitleStart = cellStart + double(Ticks(vobu.StartPtm, cellPtm));
            }
        }
        if (m_result.Stopped)
            return m_result;
        if (m_lastGood >= endTicks) {
            SoundBehind(cells, c);
            break;
        }
    }
    if (m_result.Stopped)
        return m_result;
    Flush(true);
    m_result.FilmFrames = m_retimer.FilmFrames();
    return m_result;
}

} // namespace

double TTitleSpanReader::StreamSeconds(double tableSeconds, bool ntsc)
{
    const int rate = ntsc ? 30 : 25;
    const double frameTicks = ntsc ? 3003 : 3600;
    return ClockBase + double(RoundHalfEven(tableSeconds * rate)) * frameTicks / 90000.0;
}

namespace {

QList<TCellSectors> PlayedCells(const TProgramChain &chain, int angle)
{
    QList<TCellSectors> cells;
    for (const TCellSectors &cell : chain.CellSectors) {
        if ((cell.Angle == 0 || cell.Angle == angle) && cell.Last >= cell.First)
            cells.append(cell);
    }
    return cells;
}

} // namespace

double TTitleSpanReader::PictureEnd(const QString &location, const Span &span)
{
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    int set = -1;
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *chain = DvdLibrary::TitleChain(dvd, span.TitleNumber - 1, set, vobs);
    const bool ntsc = vobs && IsNtsc(vobs->VideoStream);
    const double end = StreamSeconds(span.End, ntsc);
    if (!chain)
        return end;
    const QList<TCellSectors> cells = PlayedCells(*chain, span.Angle);
    if (cells.isEmpty())
        return end;
    const qint64 endFrames = RoundHalfEven(span.End * cells.first().FrameRate);
    const double frameTicks = ntsc ? 3003 : 3600;
    // The last cell the span takes, when it takes it to its end (a chain's own time may run on
    // past its cells).
    for (int c = int(cells.size()) - 1; c >= 0; --c) {
        const TCellSectors &cell = cells.at(c);
        if (cell.StartFrames >= endFrames)
            continue;
        if (cell.StartFrames + cell.LengthFrames > endFrames)
            return end;
        // The pictures of the cell's last VOBU, timed as the reading times them.
        QString problem;
        const std::unique_ptr<DvdSource::TitleVideo> video = DvdLibrary::OpenTitleVideo(dvd, set, problem);
        QByteArray bytes;
        Vobu first, last;
        if (!video || !video->Read(cell.First, 1, bytes) || !ParseNav(bytes, cell.First, first)
            || !video->Read(cell.LastVobuStart, int(cell.Last - cell.LastVobuStart + 1), bytes)
            || !ParseNav(bytes.left(SectorSize), cell.LastVobuStart, last))
            return end;
        const double cellStart = double(cell.StartFrames) * frameTicks;
        TVideoRetimer retimer(frameTicks / 2);
        ForEachPesPacket(bytes, [&](const TPesPacket &p) {
            if (p.StreamId == 0xe0)
                retimer.Add(p.Payload, p.Size, p.Pts >= 0 ? cellStart + double(Ticks(p.Pts, first.StartPtm)) : -1.0);
        });
        retimer.Finish();
        double pictures = -1;
        for (const TVideoRetimer::Frame &frame : retimer.Take())
            pictures = std::max(pictures, frame.Pts + frame.Fields * frameTicks / 2);
        pictures = ClockBase + pictures / 90000.0;
        // Only a little sooner: anything else is a table or a clock not to be trusted.
        return pictures < end && pictures > end - 0.5 ? pictures : end;
    }
    return end;
}

TTitleSpanReader::Result TTitleSpanReader::Write(const QString &location, const Span &span, const Sink &sink,
                                                 const std::function<bool()> &stopped)
{
    Result result;
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    int set = -1;
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *chain = DvdLibrary::TitleChain(dvd, span.TitleNumber - 1, set, vobs);
    if (!chain) {
        result.Problem = QStringLiteral("the title's table cannot be read");
        return result;
    }
    const QList<TCellSectors> cells = PlayedCells(*chain, span.Angle);
    if (cells.isEmpty() || span.End <= span.Start) {
        result.Problem = QStringLiteral("the title has no video in the span");
        return result;
    }
    QString problem;
    const std::unique_ptr<DvdSource::TitleVideo> video = DvdLibrary::OpenTitleVideo(dvd, set, problem);
    if (!video) {
        result.Problem = problem;
        return result;
    }
    SpanWriter writer(*video, span, IsNtsc(vobs->VideoStream), sink, stopped);
    return writer.Run(cells);
}
