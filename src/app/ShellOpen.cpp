#include "ShellOpen.h"

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
    QDesktopServices::openUrl(url);
}

void ShellOpen::SetHook(std::function<void(const QString &)> hook)
{
    g_hook = std::move(hook);
}
