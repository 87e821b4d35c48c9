#include "TmkRangeSlider.h"

#include "EmkRangeSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace G = RangeSliderGeometry;

namespace {

// One step past the 32-bit range stays at its end; the setters clamp the rest.
int ToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

TmkRangeSlider::TmkRangeSlider(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_minThumb.Slider = this;
    m_maxThumb.Slider = this;
    resize(200, 32);
    BuildThumbs();
    ComputeGeometry(true);
}

void TmkRangeSlider::SetMin(int value)
{
    if (value >= m_max)
        throw EmkRangeSlider(QStringLiteral("Min >= Max"));
    emit OnBeforeChange();
    m_min = value;
    RangeChanged();
    emit OnMinChange(value);
    if (m_notifyChange)
        emit OnChange();
}

void TmkRangeSlider::SetMax(int value)
{
    if (value <= m_min)
        throw EmkRangeSlider(QStringLiteral("Max <= Min"));
    emit OnBeforeChange();
    m_max = value;
    RangeChanged();
    emit OnMaxChange(value);
    if (m_notifyChange)
        emit OnChange();
}

void TmkRangeSlider::RangeChanged()
{
    m_minPosition = std::clamp(m_minPosition, m_min, m_max);
    m_maxPosition = std::clamp(m_maxPosition, m_min, m_max);
    ComputeGeometry(true);
    Invalidate();
}

void TmkRangeSlider::SetMinPosition(int value)
{
    if (value == m_minPosition)
        return;
    emit OnBeforeChange();
    m_minPosition = std::clamp(value, m_min, m_maxPosition);
    RedrawThumb(m_minThumb, m_maxThumb, MinThumbRect());
    emit OnMinPosChange(m_minPosition);
    if (m_notifyChange)
        emit OnChange();
}

void TmkRangeSlider::SetMaxPosition(int value)
{
    if (value == m_maxPosition)
        return;
    emit OnBeforeChange();
    m_maxPosition = std::clamp(value, m_minPosition, m_max);
    RedrawThumb(m_maxThumb, m_minThumb, MaxThumbRect());
    emit OnMaxPosChange(m_maxPosition);
    if (m_notifyChange)
        emit OnChange();
}

void TmkRangeSlider::SetFrequency(int value)
{
    if (value == m_frequency || value < 0)
        return;
    emit OnBeforeChange();
    m_frequency = value;
    Invalidate();
}

void TmkRangeSlider::SetOrientation(TmkOrientation value)
{
    if (value == m_orientation)
        return;
    emit OnBeforeChange();
    m_orientation = value;
    StyleChanged();
}

void TmkRangeSlider::SetTickStyle(TmkTickStyle value)
{
    if (value == m_tickStyle)
        return;
    emit OnBeforeChange();
    m_tickStyle = value;
    StyleChanged();
}

void TmkRangeSlider::SetThumbStyle(TmkThumbStyle value)
{
    if (value == m_thumbStyle)
        return;
    emit OnBeforeChange();
    m_thumbStyle = value;
    StyleChanged();
}

void TmkRangeSlider::SetOnGetRullerLength(TmkGetRullerLength handler)
{
    m_getRullerLength = std::move(handler);
}

void TmkRangeSlider::StyleChanged()
{
    BuildThumbs();
    ComputeGeometry(true);
    Invalidate();
}

void TmkRangeSlider::BuildThumbs()
{
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    m_minThumb.Build(G::ThumbPoints(m_thumbStyle, m_orientation, m_tickStyle, false), face, light, shadow);
    m_maxThumb.Build(G::ThumbPoints(m_thumbStyle, m_orientation, m_tickStyle, true), face, light, shadow);
    if (m_orientation == rsVertical)
        setMinimumSize(10, 50);
    else
        setMinimumSize(50, 10);
}

void TmkRangeSlider::ComputeGeometry(bool mayResize)
{
    const QSize thumb = m_minThumb.Picture.size();
    if (m_getRullerLength) {
        int asked = m_rulerLength;
        m_getRullerLength(this, asked);
        m_rulerLength = G::HostRulerLength(asked);
        const int length = G::ControlLengthFor(m_rulerLength, thumb, m_orientation);
        const int current = m_orientation == rsVertical ? height() : width();
        if (length != current) {
            const QSize wanted = m_orientation == rsVertical ? QSize(width(), length) : QSize(length, height());
            if (mayResize)
                resize(wanted);
            else // never from inside a paint
                QTimer::singleShot(0, this, [this, wanted] { resize(wanted); });
        }
    } else {
        m_rulerLength = G::RulerLengthFor(m_orientation, size(), thumb);
    }
    m_rulerRect = G::RulerRectFor(m_orientation, m_rulerLength, thumb, m_minThumb.HotSpot);
    m_scale = G::ScaleFor(m_rulerLength, m_min, m_max);
    m_geometrySize = size();
}

void TmkRangeSlider::SyncGeometry() const
{
    // A hidden control gets its resize event only when shown; its size is already new.
    if (m_geometrySize != size())
        const_cast<TmkRangeSlider *>(this)->ComputeGeometry(false);
}

int TmkRangeSlider::RulerLength() const
{
    SyncGeometry();
    return m_rulerLength;
}

QRect TmkRangeSlider::RulerRect() const
{
    SyncGeometry();
    return m_rulerRect;
}

double TmkRangeSlider::Scale() const
{
    SyncGeometry();
    return m_scale;
}

int TmkRangeSlider::P(qint64 value) const
{
    SyncGeometry();
    return G::PositionToPixel(value, m_min, m_scale);
}

int TmkRangeSlider::V(qint64 pixel) const
{
    SyncGeometry();
    return G::PixelToPosition(pixel, m_min, m_scale);
}

qint64 TmkRangeSlider::TickFrequency() const
{
    SyncGeometry();
    return m_frequency >= 1 ? m_frequency : G::AutoTickFrequency(m_rulerLength, m_min, m_max);
}

QRect TmkRangeSlider::ThumbRectAt(const TmkThumbBitmap &thumb, int pixel) const
{
    SyncGeometry();
    return QRect(G::ThumbTopLeft(m_orientation, m_rulerRect, pixel, thumb.HotSpot), thumb.Picture.size());
}

QRect TmkRangeSlider::MinThumbRect() const
{
    return ThumbRectAt(m_minThumb, P(m_minPosition) - 1);
}

QRect TmkRangeSlider::MaxThumbRect() const
{
    return ThumbRectAt(m_maxThumb, P(m_maxPosition));
}

void TmkRangeSlider::Invalidate()
{
    m_canvasValid = false;
    update();
}

void TmkRangeSlider::RedrawThumb(TmkThumbBitmap &thumb, TmkThumbBitmap &other, const QRect &where)
{
    // Only the moving thumb is redrawn, unless it runs into the other one: its saved
    // background would then hold part of the other thumb.
    const QRect old = thumb.BoundsRect;
    if (!m_canvasValid || m_canvas.size() != size() * devicePixelRatioF() || where.intersects(other.BoundsRect)
        || old.intersects(other.BoundsRect)) {
        Invalidate();
        return;
    }
    thumb.Draw(m_canvas, where);
    update(QRegion(old).united(where));
}

void TmkRangeSlider::paintEvent(QPaintEvent *)
{
    if (!m_canvasValid || m_canvas.size() != size() * devicePixelRatioF())
        PaintCanvas();
    QPainter p(this);
    p.drawPixmap(0, 0, m_canvas);
}

void TmkRangeSlider::PaintCanvas()
{
    const qreal dpr = devicePixelRatioF();
    m_canvas = QPixmap(size() * dpr);
    m_canvas.setDevicePixelRatio(dpr);
    m_canvas.fill(palette().color(backgroundRole()));
    ComputeGeometry(false);
    {
        QPainter p(&m_canvas);
        p.drawPixmap(m_rulerRect.topLeft(), RulerPicture());
    }
    m_minThumb.NeedsFullDraw = true;
    m_maxThumb.NeedsFullDraw = true;
    m_minThumb.Draw(m_canvas, MinThumbRect());
    m_maxThumb.Draw(m_canvas, MaxThumbRect());
    m_canvasValid = true;
}

QPixmap TmkRangeSlider::RulerPicture() const
{
    const bool vertical = m_orientation == rsVertical;
    const QSize size = m_rulerRect.size();
    QPixmap ruler(size);
    ruler.fill(palette().color(QPalette::Midlight));
    QPainter p(&ruler);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor highlight = palette().color(QPalette::Light);
    const int w = size.width(), h = size.height();
    // A sunken frame: shadow above and to the left, highlight below and to the right.
    p.setPen(shadow);
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(highlight);
    p.drawLine(0, h - 1, w - 1, h - 1);
    p.drawLine(w - 1, 0, w - 1, h - 1);

    const qint64 f = TickFrequency();
    const qint64 base = G::TickBase(f);
    constexpr int thickness = G::RulerThickness;
    constexpr int centre = thickness / 2;
    constexpr int longMark = thickness - 4;
    for (qint64 v : G::TickValues(m_min, m_max, f)) {
        const int at = P(v);
        // A black mark with its shadow beside it; long across the ruler on the base.
        const bool isLong = v % base == 0;
        const int across = isLong ? centre - longMark / 2 : centre - 1;
        const int length = isLong ? longMark : 2;
        const QRect mark = vertical ? QRect(across, at, length, 1) : QRect(at, across, 1, length);
        const QRect shade = mark.translated(vertical ? QPoint(0, 1) : QPoint(1, 0));
        p.fillRect(mark, Qt::black);
        p.fillRect(shade, shadow);
    }
    return ruler;
}

void TmkRangeSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ComputeGeometry(false);
    Invalidate();
}

void TmkRangeSlider::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The thumbs and the ruler take their colours from the palette.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        BuildThumbs();
        Invalidate();
    }
}

void TmkRangeSlider::MoveBoth(qint64 newMin, qint64 newMax)
{
    if (newMin > m_minPosition) {
        SetMaxPosition(int(newMax));
        SetMinPosition(int(newMin));
    } else {
        SetMinPosition(int(newMin));
        SetMaxPosition(int(newMax));
    }
}

void TmkRangeSlider::keyPressEvent(QKeyEvent *event)
{
    QWidget::keyPressEvent(event);
    m_notifyChange = true;
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        step = -1;
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        step = 1;
        break;
    default:
        return;
    }
    // A vertical slider grows downwards.
    if (m_orientation == rsVertical)
        step = -step;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ShiftModifier) {
        const qint64 newMin = qint64(m_minPosition) + step;
        const qint64 newMax = qint64(m_maxPosition) + step;
        if (InRange(newMin) && InRange(newMax))
            MoveBoth(newMin, newMax);
    } else if (mods & Qt::ControlModifier) {
        SetMaxPosition(ToInt(qint64(m_maxPosition) + step));
    } else {
        SetMinPosition(ToInt(qint64(m_minPosition) + step));
    }
    // Handled here: the arrow must not also move the focus in the dialog.
    event->accept();
}

void TmkRangeSlider::mousePressEvent(QMouseEvent *event)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (MinThumbRect().contains(at))
        m_dragThumb = &m_minThumb;
    else if (MaxThumbRect().contains(at))
        m_dragThumb = &m_maxThumb;
    else
        return;
    const int coordinate = m_orientation == rsVertical ? at.y() : at.x();
    m_grabOffset = P(m_dragThumb == &m_minThumb ? m_minPosition : m_maxPosition) - coordinate;
    m_dragging = true;
    m_notifyChange = false;
    m_dragStartMin = m_minPosition;
    m_dragStartMax = m_maxPosition;
}

void TmkRangeSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QPoint at = event->position().toPoint();
    const int coordinate = m_orientation == rsVertical ? at.y() : at.x();
    const qint64 v = V(qint64(coordinate) + m_grabOffset);
    const bool both = event->modifiers() & Qt::ShiftModifier;
    if (m_dragThumb == &m_minThumb) {
        if (!both) {
            SetMinPosition(int(v));
        } else {
            const qint64 newMax = qint64(m_maxPosition) + (v - m_minPosition);
            if (InRange(v) && InRange(newMax))
                MoveBoth(v, newMax);
        }
    } else if (m_dragThumb == &m_maxThumb) {
        if (!both) {
            SetMaxPosition(int(v));
        } else {
            const qint64 newMin = qint64(m_minPosition) + (v - m_maxPosition);
            if (InRange(newMin) && InRange(v))
                MoveBoth(newMin, v);
        }
    }
}

void TmkRangeSlider::mouseReleaseEvent(QMouseEvent *event)
{
    // Another button let go during a drag must not end it: the drag's one OnChange would be lost.
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasDragging = m_dragging;
    m_dragging = false;
    m_dragThumb = nullptr;
    m_notifyChange = true;
    if (wasDragging && (m_minPosition != m_dragStartMin || m_maxPosition != m_dragStartMax))
        emit OnChange();
}
