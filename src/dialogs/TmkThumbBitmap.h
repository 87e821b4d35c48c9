#pragma once

#include "RangeSliderGeometry.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>

class QPainter;
class TmkRangeSlider;

// One thumb of the range slider: its picture, the pixel that sits on the thumb's position,
// and what it covered when it was last drawn, so that a move redraws only this thumb.
class TmkThumbBitmap
{
public:
    TmkRangeSlider *Slider = nullptr; // not owned; must be set before drawing
    QPixmap Picture; // transparent where the shape is not
    QPoint HotSpot;
    QPixmap Background; // the canvas pixels under BoundsRect
    QRect BoundsRect; // where it was last drawn; also its hit area
    bool NeedsFullDraw = true; // next draw must not put an old background back

    // Builds the picture from a transformed shape.
    void Build(const TmkPointsArray &shape, const QColor &face, const QColor &highlight, const QColor &shadow);

    // Puts the saved background back at the old place (unless a full draw is due), saves the
    // pixels under `where` and draws the picture there.
    void Draw(QPixmap &canvas, const QRect &where);

    // The raised picture: the polygon filled and outlined in the face colour, a highlight
    // edge on its top and left, a shadow edge on its bottom and right.
    static QImage MakePicture(const TmkPointsArray &shape, const QColor &face, const QColor &highlight,
                              const QColor &shadow);
};
