#include "ProgramStreamWriter.h"

namespace {

constexpr qint64 ClockMask = (qint64(1) << 33) - 1;
// 10.08 Mbit/s in units of 50 bytes a second, the DVD's highest rate.
constexpr int MuxRate = 25200;

void AppendTime(QByteArray &out, int prefix, qint64 ticks)
{
    const qint64 t = ticks & ClockMask;
    out.append(char((prefix << 4) | ((t >> 29) & 0x0e) | 0x01));
    out.append(char((t >> 22) & 0xff));
    out.append(char(((t >> 14) & 0xfe) | 0x01));
    out.append(char((t >> 7) & 0xff));
    out.append(char(((t << 1) & 0xfe) | 0x01));
}

void AppendPackHeader(QByteArray &out, qint64 scr)
{
    const qint64 t = scr & ClockMask;
    const char header[] = {0, 0, 1, char(0xba)};
    out.append(header, 4);
    out.append(char(0x44 | ((t >> 27) & 0x38) | ((t >> 28) & 0x03)));
    out.append(char((t >> 20) & 0xff));
    out.append(char(((t >> 12) & 0xf8) | 0x04 | ((t >> 13) & 0x03)));
    out.append(char((t >> 5) & 0xff));
    out.append(char(((t << 3) & 0xf8) | 0x04)); // no clock extension
    out.append(char(0x01));
    out.append(char((MuxRate >> 14) & 0xff));
    out.append(char((MuxRate >> 6) & 0xff));
    out.append(char(((MuxRate << 2) & 0xfc) | 0x03));
    out.append(char(0xf8)); // no stuffing
}

} // namespace

void AppendPesPack(QByteArray &out, quint8 streamId, const char *payload, qsizetype size, qint64 pts, qint64 dts,
                   qint64 scr)
{
    AppendPackHeader(out, scr);
    const bool withPts = pts >= 0, withDts = withPts && dts >= 0 && dts != pts;
    const int headerData = withDts ? 10 : withPts ? 5 : 0;
    const qsizetype length = 3 + headerData + size;
    const char start[] = {0, 0, 1, char(streamId), char((length >> 8) & 0xff), char(length & 0xff)};
    out.append(start, 6);
    out.append(char(0x81)); // MPEG-2 PES, original
    out.append(char(withDts ? 0xc0 : withPts ? 0x80 : 0x00));
    out.append(char(headerData));
    if (withPts)
        AppendTime(out, withDts ? 3 : 2, pts);
    if (withDts)
        AppendTime(out, 1, dts);
    out.append(payload, size);
}

void AppendProgramEnd(QByteArray &out)
{
    const char end[] = {0, 0, 1, char(0xb9)};
    out.append(end, 4);
}
