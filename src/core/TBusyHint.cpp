#include "TBusyHint.h"

#include <QFrame>
#include <QLabel>

namespace {
constexpr int kGrowStepMs = 2;
constexpr int kShrinkStepMs = 8;
} // namespace

TBusyHint::TBusyHint(QFrame *panel, QLabel *label, QWidget *bottom, QWidget *hiddenWhileShown, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
    , m_label(label)
    , m_bottom(bottom)
    , m_covered(hiddenWhileShown)
{
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &TBusyHint::Step);
}

void TBusyHint::Show(const QString &text, std::function<void()> whenOpen)
{
    Request(true, text, std::move(whenOpen));
}

void TBusyHint::Hide(std::function<void()> whenClosed)
{
    Request(false, QString(), std::move(whenClosed));
}

void TBusyHint::Request(bool open, const QString &text, std::function<void()> done)
{
    // Queued, never replacing the request under way: a caller waiting for its callback
    // (an opening, a conversion) would otherwise wait for ever.
    m_requests.append(Pending{open, text, std::move(done)});
    if (!m_started)
        StartRequest();
}

void TBusyHint::StartRequest()
{
    m_started = true;
    const Pending &request = m_requests.constFirst();
    if (request.open) {
        if (m_covered)
            m_covered->hide();
        m_label->setText(request.text);
        if (m_panel->isHidden()) {
            m_panel->show();
            m_panel->raise();
            SetHeight(0);
        }
        m_timer.start(kGrowStepMs);
    } else {
        // The first step lands on the next multiple of 5 below the full height: 105, 100, ..., 0.
        if (!m_panel->isHidden())
            SetHeight(FullHeight - FullHeight % 5);
        m_timer.start(kShrinkStepMs);
    }
}

void TBusyHint::Step()
{
    if (m_requests.isEmpty()) {
        m_timer.stop();
        m_started = false;
        return;
    }
    const bool opening = m_requests.constFirst().open;
    const bool there = opening ? !m_panel->isHidden() && m_panel->height() >= FullHeight : m_panel->isHidden();
    if (!there) {
        const int next = qBound(0, opening ? m_panel->height() + 1 : m_panel->height() - 5, FullHeight);
        SetHeight(next);
        if (opening ? next < FullHeight : next > 0)
            return;
        if (!opening)
            m_panel->hide();
    }
    m_timer.stop();
    Pending finished = m_requests.takeFirst();
    m_started = false;
    // The callback sees the panel where it asked for it; the next request goes on
    // afterwards, even if the callback throws.
    struct StartNext
    {
        TBusyHint *hint;
        ~StartNext()
        {
            if (!hint->m_started && !hint->m_requests.isEmpty())
                hint->StartRequest();
        }
    } next{this};
    if (finished.done)
        finished.done();
}

void TBusyHint::SetHeight(int height)
{
    const int bottom = m_bottom->geometry().bottom() + 1;
    m_panel->setGeometry(m_panel->x(), bottom - height, m_panel->width(), height);
    emit HeightChanged(height);
}
