#include "app/DesktopBackends.h"

#include "core/Constants.h"
#include "platform/portal/PortalKeyInjector.h"
#include "platform/portal/WaylandShortcuts.h"
#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11GlobalShortcutBackend.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11WindowSystem.h"

namespace parlix {

namespace {

void createWayland(DesktopBackends &made)
{
    auto connection = std::make_shared<WaylandConnection>();
    made.connection = connection;
    auto clipboard = std::make_unique<WaylandClipboard>(*connection);
    if (clipboard->isAvailable())
        made.clipboardMethod = QStringLiteral("data control (wlroots)");
    made.clipboard = std::move(clipboard);
    auto keys = std::make_unique<WaylandKeyInjector>(*connection);
    if (keys->ensureAccess()) {
        made.typingMethod = QStringLiteral("virtual keyboard (wlroots)");
        made.keys = std::move(keys);
    } else {
        // GNOME and KDE let no client send keys by itself; their portal asks the user once and
        // the restore token it hands back keeps the answer.
        made.typingMethod = QStringLiteral("RemoteDesktop portal");
        made.keys = std::make_unique<PortalKeyInjector>(QDBusConnection::sessionBus());
    }
    // The desktop portal binds the shortcut where it offers that; elsewhere the Recording tab shows
    // the compositor binding to add.
    made.shortcuts = makeWaylandShortcutBackend(QDBusConnection::sessionBus(), Constants::buildInfo().identifier);
}

void createX11(DesktopBackends &made)
{
    auto keys = std::make_unique<X11KeyInjector>();
    if (keys->ensureAccess())
        made.typingMethod = QStringLiteral("XTest (X11)");
    made.keys = std::move(keys);
    made.clipboardMethod = QStringLiteral("X11 selections");
    made.clipboard = std::make_unique<X11Clipboard>();
    made.windows = std::make_unique<X11WindowSystem>();
    made.shortcuts = std::make_unique<X11GlobalShortcutBackend>();
}

} // namespace

DesktopBackends DesktopBackends::create(const DesktopSession &session)
{
    DesktopBackends made;
    made.session = session;
    if (session.kind == DesktopSession::Kind::wayland)
        createWayland(made);
    else
        createX11(made);
    return made;
}

QString DesktopBackends::summary() const
{
    const auto orNone = [](const QString &method) { return method.isEmpty() ? QStringLiteral("none") : method; };
    return QStringLiteral("%1 session (Qt platform %2); typing: %3; clipboard: %4; window access: %5")
        .arg(session.name(), QString::fromLatin1(session.qtPlatform), orNone(typingMethod), orNone(clipboardMethod),
             windows ? QStringLiteral("yes") : QStringLiteral("none"));
}

} // namespace parlix
