#include "ShellOpen.h"

#include "MessageBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace {
std::function<void(const QString &)> g_hook;
}

void ShellOpen::Open(const QString &target)
{
    if (g_hook) {
        g_hook(target);
        return;
    }
    const QUrl url = target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
    if (QDesktopServices::openUrl(url))
        return;
    // Without a launcher for it nothing would happen at all; the user can still copy it.
    const bool web = target.contains(QStringLiteral("://"));
    MessageBox::Information(QApplication::activeWindow(),
                            QStringLiteral("The desktop cannot open this %1:\n\n%2\n\nCopy it and open it yourself.")
                                .arg(web ? QStringLiteral("address") : QStringLiteral("folder or file"), target),
                            QStringLiteral("Quarnel"));
}

void ShellOpen::SetHook(std::function<void(const QString &)> hook)
{
    g_hook = std::move(hook);
}
