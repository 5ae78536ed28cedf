#include "platform/x11/X11Clipboard.h"

#include <QAbstractNativeEventFilter>
#include <QBuffer>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace parlix {

namespace {
// Qt adds this for any image format the owner offers; it carries a QImage, not bytes of its own.
const QString qtImageFormat = QStringLiteral("application/x-qt-image");
} // namespace

// A hidden window of ours whose property we touch: the server answers with a PropertyNotify
// carrying its current time, which Qt takes as its own when it handles the event.
struct X11Clipboard::TimeSource : QAbstractNativeEventFilter {
    QWindow window;
    xcb_connection_t *connection = nullptr;
    xcb_atom_t property = XCB_ATOM_NONE;
    bool seen = false;

    TimeSource()
    {
        window.create();
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
            return;
        }
        static const char name[] = "_PARLIX_TIME";
        if (auto *reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr)) {
            property = reply->atom;
            std::free(reply);
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TimeSource() override
    {
        if (connection) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
            xcb_disconnect(connection);
        }
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            if (notify->window == window.winId() && notify->atom == property)
                seen = true;
        }
        return false; // Qt still handles it, and takes its time
    }
};

X11Clipboard::X11Clipboard() = default;
X11Clipboard::~X11Clipboard() = default;

void X11Clipboard::refreshServerTime()
{
    if (!m_time)
        m_time = std::make_unique<TimeSource>();
    if (!m_time->connection || m_time->property == XCB_ATOM_NONE)
        return;
    m_time->seen = false;
    const char value = 0;
    xcb_change_property(m_time->connection, XCB_PROP_MODE_REPLACE, xcb_window_t(m_time->window.winId()), m_time->property,
                        XCB_ATOM_CARDINAL, 8, 1, &value);
    xcb_flush(m_time->connection);
    // Qt reads its events on a thread of its own; handle them here until ours has been through.
    QDeadlineTimer deadline(500);
    while (!m_time->seen && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
}

ClipboardContents X11Clipboard::save()
{
    ClipboardContents contents;
    // The owner refuses a request stamped earlier than its ownership, and it may have taken the
    // clipboard after the last event we saw.
    refreshServerTime();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return contents;
    bool hasImageBytes = false;
    for (const QString &format : data->formats()) {
        if (format == qtImageFormat)
            continue;
        hasImageBytes = hasImageBytes || format.startsWith(QLatin1String("image/"));
        contents.formats.append({format, data->data(format)});
    }
    // An image set as a QImage only (by this process) is kept as PNG.
    if (!hasImageBytes && data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.isNull() && image.save(&buffer, "PNG"))
            contents.formats.append({QStringLiteral("image/png"), png});
    }
    return contents;
}

void X11Clipboard::restore(const ClipboardContents &contents)
{
    auto *data = new QMimeData;
    for (const auto &[format, bytes] : contents.formats)
        data->setData(format, bytes);
    refreshServerTime();
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

bool X11Clipboard::setText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    refreshServerTime();
    clipboard->setText(text, QClipboard::Clipboard);
    // Qt reports no error; owning the selection with our text is what counts.
    return clipboard->ownsClipboard() && clipboard->text(QClipboard::Clipboard) == text;
}

std::optional<QString> X11Clipboard::text()
{
    refreshServerTime();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

} // namespace parlix
