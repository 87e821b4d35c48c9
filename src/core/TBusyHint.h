#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QFrame;
class QLabel;
class QWidget;

// The busy hint: a panel that grows up from the bottom of the task list one pixel a tick
// and shrinks five at a time. Requests queue; each one's callback runs once the panel is
// where it asked for it, and never replaces the request under way.
class TBusyHint : public QObject
{
    Q_OBJECT
public:
    static constexpr int FullHeight = 109;

    // panel and label: the hint; bottom: the widget whose lower edge the panel stands on;
    // hiddenWhileShown: what the panel covers (hidden while it shows).
    TBusyHint(QFrame *panel, QLabel *label, QWidget *bottom, QWidget *hiddenWhileShown, QObject *parent);

    void Show(const QString &text, std::function<void()> whenOpen = {});
    void Hide(std::function<void()> whenClosed = {});

signals:
    void HeightChanged(int height);

private:
    void Request(bool open, const QString &text, std::function<void()> done);
    void StartRequest();
    void Step();
    void SetHeight(int height);

    struct Pending
    {
        bool open;
        QString text;
        std::function<void()> done;
    };
    QFrame *m_panel;
    QLabel *m_label;
    QWidget *m_bottom;
    QWidget *m_covered;
    QList<Pending> m_requests;
    bool m_started = false;
    QTimer m_timer;
};
