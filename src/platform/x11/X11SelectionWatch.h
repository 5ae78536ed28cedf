#pragma once
// Watches the events Qt's own X connection handles for the clipboard: the server time reaching
// Qt (Qt stamps selection ownership with the last time it saw) and other clients' requests for
// the selections we own (the target reading a pasted text).
#include "platform/Clipboard.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QWindow>

#include <xcb/xcb.h>

namespace parlix {

class X11SelectionWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    X11SelectionWatch();
    ~X11SelectionWatch() override;

    bool isValid() const { return m_connection != nullptr; }

    // Touches a property of a hidden window of ours; timeSeen() follows once Qt has handled the
    // change and taken the server's current time from it.
    void requestTime();
    bool timeWasSeen() const { return m_timeSeen; }

    // Starts a new record of the clients' requests for `selection`, each noted once Qt has
    // answered it.
    void recordReads(Clipboard::Selection selection);
    // Whether a client owning `window` (any client for 0) has read data (a conversion other than
    // the list of formats) since recordReads().
    bool wasReadBy(quint64 window) const;
    // Milliseconds since that client's last request of any kind, -1 when it made none.
    qint64 sinceLastRequestBy(quint64 window) const;

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override;

signals:
    void timeSeen();
    void requested();

private:

    QWindow m_window;
    xcb_connection_t *m_connection = nullptr;
    xcb_atom_t m_timeProperty = XCB_ATOM_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_targets = XCB_ATOM_NONE;
    xcb_atom_t m_timestamp = XCB_ATOM_NONE;
    quint32 m_resourceMask = 0;
    bool m_timeSeen = false;
    xcb_atom_t m_recorded = XCB_ATOM_NONE;
    struct Request {
        quint32 requestor;
        bool data;
        qint64 at; // ms on m_clock
    };
    bool sameClient(quint32 requestor, quint64 window) const;

    QList<Request> m_requests;
    QElapsedTimer m_clock;
};

} // namespace parlix
