// The hotkey manager over the GlobalShortcuts portal client, against a stand-in portal on a
// private session bus: the documented session, bind, activation and closing steps, and the words
// the user gets for each way the desktop says no.
#include "DBusSession.h"
#include "FakePortal.h"
#include "MemoryKeyValueStore.h"
#include "Pump.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "platform/portal/PortalGlobalShortcutBackend.h"

#include <QDBusConnection>
#include <gtest/gtest.h>

#include <memory>

using namespace parlix;
using namespace parlix::test;

namespace {

class PortalGlobalShortcutsTest : public ::testing::Test {
protected:
    DBusSession session;
    std::unique_ptr<FakePortal> portal;
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    std::unique_ptr<PortalGlobalShortcutBackend> backend;
    std::unique_ptr<HotkeyManager> manager;
    QStringList events;

    void SetUp() override
    {
        ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
        portal = std::make_unique<FakePortal>(session.address());
        ASSERT_TRUE(portal->isRegistered());
        const QDBusConnection bus = QDBusConnection::connectToBus(session.address(), QStringLiteral("portal-client"));
        ASSERT_TRUE(bus.isConnected());
        backend = std::make_unique<PortalGlobalShortcutBackend>(bus);
        manager = std::make_unique<HotkeyManager>(settings, *backend);
        manager->onHotkeyPressed = [this] { events << "pressed"; };
        manager->onHotkeyReleased = [this] { events << "released"; };
    }

    void TearDown() override
    {
        manager.reset();
        backend.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-client"));
    }

    bool registerAndWait()
    {
        manager->registerHotkey();
        return pumpUntil([&] { return !manager->isPending(); });
    }
};

TEST_F(PortalGlobalShortcutsTest, TheBoundShortcutDeliversPressAndReleaseUntilTheDesktopEndsTheSession)
{
    ASSERT_TRUE(registerAndWait());
    ASSERT_TRUE(manager->isRegistered()) << manager->failure().toStdString();
    EXPECT_FALSE(manager->canChooseKey());
    EXPECT_EQ(portal->calls, QStringList({"GlobalShortcuts.CreateSession", "GlobalShortcuts.BindShortcuts"}));
    EXPECT_EQ(portal->boundShortcuts.value("dictate").value("preferred_trigger").toString(), "CTRL+ALT+space");
    EXPECT_FALSE(portal->boundShortcuts.value("dictate").value("description").toString().isEmpty());
    EXPECT_EQ(manager->trigger(), "Ctrl+Alt+Space");

    // Push-to-talk: held, then let go. Another application's action is not ours.
    portal->activate("dictate");
    portal->activate("other-action");
    portal->deactivate("dictate");
    EXPECT_TRUE(pumpUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events, QStringList({"pressed", "released"}));

    // The user binds it to another key in the desktop's settings.
    portal->changeTrigger("dictate", "Meta+D");
    EXPECT_TRUE(pumpUntil([&] { return manager->trigger() == "Meta+D"; }));

    portal->closeSession("GlobalShortcuts");
    EXPECT_TRUE(pumpUntil([&] { return !manager->isRegistered(); }));
    EXPECT_EQ(manager->failure(), "The desktop ended the shortcut session; the hotkey no longer works");
    portal->activate("dictate");
    pumpFor(100);
    EXPECT_EQ(events.size(), 2);

    // Registering again starts a new session, which unregistering closes.
    ASSERT_TRUE(registerAndWait());
    ASSERT_TRUE(manager->isRegistered());
    const QString second = portal->session("GlobalShortcuts");
    manager->unregisterHotkey();
    EXPECT_TRUE(pumpUntil([&] { return portal->closedSessions == QStringList{second}; }));
}

TEST_F(PortalGlobalShortcutsTest, EachRefusalOfTheDesktopIsReportedInWords)
{
    const struct {
        const char *name;
        bool offered;
        const char *refusingMethod;
        uint response;
        bool bindsNothing;
        const char *failure;
        bool sessionClosedByUs;
    } cases[] = {
        {"no portal offers global shortcuts", false, "", 0, false,
         "This desktop lets no application register a global shortcut: bind a key to parlixctl in the desktop's own "
         "keyboard settings",
         false},
        {"session refused", true, "CreateSession", 2, false, "The desktop bound no shortcut for dictation", false},
        {"dialog cancelled", true, "BindShortcuts", 1, false,
         "The desktop's shortcut dialog was closed without binding Ctrl+Alt+Space", true},
        {"nothing bound", true, "", 0, true, "The desktop bound no shortcut for dictation", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        portal->offersGlobalShortcuts = c.offered;
        portal->responses = {{QString::fromLatin1(c.refusingMethod), c.response}};
        portal->bindsNothing = c.bindsNothing;
        portal->closedSessions.clear();

        ASSERT_TRUE(registerAndWait());

        EXPECT_FALSE(manager->isRegistered());
        EXPECT_EQ(manager->failure(), QString::fromUtf8(c.failure));
        // A session that bound nothing is not left open on the desktop.
        EXPECT_TRUE(pumpUntil([&] { return portal->closedSessions.isEmpty() != c.sessionClosedByUs; }, 2000));
    }
}

} // namespace
