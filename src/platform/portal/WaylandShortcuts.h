#pragma once
// The global-shortcut backend of a Wayland session, for the composition root. Whether a portal
// offers GlobalShortcuts is learnt without blocking start-up: the registration's answer says so
// (ShortcutStatus::boundByCompositor where none does: sway and the other wlroots compositors, GNOME
// before 48), and the Recording tab then shows the compositor binding to add instead.
#include "platform/GlobalShortcutBackend.h"

#include <QDBusConnection>

#include <memory>

namespace parlix {

// Also tells the portal which application this is (`appId`, the desktop file's name), which
// desktops need to list and remember the shortcut of an application that is not sandboxed.
std::unique_ptr<GlobalShortcutBackend> makeWaylandShortcutBackend(const QDBusConnection &bus, const QString &appId);

} // namespace parlix
