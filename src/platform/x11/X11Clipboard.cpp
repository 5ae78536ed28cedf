#include "platform/x11/X11Clipboard.h"

#include "core/SignalWaiter.h"
#include "platform/x11/X11SelectionReader.h"
#include "platform/x11/X11SelectionWatch.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>

namespace parlix {

namespace {
QClipboard::Mode modeOf(Clipboard::Selection selection)
{
    return selection == Clipboard::Selection::primary ? QClipboard::Selection : QClipboard::Clipboard;
}
} // namespace

X11Clipboard::X11Clipboard() = default;
X11Clipboard::~X11Clipboard() = default;

X11SelectionWatch &X11Clipboard::watch()
{
    if (!m_watch)
        m_watch = std::make_unique<X11SelectionWatch>();
    return *m_watch;
}

QCoro::Task<> X11Clipboard::refreshServerTime()
{
    X11SelectionWatch &w = watch();
    if (!w.isValid())
        co_return;
    w.requestTime();
    if (!w.timeWasSeen())
        co_await SignalWaiter::emitted(&w, &X11SelectionWatch::timeSeen, serverTimeWait);
}

QCoro::Task<ClipboardContents> X11Clipboard::save(Selection selection)
{
    // Not through Qt's clipboard, which blocks the main thread while the owner answers (up to
    // seconds a format). A reader of its own for each save: an owner answering after it gave up
    // writes to a window that is gone.
    X11SelectionReader reader;
    co_return co_await reader.read(selection);
}

QCoro::Task<> X11Clipboard::restore(ClipboardContents contents, Selection selection)
{
    co_await refreshServerTime();
    if (contents.isEmpty()) {
        QGuiApplication::clipboard()->clear(modeOf(selection));
        co_return;
    }
    auto *data = new QMimeData;
    for (const auto &[format, bytes] : contents.formats)
        data->setData(format, bytes);
    QGuiApplication::clipboard()->setMimeData(data, modeOf(selection));
}

QCoro::Task<bool> X11Clipboard::putText(QString text, Selection selection)
{
    co_await refreshServerTime();
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QClipboard::Mode mode = modeOf(selection);
    m_written = selection;
    clipboard->setText(text, mode);
    // Qt reports no error; owning the selection with our text is what counts (Qt asked the server
    // who owns it after taking it).
    const bool owned = selection == Selection::primary ? clipboard->ownsSelection() : clipboard->ownsClipboard();
    co_return owned && clipboard->text(mode) == text;
}

void X11Clipboard::expectRead()
{
    watch().recordReads(m_written);
}

QCoro::Task<bool> X11Clipboard::waitUntilRead(quint64 window, std::chrono::milliseconds bound)
{
    using std::chrono::milliseconds;
    X11SelectionWatch &w = watch();
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const bool read = w.wasReadBy(window);
        const milliseconds quiet(w.sinceLastRequestBy(window));
        if (read && quiet >= readerQuiet)
            co_return true;
        const milliseconds left = bound - milliseconds(waited.elapsed());
        if (left <= milliseconds::zero())
            co_return read;
        co_await SignalWaiter::emitted(&w, &X11SelectionWatch::requested, read ? std::min(left, readerQuiet - quiet) : left);
    }
}

bool X11Clipboard::setText(const QString &text)
{
    // Stamped with the last time Qt has seen, without waiting for a newer one: Qt takes the time
    // of every change of owner from the server's notices (XFixes), so only a change it has not
    // handled yet can make the server refuse it. Callers that can wait use putText().
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    return clipboard->ownsClipboard() && clipboard->text(QClipboard::Clipboard) == text;
}

} // namespace parlix
