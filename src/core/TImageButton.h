#pragma once

#include <QLabel>
#include <QVector>

// A large picture button with three frames. Its hover state (0 normal, 1 hover,
// 2 pressed) is kept in Tag, as the window's hover rules read and reset it.
class TImageButton : public QLabel
{
    Q_OBJECT
public:
    TImageButton(const QVector<QPixmap> &frames, QWidget *parent);

    int Tag() const { return m_tag; }
    // Back to the normal frame when visible and not normal (the mouse left over the background).
    void ResetHover();

signals:
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Draw(int state);

    QVector<QPixmap> m_frames;
    int m_tag = 0;
};
