#pragma once

#include <QByteArray>

#include <functional>

// One packet of a DVD's program stream as ForEachPacket hands it out.
struct TPesPacket
{
    // 0xe0 video, 0xc0.. MPEG audio, 0xbd private stream 1, 0xbf private stream 2 (navigation)
    quint8 StreamId = 0;
    // Private streams: the first payload byte (0x80.. AC3, 0x20.. subpictures; 0 the
    // navigation pack's presentation part)
    int SubstreamId = -1;
    qint64 Pts = -1; // 90 kHz ticks; -1 when the packet carries none
    const char *Payload = nullptr;
    qsizetype Size = 0;
    qsizetype PackOffset = 0; // where its pack begins in the bytes walked
};

// Walks the PES packets of whole 2048-byte MPEG-2 packs (sectors of a VOB); a sector that is
// not such a pack, or a packet that runs past its pack, is passed over.
void ForEachPesPacket(const QByteArray &packs, const std::function<void(const TPesPacket &)> &visit);
