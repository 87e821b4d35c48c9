#include "OwnedWindows.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
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

bool TakesInput(const QWidget *w)
{
    return w && w->isVisible() && w->isEnabled();
}

} // namespace

namespace OwnedWindows {

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
