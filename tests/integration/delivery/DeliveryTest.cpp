// Pasting and typing into a real X11 application on a private X server with a window manager:
// the target must receive exactly the text, under several keyboard layouts, and the clipboard
// and keymap must be as they were afterwards, whatever the clipboard's owner does.
#include "CategoryLog.h"
#include "DeliveryTarget.h"
#include "Printers.h"
#include "XSession.h"
#include "core/Categories.h"
#include "core/Coro.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11SelectionReader.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XcbAtom.h"
#include "text/PasteManager.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <unistd.h>
#include <xcb/xcb.h>

using namespace parlix;
using namespace parlix::test;

namespace parlix {
void PrintTo(const ClipboardContents &contents, std::ostream *os)
{
    for (const auto &[format, bytes] : contents.formats) {
        *os << format.toStdString() << '=';
        PrintTo(bytes, os);
        *os << ' ';
    }
}
} // namespace parlix

namespace {

XSession *g_session = nullptr;

// Another application owning the clipboard, on an X connection of its own: it offers targets
// with their bytes and sends those larger than a piece in pieces (INCR), as GTK and xclip do with
// images. A target may be refused or never answered, and every answer may come late.
class SelectionOwner : public QObject {
public:
    enum class Answer { data, refused, never };
    struct Target {
        QByteArray name;
        QByteArray data;
        Answer answer = Answer::data;
    };
    static constexpr int pieceBytes = 256 * 1024;

    // Takes the CLIPBOARD selection on $DISPLAY; each answer goes out `delay` after its request.
    explicit SelectionOwner(QList<Target> targets, std::chrono::milliseconds delay = {})
        : m_targets(std::move(targets))
        , m_delay(delay)
        , m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        m_clipboard = internAtom(m_connection, "CLIPBOARD");
        m_targetsAtom = internAtom(m_connection, "TARGETS");
        m_incr = internAtom(m_connection, "INCR");
        for (const Target &target : m_targets)
            m_atoms.append(internAtom(m_connection, target.name));
        xcb_set_selection_owner(m_connection, m_window, m_clipboard, XCB_CURRENT_TIME);
        auto *notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &SelectionOwner::handleEvents);
        xcb_flush(m_connection);
    }
    ~SelectionOwner() override { xcb_disconnect(m_connection); }

    bool ownsClipboard() const
    {
        auto *reply = xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr);
        const bool owns = reply && reply->owner == m_window;
        std::free(reply);
        return owns;
    }
    quint32 window() const { return m_window; }
    // Whether it has answered any request yet.
    bool hasAnswered() const { return m_answered; }

private:
    struct Transfer {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        QByteArray data;
        qsizetype sent = 0;
    };

    void handleEvents()
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

    void answer(const xcb_selection_request_event_t &request)
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

    void sendNextPiece()
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

    QList<Target> m_targets;
    QList<xcb_atom_t> m_atoms; // m_targets' atoms
    std::chrono::milliseconds m_delay;
    xcb_connection_t *m_connection;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_targetsAtom = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    std::optional<Transfer> m_transfer;
    bool m_answered = false;
};

const QString sample = QStringLiteral("Grüße, naïve café — 日本語 🎤👍🏽 e\u0301 Ω ½ tab\tand newline\n");

QByteArray pngImage()
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 90, 255));
    image.setPixelColor(3, 4, Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QByteArray keymapDump()
{
    QByteArray dump;
    g_session->run(QStringLiteral("xkbcomp"), {QStringLiteral("-xkb"), g_session->display(), QStringLiteral("-")}, &dump);
    return dump;
}

struct Delivery {
    X11Clipboard clipboard;
    X11KeyInjector keys;
    X11WindowSystem windows;
    PasteManager paste{clipboard, keys, windows};

    bool isFrontmost(const DeliveryTarget &target)
    {
        return waitUntil([&] {
            const std::optional<RunningApplication> front = windows.frontmostApplication();
            return front && front->window == target.window();
        });
    }
};

class Layout {
public:
    explicit Layout(const QString &name) { m_ok = g_session->run(QStringLiteral("setxkbmap"), {name}) == 0; }
    ~Layout() { g_session->run(QStringLiteral("setxkbmap"), {QStringLiteral("us")}); }
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

const QStringList layouts = {QStringLiteral("us"), QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("ru")};

} // namespace

// Under each layout: pasting is exact and brings the clipboard back (another application's
// image included); typing is exact, leaves the clipboard alone and brings the keymap back.
TEST(Delivery, PasteAndTypingAreExactUnderEveryLayoutAndLeaveClipboardAndKeymapAsTheyWere)
{
    const QByteArray png = pngImage();
    for (const QString &name : layouts) {
        SCOPED_TRACE(name.toStdString());
        Layout layout(name);
        ASSERT_TRUE(layout.ok());
        const QByteArray keymapBefore = keymapDump();
        Delivery delivery;
        DeliveryTarget target;
        ASSERT_TRUE(target.isRunning());
        ASSERT_TRUE(delivery.isFrontmost(target));
        ASSERT_TRUE(target.ownClipboard({{"text/plain", "what the user copied"}, {"image/png", png}}));

        // Another application's clipboard is read in full.
        const ClipboardContents before = coro::waitFor(delivery.clipboard.save(Clipboard::Selection::clipboard));
        EXPECT_EQ(before, (ClipboardContents{{{"text/plain", "what the user copied"}, {"image/png", png}}}));
        EXPECT_TRUE(coro::waitFor(delivery.paste.pasteText(sample)));
        EXPECT_TRUE(target.waitForReceived(sample.toUtf8())) << target.received().toStdString();
        EXPECT_EQ(target.clipboard().value("image/png"), png);
        EXPECT_EQ(target.clipboard().value("text/plain"), "what the user copied");

        CategoryLog log(lcPasteManager());
        EXPECT_TRUE(coro::waitFor(delivery.paste.typeText(sample)));
        EXPECT_TRUE(target.waitForReceived(sample.toUtf8().repeated(2))) << target.received().toStdString();
        EXPECT_EQ(target.clipboard().value("text/plain"), "what the user copied");
        // The spare keys are emptied on their own once the target has said it read them.
        EXPECT_TRUE(waitUntil([&] { return delivery.keys.temporaryKeys().isEmpty(); }));
        EXPECT_EQ(keymapDump(), keymapBefore);
        EXPECT_FALSE(log.messages().filter(QStringLiteral("Target read the keys")).isEmpty()) << log.lines.join('\n').toStdString();
        EXPECT_TRUE(log.messages().filter(QStringLiteral("No answer from the target")).isEmpty()) << log.lines.join('\n').toStdString();
    }
}

// Whatever the clipboard's owner does, its formats are saved as Qt names them without holding up
// the paste, and they are back afterwards.
TEST(Delivery, TheClipboardIsSavedWithoutWaitingOnItsOwnerAndIsBackAfterThePaste)
{
    using Answer = SelectionOwner::Answer;
    using namespace std::chrono_literals;
    QByteArray image(3 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(image.data()), image.size() / 4);
    struct Case {
        const char *name;
        QList<SelectionOwner::Target> offered;
        std::chrono::milliseconds delay;
        ClipboardContents saved;
        qsizetype leftOut; // formats logged as not saved
    };
    const Case cases[] = {
        {"text as most applications offer it",
         {{"UTF8_STRING", "café"}, {"STRING", "caf\xe9"}, {"TEXT", "caf\xe9"}, {"TIMESTAMP", "\1\2\3\4"}},
         0ms, {{{"text/plain", "café"}}}, 0},
        {"Latin-1 text of an old application", {{"STRING", "caf\xe9"}}, 0ms, {{{"text/plain", "café"}}}, 0},
        {"several formats, the image in pieces",
         {{"UTF8_STRING", "what the user copied"}, {"text/html", "<b>what</b>"}, {"image/png", image}},
         0ms, {{{"text/plain", "what the user copied"}, {"text/html", "<b>what</b>"}, {"image/png", image}}}, 0},
        {"a format refused and one never sent",
         {{"UTF8_STRING", "kept"}, {"image/png", "png", Answer::refused}, {"text/html", "<b>", Answer::never}},
         0ms, {{{"text/plain", "kept"}}}, 2},
        {"an owner that answers only after seconds", {{"UTF8_STRING", "late"}}, 4000ms, {}, 1},
    };
    Delivery delivery;
    DeliveryTarget target;
    ASSERT_TRUE(target.isRunning());
    ASSERT_TRUE(delivery.isFrontmost(target));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        target.command("clear");
        SelectionOwner owner(c.offered, c.delay);
        ASSERT_TRUE(owner.ownsClipboard());
        {
            CategoryLog log(lcPasteManager());
            EXPECT_EQ(coro::waitFor(delivery.clipboard.save(Clipboard::Selection::clipboard)), c.saved);
            EXPECT_EQ(log.messages().filter(QStringLiteral("owner 0x%1 ").arg(owner.window(), 0, 16)).size(), c.leftOut)
                << log.lines.join('\n').toStdString();
        }

        EXPECT_TRUE(coro::waitFor(delivery.paste.pasteText(QStringLiteral("the transcript"))));
        // The paste did not wait for a late owner's answer.
        EXPECT_EQ(owner.hasAnswered(), c.delay == 0ms);
        EXPECT_TRUE(target.waitForReceived("the transcript")) << target.received().toStdString();
        // Back as it was; where nothing could be saved the transcript stays.
        const QHash<QString, QByteArray> after = target.clipboard();
        const ClipboardContents expected = c.saved.isEmpty() ? ClipboardContents{{{"text/plain", "the transcript"}}} : c.saved;
        for (const auto &[format, bytes] : expected.formats)
            EXPECT_EQ(after.value(format), bytes) << format.toStdString();
    }
}

TEST(Delivery, ATargetThatAsksLateStillPastesTheTranscript)
{
    Delivery delivery;
    DeliveryTarget target({QStringLiteral("--paste-delay"), QStringLiteral("300")});
    ASSERT_TRUE(target.isRunning());
    ASSERT_TRUE(delivery.isFrontmost(target));
    ASSERT_TRUE(target.ownClipboard({{"text/plain", "what the user copied"}}));

    EXPECT_TRUE(coro::waitFor(delivery.paste.pasteText(QStringLiteral("the transcript"))));
    // The previous contents went back only after the target had read the transcript.
    EXPECT_TRUE(target.waitForReceived("the transcript")) << target.received().toStdString();
    EXPECT_EQ(target.clipboard().value("text/plain"), "what the user copied");
}

TEST(Delivery, WithOurOwnWindowInFrontTheFirstOtherApplicationIsTargeted)
{
    Delivery delivery;
    DeliveryTarget target;
    ASSERT_TRUE(target.isRunning());
    ASSERT_TRUE(delivery.isFrontmost(target));

    QWindow own;
    own.resize(200, 100);
    own.show();
    ASSERT_TRUE(waitUntil([&] {
        const std::optional<RunningApplication> front = delivery.windows.frontmostApplication();
        return front && front->pid == getpid();
    }));
    EXPECT_EQ(delivery.windows.frontmostApplication()->identifier, delivery.windows.ownIdentifier());

    EXPECT_TRUE(coro::waitFor(delivery.paste.pasteText(QStringLiteral("to the other window"))));
    EXPECT_TRUE(target.waitForReceived("to the other window")) << target.received().toStdString();
}

TEST(Delivery, HeldModifiersAreTakenOffAndPutBackOnlyWhileStillHeld)
{
    // The hotkey's Ctrl+Alt still held when typing starts, and Caps Lock on. Put back at the end
    // are the keys still held then; a key let go of during the typing must not come back stuck.
    struct Case {
        const char *name;
        bool letGoWhileTyping;
        qsizetype keysDownAfterwards;
    };
    const Case cases[] = {
        {"held throughout", false, 2},
        {"let go while typing", true, 0},
    };
    const QString text = QStringLiteral("a long sentence typed while the keys are let go, é");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Delivery delivery;
        DeliveryTarget target;
        ASSERT_TRUE(target.isRunning());
        ASSERT_TRUE(delivery.isFrontmost(target));
        ASSERT_EQ(g_session->run(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("ctrl+alt")}), 0);
        ASSERT_EQ(g_session->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Caps_Lock")}), 0);
        if (c.letGoWhileTyping) {
            QTimer::singleShot(150, [] { g_session->run(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("ctrl+alt")}); });
        }

        EXPECT_TRUE(coro::waitFor(delivery.paste.typeText(text)));
        EXPECT_TRUE(target.waitForReceived(text.toUtf8())) << target.received().toStdString();

        // What is in effect now: taking the modifiers off once more finds it (and leaves Ctrl
        // and Alt up and Caps Lock off for the next case).
        const HeldModifiers held = delivery.keys.releaseHeldModifiers();
        EXPECT_EQ(held.keys.size(), c.keysDownAfterwards);
        EXPECT_NE(held.lockedMask, 0u);
        delivery.keys.restoreModifiers({});
    }
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const bool listing = ::testing::GTEST_FLAG(list_tests);
    std::unique_ptr<XSession> session;
    if (!listing) {
        session = std::make_unique<XSession>(XSession::Options{.windowManager = true});
        if (!session->isRunning()) {
            std::fprintf(stderr, "no X session: %s\n", qPrintable(session->error()));
            return 1;
        }
        session->exportDisplay();
        g_session = session.get();
    }
    if (listing)
        return RUN_ALL_TESTS();
    // The tests run under the offscreen platform by default; these need the X server.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
