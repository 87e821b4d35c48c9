#include "IfoFixture.h"

#include <QStringList>

namespace {

quint8 ToBcd(int value)
{
    return quint8(((value / 10) << 4) | (value % 10));
}

constexpr quint64 ChainHeaderSize = 236;
constexpr quint64 CellEntrySize = 24;

} // namespace

quint32 BcdTime(int hours, int minutes, int seconds, int frames, int rate)
{
    const quint8 rateBits = rate == 30 ? 0xc0 : 0x40;
    return quint32(ToBcd(hours)) << 24 | quint32(ToBcd(minutes)) << 16 | quint32(ToBcd(seconds)) << 8
         | quint32(rateBits | ToBcd(frames));
}

void Put8(QByteArray &data, quint64 pos, quint8 value)
{
    if (pos + 1 > quint64(data.size()))
        data.resize(qsizetype(pos + 1), '\0');
    data[qsizetype(pos)] = char(value);
}

void Put16(QByteArray &data, quint64 pos, quint16 value)
{
    Put8(data, pos, quint8(value >> 8));
    Put8(data, pos + 1, quint8(value));
}

void Put32(QByteArray &data, quint64 pos, quint32 value)
{
    Put16(data, pos, quint16(value >> 16));
    Put16(data, pos + 2, quint16(value));
}

QByteArray IfoFixture::Build()
{
    QByteArray data(2048, '\0');
    data.replace(0, 12, "DVDVIDEO-VTS");
    Put16(data, 512, video);
    Put16(data, 514, quint16(audioCount < 0 ? audio.size() : audioCount));
    for (int k = 0; k < audio.size(); ++k) {
        const quint64 at = 516 + 8 * quint64(k);
        Put16(data, at, audio[k].bits);
        Put8(data, at + 2, quint8(audio[k].code.at(0)));
        Put8(data, at + 3, quint8(audio[k].code.at(1)));
        Put8(data, at + 4, 0x77); // language extension: not read
        Put8(data, at + 5, audio[k].extension);
    }
    Put16(data, 596, quint16(subpictureWord < 0 ? subpictures.size() : subpictureWord));
    for (int k = 0; k < subpictures.size(); ++k) {
        const quint64 at = 598 + 6 * quint64(k);
        Put8(data, at, 0x01);
        Put8(data, at + 2, quint8(subpictures[k].at(0)));
        Put8(data, at + 3, quint8(subpictures[k].at(1)));
    }

    pgciAt = quint64(pgciSector) * 2048;
    Put32(data, 204, pgciSector);
    QList<int> entries = searchEntries;
    if (entries.isEmpty()) {
        for (int c = 0; c < chains.size(); ++c)
            entries.append(c);
    }
    Put16(data, pgciAt, quint16(entries.size()));
    data.resize(qMax(data.size(), qsizetype(pgciAt + 8 + 8 * quint64(entries.size()))), '\0');

    chainAt.clear();
    programMapAt.clear();
    cellTableAt.clear();
    quint64 next = pgciAt + 8 + 8 * quint64(entries.size());
    for (const ChainSpec &chain : chains) {
        next += chainGap;
        const quint64 base = next;
        const quint64 mapSize = quint64(chain.programMap.size() + 1) & ~quint64(1);
        const quint64 cellTable = base + ChainHeaderSize + mapSize;
        chainAt.append(base);
        programMapAt.append(base + ChainHeaderSize);
        cellTableAt.append(cellTable);

        Put8(data, base + 2, quint8(chain.programCount < 0 ? chain.programMap.size() : chain.programCount));
        Put8(data, base + 3, quint8(chain.cellCount < 0 ? chain.cellTimes.size() : chain.cellCount));
        Put32(data, base + 4, chain.playbackTime);
        // Unread bits of the control entries are set, so only the top bit may count.
        for (int k = 0; k < 8; ++k)
            Put16(data, base + 12 + 2 * quint64(k), ((chain.audioMask >> k) & 1) ? 0x8700 : 0x7f00);
        for (int k = 0; k < 32; ++k)
            Put32(data, base + 28 + 4 * quint64(k), ((chain.subpictureMask >> k) & 1) ? 0x80010203 : 0x7f010203);
        Put16(data, base + 230, quint16(ChainHeaderSize));
        Put16(data, base + 232, quint16(cellTable - base));
        for (int j = 0; j < chain.programMap.size(); ++j)
            Put8(data, base + ChainHeaderSize + quint64(j), quint8(chain.programMap[j]));
        for (int c = 0; c < chain.cellTimes.size(); ++c) {
            const quint64 cell = cellTable + CellEntrySize * quint64(c);
            // The bytes around the time are a valid time too, so a reader off by a few
            // bytes gets a wrong sum instead of an error.
            for (quint64 b = 0; b < CellEntrySize; ++b)
                Put8(data, cell + b, 0x11);
            Put32(data, cell + 4, chain.cellTimes[c]);
            if (c < chain.cellCategories.size())
                Put8(data, cell, chain.cellCategories[c]);
        }
        next = cellTable + CellEntrySize * quint64(chain.cellTimes.size());
    }
    for (int i = 0; i < entries.size(); ++i) {
        Put8(data, pgciAt + 8 + 8 * quint64(i), quint8(0x81 + i));
        Put32(data, pgciAt + 12 + 8 * quint64(i), quint32(chainAt.value(entries[i]) - pgciAt));
    }
    Put32(data, pgciAt + 4, quint32(quint64(data.size()) - pgciAt - 1));
    return data;
}

namespace {

QString Chars(const QList<QChar> &chars)
{
    QString text;
    for (QChar c : chars)
        text.append(c);
    return text;
}

QString Numbers(const QList<quint8> &numbers)
{
    QStringList parts;
    for (quint8 n : numbers)
        parts.append(QString::number(n));
    return parts.join(QLatin1Char(','));
}

} // namespace

QString Dump(const TIFO &ifo)
{
    QStringList lines;
    const TVideoStream &v = ifo.Vobs.VideoStream;
    lines.append(QStringLiteral("video %1 %2 %3 %4").arg(v.CodingMode, v.Resolution, v.Standard, v.AspectRatio));
    lines.append(QStringLiteral("audio count %1").arg(ifo.Vobs.AudioStreamCount));
    for (const TAudioStream &a : ifo.Vobs.AudioStreams) {
        lines.append(QStringLiteral("  audio type %1 [%2] %3 %4 %5ch %6")
                         .arg(a.LanguageType)
                         .arg(a.LanguageCode, a.Language, a.CodingMode)
                         .arg(a.Channels)
                         .arg(a.CodeExtension));
    }
    lines.append(QStringLiteral("subpicture count %1: %2")
                     .arg(ifo.Vobs.SubpictureStreamCount)
                     .arg(ifo.Vobs.SubpictureLanguages.join(QLatin1Char('|'))));
    lines.append(
        QStringLiteral("chains %1 (%2 records)").arg(ifo.Pgci.ProgramChainCount).arg(ifo.Pgci.ProgramChains.size()));
    for (const TProgramChain &c : ifo.Pgci.ProgramChains) {
        lines.append(
            QStringLiteral("  chain programs %1 cells %2 time %3 map %4 audio %5 subpictures %6")
                .arg(c.ProgramCount)
                .arg(c.CellCount)
                .arg(c.PlaybackTime, Numbers(c.ProgramMap), Chars(c.AudioAvailable), Chars(c.SubpictureAvailable)));
        lines.append(QStringLiteral("    starts %1").arg(c.ChapterStarts.join(QLatin1Char(' '))));
        lines.append(QStringLiteral("    lengths %1").arg(c.ChapterDurations.join(QLatin1Char(' '))));
    }
    return lines.join(QLatin1Char('\n'));
}
