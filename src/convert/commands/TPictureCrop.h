#pragma once

#include <QString>

// The part of the disc's frame that holds the film: the frame less the black bars the disc
// itself carries (a 2.35:1 film in a 16:9 frame, a 16:9 one in a 4:3 frame).
struct TPictureCrop
{
    int FrameWidth = 0, FrameHeight = 0; // the disc's frame
    int X = 0, Y = 0, Width = 0, Height = 0; // the film in it

    // False when the whole frame is picture, or nothing was found: nothing to crop.
    bool IsSet() const;
    // The film's display aspect from the frame's (4:3 or 16:9 as a ratio).
    double DisplayAspect(double frameAspect) const;
    // FFmpeg's crop filter for it: "crop=720:436:0:70".
    QString Filter() const;

    // From the transcoder's output over samples of a title: the frame size of its first video
    // stream and the last figures of a cropdetect that was never reset, which hold the widest
    // picture seen, so nothing of the film is lost. Widened to whole pairs of pixels (the
    // chroma's); not set when the samples show no bars, or a picture too small to be a film
    // (dark samples only).
    static TPictureCrop FromCropdetect(const QString &toolOutput);
};
