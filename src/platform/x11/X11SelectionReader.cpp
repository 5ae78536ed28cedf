#include "platform/x11/X11SelectionReader.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SignalWaiter.h"
#include "platform/x11/XcbAtom.h"

#include <QSet>
#include <QSocketNotifier>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace parlix {

namespace {

// Targets that carry no data of their own: the selection protocol's (ICCCM 2.6.2), and those whose
// value names a server resource of the owner's, which goes away with the owner.
const QSet<QByteArray> notData = {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE", "INSERT_SELECTION",
                                  "INSERT_PROPERTY", "PIXMAP", "BITMAP", "DRAWABLE", "COLORMAP"};

// Qt reads a format from the first of these targets the owner offers, else from the target of
// the format's own name (QXcbMime::mimeAtomForFormat).
const QList<QByteArray> preferredTargets = {"UTF8_STRING", "STRING", "TEXT", "text/uri-list"};

qsizetype preference(const QByteArray &target)
{
    const qsizetype at = preferredTargets.indexOf(target);
    return at < 0 ? preferredTargets.size() : at;
}

// The name Qt's clipboard gives a target (QXcbMime::mimeAtomToString).
QString formatName(const QByteArray &target)
{
    if (target == "UTF8_STRING" || target == "STRING" || target == "TEXT")
        return QStringLiteral("text/plain");
    if (target == "text/x-moz-url")
        return QStringLiteral("text/uri-list");
    return QString::fromLatin1(target);
}

// The bytes as Qt hands them over: its text/plain is UTF-8 whichever target it came from (STRING
// and TEXT read as Latin-1), and a Mozilla URL (UTF-16: the address, then a line with the
// title) is the address.
QByteArray formatData(const QByteArray &target, const QByteArray &data)
{
    if (target == "STRING" || target == "TEXT")
        return QString::fromLatin1(data).toUtf8();
    if (target == "text/x-moz-url") {
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.constData()), data.size() / 2);
        return QUrl(text.section(QLatin1Char('\n'), 0, 0).trimmed()).toEncoded();
    }
    return data;
}

// What to ask the owner for: one target per format name, the one Qt would read.
struct Source {
    QString format;
    xcb_atom_t target;
    QByteArray targetName;
};

QList<Source> sourcesOf(const QList<xcb_atom_t> &targets, const QList<QByteArray> &names)
{
    QList<Source> sources;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const QByteArray &name = names[i];
        if (name.isEmpty() || notData.contains(name))
            continue;
        const QString format = formatName(name);
        auto same = std::find_if(sources.begin(), sources.end(), [&](const Source &s) { return s.format == format; });
        if (same == sources.end())
            sources.append({format, targets[i], name});
        else if (preference(name) < preference(same->targetName))
            *same = {format, targets[i], name};
    }
    return sources;
}

QDeadlineTimer earlier(QDeadlineTimer a, QDeadlineTimer b)
{
    return a.deadlineNSecs() < b.deadlineNSecs() ? a : b;
}

// Each answer of the owner's is awaited at most stepBound, and never past the whole read's end.
QDeadlineTimer nextStep(QDeadlineTimer whole)
{
    return earlier(QDeadlineTimer(X11SelectionReader::stepBound), whole);
}

uint8_t typeOf(const xcb_generic_event_t &event)
{
    return event.response_type & 0x7f;
}

} // namespace

X11SelectionReader::X11SelectionReader()
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screen);
    m_window = xcb_generate_id(m_connection);
    // Never mapped; the owner writes the data to its properties and we hear of every change.
    const uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    m_clipboard = internAtom(m_connection, "CLIPBOARD");
    m_targets = internAtom(m_connection, "TARGETS");
    m_incr = internAtom(m_connection, "INCR");
    m_timeProperty = internAtom(m_connection, "_PARLIX_TIME");
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        queueEvents();
        if (xcb_connection_has_error(m_connection))
            m_notifier->setEnabled(false);
        emit eventsQueued();
    });
}

X11SelectionReader::~X11SelectionReader()
{
    if (!m_connection)
        return;
    delete m_notifier; // before its socket closes
    xcb_disconnect(m_connection);
}

void X11SelectionReader::queueEvents()
{
    // Also takes the events the library read from the socket while it waited for a reply.
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        m_events.emplace_back(event);
}

QCoro::Task<X11SelectionReader::Event> X11SelectionReader::nextEvent(EventTest wanted, QDeadlineTimer deadline)
{
    for (;;) {
        queueEvents();
        while (!m_events.empty()) {
            Event event = std::move(m_events.front());
            m_events.pop_front();
            if (wanted(*event))
                co_return event;
        }
        if (deadline.hasExpired() || xcb_connection_has_error(m_connection))
            co_return Event{};
        co_await SignalWaiter::emitted(this, &X11SelectionReader::eventsQueued, std::chrono::milliseconds(deadline.remainingTime()));
    }
}

QCoro::Task<xcb_timestamp_t> X11SelectionReader::serverTime(QDeadlineTimer deadline)
{
    // Appending nothing to a property is still a change, reported with the server's time.
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, m_timeProperty, XCB_ATOM_INTEGER, 32, 0, nullptr);
    xcb_flush(m_connection);
    const Event changed = co_await nextEvent(
        [this](const xcb_generic_event_t &event) {
            const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
            return typeOf(event) == XCB_PROPERTY_NOTIFY && notify.window == m_window && notify.atom == m_timeProperty;
        },
        deadline);
    co_return changed ? reinterpret_cast<const xcb_property_notify_event_t *>(changed.get())->time : xcb_timestamp_t(XCB_CURRENT_TIME);
}

std::optional<X11SelectionReader::Property> X11SelectionReader::takeProperty(xcb_atom_t property)
{
    // A question to the server, which holds the data: answered at once, whatever the owner does.
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4), nullptr);
    if (!reply || reply->type == XCB_NONE) {
        std::free(reply);
        return std::nullopt;
    }
    Property taken{reply->type, QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply))};
    std::free(reply);
    return taken;
}

QCoro::Task<X11SelectionReader::Conversion> X11SelectionReader::convert(xcb_atom_t selection, xcb_atom_t target,
                                                                        xcb_timestamp_t time, QDeadlineTimer whole)
{
    // Into a property named after the target: a late answer to an earlier conversion cannot land
    // in this one's.
    xcb_delete_property(m_connection, m_window, target);
    xcb_convert_selection(m_connection, m_window, selection, target, target, time);
    xcb_flush(m_connection);
    const Event notified = co_await nextEvent(
        [this, selection, target](const xcb_generic_event_t &event) {
            const auto &notify = reinterpret_cast<const xcb_selection_notify_event_t &>(event);
            return typeOf(event) == XCB_SELECTION_NOTIFY && notify.requestor == m_window && notify.selection == selection
                && notify.target == target;
        },
        nextStep(whole));
    if (!notified)
        co_return {{}, "no answer"};
    const xcb_atom_t property = reinterpret_cast<const xcb_selection_notify_event_t *>(notified.get())->property;
    if (property == XCB_NONE)
        co_return {{}, "refused"};
    const std::optional<Property> first = takeProperty(property);
    if (!first)
        co_return {{}, "no data"};
    if (first->type != m_incr)
        co_return {first->data};

    // In pieces: taking (deleting) each one asks for the next; an empty one is the end.
    QByteArray data;
    for (;;) {
        const Event written = co_await nextEvent(
            [this, property](const xcb_generic_event_t &event) {
                const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
                return typeOf(event) == XCB_PROPERTY_NOTIFY && notify.window == m_window && notify.atom == property
                    && notify.state == XCB_PROPERTY_NEW_VALUE;
            },
            nextStep(whole));
        if (!written)
            co_return {{}, "stopped sending"};
        const std::optional<Property> piece = takeProperty(property);
        if (!piece)
            co_return {{}, "no data"};
        if (piece->data.isEmpty())
            co_return {data};
        data += piece->data;
    }
}

QCoro::Task<ClipboardContents> X11SelectionReader::read(Clipboard::Selection which)
{
    ClipboardContents contents;
    if (!m_connection)
        co_return contents;
    const QDeadlineTimer whole(readBound);
    const xcb_atom_t selection = which == Clipboard::Selection::primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : m_clipboard;
    xcb_window_t owner = XCB_NONE;
    if (auto *reply = xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, selection), nullptr)) {
        owner = reply->owner;
        std::free(reply);
    }
    if (owner == XCB_NONE)
        co_return contents;
    const QString ownerName = QStringLiteral("0x%1").arg(owner, 0, 16);

    // The owner refuses a request stamped before it took the selection: stamp ours with now.
    const xcb_timestamp_t time = co_await serverTime(nextStep(whole));
    const Conversion list = co_await convert(selection, m_targets, time, whole);
    if (list.failure) {
        log::info(lcPasteManager, "Clipboard owner %s gave no list of formats (%s): nothing saved", ownerName, list.failure);
        co_return contents;
    }
    QList<xcb_atom_t> targets(list.data.size() / qsizetype(sizeof(xcb_atom_t)));
    std::memcpy(targets.data(), list.data.constData(), size_t(targets.size()) * sizeof(xcb_atom_t));
    QList<xcb_get_atom_name_cookie_t> cookies;
    for (const xcb_atom_t target : targets)
        cookies.append(xcb_get_atom_name(m_connection, target));
    QList<QByteArray> names;
    for (const xcb_get_atom_name_cookie_t cookie : cookies) {
        xcb_get_atom_name_reply_t *reply = xcb_get_atom_name_reply(m_connection, cookie, nullptr);
        names.append(reply ? QByteArray(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply)) : QByteArray());
        std::free(reply);
    }

    for (const Source &source : sourcesOf(targets, names)) {
        if (whole.hasExpired()) {
            log::info(lcPasteManager, "Clipboard format %s of owner %s not saved: the read ran out of its %ld ms",
                      source.format, ownerName, qint64(readBound.count()));
            continue;
        }
        const Conversion conversion = co_await convert(selection, source.target, time, whole);
        if (conversion.failure) {
            log::info(lcPasteManager, "Clipboard format %s of owner %s not saved: %s", source.format, ownerName,
                      conversion.failure);
            continue;
        }
        contents.formats.append({source.format, formatData(source.targetName, conversion.data)});
    }
    co_return contents;
}

} // namespace parlix
