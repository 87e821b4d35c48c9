#pragma once

#include "RangeSliderGeometry.h"
#include "TmkThumbBitmap.h"

#include <QPixmap>
#include <QWidget>

#include <functional>

// A custom-drawn control with two thumbs on one ruler: it selects MinPosition..MaxPosition
// of the integer range Min..Max. Drag a thumb (both together with Shift) or use the arrow
// keys (Ctrl: the max thumb, Shift: both). Every change is reported; OnBeforeChange comes
// before a change is applied, so its handlers still see the old values.
class TmkRangeSlider : public QWidget
{
    Q_OBJECT
public:
    // The host may fix the ruler length; the control then takes the width that fits it.
    using TmkGetRullerLength = std::function<void(TmkRangeSlider *sender, int &value)>;

    explicit TmkRangeSlider(QWidget *parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int MinPosition() const { return m_minPosition; }
    int MaxPosition() const { return m_maxPosition; }
    int Frequency() const { return m_frequency; }
    TmkOrientation Orientation() const { return m_orientation; }
    TmkTickStyle TickStyle() const { return m_tickStyle; }
    TmkThumbStyle ThumbStyle() const { return m_thumbStyle; }

    // Min >= Max and Max <= Min raise EmkRangeSlider and change nothing. Positions are
    // clamped, never refused.
    void SetMin(int value);
    void SetMax(int value);
    void SetMinPosition(int value);
    void SetMaxPosition(int value);
    void SetFrequency(int value); // 0: chosen from the ruler length
    void SetOrientation(TmkOrientation value);
    void SetTickStyle(TmkTickStyle value);
    void SetThumbStyle(TmkThumbStyle value);
    void SetOnGetRullerLength(TmkGetRullerLength handler);

    // The geometry as last computed, for hosts that draw over the control.
    int RulerLength() const;
    QRect RulerRect() const;
    double Scale() const;
    int P(qint64 value) const; // pixel offset of a position from the ruler's start
    int V(qint64 pixel) const; // position of a pixel offset
    // The tick distance in use (Frequency, or the automatic choice).
    qint64 TickFrequency() const;

    const TmkThumbBitmap &MinThumb() const { return m_minThumb; }
    const TmkThumbBitmap &MaxThumb() const { return m_maxThumb; }
    // Where a thumb stands now, in control pixels.
    QRect MinThumbRect() const;
    QRect MaxThumbRect() const;
    bool NotifyChange() const { return m_notifyChange; }
    bool Dragging() const { return m_dragging; }

signals:
    void OnMinChange(int value);
    void OnMaxChange(int value);
    void OnMaxPosChange(int value);
    void OnMinPosChange(int value);
    void OnChange();
    void OnBeforeChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void RangeChanged();
    void StyleChanged();
    void BuildThumbs();
    void ComputeGeometry(bool mayResize);
    void SyncGeometry() const;
    void Invalidate();
    void PaintCanvas();
    QPixmap RulerPicture() const;
    QRect ThumbRectAt(const TmkThumbBitmap &thumb, int pixel) const;
    void RedrawThumb(TmkThumbBitmap &thumb, TmkThumbBitmap &other, const QRect &where);
    // Moves both thumbs to new places, the leading one first, so that neither is clamped
    // against the other on the way.
    void MoveBoth(qint64 newMin, qint64 newMax);
    bool InRange(qint64 value) const { return value >= m_min && value <= m_max; }

    int m_min = 0;
    int m_max = 10;
    int m_minPosition = 0;
    int m_maxPosition = 10;
    int m_frequency = 0;
    TmkOrientation m_orientation = rsHorizontal;
    TmkTickStyle m_tickStyle = rsBottomRight;
    TmkThumbStyle m_thumbStyle = rsStandard;
    TmkGetRullerLength m_getRullerLength;

    int m_rulerLength = 0;
    QRect m_rulerRect;
    double m_scale = 1.0;
    QSize m_geometrySize; // the size the geometry was computed for
    TmkThumbBitmap m_minThumb, m_maxThumb;

    QPixmap m_canvas; // the whole control as last painted
    bool m_canvasValid = false;

    bool m_notifyChange = true;
    bool m_dragging = false;
    TmkThumbBitmap *m_dragThumb = nullptr;
    int m_grabOffset = 0;
    int m_dragStartMin = 0;
    int m_dragStartMax = 0;
};
