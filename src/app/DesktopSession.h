#pragma once
// Which window system Parlix works with, chosen once at start-up from the environment: Wayland
// when the session has a compositor (WAYLAND_DISPLAY), X11 otherwise. QT_QPA_PLATFORM=xcb keeps
// an X11 session under a compositor (through XWayland), QT_QPA_PLATFORM=wayland asks for Wayland.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

namespace parlix {

struct DesktopSession {
    enum class Kind { x11, wayland };

    Kind kind = Kind::x11;
    // Qt's platform plugin for this session.
    QByteArray qtPlatform;
    // Why none could be chosen (the session has no display); empty when one was.
    QString error;

    static DesktopSession choose(const QProcessEnvironment &environment);

    bool isValid() const { return error.isEmpty(); }
    // "X11" or "Wayland", for the log and the General tab.
    QString name() const;
};

} // namespace parlix
