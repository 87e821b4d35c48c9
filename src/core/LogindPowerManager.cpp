#include "LogindPowerManager.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include <functional>

namespace {

constexpr int callTimeoutMs = 3000; // never let a missing logind hold up the window

bool WithLogind(const std::function<void(QDBusInterface &)> &call)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface logind(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!logind.isValid())
        return false;
    logind.setTimeout(callTimeoutMs);
    call(logind);
    return true;
}

} // namespace

bool LogindPowerManager::InhibitSuspend()
{
    if (m_lock.isValid())
        return true;
    WithLogind([this](QDBusInterface &logind) {
        QDBusReply<QDBusUnixFileDescriptor> reply =
            logind.call(QStringLiteral("Inhibit"), QStringLiteral("sleep"), QStringLiteral("Quarnel"),
                        QStringLiteral("A DVD conversion may be running"), QStringLiteral("block"));
        if (reply.isValid())
            m_lock = reply.value();
    });
    return m_lock.isValid();
}

void LogindPowerManager::PowerOff()
{
    WithLogind([](QDBusInterface &logind) { logind.call(QStringLiteral("PowerOff"), false); });
}
