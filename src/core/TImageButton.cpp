#include "TImageButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {
enum { Normal = 0, Hover = 1, Pressed = 2 };
}

TImageButton::TImageButton(const QVector<QPixmap> &frames, QWidget *parent) : QLabel(parent), m_frames(frames)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(m_frames.value(Normal).size());
    setFocusPolicy(Qt::StrongFocus);
    Draw(Normal);
}

void TImageButton::Click()
{
    if (isVisible() && isEnabled())
        emit clicked();
}

void TImageButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            Click();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void TImageButton::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter p(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
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
