#pragma once
// Parlix's own connection to the Wayland compositor, apart from Qt's: the globals delivery needs
// (the seat, the virtual keyboard manager, the data control manager), events dispatched from the
// main thread's event loop, and round trips that are awaited instead of blocking.
//
// A connection of our own keeps typing and the clipboard independent of the Qt platform plugin
// (they work the same whether Qt draws through wayland or through XWayland) and keeps our
// objects off Qt's event queue, which Qt reads on a thread of its own.
#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_data_control_manager_v1;
class QSocketNotifier;

namespace parlix {

class WaylandConnection : public QObject {
    Q_OBJECT
public:
    // Longest wait for the compositor to answer a round trip.
    static constexpr std::chrono::milliseconds roundTripLimit{2000};

    // Connects to the compositor named by WAYLAND_DISPLAY and learns its globals (two blocking
    // round trips, as opening any display connection does).
    WaylandConnection();
    ~WaylandConnection() override;
    WaylandConnection(const WaylandConnection &) = delete;
    WaylandConnection &operator=(const WaylandConnection &) = delete;

    bool isConnected() const { return m_display != nullptr; }
    wl_display *display() const { return m_display; }
    wl_seat *seat() const { return m_seat; }
    zwp_virtual_keyboard_manager_v1 *virtualKeyboardManager() const { return m_keyboardManager; }
    zwlr_data_control_manager_v1 *dataControlManager() const { return m_dataControl; }
    quint32 dataControlVersion() const { return m_dataControlVersion; }

    // Sends queued requests now.
    void flush();
    // Resolves once the compositor has handled every request sent so far (and we have read the
    // events it sent before answering); false when it did not answer in time or is gone.
    QCoro::Task<bool> roundTrip();

signals:
    // The seat's keyboard has a new keymap: one uploaded for a keyboard, or the seat switched to
    // another keyboard, or the compositor configured one anew (sway does on a layout change).
    void keymapChanged();
    // A wl_display.sync answered: `serial` counts the syncs sent.
    void synced(quint64 serial);
    // The compositor closed the connection; nothing more can be sent.
    void lost();

private:
    static void onGlobal(void *data, wl_registry *registry, quint32 name, const char *interface, quint32 version);
    static void onGlobalRemove(void *data, wl_registry *registry, quint32 name);
    static void onCapabilities(void *data, wl_seat *seat, quint32 capabilities);
    void dispatch();

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    // Only to learn of keymap changes: we never have the focus.
    wl_keyboard *m_keyboard = nullptr;
    zwp_virtual_keyboard_manager_v1 *m_keyboardManager = nullptr;
    zwlr_data_control_manager_v1 *m_dataControl = nullptr;
    quint32 m_dataControlVersion = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    quint64 m_syncsSent = 0;
    quint64 m_syncsDone = 0;
};

} // namespace parlix
