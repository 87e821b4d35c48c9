#include "DesktopNotifier.h"

#include "FreedesktopNotifier.h"

namespace {
DesktopNotifier *g_installed = nullptr;
}

DesktopNotifier &DesktopNotifier::Instance()
{
    if (g_installed)
        return *g_installed;
    static FreedesktopNotifier desktop;
    return desktop;
}

void DesktopNotifier::SetInstance(DesktopNotifier *notifier)
{
    g_installed = notifier;
}
