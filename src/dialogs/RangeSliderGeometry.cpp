#include "RangeSliderGeometry.h"

#include "core/RoundHalfEven.h"

#include <algorithm>
#include <limits>

namespace RangeSliderGeometry {

namespace {

int ClampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QPoint Rotate(QPoint p, int rotation)
{
    switch (((rotation % 4) + 4) % 4) {
    case 1:
        return {-p.y(), p.x()};
    case 2:
        return {-p.x(), -p.y()};
    case 3:
        return {p.y(), -p.x()};
    default:
        return p;
    }
}

} // namespace

TmkPointsArray ThumbShape(int style)
{
    switch (style) {
    case rsTriangle:
        return {{3, 3}, {{3, 0}, {3, 6}, {0, 3}}};
    case rsCorner:
        return {{6, 3}, {{0, 0}, {6, 0}, {6, 6}}};
    case rsArrow:
        return {{7, 4}, {{0, 3}, {3, 3}, {3, 0}, {7, 4}, {3, 8}, {3, 5}, {0, 5}}};
    case rsStandard:
    default:
        return {{3, 3}, {{0, 0}, {3, 0}, {3, 7}, {0, 4}}};
    }
}

TmkPointsArray TransformShape(const TmkPointsArray &shape, bool mirror, int rotation, int scale)
{
    TmkPointsArray out = shape;
    if (mirror) {
        out.Hot.setX(-out.Hot.x());
        for (QPoint &p : out.Points)
            p.setX(-p.x());
        std::reverse(out.Points.begin(), out.Points.end());
    }
    out.Hot = Rotate(out.Hot, rotation);
    for (QPoint &p : out.Points)
        p = Rotate(p, rotation);
    if (!out.Points.isEmpty()) {
        int minX = 0, minY = 0;
        for (const QPoint &p : out.Points) {
            minX = std::min(minX, p.x());
            minY = std::min(minY, p.y());
        }
        const QPoint shift(-minX, -minY);
        out.Hot += shift;
        for (QPoint &p : out.Points)
            p += shift;
    }
    out.Hot *= scale;
    for (QPoint &p : out.Points)
        p *= scale;
    return out;
}

ThumbPose PoseFor(TmkOrientation orientation, TmkTickStyle tickStyle)
{
    if (orientation == rsVertical)
        return tickStyle == rsTopLeft ? ThumbPose{1, false, true} : ThumbPose{3, true, false};
    return tickStyle == rsTopLeft ? ThumbPose{2, true, false} : ThumbPose{0, false, true};
}

TmkPointsArray ThumbPoints(TmkThumbStyle style, TmkOrientation orientation, TmkTickStyle tickStyle, bool maxThumb)
{
    const ThumbPose pose = PoseFor(orientation, tickStyle);
    return TransformShape(ThumbShape(style), maxThumb ? pose.MaxMirrored : pose.MinMirrored, pose.Rotation, ThumbScale);
}

QSize PictureSize(const TmkPointsArray &points)
{
    int maxX = 0, maxY = 0;
    for (const QPoint &p : points.Points) {
        maxX = std::max(maxX, p.x());
        maxY = std::max(maxY, p.y());
    }
    return {maxX + 1, maxY + 1};
}

int RulerLengthFor(TmkOrientation orientation, QSize control, QSize thumb)
{
    const int length =
        orientation == rsVertical ? control.height() - 2 * thumb.height() - 6 : control.width() - 2 * thumb.width() - 6;
    return std::max(length, 1);
}

int ControlLengthFor(int rulerLength, QSize thumb, TmkOrientation orientation)
{
    return 2 * (orientation == rsVertical ? thumb.height() : thumb.width()) + rulerLength + 6;
}

int HostRulerLength(int asked)
{
    return std::max(asked, 30);
}

QRect RulerRectFor(TmkOrientation orientation, int rulerLength, QSize thumb, QPoint hot)
{
    constexpr int half = RulerThickness / 2;
    if (orientation == rsVertical) {
        const int across = half < hot.x() ? hot.x() - half + 2 : 2;
        return QRect(across, thumb.height() + 3, RulerThickness, rulerLength);
    }
    const int across = half < hot.y() ? hot.y() - half + 2 : 2;
    return QRect(thumb.width() + 3, across, rulerLength, RulerThickness);
}

double ScaleFor(int rulerLength, int min, int max)
{
    return double(rulerLength) / (double(max) - double(min));
}

int PositionToPixel(qint64 value, int min, double scale)
{
    return ClampToInt(RoundHalfEven(double(value - min) * scale));
}

int PixelToPosition(qint64 pixel, int min, double scale)
{
    return ClampToInt(RoundHalfEven(double(pixel) / scale) + min);
}

QPoint ThumbTopLeft(TmkOrientation orientation, const QRect &rulerRect, int pixel, QPoint hot)
{
    constexpr int half = RulerThickness / 2;
    if (orientation == rsVertical)
        return {rulerRect.left() + half - hot.x(), rulerRect.top() + pixel - hot.y()};
    return {rulerRect.left() + pixel - hot.x(), rulerRect.top() + half - hot.y()};
}

qint64 AutoTickFrequency(int rulerLength, int min, int max)
{
    const qint64 range = qint64(max) - qint64(min);
    if (range <= 0 || rulerLength < 1)
        return 1;
    // rulerLength * F / range >= 5 (integer division) is rulerLength * F >= 5 * range; put
    // that way it cannot overflow for any 32-bit range.
    const qint64 need = (5 * range + rulerLength - 1) / rulerLength;
    static constexpr int steps[] = {1, 2, 5};
    for (qint64 decade = 1;; decade *= 10) {
        for (int step : steps) {
            if (step * decade >= need)
                return step * decade;
        }
    }
}

qint64 TickBase(qint64 frequency)
{
    if (frequency >= 100)
        return 1000;
    if (frequency >= 10)
        return 100;
    return 10;
}

QList<qint64> TickValues(int min, int max, qint64 frequency)
{
    QList<qint64> values;
    if (frequency < 1 || max <= min)
        return values;
    const qint64 range = qint64(max) - qint64(min);
    while (range / frequency + 2 > MaxTickCount)
        frequency *= 10;
    for (qint64 v = qint64(min) - qint64(min) % frequency; v < max; v += frequency)
        values << v;
    return values;
}

} // namespace RangeSliderGeometry
