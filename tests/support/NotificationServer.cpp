#include "NotificationServer.h"

#include <QDBusMessage>

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
                                const QStringList &actions, const QVariantMap &hints, int)
{
    const uint id = uint(m_notifications.size()) + 1;
    m_notifications.append({appName, summary, body, actions, hints, id});
    return id;
}

bool NotificationServer::invokeAction(uint id, const QString &key)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    signal << id << key;
    return m_bus.send(signal);
}

bool NotificationServer::close(uint id)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("NotificationClosed"));
    signal << id << uint(2);
    return m_bus.send(signal);
}

} // namespace parlix::test
