#include "platform/wayland/WaylandConnection.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SignalWaiter.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QSocketNotifier>

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace parlix {

namespace {

struct SyncTicket {
    WaylandConnection *connection;
    quint64 serial;
};

} // namespace

WaylandConnection::WaylandConnection()
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        log::error(lcPasteManager, "Cannot connect to the Wayland compositor: %s", QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    static const wl_registry_listener listener = {.global = &WaylandConnection::onGlobal,
                                                  .global_remove = &WaylandConnection::onGlobalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &listener, this);
    // The globals, then the first events of what was bound.
    wl_display_roundtrip(m_display);
    wl_display_roundtrip(m_display);

    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &WaylandConnection::dispatch);
}

WaylandConnection::~WaylandConnection()
{
    if (!m_display)
        return;
    m_notifier.reset();
    if (m_keyboardManager)
        zwp_virtual_keyboard_manager_v1_destroy(m_keyboardManager);
    if (m_dataControl)
        zwlr_data_control_manager_v1_destroy(m_dataControl);
    if (m_keyboard)
        wl_keyboard_destroy(m_keyboard);
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

void WaylandConnection::onGlobal(void *data, wl_registry *registry, quint32 name, const char *interface, quint32 version)
{
    auto *self = static_cast<WaylandConnection *>(data);
    const QByteArray id(interface);
    // The first seat: desktops have one, and the virtual keyboard and the selection belong to it.
    if (id == wl_seat_interface.name && !self->m_seat) {
        static const wl_seat_listener listener = {.capabilities = &WaylandConnection::onCapabilities, .name = nullptr};
        self->m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(self->m_seat, &listener, self);
    } else if (id == zwp_virtual_keyboard_manager_v1_interface.name && !self->m_keyboardManager) {
        self->m_keyboardManager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (id == zwlr_data_control_manager_v1_interface.name && !self->m_dataControl) {
        self->m_dataControlVersion = std::min<quint32>(version, 2);
        self->m_dataControl = static_cast<zwlr_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, self->m_dataControlVersion));
    }
}

void WaylandConnection::onGlobalRemove(void *, wl_registry *, quint32)
{
    // A seat or manager going away while we run is not something desktops do; the objects we
    // hold become inert and requests on them are ignored by the compositor.
}

void WaylandConnection::onCapabilities(void *data, wl_seat *seat, quint32 capabilities)
{
    auto *self = static_cast<WaylandConnection *>(data);
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (keyboard && !self->m_keyboard) {
        static const wl_keyboard_listener listener = {
            .keymap = [](void *data, wl_keyboard *, quint32, int32_t fd, quint32) {
                ::close(fd);
                emit static_cast<WaylandConnection *>(data)->keymapChanged();
            },
            .enter = [](void *, wl_keyboard *, quint32, wl_surface *, wl_array *) {},
            .leave = [](void *, wl_keyboard *, quint32, wl_surface *) {},
            .key = [](void *, wl_keyboard *, quint32, quint32, quint32, quint32) {},
            .modifiers = [](void *, wl_keyboard *, quint32, quint32, quint32, quint32, quint32) {},
            .repeat_info = nullptr, // version 4; we bind version 1
        };
        self->m_keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->m_keyboard, &listener, self);
    } else if (!keyboard && self->m_keyboard) {
        wl_keyboard_destroy(self->m_keyboard);
        self->m_keyboard = nullptr;
    }
}

void WaylandConnection::flush()
{
    if (m_display && wl_display_flush(m_display) < 0 && errno != EAGAIN)
        dispatch(); // reports the lost connection
}

void WaylandConnection::dispatch()
{
    if (!m_display || !m_notifier || !m_notifier->isEnabled())
        return;
    // The socket is readable: reading does not block.
    if (wl_display_prepare_read(m_display) == 0)
        wl_display_read_events(m_display);
    if (wl_display_dispatch_pending(m_display) < 0 || wl_display_get_error(m_display) != 0) {
        log::error(lcPasteManager, "Lost the connection to the Wayland compositor: %s",
                   QString::fromLocal8Bit(std::strerror(wl_display_get_error(m_display))));
        m_notifier->setEnabled(false);
        emit lost();
        return;
    }
    wl_display_flush(m_display);
}

QCoro::Task<bool> WaylandConnection::roundTrip()
{
    if (!m_display || !m_notifier || !m_notifier->isEnabled())
        co_return false;
    static const wl_callback_listener listener = {
        .done = [](void *data, wl_callback *callback, quint32) {
            auto *ticket = static_cast<SyncTicket *>(data);
            ticket->connection->m_syncsDone = std::max(ticket->connection->m_syncsDone, ticket->serial);
            emit ticket->connection->synced(ticket->serial);
            wl_callback_destroy(callback);
            delete ticket;
        },
    };
    const quint64 serial = ++m_syncsSent;
    wl_callback_add_listener(wl_display_sync(m_display), &listener, new SyncTicket{this, serial});
    flush();
    while (m_syncsDone < serial) {
        if (!(co_await SignalWaiter::emitted(this, &WaylandConnection::synced, roundTripLimit)))
            co_return m_syncsDone >= serial;
    }
    co_return true;
}

} // namespace parlix
