#pragma once

#include "PowerManager.h"

#include <QDBusUnixFileDescriptor>

// systemd-logind over the system bus: a "sleep" inhibitor lock held for the program's run,
// and PowerOff. Quietly does nothing where there is no logind.
class LogindPowerManager : public PowerManager
{
public:
    bool InhibitSuspend() override;
    void PowerOff() override;

private:
    QDBusUnixFileDescriptor m_lock; // suspend stays blocked while this is open
};
