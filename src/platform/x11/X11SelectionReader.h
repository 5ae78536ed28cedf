#pragma once
// Reads every format another client holds in a selection without ever waiting for that client on
// the main thread: a connection and a hidden window of its own, each answer awaited through a
// socket notifier. A slow or silent owner costs at most the bounds below; what it has not sent
// by then is left out. Large data sent in pieces (INCR) is collected piece by piece.
//
// One reader serves one read: an owner that answers after we gave up writes to a window that is
// gone with the reader, never into a later read.
#include "platform/Clipboard.h"

#include <QDeadlineTimer>
#include <QObject>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include <xcb/xcb.h>

class QSocketNotifier;

namespace parlix {

class X11SelectionReader : public QObject {
    Q_OBJECT
public:
    // Longest wait for the owner's next answer: a conversion, or the next piece of one.
    static constexpr std::chrono::milliseconds stepBound{1000};
    // Longest a whole read may take.
    static constexpr std::chrono::milliseconds readBound{2000};

    X11SelectionReader();
    ~X11SelectionReader() override;

    // Every data format the selection's owner offers, named and encoded as Qt's clipboard hands
    // them over (so that Qt, given them back, offers the same targets again), in the owner's
    // order. Empty when nobody owns the selection or the owner did not answer in time.
    QCoro::Task<ClipboardContents> read(Clipboard::Selection selection);

signals:
    void eventsQueued();

private:
    struct FreeEvent {
        void operator()(xcb_generic_event_t *event) const { std::free(event); }
    };
    using Event = std::unique_ptr<xcb_generic_event_t, FreeEvent>;
    using EventTest = std::function<bool(const xcb_generic_event_t &)>;
    // One conversion's data, or why there is none (for the log).
    struct Conversion {
        QByteArray data;
        const char *failure = nullptr;
    };
    struct Property {
        xcb_atom_t type = XCB_NONE;
        QByteArray data;
    };

    void queueEvents();
    // The first event passing `wanted` (earlier ones are dropped: nothing else waits here), or
    // none once `deadline` has passed.
    QCoro::Task<Event> nextEvent(EventTest wanted, QDeadlineTimer deadline);
    QCoro::Task<xcb_timestamp_t> serverTime(QDeadlineTimer deadline);
    QCoro::Task<Conversion> convert(xcb_atom_t selection, xcb_atom_t target, xcb_timestamp_t time, QDeadlineTimer whole);
    // Reads and deletes a property of our window; nullopt when it does not exist.
    std::optional<Property> takeProperty(xcb_atom_t property);

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_targets = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    xcb_atom_t m_timeProperty = XCB_ATOM_NONE;
    QSocketNotifier *m_notifier = nullptr;
    std::deque<Event> m_events;
};

} // namespace parlix
