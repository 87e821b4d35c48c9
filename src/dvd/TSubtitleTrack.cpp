#include "TSubtitleTrack.h"

#include "core/LanguageCodes.h"

#include "DvdLibrary.h"
#include "ProgramStreamPackets.h"
#include "TitleStreams.h"
#include "core/RoundHalfEven.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr int PackSize = 2048;
constexpr int SectorsAtOnce = 512;
constexpr qint64 PtsWrap = qint64(1) << 33;
// A subtitle this much before the span's start still counts as its first (half a picture).
constexpr double StartSlack = 0.02;

quint8 ClampByte(double v)
{
    return quint8(std::clamp<qint64>(RoundHalfEven(v), 0, 255));
}

// The table's colours are Y, Cr, Cb; an index file's are RGB, counted full range as the
// subtitle players read them.
QString RgbText(quint32 yCrCb)
{
    const double y = (yCrCb >> 16) & 0xff, cr = ((yCrCb >> 8) & 0xff) - 128.0, cb = (yCrCb & 0xff) - 128.0;
    const quint32 rgb = quint32(ClampByte(y + 1.402 * cr)) << 16
                      | quint32(ClampByte(y - 0.344136 * cb - 0.714136 * cr)) << 8 | ClampByte(y + 1.772 * cb);
    return QStringLiteral("%1").arg(rgb, 6, 16, QLatin1Char('0'));
}

QString TimestampText(double seconds)
{
    const qint64 ms = std::max<qint64>(0, RoundHalfEven(seconds * 1000));
    return QStringLiteral("%1:%2:%3:%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// The language the title set gives the stream with this id, as ISO 639-2 (what MP4 and MKV
// files name a track's language by).
QString LanguageOf(const TProgramChain &chain, const TVTS_VOBS &vobs, int streamId)
{
    for (const TTitleSubtitle &s : TitleSubtitles(chain, vobs)) {
        if (s.Id == streamId)
            return FileLanguageCode(s.LanguageCode);
    }
    return QStringLiteral("und");
}

} // namespace

TSubtitleTrack TSubtitleTrack::Write(const QString &location, int titleNumber, int streamId, double start, double end,
                                     double clockScale, const QString &base, const std::function<bool()> &stopped)
{
    TSubtitleTrack track;
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    int set = -1;
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *chain = DvdLibrary::TitleChain(dvd, titleNumber - 1, set, vobs);
    if (!chain) {
        track.Problem = QStringLiteral("the title's table cannot be read");
        return track;
    }
    if (streamId < 0 || streamId > 31) {
        track.Problem = QStringLiteral("the title has no subtitle stream %1").arg(streamId);
        return track;
    }

    QByteArray sub;
    QString times;
    const int substream = 0x20 + streamId;
    bool keep = false; // the subtitle being gathered lies in the span
    qsizetype lastPack = -1; // a pack holding two of its packets is written once
    QString failure;
    for (const TCellSectors &cell : chain->CellSectors) {
        const double cellStart = cell.StartMs / 1000.0;
        if (cellStart + cell.LengthMs / 1000.0 <= start || cellStart >= end || cell.Last < cell.First)
            continue;
        // The cell's clock: the first presentation time of its first navigation pack is the
        // moment its table time begins.
        qint64 cellPts = -1;
        keep = false;
        for (quint32 sector = cell.First; sector <= cell.Last; sector += SectorsAtOnce) {
            if (stopped && stopped()) {
                failure = QStringLiteral("stopped");
                break;
            }
            const int count = int(std::min<quint32>(SectorsAtOnce, cell.Last - sector + 1));
            QByteArray bytes;
            if (!DvdLibrary::ReadTitleVideo(dvd, set, sector, count, bytes)) {
                failure = QStringLiteral("the title's video cannot be read at sector %1").arg(sector);
                break;
            }
            lastPack = -1;
            ForEachPesPacket(bytes, [&](const TPesPacket &p) {
                if (p.StreamId == 0xbf && p.SubstreamId == 0 && cellPts < 0 && p.Size >= 17)
                    cellPts = qFromBigEndian<quint32>(p.Payload + 13);
                if (p.StreamId != 0xbd || p.SubstreamId != substream)
                    return;
                if (p.Pts >= 0) {
                    // A subtitle begins.
                    keep = false;
                    if (cellPts < 0)
                        return;
                    qint64 ticks = p.Pts - cellPts;
                    if (ticks < -PtsWrap / 2)
                        ticks += PtsWrap;
                    const double inTitle = cellStart + ticks / 90000.0 / clockScale;
                    if (inTitle < start - StartSlack || inTitle >= end)
                        return;
                    keep = true;
                    times += QStringLiteral("timestamp: %1, filepos: %2\n")
                                 .arg(TimestampText((inTitle - start) * clockScale))
                                 .arg(sub.size(), 9, 16, QLatin1Char('0'));
                    ++track.Subtitles;
                }
                if (keep && p.PackOffset != lastPack) {
                    sub.append(bytes.constData() + p.PackOffset, PackSize);
                    lastPack = p.PackOffset;
                }
            });
            if (!failure.isEmpty())
                break;
        }
        if (!failure.isEmpty())
            break;
    }
    if (!failure.isEmpty()) {
        track.Problem = failure;
        return track;
    }

    QString idx = QStringLiteral("# VobSub index file, v7 (do not modify this line!)\n");
    const QString size = vobs->VideoStream.Resolution.isEmpty()
                           ? (IsNtsc(vobs->VideoStream) ? QStringLiteral("720x480") : QStringLiteral("720x576"))
                           : vobs->VideoStream.Resolution;
    idx += QStringLiteral("size: %1\norg: 0, 0\nscale: 100%, 100%\nalpha: 100%\nsmooth: OFF\nfadein/out: 0, 0\n")
               .arg(size);
    idx += QStringLiteral("align: OFF at LEFT TOP\ntime offset: 0\nforced subs: OFF\npalette: ");
    for (int k = 0; k < 16; ++k)
        idx += (k ? QStringLiteral(", ") : QString()) + RgbText(chain->Palette.value(k));
    idx += QStringLiteral("\ncustom colors: OFF, tridx: 0000, colors: 000000, 000000, 000000, 000000\n");
    idx += QStringLiteral("langidx: 0\nid: %1, index: %2\n").arg(LanguageOf(*chain, *vobs, streamId)).arg(streamId);
    idx += times;

    for (const auto &[suffix, bytes] :
         {std::pair{QStringLiteral(".sub"), sub}, {QStringLiteral(".idx"), idx.toUtf8()}}) {
        QSaveFile file(base + suffix);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            track.Problem = QStringLiteral("%1 cannot be written: %2").arg(base + suffix, file.errorString());
            return track;
        }
    }
    return track;
}
