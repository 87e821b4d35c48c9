#pragma once

#include <QLabel>
#include <QVector>

// A large picture button with three frames, reached with Tab like any button. Its hover state (0 normal, 1 hover,
// 2 pressed) is kept in Tag, as the window's hover rules read and reset it.
class TImageButton : public QLabel
{
    Q_OBJECT
public:
    TImageButton(const QVector<QPixmap> &frames, QWidget *parent);

    int Tag() const { return m_tag; }
    // Back to the normal frame when visible and not normal (the mouse left over the background).
    void ResetHover();
    // What a click does, from a key or a shortcut: nothing while hidden or disabled.
    void Click();

signals:
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Space and Enter press it, as they press any button; the focus shows as a frame.
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void Draw(int state);

    QVector<QPixmap> m_frames;
    int m_tag = 0;
};
