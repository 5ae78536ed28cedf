// The hotkey manager over the GlobalShortcuts portal client, against a stand-in portal on a
// private session bus: the words the user gets for each way the desktop says no or lets go, and
// that no session is left open on the desktop. (Binding and press and release are shown against
// KDE's real portal in KdePortalTest.)
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

    void SetUp() override
    {
        ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
        portal = std::make_unique<FakePortal>(session.address());
        ASSERT_TRUE(portal->isRegistered());
        const QDBusConnection bus = QDBusConnection::connectToBus(session.address(), QStringLiteral("portal-client"));
        ASSERT_TRUE(bus.isConnected());
        backend = std::make_unique<PortalGlobalShortcutBackend>(bus);
        manager = std::make_unique<HotkeyManager>(settings, *backend);
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

TEST_F(PortalGlobalShortcutsTest, EachRefusalOfTheDesktopIsReportedInWords)
{
    const struct {
        const char *name;
        bool offered;
        const char *refusingMethod;
        uint response;
        bool bindsNothing;
        bool closedAfterBinding;
        const char *failure;
        bool sessionClosedByUs;
    } cases[] = {
        {"the desktop ends the session", true, "", 0, false, true,
         "The desktop ended the shortcut session; the hotkey no longer works", false},
        {"no portal offers global shortcuts", false, "", 0, false, false,
         "This desktop lets no application register a global shortcut: bind a key to parlixctl in the desktop's own "
         "keyboard settings",
         false},
        {"session refused", true, "CreateSession", 2, false, false, "The desktop bound no shortcut for dictation", false},
        {"dialog cancelled", true, "BindShortcuts", 1, false, false,
         "The desktop's shortcut dialog was closed without binding Ctrl+Alt+Space", true},
        {"nothing bound", true, "", 0, true, false, "The desktop bound no shortcut for dictation", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        portal->offersGlobalShortcuts = c.offered;
        portal->responses = {{QString::fromLatin1(c.refusingMethod), c.response}};
        portal->bindsNothing = c.bindsNothing;
        portal->closedSessions.clear();

        ASSERT_TRUE(registerAndWait());
        if (c.closedAfterBinding) {
            ASSERT_TRUE(manager->isRegistered()) << manager->failure().toStdString();
            EXPECT_EQ(portal->boundShortcuts.value("dictate").value("preferred_trigger").toString(), "CTRL+ALT+space");
            // The user rebinds it in the desktop's settings, then the desktop lets go.
            portal->changeTrigger("dictate", "Meta+D");
            EXPECT_TRUE(pumpUntil([&] { return manager->trigger() == "Meta+D"; }));
            portal->closeSession("GlobalShortcuts");
            EXPECT_TRUE(pumpUntil([&] { return !manager->isRegistered(); }));
        }

        EXPECT_FALSE(manager->isRegistered());
        EXPECT_EQ(manager->failure(), QString::fromUtf8(c.failure));
        // A session that bound nothing is not left open on the desktop.
        EXPECT_TRUE(pumpUntil([&] { return portal->closedSessions.isEmpty() != c.sessionClosedByUs; }, 2000));
    }
}

} // namespace
