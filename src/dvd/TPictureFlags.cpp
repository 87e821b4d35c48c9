#include "TPictureFlags.h"

#include "ProgramStreamPackets.h"

namespace {

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
    ForEachPesPacket(packs, [&video](const TPesPacket &packet) {
        if (packet.StreamId == 0xe0)
            video.append(packet.Payload, packet.Size);
    });
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
