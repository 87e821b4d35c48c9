#include "FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void FreedesktopNotifier::Notify(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, no notification to replace, icon, texts, no actions, no hints, the
    // server's own timeout.
    call << QStringLiteral("Quarnel") << 0u << QStringLiteral("quarnel") << summary << body << QStringList()
         << QVariantMap() << -1;
    // A missing service answers with an error nobody waits for.
    bus.send(call);
}
