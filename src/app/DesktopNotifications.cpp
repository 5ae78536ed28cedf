#include "app/DesktopNotifications.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace parlix {

namespace {
const QString kAppId = QStringLiteral("com.quorvane.parlix");
} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, std::function<bool()> enabled, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_enabled(std::move(enabled))
{
    m_bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this, SLOT(onNotificationClosed(uint, uint)));
}

void DesktopNotifications::notify(const QString &summary, const QString &body, const QList<Action> &actions, Urgency urgency)
{
    if (m_enabled && !m_enabled()) {
        log::info(lcApp, "Notifications are off; not shown: %s", summary);
        return;
    }
    QStringList actionList;
    for (const Action &action : actions)
        actionList << action.key << action.label;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
    call << QStringLiteral("Parlix") << uint(0) << kAppId << summary << body << actionList
         << QVariantMap{{QStringLiteral("desktop-entry"), kAppId}, {QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency))}}
         << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, actions, summary](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            log::info(lcApp, "No desktop notification (%s): %s", summary, reply.error().message());
            return;
        }
        if (!actions.isEmpty())
            m_shown.insert(reply.value(), actions);
    });
}

void DesktopNotifications::onActionInvoked(uint id, const QString &key)
{
    const auto shown = m_shown.constFind(id);
    if (shown == m_shown.constEnd())
        return;
    for (const Action &action : *shown) {
        if (action.key == key && action.run) {
            // The callback may show another notification, which changes m_shown.
            const std::function<void()> run = action.run;
            run();
            return;
        }
    }
}

void DesktopNotifications::onNotificationClosed(uint id, uint)
{
    m_shown.remove(id);
}

} // namespace parlix
