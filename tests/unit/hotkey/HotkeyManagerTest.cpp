// Registration of the stored hotkey through a backend, its log lines, and the delivery of
// press and release to the callbacks.
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

struct RegistrationCase {
    const char *name;
    HotkeyConfig hotkey;
    int installStatus;
    int registerStatus;
    QStringList calls;
    QStringList log;
    bool handlerInstalled;
    bool registered;
    std::optional<GlobalShortcut> held;
};

void PrintTo(const RegistrationCase &c, std::ostream *os)
{
    *os << c.name;
}

class RegistrationTest : public HotkeyManagerTest, public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(RegistrationTest, OutcomeStateAndLog)
{
    const RegistrationCase &c = GetParam();
    settings.setHotkey(c.hotkey);
    backend.installStatus = c.installStatus;
    backend.registerStatus = c.registerStatus;

    CategoryLog log(lcHotkey());
    manager->registerHotkey();

    EXPECT_EQ(backend.calls, c.calls);
    EXPECT_EQ(log.lines, c.log);
    EXPECT_EQ(manager->isHandlerInstalled(), c.handlerInstalled);
    EXPECT_EQ(backend.hasHandler(), c.handlerInstalled);
    EXPECT_EQ(manager->isRegistered(), c.registered);
    EXPECT_EQ(backend.held, c.held);
}

const HotkeyConfig optionSpace{49, HotkeyConfig::option};
const HotkeyConfig commandShiftD{2, HotkeyConfig::command | HotkeyConfig::shift};

INSTANTIATE_TEST_SUITE_P(
    HotkeyManager, RegistrationTest,
    ::testing::Values(
        RegistrationCase{"Registered", optionSpace, 0, 0, {"install", "register"}, {"info Hotkey registered: Alt+Space"},
                         true, true, GlobalShortcut{0x20, ShortcutModifier::alt}},
        RegistrationCase{"AllModifiersMapped", HotkeyConfig{122, 0x1b00}, 0, 0, {"install", "register"},
                         {"info Hotkey registered: Super+Ctrl+Alt+Shift+F1"}, true, true,
                         GlobalShortcut{0xffbe, ShortcutModifier::super | ShortcutModifier::alt
                                                    | ShortcutModifier::control | ShortcutModifier::shift}},
        RegistrationCase{"HandlerRefused", optionSpace, ShortcutStatus::noConnection, 0, {"install"},
                         {"error Failed to install event handler: -1"}, false, false, std::nullopt},
        RegistrationCase{"CombinationTaken", optionSpace, 0, 10, {"install", "register"},
                         {"error Failed to register hotkey: 10"}, true, false, std::nullopt},
        RegistrationCase{"KeyNotInTable", HotkeyConfig{50, HotkeyConfig::option}, 0, 0, {"install"},
                         {"error Failed to register hotkey: -3"}, true, false, std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HotkeyManagerTest, RegisteringAgainReleasesWhatThePreviousRegistrationHeld)
{
    manager->registerHotkey();
    settings.setHotkey(commandShiftD);
    backend.calls.clear();
    CategoryLog log(lcHotkey());

    manager->registerHotkey();

    EXPECT_EQ(backend.calls, QStringList({"unregister", "remove", "install", "register"}));
    EXPECT_EQ(log.lines, QStringList({"info Hotkey unregistered", "info Hotkey registered: Super+Shift+D"}));
    EXPECT_EQ(backend.held, (GlobalShortcut{'d', ShortcutModifier::super | ShortcutModifier::shift}));
    EXPECT_TRUE(manager->isRegistered());

    // After a refused combination nothing was registered: only the handler goes first, quietly.
    manager->unregisterHotkey();
    backend.registerStatus = 10;
    manager->registerHotkey();
    ASSERT_TRUE(manager->isHandlerInstalled());
    backend.registerStatus = ShortcutStatus::success;
    backend.calls.clear();
    log.lines.clear();
    manager->registerHotkey();
    EXPECT_EQ(backend.calls, QStringList({"remove", "install", "register"}));
    EXPECT_EQ(log.lines, QStringList({"info Hotkey registered: Super+Shift+D"}));
}

TEST_F(HotkeyManagerTest, UnregisterReleasesEverythingOnceAndIsQuietWhenIdle)
{
    manager->registerHotkey();
    backend.calls.clear();
    CategoryLog log(lcHotkey());

    manager->unregisterHotkey();
    manager->unregisterHotkey();

    EXPECT_EQ(backend.calls, QStringList({"unregister", "remove"}));
    EXPECT_EQ(log.lines, QStringList({"info Hotkey unregistered"}));
    EXPECT_FALSE(backend.hasHandler());
    EXPECT_FALSE(manager->isHandlerInstalled() || manager->isRegistered());
}

TEST_F(HotkeyManagerTest, CallbacksRunAfterTheHandlerReturnsInArrivalOrder)
{
    manager->registerHotkey();
    CategoryLog log(lcHotkey());

    backend.fire(ShortcutEvent::pressed);
    backend.fire(ShortcutEvent::released);
    EXPECT_TRUE(received.isEmpty()) << "callbacks ran inside the backend's handler";

    QCoreApplication::processEvents();
    EXPECT_EQ(received, QStringList({"pressed", "released"}));
    EXPECT_EQ(log.lines, QStringList({"debug Hotkey pressed", "debug Hotkey released"}));

    // Without callbacks the events are only logged.
    manager->onHotkeyPressed = nullptr;
    manager->onHotkeyReleased = nullptr;
    backend.fire(ShortcutEvent::pressed);
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 2);
    EXPECT_EQ(log.lines.size(), 3);
}

TEST_F(HotkeyManagerTest, ALostCombinationIsNoLongerRegisteredAndRegistersAgain)
{
    manager->registerHotkey();
    backend.lose();
    QCoreApplication::processEvents();

    EXPECT_FALSE(manager->isRegistered());
    EXPECT_TRUE(manager->isHandlerInstalled());
    EXPECT_TRUE(received.isEmpty());
    // Unregistering then has only the handler to remove, and says nothing.
    backend.calls.clear();
    CategoryLog log(lcHotkey());
    manager->unregisterHotkey();
    EXPECT_EQ(backend.calls, QStringList({"remove"}));
    EXPECT_TRUE(log.lines.isEmpty());

    manager->registerHotkey();
    EXPECT_TRUE(manager->isRegistered());
}

TEST_F(HotkeyManagerTest, NothingIsDeliveredOnceTheManagerIsGone)
{
    manager->registerHotkey();
    backend.fire(ShortcutEvent::pressed);

    manager.reset();
    EXPECT_FALSE(backend.hasHandler());
    backend.fire(ShortcutEvent::released);
    QCoreApplication::processEvents();

    EXPECT_TRUE(received.isEmpty());
}

} // namespace
