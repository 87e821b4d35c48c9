#include "TPictureFlags.h"

namespace {

constexpr int PackSize = 2048;
constexpr quint8 VideoStreamId = 0xe0;

quint8 At(const QByteArray &bytes, qsizetype i)
{
    return quint8(bytes.at(i));
}

bool StartCodeAt(const QByteArray &bytes, qsizetype i)
{
    return i + 3 < bytes.size() && At(bytes, i) == 0 && At(bytes, i + 1) == 0 && At(bytes, i + 2) == 1;
}

} // namespace

void TPictureFlags::AddPacks(const QByteArray &packs)
{
    QByteArray video;
    for (qsizetype pack = 0; pack + PackSize <= packs.size(); pack += PackSize) {
        const QByteArray sector = QByteArray::fromRawData(packs.constData() + pack, PackSize);
        // An MPEG-2 pack header: 14 bytes and its stuffing.
        if (!StartCodeAt(sector, 0) || At(sector, 3) != 0xba || (At(sector, 4) & 0xc0) != 0x40)
            continue;
        qsizetype pos = 14 + (At(sector, 13) & 0x07);
        while (pos + 6 <= PackSize && StartCodeAt(sector, pos)) {
            const quint8 id = At(sector, pos + 3);
            const qsizetype length = (qsizetype(At(sector, pos + 4)) << 8) | At(sector, pos + 5);
            const qsizetype end = pos + 6 + length;
            if (end > PackSize)
                break;
            if (id == VideoStreamId && pos + 9 <= end) {
                const qsizetype payload = pos + 9 + At(sector, pos + 8);
                if (payload <= end)
                    video.append(sector.constData() + payload, end - payload);
            }
            pos = end;
        }
    }
    AddVideo(video);
}

void TPictureFlags::AddVideo(const QByteArray &video)
{
    int fieldsPending = 0;
    for (qsizetype i = 0; i + 8 < video.size(); ++i) {
        if (!StartCodeAt(video, i) || At(video, i + 3) != 0xb5)
            continue;
        const int extension = At(video, i + 4) >> 4;
        if (extension == 1) {
            ++Sequences;
            if (At(video, i + 5) & 0x08)
                ++ProgressiveSequences;
        } else if (extension == 8) {
            const int structure = At(video, i + 6) & 0x03;
            const quint8 flags = At(video, i + 7);
            if (structure != 3) {
                ++FieldPictures;
                if (++fieldsPending < 2)
                    continue; // a frame's second field says what its first did
                fieldsPending = 0;
            }
            ++Frames;
            if (flags & 0x80)
                ++TopFieldFirst;
            if (flags & 0x02)
                ++RepeatFirstField;
            if (At(video, i + 8) & 0x80)
                ++ProgressiveFrames;
        }
        i += 3;
    }
}
