#include "PowerManager.h"

#include "LogindPowerManager.h"

namespace {
PowerManager *g_installed = nullptr;
}

PowerManager &PowerManager::Instance()
{
    if (g_installed)
        return *g_installed;
    static LogindPowerManager system;
    return system;
}

void PowerManager::SetInstance(PowerManager *manager)
{
    g_installed = manager;
}
