#pragma once
// Which application receives keyboard input, which applications have windows, and bringing one
// of them to the front. On X11 an application is seen through its top-level window: identifier =
// WM_CLASS class, pid = _NET_WM_PID.
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace parlix {

struct RunningApplication {
    // Stable name of the application (X11: WM_CLASS class); none when the window has none.
    std::optional<QString> identifier;
    // Secondary name (X11: WM_CLASS instance), empty when unknown.
    QString instanceName;
    // Process id, 0 when unknown.
    qint64 pid = 0;
    // The window that stands for the application (X11 window id).
    quint64 window = 0;
    // A normal application window the user switches to (not a panel, dock, menu or a window that
    // keeps itself off the task bar).
    bool isRegular = true;

    bool operator==(const RunningApplication &) const = default;

    // Whether `other` is a window of this application: the same window, or another window of the
    // same process (a pid of 0 is unknown and proves nothing).
    bool owns(const RunningApplication &other) const { return other.window == window || (pid != 0 && other.pid == pid); }
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The application whose window has keyboard focus, none when no window has it.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // Applications with top-level windows, in the window system's order (X11: _NET_CLIENT_LIST,
    // oldest window first).
    virtual QList<RunningApplication> runningApplications() = 0;
    // Asks the window system to bring the application's window to the front and give it focus.
    // Returns once the request is sent; whether it worked shows in frontmostApplication().
    virtual void activate(const RunningApplication &application) = 0;
    // Whether the input focus is in a window of the application: keys sent now reach it.
    virtual bool hasInputFocus(const RunningApplication &application) = 0;
    // Whether the application is in front and holds the input focus (what activate() asks for).
    virtual bool isActive(const RunningApplication &application) = 0;
    // This process's own identifier as its windows carry it, none when it has none.
    virtual std::optional<QString> ownIdentifier() = 0;
};

} // namespace parlix
