#pragma once

// The system's power management: refusing suspend while the program runs, and turning
// the computer off after a conversion. One instance at a time; tests install a recording fake.
class PowerManager
{
public:
    virtual ~PowerManager() = default;

    // Keeps the system from suspending until the program ends. False where the system
    // offers no way to refuse (then nothing happens).
    virtual bool InhibitSuspend() = 0;
    virtual void PowerOff() = 0;

    // The installed instance (the system's own unless a test replaced it); never null.
    static PowerManager &Instance();
    // Takes no ownership; nullptr puts the system's own back.
    static void SetInstance(PowerManager *manager);
};
