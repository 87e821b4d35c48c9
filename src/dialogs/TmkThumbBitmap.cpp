#include "TmkThumbBitmap.h"

#include "EmkRangeSlider.h"

#include <QPainter>
#include <QPolygon>

namespace {

QRect DeviceRect(const QRect &r, qreal dpr)
{
    return QRect(QPoint(qRound(r.left() * dpr), qRound(r.top() * dpr)),
                 QSize(qRound(r.width() * dpr), qRound(r.height() * dpr)));
}

} // namespace

void TmkThumbBitmap::Build(const TmkPointsArray &shape, const QColor &face, const QColor &highlight,
                           const QColor &shadow)
{
    Picture = QPixmap::fromImage(MakePicture(shape, face, highlight, shadow));
    HotSpot = shape.Hot;
    NeedsFullDraw = true;
}

void TmkThumbBitmap::Draw(QPixmap &canvas, const QRect &where)
{
    if (!Slider)
        throw EmkRangeSlider(QStringLiteral("Slider not assigned to bitmap"));
    const qreal dpr = canvas.devicePixelRatio();
    QPainter p(&canvas);
    if (!NeedsFullDraw && !Background.isNull())
        p.drawPixmap(BoundsRect.topLeft(), Background);
    NeedsFullDraw = false;
    Background = canvas.copy(DeviceRect(where, dpr));
    Background.setDevicePixelRatio(dpr);
    p.drawPixmap(where.topLeft(), Picture);
    BoundsRect = where;
}

QImage TmkThumbBitmap::MakePicture(const TmkPointsArray &shape, const QColor &face, const QColor &highlight,
                                   const QColor &shadow)
{
    const QSize size = RangeSliderGeometry::PictureSize(shape);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(face, 0));
        p.setBrush(face);
        p.drawPolygon(QPolygon(shape.Points));
    }
    // The shape's pixels decide the edges: a pixel whose neighbour above or to the left is
    // outside the shape is lit, one whose neighbour below or to the right is outside is in shade.
    auto inside = [&image](int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qAlpha(image.pixel(x, y)) != 0;
    };
    QImage result = image;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!inside(x, y))
                continue;
            if (!inside(x, y + 1) || !inside(x + 1, y))
                result.setPixelColor(x, y, shadow);
            else if (!inside(x, y - 1) || !inside(x - 1, y))
                result.setPixelColor(x, y, highlight);
        }
    }
    return result;
}
