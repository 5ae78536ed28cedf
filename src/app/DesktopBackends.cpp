#include "app/DesktopBackends.h"

#include "platform/wayland/WaylandClipboard.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyInjector.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11GlobalShortcutBackend.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11WindowSystem.h"

namespace parlix {

DesktopBackends DesktopBackends::create(const DesktopSession &session)
{
    DesktopBackends made;
    made.session = session;
    if (session.kind == DesktopSession::Kind::wayland) {
        auto connection = std::make_shared<WaylandConnection>();
        made.connection = connection;
        auto clipboard = std::make_unique<WaylandClipboard>(*connection);
        auto keys = std::make_unique<WaylandKeyInjector>(*connection);
        if (clipboard->isAvailable())
            made.clipboardMethod = QStringLiteral("data control (wlroots)");
        if (keys->ensureAccess())
            made.typingMethod = QStringLiteral("virtual keyboard (wlroots)");
        made.clipboard = std::move(clipboard);
        made.keys = std::move(keys);
    } else {
        auto keys = std::make_unique<X11KeyInjector>();
        if (keys->ensureAccess())
            made.typingMethod = QStringLiteral("XTest (X11)");
        made.clipboardMethod = QStringLiteral("X11 selections");
        made.clipboard = std::make_unique<X11Clipboard>();
        made.keys = std::move(keys);
        made.windows = std::make_unique<X11WindowSystem>();
    }
    // The X11 grab, also under a Wayland compositor, where it reaches Parlix while an XWayland
    // window has the focus.
    made.shortcuts = std::make_unique<X11GlobalShortcutBackend>();
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
