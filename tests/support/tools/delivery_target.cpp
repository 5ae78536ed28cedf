// A target application for delivery tests: one text field whose whole content is written, as
// UTF-8, to the --output file after every change; its WM_CLASS class is DeliveryTarget.
// --paste-delay asks for the clipboard that many milliseconds after the paste key, as a busy
// application does.
//
// "ready <window id>" is printed once the window holds the X input focus: only then do keys sent
// to the focus reach it. (Window ids are reused by the next client, so a window manager's
// _NET_ACTIVE_WINDOW may still name the previous target's window by the same id.)
//
// Commands on standard input, one per line, each answered by one line on standard output:
//   own-clipboard <mime>=<hex> …   takes the clipboard with these formats   -> "owned"
//   dump-clipboard                 reads the clipboard                      -> "clipboard <mime>=<hex> …"
//   clear                          empties the text field                   -> "cleared"
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

class Field : public QPlainTextEdit {
public:
    int pasteDelay = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (pasteDelay > 0 && event->matches(QKeySequence::Paste))
            QTimer::singleShot(pasteDelay, this, [this] { paste(); });
        else
            QPlainTextEdit::keyPressEvent(event);
    }
};

// Qt stamps selection requests and ownership with the last server time it has seen. Another
// client may own the clipboard since a later time, and then refuses a request stamped earlier
// ("too old"): before touching the clipboard, let Qt see the current server time by changing a
// property of our window and handling the PropertyNotify that carries it.
class ServerTime : public QAbstractNativeEventFilter {
public:
    explicit ServerTime(QWidget &window)
        : m_window(xcb_window_t(window.winId()))
    {
        m_connection = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        static const char name[] = "_DELIVERY_TARGET_TIME";
        if (auto *r = xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr)) {
            m_atom = r->atom;
            std::free(r);
        }
        qApp->installNativeEventFilter(this);
    }

    void refresh()
    {
        m_seen = false;
        const char value = 0;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_atom, XCB_ATOM_CARDINAL, 8, 1, &value);
        xcb_flush(m_connection);
        QDeadlineTimer deadline(10000);
        while (!m_seen && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            if (notify->window == m_window && notify->atom == m_atom)
                m_seen = true;
        }
        return false; // Qt takes the time from it
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = 0;
    xcb_atom_t m_atom = XCB_ATOM_NONE;
    bool m_seen = false;
};

// Whether the server's input focus is our window (the state key events are routed by).
bool holdsInputFocus(QWidget &window)
{
    xcb_connection_t *connection = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_get_input_focus_reply_t *focus = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const bool ours = focus && focus->focus == xcb_window_t(window.winId());
    std::free(focus);
    return ours;
}

void reply(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    // The class must be known before the first window exists.
    QApplication::setApplicationName(QStringLiteral("DeliveryTarget"));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("output"), QStringLiteral("file"), QStringLiteral("path")});
    parser.addOption({QStringLiteral("paste-delay"), QStringLiteral("late paste"), QStringLiteral("ms")});
    parser.process(app);

    const QString output = parser.value(QStringLiteral("output"));
    Field field;
    field.pasteDelay = parser.value(QStringLiteral("paste-delay")).toInt();
    field.setWindowTitle(QApplication::applicationName());
    QObject::connect(&field, &QPlainTextEdit::textChanged, [&] {
        QSaveFile file(output);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(field.toPlainText().toUtf8());
            file.commit();
        }
    });

    field.resize(600, 300);
    field.show();
    field.activateWindow();
    auto serverTime = std::make_unique<ServerTime>(field);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).split(' ');
            pending.remove(0, end + 1);
            if (words.value(0) == "own-clipboard") {
                serverTime->refresh();
                auto *data = new QMimeData;
                for (qsizetype i = 1; i < words.size(); ++i) {
                    const qsizetype eq = words[i].indexOf('=');
                    data->setData(QString::fromLatin1(words[i].left(eq)), QByteArray::fromHex(words[i].mid(eq + 1)));
                }
                QApplication::clipboard()->setMimeData(data);
                reply("owned");
            } else if (words.value(0) == "dump-clipboard") {
                serverTime->refresh();
                QByteArray line = "clipboard";
                if (const QMimeData *data = QApplication::clipboard()->mimeData()) {
                    for (const QString &format : data->formats()) {
                        if (format != QLatin1String("application/x-qt-image"))
                            line += ' ' + format.toLatin1() + '=' + data->data(format).toHex();
                    }
                }
                reply(line);
            } else if (words.value(0) == "clear") {
                field.clear();
                reply("cleared");
            }
        }
    });

    // Qt activates the window on the server's FocusIn; the focus is checked again in case it
    // moved on since. Commands wait until then.
    input.setEnabled(false);
    QTimer focusCheck;
    focusCheck.setInterval(20);
    QObject::connect(&focusCheck, &QTimer::timeout, [&] {
        if (!field.isActiveWindow() || !holdsInputFocus(field))
            return;
        focusCheck.stop();
        input.setEnabled(true);
        reply("ready " + QByteArray::number(field.winId()));
    });
    focusCheck.start();
    return app.exec();
}
