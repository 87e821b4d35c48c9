#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QTimer;

// The preview's timers. Normally each is a QTimer; on a manual clock (tests) nothing
// ticks by itself and Advance moves time on, firing every tick that falls due, in time
// order, with the same rhythm a running QTimer keeps.
class TPreviewClock : public QObject
{
    Q_OBJECT
public:
    explicit TPreviewClock(QObject *parent = nullptr);
    ~TPreviewClock() override;

    // Returns the timer's id for the calls below.
    int AddTimer(int intervalMs, std::function<void()> onTick);

    // Switches a timer on; one that is already on keeps its rhythm.
    void Start(int id);
    void Stop(int id);
    bool IsActive(int id) const;

    // Only while every timer is off.
    void SetManual(bool manual);
    // Manual clock: time passes by ms milliseconds.
    void Advance(int ms);
    qint64 Now() const { return m_now; }

private:
    struct Timer
    {
        QTimer *timer;
        int interval;
        std::function<void()> onTick;
        bool active = false; // manual clock only
        qint64 due = 0;
    };
    QList<Timer> m_timers;
    bool m_manual = false;
    qint64 m_now = 0;
};
