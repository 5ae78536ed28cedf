// Registration of the stored hotkey through a backend that answers at once or later, its failure
// text, and the delivery of press and release to the callbacks.
#include "CategoryLog.h"
#include "FakeGlobalShortcutBackend.h"
#include "MemoryKeyValueStore.h"
#include "Printers.h"
#include "core/Categories.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>

using namespace parlix;
using parlix::test::CategoryLog;
using parlix::test::FakeGlobalShortcutBackend;
using parlix::test::MemoryKeyValueStore;

namespace {

class HotkeyManagerTest : public ::testing::Test {
protected:
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    FakeGlobalShortcutBackend backend;
    std::unique_ptr<HotkeyManager> manager = std::make_unique<HotkeyManager>(settings, backend);
    QStringList received;

    void SetUp() override
    {
        manager->onHotkeyPressed = [this] { received << "pressed"; };
        manager->onHotkeyReleased = [this] { received << "released"; };
    }
};

const HotkeyConfig optionSpace{49, HotkeyConfig::option};
const HotkeyConfig commandShiftD{2, HotkeyConfig::command | HotkeyConfig::shift};

TEST_F(HotkeyManagerTest, RegistrationOutcomeAndState)
{
    const struct {
        const char *name;
        HotkeyConfig hotkey;
        int installStatus;
        int registerStatus;
        QStringList calls;
        bool handlerInstalled;
        bool registered;
        std::optional<GlobalShortcut> held;
        // A key bound in the compositor runs parlixctl: no failure, said once at info level.
        bool boundByCompositor;
        QStringList log;
    } cases[] = {
        {"registered", optionSpace, 0, 0, {"install", "register"}, true, true, GlobalShortcut{0x20, ShortcutModifier::alt},
         false, {"info Hotkey registered: Alt+Space"}},
        {"handlerRefused", optionSpace, ShortcutStatus::noConnection, 0, {"install"}, false, false, std::nullopt, false,
         {"error Failed to install event handler: -1"}},
        {"combinationTaken", optionSpace, 0, 10, {"install", "register"}, true, false, std::nullopt, false,
         {"error Failed to register hotkey: 10"}},
        {"keyNotInTable", HotkeyConfig{50, HotkeyConfig::option}, 0, 0, {"install"}, true, false, std::nullopt, false,
         {"error Failed to register hotkey: -3"}},
        {"boundByCompositor", optionSpace, 0, ShortcutStatus::boundByCompositor, {"install", "register"}, true, false,
         std::nullopt, true, {"info No global shortcuts on this desktop: a key bound in the compositor runs parlixctl"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        manager->unregisterHotkey();
        backend.calls.clear();
        settings.setHotkey(c.hotkey);
        backend.installStatus = c.installStatus;
        backend.registerStatus = c.registerStatus;
        CategoryLog log(lcHotkey());

        manager->registerHotkey();

        EXPECT_EQ(backend.calls, c.calls);
        EXPECT_EQ(manager->isHandlerInstalled(), c.handlerInstalled);
        EXPECT_EQ(backend.hasHandler(), c.handlerInstalled);
        EXPECT_EQ(manager->isRegistered(), c.registered);
        EXPECT_EQ(manager->isBoundByCompositor(), c.boundByCompositor);
        EXPECT_EQ(manager->failure().isEmpty(), c.registered || c.boundByCompositor) << manager->failure().toStdString();
        EXPECT_EQ(backend.held, c.held);
        EXPECT_EQ(log.lines, c.log);
    }
}

TEST_F(HotkeyManagerTest, RegisteringAgainOrUnregisteringReleasesWhatWasHeldOnce)
{
    manager->registerHotkey();
    settings.setHotkey(commandShiftD);
    backend.calls.clear();

    manager->registerHotkey();

    EXPECT_EQ(backend.calls, QStringList({"unregister", "remove", "install", "register"}));
    EXPECT_EQ(backend.held, (GlobalShortcut{'d', ShortcutModifier::super | ShortcutModifier::shift}));
    EXPECT_TRUE(manager->isRegistered());

    backend.calls.clear();
    manager->unregisterHotkey();
    manager->unregisterHotkey();
    EXPECT_EQ(backend.calls, QStringList({"unregister", "remove"}));
    EXPECT_FALSE(backend.hasHandler());
    EXPECT_FALSE(manager->isHandlerInstalled() || manager->isRegistered());

    // After a refused combination nothing was registered: only the handler goes first, quietly.
    backend.registerStatus = 10;
    manager->registerHotkey();
    ASSERT_TRUE(manager->isHandlerInstalled());
    backend.registerStatus = ShortcutStatus::success;
    backend.calls.clear();
    manager->registerHotkey();
    EXPECT_EQ(backend.calls, QStringList({"remove", "install", "register"}));
}

TEST_F(HotkeyManagerTest, CallbacksRunAfterTheHandlerReturnsInArrivalOrderAndNeverOnceTheManagerIsGone)
{
    manager->registerHotkey();

    backend.fire(ShortcutEvent::pressed);
    backend.fire(ShortcutEvent::released);
    EXPECT_TRUE(received.isEmpty()) << "callbacks ran inside the backend's handler";

    QCoreApplication::processEvents();
    EXPECT_EQ(received, QStringList({"pressed", "released"}));

    // Without a callback the event is dropped; so is one still queued when the manager goes.
    manager->onHotkeyPressed = nullptr;
    backend.fire(ShortcutEvent::pressed);
    QCoreApplication::processEvents();
    backend.fire(ShortcutEvent::released);
    manager.reset();
    EXPECT_FALSE(backend.hasHandler());
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 2);
}

TEST_F(HotkeyManagerTest, ALostCombinationIsNoLongerRegisteredAndRegistersAgain)
{
    manager->registerHotkey();
    backend.lose();
    QCoreApplication::processEvents();

    EXPECT_FALSE(manager->isRegistered());
    EXPECT_TRUE(manager->isHandlerInstalled());
    EXPECT_TRUE(received.isEmpty());
    EXPECT_FALSE(manager->failure().isEmpty());
    // Unregistering then has only the handler to remove.
    backend.calls.clear();
    manager->unregisterHotkey();
    EXPECT_EQ(backend.calls, QStringList({"remove"}));

    manager->registerHotkey();
    EXPECT_TRUE(manager->isRegistered());
}

TEST_F(HotkeyManagerTest, ALaterAnswerCountsOnlyForTheRegistrationStillWaitingForIt)
{
    // A desktop that decides the trigger answers after a dialog, with the trigger it bound.
    backend.answersLater = true;
    backend.choosesTrigger = false;
    backend.boundTrigger = QStringLiteral("Meta+D");
    QList<bool> changes;
    QObject::connect(manager.get(), &HotkeyManager::registrationChanged, [&](bool registered) { changes << registered; });

    manager->registerHotkey();
    EXPECT_TRUE(manager->isPending());
    EXPECT_FALSE(manager->isRegistered());
    EXPECT_TRUE(changes.isEmpty()) << "a registration under way is no failure";
    EXPECT_EQ(backend.lastRequest->action, QStringLiteral("dictate"));
    EXPECT_FALSE(manager->canChooseKey());

    backend.answer();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_TRUE(manager->isRegistered());
    EXPECT_EQ(manager->trigger(), QStringLiteral("Meta+D"));

    // Withdrawn before the answer: nothing is registered and nobody hears of it.
    manager->registerHotkey();
    manager->unregisterHotkey();
    EXPECT_FALSE(manager->isPending());
    backend.answer();
    EXPECT_FALSE(manager->isRegistered());
    EXPECT_EQ(changes.size(), 1);

    // A change the desktop refuses keeps the stored hotkey and says why, once the answer is in.
    QStringList refusals;
    backend.registerStatus = ShortcutStatus::cancelled;
    manager->changeHotkey(commandShiftD, [&](const QString &refusal) { refusals << refusal; });
    EXPECT_TRUE(refusals.isEmpty());
    backend.answer();
    EXPECT_EQ(refusals, QStringList({"The desktop's shortcut dialog was closed without binding Super+Shift+D"}));
    EXPECT_EQ(settings.hotkey(), HotkeyConfig::defaultConfig());
    EXPECT_TRUE(manager->isPending()) << "the stored hotkey is asked for again";
}

} // namespace
