#include "platform/x11/X11SelectionWatch.h"

#include "platform/x11/XcbAtom.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdlib>

namespace parlix {

X11SelectionWatch::X11SelectionWatch()
{
    m_window.create();
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_resourceMask = xcb_get_setup(m_connection)->resource_id_mask;
    m_timeProperty = internAtom(m_connection, "_PARLIX_TIME");
    m_clipboard = internAtom(m_connection, "CLIPBOARD");
    m_targets = internAtom(m_connection, "TARGETS");
    m_timestamp = internAtom(m_connection, "TIMESTAMP");
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11SelectionWatch::~X11SelectionWatch()
{
    if (!m_connection)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_disconnect(m_connection);
}

void X11SelectionWatch::requestTime()
{
    m_timeSeen = false;
    if (!m_connection)
        return;
    const char value = 0;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, xcb_window_t(m_window.winId()), m_timeProperty,
                        XCB_ATOM_CARDINAL, 8, 1, &value);
    xcb_flush(m_connection);
}

void X11SelectionWatch::recordReads(Clipboard::Selection selection)
{
    m_recorded = selection == Clipboard::Selection::primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : m_clipboard;
    m_requests.clear();
    m_clock.start();
}

bool X11SelectionWatch::sameClient(quint32 requestor, quint64 window) const
{
    // Every resource a client creates carries the client's own base in its high bits.
    return window == 0 || (requestor & ~m_resourceMask) == (quint32(window) & ~m_resourceMask);
}

bool X11SelectionWatch::wasReadBy(quint64 window) const
{
    for (const Request &request : m_requests) {
        if (request.data && sameClient(request.requestor, window))
            return true;
    }
    return false;
}

qint64 X11SelectionWatch::sinceLastRequestBy(quint64 window) const
{
    for (auto it = m_requests.crbegin(); it != m_requests.crend(); ++it) {
        if (sameClient(it->requestor, window))
            return m_clock.elapsed() - it->at;
    }
    return -1;
}

bool X11SelectionWatch::nativeEventFilter(const QByteArray &type, void *message, qintptr *)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (notify->window == m_window.winId() && notify->atom == m_timeProperty) {
            // Qt takes the time from this event once we return: tell the waiter afterwards.
            QTimer::singleShot(0, this, [this] {
                m_timeSeen = true;
                emit timeSeen();
            });
        }
        break;
    }
    case XCB_SELECTION_REQUEST: {
        const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
        if (request->selection == m_recorded && m_clock.isValid()) {
            // Qt answers the request once we return: note it afterwards.
            const Request seen{request->requestor, request->target != m_targets && request->target != m_timestamp, 0};
            QTimer::singleShot(0, this, [this, seen] {
                m_requests.append(seen);
                m_requests.last().at = m_clock.elapsed();
                emit requested();
            });
        }
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace parlix
