#pragma once

#include <QString>

#include <functional>

// One subtitle of a DVD title kept as a track of its own: the subpicture packets of a span,
// as the disc stores them, in a VobSub pair (`base`.idx and `base`.sub) that FFmpeg reads
// as a bitmap subtitle stream. Each subtitle is timed from the disc's own clock: the
// navigation pack that opens its cell against the cell's place in the title's table, so it
// lands on the picture it belongs to whatever the encoder makes of the cells' joins.
struct TSubtitleTrack
{
    int Subtitles = 0; // written
    QString Problem; // why no pair could be written; empty when it was (even with no subtitle)

    // location: the DVD folder or image; titleNumber: 1-based; streamId: the subpicture id
    // the VOB's packets carry (0..31); start, end: the span, in seconds of the title as its
    // table counts them; clockScale: real seconds per table second. Times in the pair are
    // real seconds from the span's start; a subtitle that begins outside the span is left out.
    // `stopped` is asked between reads; true leaves the pair unwritten.
    static TSubtitleTrack Write(const QString &location, int titleNumber, int streamId, double start, double end,
                                double clockScale, const QString &base, const std::function<bool()> &stopped = {});
};
