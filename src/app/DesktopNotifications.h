#pragma once
// Desktop notifications over org.freedesktop.Notifications on the session bus. Every call is
// asynchronous: without a notification server the call fails later, is logged and nothing waits.
// Actions carry a callback that runs when the user picks the action (or clicks the notification,
// for the action keyed "default"). The user can turn notifications off in the settings.
#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>

#include <functional>

namespace parlix {

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    // The action a click on the notification itself invokes.
    static inline const QString defaultAction = QStringLiteral("default");

    struct Action {
        QString key;
        QString label;
        std::function<void()> run;
    };
    enum class Urgency : uchar { low, normal, critical };

    // `enabled` is asked before each notification; false drops it.
    DesktopNotifications(QDBusConnection bus, std::function<bool()> enabled, QObject *parent = nullptr);

    void notify(const QString &summary, const QString &body, const QList<Action> &actions = {},
                Urgency urgency = Urgency::normal);

private slots:
    void onActionInvoked(uint id, const QString &key);
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    std::function<bool()> m_enabled;
    // The actions of each notification still shown, by the id the server gave it.
    QHash<uint, QList<Action>> m_shown;
};

} // namespace parlix
