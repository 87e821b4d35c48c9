#pragma once

#include "DesktopNotifier.h"

// The desktop's notification service (org.freedesktop.Notifications) on the session bus.
// Sends and does not wait for an answer; without a session bus or a service nothing shows.
class FreedesktopNotifier : public DesktopNotifier
{
public:
    void Notify(const QString &summary, const QString &body) override;
};
