#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// The range slider's arithmetic without a window: thumb shapes and their transforms, the
// ruler's place, the position <-> pixel mappings and the choice of tick marks.

enum TmkOrientation { rsHorizontal, rsVertical };
enum TmkTickStyle { rsBottomRight, rsTopLeft };
enum TmkThumbStyle { rsStandard, rsTriangle, rsCorner, rsArrow };

// A thumb shape: the point that sits on the thumb's position, and the polygon's corners.
struct TmkPointsArray
{
    QPoint Hot;
    QList<QPoint> Points;
};

namespace RangeSliderGeometry {

constexpr int RulerThickness = 11; // height of a horizontal ruler, width of a vertical one
constexpr int ThumbScale = 3; // the shape tables are in units of three pixels

// The shape table of a style, before any transform (unknown styles give the standard one).
TmkPointsArray ThumbShape(int style);

// Mirror (x := -x, corners reversed), rotate by quarter turns, shift negative minima to 0,
// then scale; the hot point goes through the same steps as the corners.
TmkPointsArray TransformShape(const TmkPointsArray &shape, bool mirror, int rotation, int scale);

// How the two thumbs are turned for an orientation and tick side.
struct ThumbPose
{
    int Rotation;
    bool MinMirrored;
    bool MaxMirrored;
};
ThumbPose PoseFor(TmkOrientation orientation, TmkTickStyle tickStyle);

// The thumb ready to draw: its transformed shape; the picture is PictureSize() pixels.
TmkPointsArray ThumbPoints(TmkThumbStyle style, TmkOrientation orientation, TmkTickStyle tickStyle, bool maxThumb);
QSize PictureSize(const TmkPointsArray &points);

// The ruler length the control's own size leaves (2 thumbs, 3 pixels on either side); at
// least 1 so that the mappings stay finite on a control squeezed below its thumbs.
int RulerLengthFor(TmkOrientation orientation, QSize control, QSize thumb);
// The control length that fits a ruler asked for by the host (answers below 30 become 30).
int ControlLengthFor(int rulerLength, QSize thumb, TmkOrientation orientation);
int HostRulerLength(int asked);
// Where the ruler lies in the control; thumb and hot are those of the min thumb.
QRect RulerRectFor(TmkOrientation orientation, int rulerLength, QSize thumb, QPoint hot);
double ScaleFor(int rulerLength, int min, int max);

// P(v): pixel offset of a position from the ruler's start; V(p): position of a pixel offset.
// Both round half to even.
int PositionToPixel(qint64 value, int min, double scale);
int PixelToPosition(qint64 pixel, int min, double scale);

// Top-left corner of a thumb picture whose hot spot sits at `pixel` along the ruler, on the
// ruler's centre line.
QPoint ThumbTopLeft(TmkOrientation orientation, const QRect &rulerRect, int pixel, QPoint hot);

// The tick distance when the control chooses: the first of 1, 2, 5, 10, 20, 50, ... that puts
// ticks at least 5 pixels apart.
qint64 AutoTickFrequency(int rulerLength, int min, int max);
// Every this many units a tick is long instead of a dot.
qint64 TickBase(qint64 frequency);
// The values that get a tick: from Min - (Min mod F) while below Max, step F. A frequency so
// small that the ticks would run into the tens of thousands is coarsened tenfold until they
// do not (they would merge into a solid bar anyway, and a 32-bit range could take minutes).
QList<qint64> TickValues(int min, int max, qint64 frequency);
constexpr qint64 MaxTickCount = 65536;

} // namespace RangeSliderGeometry
