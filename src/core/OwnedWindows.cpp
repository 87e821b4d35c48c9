#include "OwnedWindows.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

class FrontKeeper : public QObject
{
public:
    FrontKeeper(QWidget *window, QWidget *owner) : QObject(window), m_window(window), m_owner(owner)
    {
        window->installEventFilter(this);
        owner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_owner)
            return false;
        if (watched == m_window && event->type() == QEvent::Show) {
            // Sent before the window is mapped, which is when X11 reads the owner.
            QWindow *owner = m_owner->window()->windowHandle();
            if (QWindow *handle = m_window->windowHandle(); handle && owner && handle != owner)
                handle->setTransientParent(owner);
            // After the window's own placing (beside its owner), which may reach off screen.
            QMetaObject::invokeMethod(
                this, [this] { OwnedWindows::KeepOnScreen(m_window); }, Qt::QueuedConnection);
        } else if (watched == m_owner && event->type() == QEvent::WindowActivate && m_window->isVisible()) {
            m_window->raise();
            m_window->activateWindow();
        }
        return false;
    }

private:
    QWidget *m_window;
    QPointer<QWidget> m_owner;
};

// Escape that no control of the window took (a list open, an edit's own use) closes it, as
// a dialog's does.
class EscapeCloser : public QObject
{
public:
    EscapeCloser(QWidget *window, std::function<void()> cancel)
        : QObject(window)
        , m_window(window)
        , m_cancel(std::move(cancel))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
            return false;
        if (m_cancel)
            m_cancel();
        else
            m_window->close();
        return true;
    }

private:
    QWidget *m_window;
    std::function<void()> m_cancel;
};

bool TakesInput(const QWidget *w)
{
    return w && w->isVisible() && w->isEnabled();
}

} // namespace

namespace OwnedWindows {

void CloseOnEscape(QWidget *window, const std::function<void()> &cancel)
{
    new EscapeCloser(window, cancel);
}

void KeepOnScreen(QWidget *window)
{
    QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    // The frame is known once the window is mapped; before that, room for a title bar.
    const QRect frame = window->frameGeometry();
    const QSize decoration = window->isVisible() && frame.size() != window->size()
                               ? frame.size() - window->size()
                               : QSize(0, QFontMetrics(window->font()).height() + 12);
    const QSize room = free.size() - decoration;
    if (window->minimumSize() != window->maximumSize())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    const QSize outer = window->size() + decoration;
    QPoint at = window->frameGeometry().topLeft();
    at.setX(qBound(free.left(), at.x(), qMax(free.left(), free.right() + 1 - outer.width())));
    at.setY(qBound(free.top(), at.y(), qMax(free.top(), free.bottom() + 1 - outer.height())));
    window->move(at);
}

int CaptionWidth(const QWidget *window)
{
    // Title bars commonly use a bold face a little larger than the window's own.
    QFont font = window->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    constexpr int frameRoom = 150; // icon, three buttons, padding
    return QFontMetrics(font).horizontalAdvance(window->windowTitle()) + frameRoom;
}

void KeepInFrontOf(QWidget *window, QWidget *owner)
{
    if (window && owner)
        new FrontKeeper(window, owner);
}

QWidget *UsableOwner(QWidget *owner)
{
    QWidget *top = owner ? owner->window() : nullptr;
    if (TakesInput(top))
        return owner;
    if (QWidget *modal = QApplication::activeModalWidget(); TakesInput(modal))
        return modal;
    if (QWidget *active = QApplication::activeWindow(); TakesInput(active))
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    // A dialog first: when the owner is disabled, a shown dialog is what disabled it.
    for (QWidget *w : windows) {
        if (TakesInput(w) && w->windowType() == Qt::Dialog)
            return w;
    }
    for (QWidget *w : windows) {
        if (TakesInput(w) && w->windowType() == Qt::Window)
            return w;
    }
    return nullptr;
}

} // namespace OwnedWindows
