#include "ProgramStreamPackets.h"

namespace {

constexpr qsizetype PackSize = 2048;

quint8 At(const char *p, qsizetype i)
{
    return quint8(p[i]);
}

bool StartCode(const char *p, qsizetype i)
{
    return At(p, i) == 0 && At(p, i + 1) == 0 && At(p, i + 2) == 1;
}

} // namespace

void ForEachPesPacket(const QByteArray &packs, const std::function<void(const TPesPacket &)> &visit)
{
    for (qsizetype at = 0; at + PackSize <= packs.size(); at += PackSize) {
        const char *s = packs.constData() + at;
        // An MPEG-2 pack header: 14 bytes and its stuffing.
        if (!StartCode(s, 0) || At(s, 3) != 0xba || (At(s, 4) & 0xc0) != 0x40)
            continue;
        qsizetype pos = 14 + (At(s, 13) & 0x07);
        while (pos + 6 <= PackSize && StartCode(s, pos)) {
            const quint8 id = At(s, pos + 3);
            const qsizetype end = pos + 6 + ((qsizetype(At(s, pos + 4)) << 8) | At(s, pos + 5));
            if (end > PackSize)
                break;
            const bool media = id == 0xe0 || id == 0xbd || (id >= 0xc0 && id <= 0xdf);
            if (id == 0xbf && pos + 6 < end) {
                // Private stream 2 has no header extension.
                TPesPacket packet;
                packet.StreamId = id;
                packet.Payload = s + pos + 6;
                packet.Size = end - pos - 6;
                packet.SubstreamId = At(s, pos + 6);
                packet.PackOffset = at;
                visit(packet);
            } else if (media && pos + 9 <= end) {
                const qsizetype payload = pos + 9 + At(s, pos + 8);
                if (payload <= end) {
                    TPesPacket packet;
                    packet.StreamId = id;
                    if ((At(s, pos + 7) & 0x80) && pos + 14 <= payload) {
                        const char *p = s + pos + 9;
                        packet.Pts = (qint64(At(p, 0) >> 1 & 0x07) << 30) | (qint64(At(p, 1)) << 22)
                                   | (qint64(At(p, 2) >> 1) << 15) | (qint64(At(p, 3)) << 7) | (At(p, 4) >> 1);
                    }
                    packet.Payload = s + payload;
                    packet.Size = end - payload;
                    packet.PackOffset = at;
                    if (id == 0xbd && packet.Size > 0)
                        packet.SubstreamId = At(s, payload);
                    visit(packet);
                }
            }
            pos = end;
        }
    }
}
