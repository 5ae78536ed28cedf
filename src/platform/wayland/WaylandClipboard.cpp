#include "platform/wayland/WaylandClipboard.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SignalWaiter.h"
#include "platform/wayland/WaylandConnection.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QCoroTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace parlix {

namespace {

using namespace std::chrono;

milliseconds remaining(const QElapsedTimer &timer, milliseconds limit)
{
    return std::max(milliseconds(0), limit - milliseconds(timer.elapsed()));
}

// Reads `fd` to its end and closes it; none on an error or when it takes longer than `limit`.
QCoro::Task<std::optional<QByteArray>> readAll(int fd, milliseconds limit)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QSocketNotifier readable(fd, QSocketNotifier::Read);
    QElapsedTimer timer;
    timer.start();
    QByteArray data;
    std::optional<QByteArray> result;
    for (;;) {
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, n);
            continue;
        }
        if (n == 0) {
            result = std::move(data);
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN || remaining(timer, limit).count() == 0)
            break;
        if (!co_await SignalWaiter::emitted(&readable, &QSocketNotifier::activated, remaining(timer, limit)))
            break;
    }
    ::close(fd);
    co_return result;
}

// A pipe as two descriptors, read end first; false when none could be made.
bool makePipe(int (&fds)[2])
{
    return ::pipe2(fds, O_CLOEXEC) == 0;
}

} // namespace

const QStringList WaylandClipboard::textFormats = {
    QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"), QStringLiteral("UTF8_STRING"),
    QStringLiteral("STRING"), QStringLiteral("TEXT"),
};

struct WaylandClipboard::Source {
    WaylandClipboard *owner;
    ClipboardContents contents;
};

WaylandClipboard::WaylandClipboard(WaylandConnection &connection)
    : m_connection(connection)
{
    // A reader that closes its end of the pipe early must not end Parlix with SIGPIPE: the write
    // fails with EPIPE instead.
    std::signal(SIGPIPE, SIG_IGN);
    if (!m_connection.dataControlManager() || !m_connection.seat())
        return;
    static const zwlr_data_control_device_v1_listener listener = {
        .data_offer = &WaylandClipboard::onDataOffer,
        .selection = &WaylandClipboard::onSelection,
        .finished = &WaylandClipboard::onFinished,
        .primary_selection = &WaylandClipboard::onPrimarySelection,
    };
    m_device = zwlr_data_control_manager_v1_get_data_device(m_connection.dataControlManager(), m_connection.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
    m_connection.flush();
}

WaylandClipboard::~WaylandClipboard()
{
    for (auto it = m_sources.begin(); it != m_sources.end(); ++it)
        zwlr_data_control_source_v1_destroy(it.key());
    for (auto it = m_offers.begin(); it != m_offers.end(); ++it)
        zwlr_data_control_offer_v1_destroy(it.key());
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    m_connection.flush();
}

void WaylandClipboard::onDataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    static const zwlr_data_control_offer_v1_listener listener = {
        .offer = [](void *data, zwlr_data_control_offer_v1 *offer, const char *format) {
            auto *self = static_cast<WaylandClipboard *>(data);
            const auto it = self->m_offers.find(offer);
            if (it != self->m_offers.end())
                it->formats.append(QString::fromUtf8(format));
        },
    };
    auto *self = static_cast<WaylandClipboard *>(data);
    self->m_offers.insert(offer, Offer{});
    zwlr_data_control_offer_v1_add_listener(offer, &listener, self);
}

void WaylandClipboard::replaceOffer(zwlr_data_control_offer_v1 *&current, zwlr_data_control_offer_v1 *offer)
{
    // Every selection event brings an offer of its own; the previous one is done with.
    if (current && current != offer) {
        m_offers.remove(current);
        zwlr_data_control_offer_v1_destroy(current);
    }
    current = offer;
}

void WaylandClipboard::onSelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    auto *self = static_cast<WaylandClipboard *>(data);
    self->replaceOffer(self->m_selection, offer);
}

void WaylandClipboard::onPrimarySelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    auto *self = static_cast<WaylandClipboard *>(data);
    self->replaceOffer(self->m_primary, offer);
}

void WaylandClipboard::onFinished(void *data, zwlr_data_control_device_v1 *device)
{
    auto *self = static_cast<WaylandClipboard *>(data);
    log::error(lcPasteManager, "The compositor ended clipboard control");
    zwlr_data_control_device_v1_destroy(device);
    self->m_device = nullptr;
}

bool WaylandClipboard::supports(Selection selection) const
{
    return m_device && (selection == Selection::clipboard || m_connection.dataControlVersion() >= 2);
}

QCoro::Task<ClipboardContents> WaylandClipboard::save(Selection selection)
{
    ClipboardContents contents;
    if (!supports(selection))
        co_return contents;
    zwlr_data_control_offer_v1 *offer = selection == Selection::clipboard ? m_selection : m_primary;
    const QStringList formats = offer ? m_offers.value(offer).formats : QStringList();
    QPointer self(this);
    for (const QString &format : formats) {
        // The selection may change while we read: what was read so far is all there is of the old one.
        if (!self || offer != (selection == Selection::clipboard ? m_selection : m_primary))
            break;
        int fds[2];
        if (!makePipe(fds))
            break;
        zwlr_data_control_offer_v1_receive(offer, format.toUtf8().constData(), fds[1]);
        m_connection.flush();
        ::close(fds[1]);
        const std::optional<QByteArray> bytes = co_await readAll(fds[0], transferLimit);
        if (!bytes) {
            log::info(lcPasteManager, "Clipboard format %s not read within %ld ms", format, qint64(transferLimit.count()));
            continue;
        }
        contents.formats.append({format, *bytes});
    }
    co_return contents;
}

zwlr_data_control_source_v1 *WaylandClipboard::offer(const ClipboardContents &contents, Selection selection)
{
    if (!supports(selection))
        return nullptr;
    static const zwlr_data_control_source_v1_listener listener = {
        .send = [](void *data, zwlr_data_control_source_v1 *, const char *format, int32_t fd) {
            auto *source = static_cast<Source *>(data);
            source->owner->serve(*source, QString::fromUtf8(format), fd);
        },
        .cancelled = [](void *data, zwlr_data_control_source_v1 *source) {
            WaylandClipboard *self = static_cast<Source *>(data)->owner;
            if (self->m_pasteSource == source)
                self->m_pasteSource = nullptr;
            self->m_sources.remove(source);
            zwlr_data_control_source_v1_destroy(source);
        },
    };
    zwlr_data_control_source_v1 *source = zwlr_data_control_manager_v1_create_data_source(m_connection.dataControlManager());
    auto state = std::make_shared<Source>(Source{this, contents});
    m_sources.insert(source, state);
    zwlr_data_control_source_v1_add_listener(source, &listener, state.get());
    for (const auto &[format, bytes] : contents.formats)
        zwlr_data_control_source_v1_offer(source, format.toUtf8().constData());
    if (selection == Selection::clipboard)
        zwlr_data_control_device_v1_set_selection(m_device, source);
    else
        zwlr_data_control_device_v1_set_primary_selection(m_device, source);
    m_connection.flush();
    return source;
}

void WaylandClipboard::serve(Source &source, const QString &format, int fd)
{
    QByteArray bytes;
    for (const auto &[offered, data] : source.contents.formats) {
        if (offered == format) {
            bytes = data;
            break;
        }
    }
    const auto it = std::find_if(m_sources.cbegin(), m_sources.cend(), [&](const auto &s) { return s.get() == &source; });
    const bool counted = m_counting && it != m_sources.cend() && it.key() == m_pasteSource;
    write(fd, bytes, counted);
}

QCoro::Task<> WaylandClipboard::write(int fd, QByteArray bytes, bool counted)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    QPointer self(this);
    ++m_writesRunning;
    emit transfersChanged();
    QSocketNotifier writable(fd, QSocketNotifier::Write);
    QElapsedTimer timer;
    timer.start();
    qsizetype written = 0;
    bool complete = bytes.isEmpty();
    while (!complete) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0) {
            written += n;
            complete = written == bytes.size();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            break; // the reader went away
        if (!co_await SignalWaiter::emitted(&writable, &QSocketNotifier::activated, remaining(timer, transferLimit)) || !self)
            break;
    }
    ::close(fd);
    if (!self)
        co_return;
    --m_writesRunning;
    if (complete && counted)
        ++m_readsDone;
    emit transfersChanged();
}

QCoro::Task<> WaylandClipboard::restore(ClipboardContents contents, Selection selection)
{
    if (!supports(selection))
        co_return;
    if (contents.isEmpty()) {
        if (selection == Selection::clipboard)
            zwlr_data_control_device_v1_set_selection(m_device, nullptr);
        else
            zwlr_data_control_device_v1_set_primary_selection(m_device, nullptr);
        m_connection.flush();
    } else {
        offer(contents, selection);
    }
    co_await m_connection.roundTrip();
}

QCoro::Task<bool> WaylandClipboard::putText(QString text, Selection selection)
{
    ClipboardContents contents;
    const QByteArray utf8 = text.toUtf8();
    for (const QString &format : textFormats)
        contents.formats.append({format, utf8});
    m_counting = false;
    m_pasteSource = offer(contents, selection);
    if (!m_pasteSource)
        co_return false;
    // Once the compositor has handled the request, the selection is ours for every reader.
    co_return co_await m_connection.roundTrip() && m_pasteSource;
}

void WaylandClipboard::expectRead()
{
    m_counting = true;
    m_readsDone = 0;
}

QCoro::Task<bool> WaylandClipboard::waitUntilRead(quint64 window, std::chrono::milliseconds bound)
{
    Q_UNUSED(window);
    QPointer self(this);
    QElapsedTimer timer;
    timer.start();
    // Until one read has been written whole and no other is under way, and then quiet for a moment.
    for (;;) {
        while (self && (m_readsDone == 0 || m_writesRunning > 0)) {
            if (remaining(timer, bound).count() == 0
                || !co_await SignalWaiter::emitted(this, &WaylandClipboard::transfersChanged, remaining(timer, bound)))
                co_return false;
        }
        if (!self)
            co_return false;
        if (!co_await SignalWaiter::emitted(this, &WaylandClipboard::transfersChanged, readerQuiet))
            break; // nothing more asked
    }
    if (self)
        m_counting = false;
    co_return true;
}

bool WaylandClipboard::setText(const QString &text)
{
    ClipboardContents contents;
    const QByteArray utf8 = text.toUtf8();
    for (const QString &format : textFormats)
        contents.formats.append({format, utf8});
    return offer(contents, Selection::clipboard) != nullptr;
}

} // namespace parlix
