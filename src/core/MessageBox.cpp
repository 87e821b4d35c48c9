#include "MessageBox.h"

#include "OwnedWindows.h"

#include <QGridLayout>
#include <QSpacerItem>

namespace {
MessageBox::Hook g_hook;

QMessageBox::Icon QtIcon(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBox::Icon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}
} // namespace

QMessageBox::StandardButton MessageBox::Show(QWidget *owner, const QString &text, const QString &caption, Icon icon,
                                             QMessageBox::StandardButtons buttons)
{
    if (g_hook)
        return g_hook(Call{icon, caption, text, buttons});
    // A box owned by a disabled window would be disabled too, and hidden behind a dialog.
    QMessageBox box(QtIcon(icon), caption, text, buttons, OwnedWindows::UsableOwner(owner));
    // A short text makes a box too narrow for its caption, which the title bar then cuts.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(OwnedWindows::CaptionWidth(&box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::Information(QWidget *owner, const QString &text, const QString &caption)
{
    Show(owner, text, caption, Icon::Information);
}

void MessageBox::Error(QWidget *owner, const QString &text, const QString &caption)
{
    Show(owner, text, caption, Icon::Error);
}

bool MessageBox::Question(QWidget *owner, const QString &text, const QString &caption)
{
    return Show(owner, text, caption, Icon::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MessageBox::SetHook(Hook hook)
{
    g_hook = std::move(hook);
}
