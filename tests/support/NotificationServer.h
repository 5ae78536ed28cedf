#pragma once
// A stand-in desktop notification server (org.freedesktop.Notifications) on a private session
// bus: it records every Notify call and answers with increasing ids, and plays the user picking an
// action (ActionInvoked) or closing a notification (NotificationClosed). It answers from this
// thread's event loop, which the test keeps running while it waits.
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace parlix::test {

class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notification {
        QString appName;
        QString summary;
        QString body;
        QStringList actions; // key, label, key, label…
        QVariantMap hints;
        uint id = 0;
    };

    explicit NotificationServer(const QString &busAddress);
    ~NotificationServer() override;

    bool isRegistered() const { return m_registered; }
    const QList<Notification> &notifications() const { return m_notifications; }
    // The signals a desktop sends when the user picks an action or a notification goes away.
    bool invokeAction(uint id, const QString &key);
    bool close(uint id);

public slots:
    Q_SCRIPTABLE uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                             const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout);

private:
    QDBusConnection m_bus;
    bool m_registered = false;
    QList<Notification> m_notifications;
};

} // namespace parlix::test
