#pragma once
// Windows as an EWMH window manager publishes them: _NET_ACTIVE_WINDOW (frontmost),
// _NET_CLIENT_LIST (running), WM_CLASS / _NET_WM_PID (identifier, pid); activation by the
// _NET_ACTIVE_WINDOW client message. Without such a window manager, the input focus stands in.
#include "platform/WindowSystem.h"

#include <QHash>

#include <xcb/xcb.h>

namespace parlix {

class X11WindowSystem : public WindowSystem {
public:
    // Connects to the display named by DISPLAY. `ownIdentifier` is the WM_CLASS class of this
    // process's windows; by default the one Qt gives them.
    explicit X11WindowSystem(std::optional<QString> ownIdentifier = defaultOwnIdentifier());
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem &) = delete;
    X11WindowSystem &operator=(const X11WindowSystem &) = delete;

    bool isConnected() const { return m_connection != nullptr; }

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    void activate(const RunningApplication &application) override;
    bool hasInputFocus(const RunningApplication &application) override;
    bool isActive(const RunningApplication &application) override;
    std::optional<QString> ownIdentifier() override { return m_own; }

    // The application a window stands for (its WM_CLASS, pid, type), none for a window that is gone.
    std::optional<RunningApplication> describe(xcb_window_t window);

    static std::optional<QString> defaultOwnIdentifier();

private:
    xcb_atom_t atom(const char *name);
    QList<quint32> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
    bool supports(xcb_atom_t property);
    xcb_window_t focusedTopLevel();
    // The window holding the input focus and its ancestors up to (not including) the root.
    QList<xcb_window_t> focusChain();

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    std::optional<QString> m_own;
    QHash<QByteArray, xcb_atom_t> m_atoms;
};

} // namespace parlix
