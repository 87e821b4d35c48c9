#pragma once

#include <QByteArray>

// Packs of an MPEG-2 program stream as FFmpeg and players read them: a pack header and one
// PES packet each, with the times given in 90 kHz ticks.

// A PES packet of at most MaxPesPayload bytes; pts or dts negative: not written (a dts only
// with a pts). The pack's clock reference is `scr`.
constexpr qsizetype MaxPesPayload = 65000;
void AppendPesPack(QByteArray &out, quint8 streamId, const char *payload, qsizetype size, qint64 pts, qint64 dts,
                   qint64 scr);

// The end of a program stream.
void AppendProgramEnd(QByteArray &out);
