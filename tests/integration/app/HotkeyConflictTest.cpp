// The built parlix started while another X client holds its hotkey (Ctrl+Alt+Space): the user is
// told once with a desktop notification (a stand-in server on the private bus records it), the
// tray menu's first item names the hotkey and opens the Recording tab, and the control interface
// reports HotkeyRegistered false.
#include "DBusMenuClient.h"
#include "DBusSession.h"
#include "NotificationServer.h"
#include "OtherXClient.h"
#include "ParlixInstance.h"
#include "Pump.h"
#include "StatusNotifierWatcher.h"
#include "XSession.h"
#include "control/ControlNames.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

using namespace parlix;
using namespace parlix::test;

namespace {

class HotkeyConflictTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), connectionName));
        ASSERT_TRUE(connection->isConnected());
    }

    void TearDown() override
    {
        app.reset();
        connection.reset();
        QDBusConnection::disconnectFromBus(connectionName);
    }

    std::optional<bool> hotkeyRegistered()
    {
        QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(control::serviceName),
                                                          QString::fromLatin1(control::objectPath),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QString::fromLatin1(control::interfaceName) << QStringLiteral("HotkeyRegistered");
        const QDBusMessage reply = connection->call(get, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
    }

    const QString connectionName = QStringLiteral("conflict-test");
    XSession x{XSession::Options{true}};
    DBusSession bus;
    QTemporaryDir noEngine;
    std::unique_ptr<QDBusConnection> connection;
    std::unique_ptr<ParlixInstance> app;
};

TEST_F(HotkeyConflictTest, AHeldHotkeyIsAnnouncedOnceAndTheMenuLeadsToTheRecordingTab)
{
    OtherXClient other(x.display());
    ASSERT_TRUE(other.grab(' ', XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    NotificationServer notifications(bus.address());
    ASSERT_TRUE(notifications.isRegistered());
    // Before parlix starts: Qt decides between XEmbed and StatusNotifierItem once.
    StatusNotifierWatcher watcher(bus.address());
    ASSERT_TRUE(watcher.isRegistered()) << watcher.error().toStdString();

    app = std::make_unique<ParlixInstance>(bus.environment(x.environment()), noEngine.path());
    ASSERT_TRUE(app->installModel(QStringLiteral("ggml-base.en.bin")));
    ASSERT_TRUE(app->start()) << app->error().toStdString();

    ASSERT_TRUE(pumpUntil([&] { return !notifications.notifications().isEmpty(); })) << app->log().toStdString();
    const NotificationServer::Notification shown = notifications.notifications().first();
    EXPECT_EQ(shown.appName, QStringLiteral("Parlix"));
    EXPECT_EQ(shown.summary, QStringLiteral("Hotkey Ctrl+Alt+Space is unavailable"));
    EXPECT_TRUE(shown.body.startsWith(QStringLiteral("Ctrl+Alt+Space is already used by another application")))
        << shown.body.toStdString();
    EXPECT_EQ(hotkeyRegistered(), std::optional<bool>(false));

    ASSERT_TRUE(pumpUntil([&] { return watcher.lastItem().has_value(); })) << app->log().toStdString();
    const StatusNotifierWatcher::Item item = *watcher.lastItem();
    const std::optional<QString> menuPath = DBusMenuClient::menuPathOf(*connection, item.service, item.path);
    ASSERT_TRUE(menuPath);
    DBusMenuClient menu(*connection, item.service, *menuPath);
    ASSERT_TRUE(menu.aboutToShow(0)) << menu.error().toStdString();
    const std::optional<DBusMenuNode> root = menu.layout(0);
    ASSERT_TRUE(root) << menu.error().toStdString();
    const QStringList labels = root->labels();
    ASSERT_GE(labels.size(), 2);
    EXPECT_EQ(labels.mid(0, 2), (QStringList{QStringLiteral("⚠️ Hotkey Ctrl+Alt+Space is unavailable — Change…"),
                                             QStringLiteral("-")}))
        << labels.join(u'|').toStdString();
    const DBusMenuNode *change = root->find(labels.first());
    ASSERT_TRUE(change);
    EXPECT_TRUE(change->enabled());
    ASSERT_TRUE(menu.click(change->id)) << menu.error().toStdString();
    EXPECT_TRUE(app->waitForLog(QStringLiteral("Settings window requested on the recording tab"))) << app->log().toStdString();

    // Once per launch: opening the menu again or waiting brings no second notification.
    ASSERT_TRUE(menu.aboutToShow(0));
    pumpFor(500);
    EXPECT_EQ(notifications.notifications().size(), 1);
}

} // namespace
