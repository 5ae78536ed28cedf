#include "NotificationServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMetaObject>
#include <QVariantMap>

namespace parlix::test {

class NotificationServerService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    NotificationServerService(NotificationServer &owner, const QString &busAddress)
        : m_owner(owner)
        , m_busAddress(busAddress)
    {
    }

    bool connectToBus()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, m_connectionName);
        return bus.isConnected()
            && bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportScriptableSlots)
            && bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    void disconnectFromBus() { QDBusConnection::disconnectFromBus(m_connectionName); }

public slots:
    Q_SCRIPTABLE uint Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                             const QStringList &actions, const QVariantMap &, int)
    {
        m_owner.record({appName, summary, body, actions});
        return ++m_lastId;
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

private:
    NotificationServer &m_owner;
    QString m_busAddress;
    QString m_connectionName = QStringLiteral("notification-server");
    uint m_lastId = 0;
};

NotificationServer::NotificationServer(const QString &busAddress, QObject *parent)
    : QObject(parent)
{
    m_service = new NotificationServerService(*this, busAddress);
    m_service->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(m_service, [this] { m_registered = m_service->connectToBus(); }, Qt::BlockingQueuedConnection);
}

NotificationServer::~NotificationServer()
{
    QMetaObject::invokeMethod(
        m_service,
        [this] {
            m_service->disconnectFromBus();
            delete m_service;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QList<NotificationServer::Notification> NotificationServer::notifications() const
{
    QMutexLocker lock(&m_mutex);
    return m_notifications;
}

void NotificationServer::record(const Notification &notification)
{
    QMutexLocker lock(&m_mutex);
    m_notifications.append(notification);
}

} // namespace parlix::test

#include "NotificationServer.moc"
