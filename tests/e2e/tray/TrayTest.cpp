// The tray as a user meets it, with the built parlix on a private X server:
//  - under trayer (an XEmbed tray host) the icon is read from screenshots: no red or orange dot
//    when idle, red while recording a clip, an arc that turns while transcribing and stops
//    afterwards (which flag draws which icon is TrayIconTest's and TrayIconArtTest's); a click
//    opens the menu. The screenshots are kept as artifacts (PARLIX_ARTIFACTS_DIR, by default
//    <build>/artifacts/screenshots).
//  - with a StatusNotifierWatcher of the test's own on the session bus the icon registers as a
//    StatusNotifierItem, and its menu is read and clicked over D-Bus (com.canonical.dbusmenu);
//    a hotkey another client holds is announced there and by a notification.
#include "DBusMenuClient.h"
#include "DBusSession.h"
#include "EngineStandIn.h"
#include "NotificationServer.h"
#include "OtherXClient.h"
#include "ParlixInstance.h"
#include "ProcessRunner.h"
#include "Screenshots.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "StatusNotifierWatcher.h"
#include "TestEnvironment.h"
#include "TrayHost.h"
#include "XSession.h"
#include "control/ControlNames.h"
#include "core/Constants.h"
#include "ui/TrayIconArt.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

using namespace parlix;
using namespace parlix::test;

namespace {

XSession *g_x = nullptr;
TrayHost *g_tray = nullptr;

const QString kInstance = QStringLiteral("parlix");

bool developmentBuild()
{
    return ui::isDevelopmentIdentifier(Constants::buildInfo().identifier);
}

// The screen, or the area of it.
QImage grab(const QRect &area = QRect(0, 0, -1, -1))
{
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels of the two dot colours, and pixels that are not the panel's background at all.
struct Colours {
    int red = 0;
    int orange = 0;
    int ink = 0;
};

Colours colours(const QImage &image)
{
    // The panel's own colour shows in its corner, outside every icon slot.
    const QColor background = image.pixelColor(0, 0);
    Colours c;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            const int r = p.red(), g = p.green(), b = p.blue();
            if (r >= 200 && g <= 110 && b <= 110)
                ++c.red;
            else if (r >= 200 && g >= 115 && g <= 185 && b <= 80)
                ++c.orange;
            if (std::abs(r - background.red()) + std::abs(g - background.green()) + std::abs(b - background.blue()) > 60)
                ++c.ink;
        }
    }
    return c;
}

// Share of the pixels inside `area` that differ between two screenshots of the same size.
double changedShare(const QImage &a, const QImage &b, const QRect &area)
{
    int changed = 0;
    const QRect inside = area.intersected(a.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            changed += a.pixel(x, y) != b.pixel(x, y);
    return inside.isEmpty() ? 0.0 : double(changed) / (inside.width() * inside.height());
}

// A viewable top-level window of the application larger than `minimum`: its open menu.
std::optional<QRect> popupWindow(const QSize &minimum)
{
    QByteArray tree;
    if (g_x->run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")}, &tree) != 0)
        return std::nullopt;
    static const QRegularExpression line(
        QStringLiteral("(0x[0-9a-f]+) .*\\(\"parlix\" [^)]*\\)\\s+(\\d+)x(\\d+)[+-]\\d+[+-]\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    for (const QRegularExpressionMatch &m : line.globalMatch(QString::fromUtf8(tree))) {
        const QRect rect(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (rect.width() < minimum.width() || rect.height() < minimum.height())
            continue;
        QByteArray info;
        if (g_x->run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), m.captured(1)}, &info) == 0
            && info.contains("IsViewable"))
            return rect;
    }
    return std::nullopt;
}

// The whole-process set-up both groups share: a session bus, a virtual microphone, the engine
// stand-in (held in the transcribing state until the test creates "go"), an isolated home.
class TrayFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        ASSERT_TRUE(engine.installed());
        engine.writeFile(QStringLiteral("out.txt"), " Tray test\n");
        engine.setPlan({QStringLiteral("wait-for {dir}/go 60000"), QStringLiteral("stdout {dir}/out.txt")});
        connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), connectionName));
        ASSERT_TRUE(connection->isConnected());
    }

    void TearDown() override
    {
        // An engine still waiting (a live dictation's last chunk) ends instead of outliving the test.
        releaseEngine();
        app.reset();
        connection.reset();
        QDBusConnection::disconnectFromBus(connectionName);
        if (pulse)
            pulse->stopFeeding();
    }

    // A virtual microphone that hears silence, for parlix started after this.
    void startPulse()
    {
        ASSERT_TRUE(PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed (scripts/setup.sh installs them)";
        pulse = std::make_unique<PulseAudioSession>();
        QString error;
        ASSERT_TRUE(pulse->start(&error)) << error.toStdString();
        pulse->startFeeding(true);
    }

    void makeApp(const QString &resourceDirectory, bool withModel)
    {
        QProcessEnvironment base = bus.environment(g_x->environment());
        if (pulse)
            base.insert(QStringLiteral("PULSE_SERVER"), pulse->serverAddress());
        app = std::make_unique<ParlixInstance>(base, resourceDirectory);
        if (withModel) {
            ASSERT_TRUE(app->installModel(QStringLiteral("ggml-base.en.bin")));
        }
    }

    int parlixctl(const QString &command)
    {
        return runProcess(binDirectory() + QStringLiteral("/parlixctl"), {command}, app->environment(), {}, 30000).exitCode;
    }

    void releaseEngine() { engine.writeFile(QStringLiteral("go"), {}); }

    const QString connectionName = QStringLiteral("tray-test");
    QTemporaryDir engineDir;
    EngineStandIn engine{engineDir.path()};
    DBusSession bus;
    std::unique_ptr<PulseAudioSession> pulse;
    std::unique_ptr<QDBusConnection> connection;
    std::unique_ptr<ParlixInstance> app;
};

// ---- The icon and the menu window under an XEmbed tray host -------------------------------

class TrayIconTest : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        ASSERT_TRUE(g_tray && g_tray->isRunning()) << (g_tray ? g_tray->error().toStdString() : "no tray host");
        ASSERT_NO_FATAL_FAILURE(startPulse());
        makeApp(engineDir.path(), true);
    }

    // Starts parlix and waits for its icon in the panel, drawn as the idle microphone.
    void startWithIcon()
    {
        ASSERT_TRUE(app->start()) << app->error().toStdString();
        std::optional<QRect> rect;
        ASSERT_TRUE(pumpUntil([&] { return (rect = g_tray->embeddedIcon(kInstance)).has_value(); }))
            << "the icon was not embedded in the panel; log:\n" << app->log().toStdString();
        icon = *rect;
        // The development build's microphone is orange, the other is drawn in the text colour.
        idle = waitForIcon([](const QImage &, const Colours &c) { return c.ink > 0 && (c.orange > 0) == developmentBuild(); });
    }

    // The panel, grabbed until `ready` holds for the icon's slot (or a limit passes).
    template <typename Ready>
    QImage waitForIcon(Ready ready)
    {
        QImage panel;
        pumpUntil([&] {
            panel = grabPanel();
            const QImage slot = panel.copy(icon.translated(-panelRect().topLeft()));
            return ready(panel, colours(slot));
        });
        return panel;
    }

    QRect panelRect() const { return g_tray->panelGeometry().value_or(QRect()); }
    QImage grabPanel() const { return grab(panelRect()); }

    QRect icon;
    QImage idle;
};

TEST_F(TrayIconTest, IconShowsRecordingAndTheTurningArcThenTheMicrophoneAgainAndAClickOpensTheMenu)
{
    ASSERT_NO_FATAL_FAILURE(startWithIcon());
    keepScreenshot(idle, QStringLiteral("tray-idle.png"));
    const Colours idleColours = colours(idle);
    EXPECT_GT(idleColours.ink, 0);
    EXPECT_EQ(idleColours.red, 0);
    EXPECT_EQ(idleColours.orange > 0, developmentBuild());

    ASSERT_EQ(parlixctl(QStringLiteral("start")), 0);
    ASSERT_TRUE(app->waitForState(QStringLiteral("recording"))) << app->log().toStdString();
    const QImage recording = waitForIcon([](const QImage &, const Colours &c) { return c.red > 0; });
    keepScreenshot(recording, QStringLiteral("tray-recording.png"));
    EXPECT_GT(colours(recording).red, 20);
    EXPECT_EQ(colours(recording).orange, 0);

    pumpFor(300);
    ASSERT_EQ(parlixctl(QStringLiteral("stop")), 0);
    ASSERT_TRUE(app->waitForState(QStringLiteral("transcribing"))) << app->log().toStdString();
    const QImage first = waitForIcon([&](const QImage &panel, const Colours &c) {
        return c.red == 0 && c.ink > 0 && panel != idle;
    });
    // The arc turns half a circle a second: a later frame shows it elsewhere.
    const QImage second = waitForIcon([&](const QImage &panel, const Colours &) { return panel != first; });
    keepScreenshot(first, QStringLiteral("tray-transcribing-1.png"));
    keepScreenshot(second, QStringLiteral("tray-transcribing-2.png"));
    EXPECT_NE(first, second);
    for (const QImage *frame : {&first, &second}) {
        EXPECT_EQ(colours(*frame).red, 0);
        EXPECT_EQ(colours(*frame).orange, 0);
        EXPECT_NE(*frame, idle);
    }

    releaseEngine();
    ASSERT_TRUE(app->waitForState(QStringLiteral("idle"), 30000)) << app->log().toStdString();
    const QImage after = waitForIcon([&](const QImage &panel, const Colours &) { return panel == idle; });
    EXPECT_EQ(after, idle);
    // The animation has stopped: the icon stays as it is.
    pumpFor(500);
    EXPECT_EQ(grabPanel(), idle);

    // A click on the icon opens the menu.
    const QImage before = grab();
    const QPoint centre = icon.center();
    // The right button opens the context menu in every tray host; some report only the left.
    for (const char *button : {"1", "3"}) {
        SCOPED_TRACE(button);
        ASSERT_EQ(g_x->run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(centre.x()),
                                                        QString::number(centre.y()), QStringLiteral("click"),
                                                        QString::fromLatin1(button)}),
                  0);
        std::optional<QRect> menu;
        ASSERT_TRUE(pumpUntil([&] { return (menu = popupWindow({100, 100})).has_value(); }))
            << "no menu window opened; log:\n" << app->log().toStdString();
        QImage open;
        pumpUntil([&] {
            open = grab();
            return changedShare(before, open, *menu) > 0.5;
        });
        if (QLatin1String(button) == QLatin1String("3"))
            keepScreenshot(open, QStringLiteral("tray-menu.png"));
        // The menu covers its window: most of that area has changed, and it has text on it.
        EXPECT_GT(changedShare(before, open, *menu), 0.5);
        EXPECT_GT(colours(open.copy(*menu)).ink, 100);

        ASSERT_EQ(g_x->run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}), 0);
        ASSERT_TRUE(pumpUntil([&] { return !popupWindow({100, 100}); })) << "the menu did not close";
    }
}

// ---- The menu over D-Bus, through a StatusNotifierWatcher ---------------------------------

class TrayMenuTest : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        // Before parlix starts: Qt decides between XEmbed and StatusNotifierItem once.
        watcher = std::make_unique<StatusNotifierWatcher>(bus.address());
        ASSERT_TRUE(watcher->isRegistered()) << watcher->error().toStdString();
    }

    void TearDown() override
    {
        TrayFixture::TearDown();
        watcher.reset();
    }

    void startAndFindMenu()
    {
        ASSERT_TRUE(app->start()) << app->error().toStdString();
        ASSERT_TRUE(pumpUntil([&] { return watcher->lastItem().has_value(); }))
            << "no StatusNotifierItem registered; log:\n" << app->log().toStdString();
        menu = std::make_unique<DBusMenuClient>(*connection, watcher->lastItem()->service, watcher->lastItem()->path);
        ASSERT_TRUE(menu->hasMenu()) << menu->error().toStdString();
    }

    // The menu as a host shows it: told it is about to open, then read.
    DBusMenuNode openMenu()
    {
        const DBusMenuNode root = menu->open();
        EXPECT_FALSE(root.children.isEmpty()) << menu->error().toStdString();
        return root;
    }

    std::unique_ptr<StatusNotifierWatcher> watcher;
    std::unique_ptr<DBusMenuClient> menu;
    QTemporaryDir emptyResources;
};

// Without an engine or a model the running app finds both missing, recording cannot start, and
// Quit ends the app cleanly. (With both present the menu is the one every other test here opens.)
TEST_F(TrayMenuTest, MenuWarnsAboutEngineAndModelAndQuitUnregistersTheHotkeyOnce)
{
    makeApp(emptyResources.path(), false);
    ASSERT_NO_FATAL_FAILURE(startAndFindMenu());
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Whisper engine not found in bundle"))) << app->log().toStdString();

    const DBusMenuNode root = openMenu();
    const QStringList labels = root.labels();
    EXPECT_EQ(labels.mid(0, 5), (QStringList{QStringLiteral("⚠️ Engine Missing"), QStringLiteral("-"), QStringLiteral("⚠️ No Models Downloaded"),
                                             QStringLiteral("-"), QStringLiteral("Start Recording")}))
        << labels.join(u'|').toStdString();
    // The rest of this menu (order, enabled states, the model submenu) is TrayMenuModelTest's; the
    // model warning's click is DictationTest's first run.
    EXPECT_FALSE(root.find(QStringLiteral("Start Recording"))->enabled());

    // Quit from the menu unregisters the hotkey once, and the item goes with the process.
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Hotkey registered"))) << app->log().toStdString();
    const DBusMenuNode reopened = openMenu();
    const DBusMenuNode *quit = reopened.find(QStringLiteral("Quit Parlix"));
    ASSERT_TRUE(quit) << reopened.labels().join(u'|').toStdString();
    ASSERT_TRUE(menu->click(quit->id)) << menu->error().toStdString();
    EXPECT_TRUE(app->waitForExit()) << app->log().toStdString();
    EXPECT_EQ(app->log().count(QStringLiteral("Hotkey unregistered")), 1) << app->log().toStdString();
    EXPECT_TRUE(pumpUntil([&] { return watcher->registeredItems().isEmpty(); }));
}

// Started while another X client holds Ctrl+Alt+Space: the user is told once with a desktop
// notification, the menu's first item names the hotkey and opens the Recording tab, and the
// control interface reports HotkeyRegistered false.
TEST_F(TrayMenuTest, AHeldHotkeyIsAnnouncedOnceAndTheMenuLeadsToTheRecordingTab)
{
    OtherXClient other(g_x->display());
    ASSERT_EQ(other.grab(' ', XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1), 0);
    NotificationServer notifications(bus.address());
    ASSERT_TRUE(notifications.isRegistered());
    makeApp(engineDir.path(), true);
    ASSERT_NO_FATAL_FAILURE(startAndFindMenu());

    ASSERT_TRUE(pumpUntil([&] { return !notifications.notifications().isEmpty(); })) << app->log().toStdString();
    const NotificationServer::Notification shown = notifications.notifications().first();
    EXPECT_EQ(shown.appName, QStringLiteral("Parlix"));
    EXPECT_EQ(shown.summary, QStringLiteral("Hotkey Ctrl+Alt+Space is unavailable"));
    EXPECT_TRUE(shown.body.startsWith(QStringLiteral("Ctrl+Alt+Space is already used by another application")))
        << shown.body.toStdString();
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(control::serviceName), QString::fromLatin1(control::objectPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(control::interfaceName) << QStringLiteral("HotkeyRegistered");
    const QDBusMessage reply = connection->call(get, QDBus::Block, 5000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_FALSE(qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toBool());

    const DBusMenuNode root = openMenu();
    const QStringList labels = root.labels();
    EXPECT_EQ(labels.mid(0, 2), (QStringList{QStringLiteral("⚠️ Hotkey Ctrl+Alt+Space is unavailable — Change…"), QStringLiteral("-")}))
        << labels.join(u'|').toStdString();
    const DBusMenuNode *change = root.find(labels.value(0));
    ASSERT_TRUE(change && change->enabled());
    ASSERT_TRUE(menu->click(change->id)) << menu->error().toStdString();
    EXPECT_TRUE(app->waitForLog(QStringLiteral("Settings window requested on the recording tab"))) << app->log().toStdString();

    // Once per launch: opening the menu again or waiting brings no second notification.
    openMenu();
    pumpFor(500);
    EXPECT_EQ(notifications.notifications().size(), 1);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    XSession session;
    if (!session.isRunning()) {
        std::fprintf(stderr, "no X session: %s\n", qPrintable(session.error()));
        return 1;
    }
    session.exportDisplay();
    g_x = &session;
    // The tests run under the offscreen platform by default; screenshots need the X server.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TrayHost tray(session);
    g_tray = &tray;
    return RUN_ALL_TESTS();
}
