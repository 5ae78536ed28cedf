#include "SelectionOwner.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace parlix::test {

namespace {
xcb_atom_t intern(xcb_connection_t *connection, const QByteArray &name)
{
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (auto *reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr)) {
        atom = reply->atom;
        std::free(reply);
    }
    return atom;
}
} // namespace

SelectionOwner::SelectionOwner(QList<Target> targets, std::chrono::milliseconds delay)
    : m_targets(std::move(targets))
    , m_delay(delay)
{
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    m_window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    m_clipboard = intern(m_connection, "CLIPBOARD");
    m_targetsAtom = intern(m_connection, "TARGETS");
    m_incr = intern(m_connection, "INCR");
    for (const Target &target : m_targets)
        m_atoms.append(intern(m_connection, target.name));
    xcb_set_selection_owner(m_connection, m_window, m_clipboard, XCB_CURRENT_TIME);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SelectionOwner::handleEvents);
    xcb_flush(m_connection);
}

SelectionOwner::~SelectionOwner()
{
    xcb_disconnect(m_connection);
}

bool SelectionOwner::ownsClipboard() const
{
    auto *reply = xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr);
    const bool owns = reply && reply->owner == m_window;
    std::free(reply);
    return owns;
}

void SelectionOwner::handleEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto request = *reinterpret_cast<const xcb_selection_request_event_t *>(event);
            QTimer::singleShot(m_delay, this, [this, request] { answer(request); });
        } else if (type == XCB_PROPERTY_NOTIFY && m_transfer) {
            // The requestor took the last piece: the next one, or the empty one that ends it.
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            if (notify->window == m_transfer->requestor && notify->atom == m_transfer->property
                && notify->state == XCB_PROPERTY_DELETE)
                sendNextPiece();
        }
        std::free(event);
    }
}

void SelectionOwner::answer(const xcb_selection_request_event_t &request)
{
    const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
    const qsizetype at = m_atoms.indexOf(request.target);
    const Answer how = at >= 0 ? m_targets[at].answer : request.target == m_targetsAtom ? Answer::data : Answer::refused;
    if (how == Answer::never)
        return;
    xcb_selection_notify_event_t notify = {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = how == Answer::refused ? xcb_atom_t(XCB_NONE) : property;
    if (how == Answer::data && request.target == m_targetsAtom) {
        const QList<xcb_atom_t> offered = QList<xcb_atom_t>{m_targetsAtom} + m_atoms;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(offered.size()), offered.constData());
    } else if (how == Answer::data && m_targets[at].data.size() > pieceBytes) {
        // Too large for one property: announce the size, then a piece at each deletion.
        const uint32_t size = uint32_t(m_targets[at].data.size());
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, m_incr, 32, 1, &size);
        m_transfer = Transfer{request.requestor, property, request.target, m_targets[at].data};
    } else if (how == Answer::data) {
        const QByteArray &data = m_targets[at].data;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target, 8,
                            uint32_t(data.size()), data.constData());
    }
    xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&notify));
    xcb_flush(m_connection);
    m_answered = true;
}

void SelectionOwner::sendNextPiece()
{
    Transfer &t = *m_transfer;
    const qsizetype size = std::min<qsizetype>(pieceBytes, t.data.size() - t.sent);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type, 8, uint32_t(size),
                        t.data.constData() + t.sent);
    xcb_flush(m_connection);
    if (size == 0)
        m_transfer.reset();
    else
        t.sent += size;
}

} // namespace parlix::test
