#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Reads a span of a DVD title from the disc and writes it as an MPEG-2 program stream that
// holds the title's video and the chosen sound streams and nothing else, timed on the title's
// own clock: a cell's time as the title's table gives it, whichever part of the VOBs the cell
// lies in and in whatever order the cells play, so that a converter reading the stream meets
// one continuous clock. Every video frame carries its own times (film with soft pulldown at
// the film's even steps). The reading begins two VOBUs before the span, so that a span that
// begins on an open group of pictures has its references, and ends with the VOBU that holds
// the span's end: what lies outside the span is for the converter to cut, by time.
class TTitleSpanReader
{
public:
    struct Span
    {
        int TitleNumber = 1;
        // Seconds of the title as its table counts them (NTSC tables count 30 frames a second
        // where 29.97 play); rounded to the table's frames.
        double Start = 0;
        double End = 0;
        int Angle = 1;
        // The sound streams, numbered as the VOB's ids are (AC3 0x80 + n, DTS 0x88 + n, LPCM
        // 0xa0 + n, MPEG audio n); none for a span without sound.
        QList<int> AudioIds;
    };

    struct Result
    {
        QString Problem; // why the span could not be read; empty when it was
        bool Stopped = false;
        // Damage met on the way: sectors that could not be read or held no VOBU where one
        // belonged, and the title's time (real seconds) where the first lay.
        qint64 DamagedSectors = 0;
        double FirstDamage = -1;
        qint64 BytesWritten = 0;
        int VideoFrames = 0; // written, the reading's margins included
        int FilmFrames = 0; // of them, film frames given even steps
    };

    // The stream's clock runs ahead of the title's by this much, so that sound stored before
    // the title's first picture keeps a time of its own.
    static constexpr double ClockBase = 10.0;

    // Where a time of the span (table seconds) lies on the written stream's clock, in real
    // seconds: rounded to the table's frames as Write rounds the span's ends.
    static double StreamSeconds(double tableSeconds, bool ntsc);

    // Where the span's pictures end on the stream's clock, seconds: its end, or, where the span
    // runs to the end of a cell whose pictures end sooner than the table says (a table may
    // count the cell's sound), where they end.
    static double PictureEnd(const QString &location, const Span &span);

    // Writes the span through `sink` (false: stop, the reader went away), with the stream's
    // clock (seconds) at the last picture written so far; `stopped` is asked between reads.
    using Sink = std::function<bool(const QByteArray &bytes, double position)>;
    static Result Write(const QString &location, const Span &span, const Sink &sink,
                        const std::function<bool()> &stopped = {});
};
