#include "app/DesktopSession.h"

namespace parlix {

DesktopSession DesktopSession::choose(const QProcessEnvironment &environment)
{
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    const bool x11 = !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    // Only the platform's name counts ("xcb:option=…" carries options for the plugin).
    const QString forced = environment.value(QStringLiteral("QT_QPA_PLATFORM")).section(u':', 0, 0);

    if (forced == u"xcb") {
        if (x11)
            return {Kind::x11, "xcb", {}};
        return {Kind::x11, "xcb", QStringLiteral("QT_QPA_PLATFORM asks for X11 (xcb), but DISPLAY is not set.")};
    }
    if (forced == u"wayland") {
        if (wayland)
            return {Kind::wayland, "wayland", {}};
        return {Kind::wayland, "wayland", QStringLiteral("QT_QPA_PLATFORM asks for Wayland, but WAYLAND_DISPLAY is not set.")};
    }
    // Anything else (unset, or a plugin without a desktop such as offscreen): the session decides.
    if (wayland)
        return {Kind::wayland, "wayland", {}};
    if (x11)
        return {Kind::x11, "xcb", {}};
    return {Kind::x11, "xcb",
            QStringLiteral("No desktop session: DISPLAY is not set, and neither is WAYLAND_DISPLAY. Parlix needs a Wayland "
                           "or X11 session to deliver text into other applications.")};
}

QString DesktopSession::name() const
{
    return kind == Kind::wayland ? QStringLiteral("Wayland") : QStringLiteral("X11");
}

} // namespace parlix
