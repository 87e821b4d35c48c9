#include "TPreviewClock.h"

#include <QTimer>

TPreviewClock::TPreviewClock(QObject *parent) : QObject(parent)
{ }

TPreviewClock::~TPreviewClock() = default;

int TPreviewClock::AddTimer(int intervalMs, std::function<void()> onTick)
{
    const int id = int(m_timers.size());
    auto *timer = new QTimer(this);
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, [this, id] { m_timers[id].onTick(); });
    m_timers.append(Timer{timer, intervalMs, std::move(onTick)});
    return id;
}

void TPreviewClock::Start(int id)
{
    Timer &t = m_timers[id];
    if (!m_manual) {
        if (!t.timer->isActive())
            t.timer->start();
        return;
    }
    if (t.active)
        return;
    t.active = true;
    t.due = m_now + t.interval;
}

void TPreviewClock::Stop(int id)
{
    m_timers[id].timer->stop();
    m_timers[id].active = false;
}

bool TPreviewClock::IsActive(int id) const
{
    const Timer &t = m_timers[id];
    return m_manual ? t.active : t.timer->isActive();
}

void TPreviewClock::SetManual(bool manual)
{
    for (Timer &t : m_timers) {
        t.timer->stop();
        t.active = false;
    }
    m_manual = manual;
}

void TPreviewClock::Advance(int ms)
{
    const qint64 end = m_now + ms;
    for (;;) {
        // The next tick due, the earlier-added timer first on a tie.
        int next = -1;
        for (int i = 0; i < m_timers.size(); ++i) {
            const Timer &t = m_timers[i];
            if (t.active && t.due <= end && (next < 0 || t.due < m_timers[next].due))
                next = i;
        }
        if (next < 0)
            break;
        Timer &t = m_timers[next];
        m_now = t.due;
        t.due += t.interval;
        t.onTick();
    }
    m_now = end;
}
