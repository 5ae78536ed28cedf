#include "NotificationServer.h"

namespace parlix::test {

namespace {
const QString kConnection = QStringLiteral("notification-server");
}

NotificationServer::NotificationServer(const QString &busAddress)
    : m_bus(QDBusConnection::connectToBus(busAddress, kConnection))
{
    m_registered = m_bus.isConnected()
        && m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportScriptableSlots)
        && m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

NotificationServer::~NotificationServer()
{
    QDBusConnection::disconnectFromBus(kConnection);
}

uint NotificationServer::Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                                const QStringList &, const QVariantMap &, int)
{
    m_notifications.append({appName, summary, body});
    return uint(m_notifications.size());
}

} // namespace parlix::test
