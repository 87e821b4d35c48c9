#include "TImageButton.h"

#include <QMouseEvent>

namespace {
enum { Normal = 0, Hover = 1, Pressed = 2 };
}

TImageButton::TImageButton(const QVector<QPixmap> &frames, QWidget *parent) : QLabel(parent), m_frames(frames)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(m_frames.value(Normal).size());
    Draw(Normal);
}

void TImageButton::Draw(int state)
{
    setPixmap(m_frames.value(state));
    m_tag = state;
}

void TImageButton::ResetHover()
{
    if (isVisible() && m_tag != Normal)
        Draw(Normal);
}

void TImageButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tag == Normal)
        Draw(Hover);
    QLabel::mouseMoveEvent(event);
}

void TImageButton::mousePressEvent(QMouseEvent *event)
{
    if (m_tag != Pressed)
        Draw(Pressed);
    QLabel::mousePressEvent(event);
}

void TImageButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_tag == Pressed) {
        Draw(Hover);
        if (rect().contains(event->position().toPoint()) && event->button() == Qt::LeftButton)
            emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}
