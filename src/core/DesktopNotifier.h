#pragma once

class QString;

// A short message on the desktop, for what ends while the user looks elsewhere. One
// instance at a time; tests install a recording fake.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;

    virtual void Notify(const QString &summary, const QString &body) = 0;

    // The installed instance (the desktop's own unless a test replaced it); never null.
    static DesktopNotifier &Instance();
    // Takes no ownership; nullptr puts the desktop's own back.
    static void SetInstance(DesktopNotifier *notifier);
};
