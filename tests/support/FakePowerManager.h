#pragma once

#include "core/PowerManager.h"

// Counts suspend refusals and power-off requests instead of talking to the system.
class FakePowerManager : public PowerManager
{
public:
    FakePowerManager() { PowerManager::SetInstance(this); }
    ~FakePowerManager() override { PowerManager::SetInstance(nullptr); }
    bool InhibitSuspend() override
    {
        ++inhibitCalls;
        return true;
    }
    void PowerOff() override { ++powerOffCalls; }
    int inhibitCalls = 0;
    int powerOffCalls = 0;
};
