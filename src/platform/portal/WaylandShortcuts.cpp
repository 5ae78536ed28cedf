#include "platform/portal/WaylandShortcuts.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "platform/portal/PortalGlobalShortcutBackend.h"

#include <QDBusPendingCallWatcher>

namespace parlix {

std::unique_ptr<GlobalShortcutBackend> makeWaylandShortcutBackend(const QDBusConnection &bus, const QString &appId)
{
    auto backend = std::make_unique<PortalGlobalShortcutBackend>(bus);
    // Only portals from 1.19 on have the registry; older ones name host applications by their
    // process, and a refusal changes nothing either way.
    QDBusMessage call = portal::portalCall(QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
    call << appId << QVariantMap();
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection(bus).asyncCall(call), backend.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [appId](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (w->isError())
            log::debug(lcHotkey, "Portal registry: %s not registered: %s", appId, w->error().message());
        else
            log::debug(lcHotkey, "Portal registry: registered as %s", appId);
    });
    return backend;
}

} // namespace parlix
