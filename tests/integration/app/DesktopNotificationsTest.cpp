// Desktop notifications against a stand-in notification server on a private session bus: what a
// Notify call carries, actions reaching their callbacks (and only while the notification is
// shown), the switch that turns them off, a bus without a server, and the hotkey notice where the
// compositor binds the key.
#include "CategoryLog.h"
#include "DBusSession.h"
#include "FakeGlobalShortcutBackend.h"
#include "MemoryKeyValueStore.h"
#include "NotificationServer.h"
#include "Pump.h"
#include "app/DesktopNotifications.h"
#include "app/HotkeyNotice.h"
#include "core/Categories.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"

#include <QDBusConnection>
#include <gtest/gtest.h>

#include <memory>

using namespace parlix;
using namespace parlix::test;

namespace {

const QString kClient = QStringLiteral("notifications-client");

class DesktopNotificationsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString(); }
    void TearDown() override
    {
        notifications.reset();
        QDBusConnection::disconnectFromBus(kClient);
    }

    DesktopNotifications &make()
    {
        notifications = std::make_unique<DesktopNotifications>(QDBusConnection::connectToBus(bus.address(), kClient),
                                                               [this] { return enabled; });
        return *notifications;
    }

    DBusSession bus;
    bool enabled = true;
    std::unique_ptr<DesktopNotifications> notifications;
};

TEST_F(DesktopNotificationsTest, ActionsRunTheirCallbackWhileTheNotificationIsShown)
{
    NotificationServer server(bus.address());
    ASSERT_TRUE(server.isRegistered());
    QStringList ran;
    make().notify(QStringLiteral("Model downloaded"), QStringLiteral("Base is ready."),
                  {{DesktopNotifications::defaultAction, QStringLiteral("Open"), [&] { ran << QStringLiteral("open"); }},
                   {QStringLiteral("retry"), QStringLiteral("Retry"), [&] { ran << QStringLiteral("retry"); }}});
    notifications->notify(QStringLiteral("Second"), QString());
    ASSERT_TRUE(pumpUntil([&] { return server.notifications().size() == 2; }));
    const NotificationServer::Notification shown = server.notifications().first();
    EXPECT_EQ(shown.appName, u"Parlix");
    EXPECT_EQ(shown.summary, u"Model downloaded");
    EXPECT_EQ(shown.body, u"Base is ready.");
    EXPECT_EQ(shown.actions, (QStringList{QStringLiteral("default"), QStringLiteral("Open"), QStringLiteral("retry"), QStringLiteral("Retry")}));
    EXPECT_EQ(shown.hints.value(QStringLiteral("desktop-entry")).toString(), u"com.quorvane.parlix");

    const struct {
        uint id;
        const char *key;
    } picks[] = {{shown.id, "retry"}, {shown.id, "default"}, {shown.id, "unknown"}, {server.notifications().last().id, "default"}};
    for (const auto &pick : picks)
        ASSERT_TRUE(server.invokeAction(pick.id, QString::fromLatin1(pick.key)));
    pumpFor(300);
    EXPECT_EQ(ran, (QStringList{QStringLiteral("retry"), QStringLiteral("open")}));

    // Gone from the screen: its actions are forgotten.
    ASSERT_TRUE(server.close(shown.id));
    pumpFor(200);
    ASSERT_TRUE(server.invokeAction(shown.id, QStringLiteral("retry")));
    pumpFor(200);
    EXPECT_EQ(ran.size(), 2);
}

TEST_F(DesktopNotificationsTest, NothingIsSentWhenTurnedOffAndNothingWaitsWithoutAServer)
{
    {
        NotificationServer server(bus.address());
        enabled = false;
        make().notify(QStringLiteral("Hidden"), QString());
        pumpFor(300);
        EXPECT_TRUE(server.notifications().isEmpty());
    }

    enabled = true;
    CategoryLog log(lcApp());
    notifications->notify(QStringLiteral("Nobody listens"), QString());
    EXPECT_TRUE(log.lines.isEmpty()) << "the call waited for its answer";
    EXPECT_TRUE(pumpUntil([&] { return !log.lines.isEmpty(); })) << "no log line about the failed call";
    EXPECT_TRUE(log.messages().value(0).startsWith(QStringLiteral("No desktop notification (Nobody listens): ")))
        << log.lines.join(u'\n').toStdString();
}

// Where the compositor binds the key, the user hears how to bind it once ever: the stored flag
// keeps later launches quiet, and the action opens the Recording tab. (A hotkey that is taken is
// announced once per launch: TrayTest.)
TEST_F(DesktopNotificationsTest, TheCompositorBindingIsExplainedOnceEver)
{
    NotificationServer server(bus.address());
    ASSERT_TRUE(server.isRegistered());
    MemoryKeyValueStore store;
    FakeGlobalShortcutBackend backend;
    backend.registerStatus = ShortcutStatus::boundByCompositor;
    make();
    int opened = 0;
    for (const int launch : {1, 2}) {
        SCOPED_TRACE(launch);
        SettingsModel settings(store);
        HotkeyManager hotkey(settings, backend);
        HotkeyNotice notice(hotkey, settings, *notifications, [&] { ++opened; });
        hotkey.registerHotkey();
        ASSERT_TRUE(pumpUntil([&] { return server.notifications().size() == 1; }));
        EXPECT_TRUE(settings.compositorBindingNoticeShown());
        if (launch == 1) {
            const NotificationServer::Notification shown = server.notifications().first();
            EXPECT_EQ(shown.summary, u"Bind a key to dictate");
            ASSERT_TRUE(server.invokeAction(shown.id, QStringLiteral("show-binding")));
            EXPECT_TRUE(pumpUntil([&] { return opened == 1; }));
        }
    }
    pumpFor(300);
    EXPECT_EQ(server.notifications().size(), 1);
}

} // namespace
