#pragma once

#include <QString>
#include <QStringList>

#include "convert/commands/TPictureCrop.h"

struct TMencOutputSettings;

// Where the DVD's picture goes in the profile's frame, and the frame's shape.

// The display aspect the picture is scaled to: the profile's "4:3" or "16:9", otherwise the
// DVD's own (16:9 when the title says so, else 4:3), as four-decimal ratios.
double ScaleAspectRatio(const QString &outputAspect, const QString &titleAspect);

// Where the picture goes in the profile's frame: scaled to the frame's width at its display
// aspect (height rounded half to even) and, when that is taller than the frame, to the
// frame's height instead, so it always fits; the rest of the frame is bars.
// A DVD or Video CD frame (MPEG-1 or MPEG-2 at one of their sizes) has no square pixels: it is
// shown at 4:3 or 16:9 (the profile's aspect, else the title's), and the picture fills it
// unless its own aspect differs, when it is letterboxed or pillarboxed, in even lines.
struct TPictureFit
{
    int Width = 0, Height = 0; // the scaled picture
    int FrameWidth = 0, FrameHeight = 0; // the profile's frame
    QString DisplayAspect; // an anamorphic frame's, "4:3" or "16:9"; empty: square pixels
};
// The display aspect of the encoder's picture, as "W/H": the scaled picture's own shape
// (square pixels), else the title's (an anamorphic frame, or the DVD's size).
QString PictureAspect(const TMencOutputSettings &settings, const QString &titleAspect);

// Whether the profile makes DVD or Video CD video at one of their frame sizes.
bool IsAnamorphicFrame(const QString &videoCodec, int width, int height);
// False when the settings name no frame size (the picture keeps the DVD's size). A height
// alone (a size "x480") makes the frame the picture: that height, the width of the title's
// shape, square pixels. `crop`, where set, is the part of the disc's frame that is scaled,
// and its shape is the picture's.
bool FitPicture(const TMencOutputSettings &settings, const QString &titleAspect, TPictureFit &fit,
                const TPictureCrop &crop = TPictureCrop());

// Its pieces: the bars and the pixel shape as a filter, and "-aspect" and "-s" set to the frame.
QString FramePadFilter(const TPictureFit &fit);
void FitFrameOptions(QStringList &args, const TPictureFit &fit);
