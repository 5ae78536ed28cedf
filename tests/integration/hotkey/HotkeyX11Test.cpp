// The hotkey manager over the X11 backend on a headless X server: key events come from xdotool
// through the server, and another X client competes for the same combinations.
#include "CategoryLog.h"
#include "MemoryKeyValueStore.h"
#include "OtherXClient.h"
#include "Printers.h"
#include "Pump.h"
#include "XSession.h"
#include "core/Categories.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "platform/x11/X11GlobalShortcutBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <functional>
#include <memory>

using namespace parlix;
using namespace parlix::test;

namespace {

// The server's stock keymap puts Alt on Mod1 and Num Lock on Mod2.
constexpr quint16 kAlt = XCB_MOD_MASK_1;
constexpr quint16 kNumLock = XCB_MOD_MASK_2;
constexpr quint16 kControlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
const QVector<quint16> kLockVariants{0, XCB_MOD_MASK_LOCK, kNumLock, XCB_MOD_MASK_LOCK | kNumLock};

const HotkeyConfig optionSpace{49, HotkeyConfig::option};
const HotkeyConfig controlShiftD{2, HotkeyConfig::control | HotkeyConfig::shift};
const HotkeyConfig controlShiftZ{6, HotkeyConfig::control | HotkeyConfig::shift};

constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kShiftL = 0xffe1;
const QString kMoved = QStringLiteral("info Hotkey moved to follow the keyboard layout");

class HotkeyX11Test : public ::testing::Test {
protected:
    XSession session{{.windowManager = true}};
    MemoryKeyValueStore store;
    std::unique_ptr<SettingsModel> settings;
    std::unique_ptr<X11GlobalShortcutBackend> backend;
    std::unique_ptr<HotkeyManager> manager;
    QStringList events;

    void SetUp() override
    {
        ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
        session.exportDisplay();
        settings = std::make_unique<SettingsModel>(store);
        backend = std::make_unique<X11GlobalShortcutBackend>(session.display().toLatin1());
        manager = std::make_unique<HotkeyManager>(*settings, *backend);
        manager->onHotkeyPressed = [this] { events << "pressed"; };
        manager->onHotkeyReleased = [this] { events << "released"; };
    }

    void TearDown() override
    {
        manager.reset();
        backend.reset();
    }

    void registerHotkey(const HotkeyConfig &config)
    {
        settings->setHotkey(config);
        manager->registerHotkey();
    }

    bool xdotool(const QStringList &arguments) { return session.run(QStringLiteral("xdotool"), arguments) == 0; }
    bool switchLayout(const char *layout) { return session.run(QStringLiteral("setxkbmap"), {layout}) == 0; }

    // Taps the registered combination and waits for its release. Every event the server sent
    // before the tap has been delivered by then, so `events` is complete and can be compared
    // exactly; the tap's own press and release are removed again.
    QStringList eventsBeforeTapOf(const QString &registered)
    {
        const qsizetype before = events.size();
        if (!xdotool({"key", registered}))
            return {"xdotool failed"};
        if (!pumpUntil([&] { return events.size() >= before + 2 && events.last() == "released"; }))
            return events + QStringList{"(the closing tap never arrived)"};
        QStringList earlier = events;
        if (earlier.mid(earlier.size() - 2) != QStringList({"pressed", "released"}))
            return earlier;
        earlier.resize(earlier.size() - 2);
        return earlier;
    }

    bool lockIsOn(const char *name)
    {
        QByteArray out;
        if (session.run(QStringLiteral("xset"), {"q"}, &out) != 0)
            return false;
        // "    00: Caps Lock:   on    01: Num Lock:    off …"
        const qsizetype at = out.indexOf(name);
        return at >= 0 && out.mid(at + qstrlen(name)).replace(' ', "").startsWith(":on");
    }
};

TEST_F(HotkeyX11Test, ATapOrAHeldKeyGivesOnePressAndOneReleaseWhateverTheLocks)
{
    registerHotkey(optionSpace);
    ASSERT_TRUE(manager->isRegistered());

    ASSERT_TRUE(xdotool({"key", "alt+space"}));
    EXPECT_EQ(eventsBeforeTapOf("alt+space"), QStringList({"pressed", "released"}));

    events.clear();
    // The server repeats a held key 25 times a second after 660 ms. One xdotool run holds the
    // keys: the server releases what an input-faking client holds when it disconnects.
    ASSERT_TRUE(xdotool({"keydown", "alt+space", "sleep", "1.5", "keyup", "space", "alt"}));

    EXPECT_EQ(eventsBeforeTapOf("alt+space"), QStringList({"pressed", "released"}));

    // It fires whatever the Caps Lock and Num Lock states.
    OtherXClient locks(session.display());
    ASSERT_TRUE(locks.isConnected());
    constexpr xcb_keysym_t capsLock = 0xffe5;
    constexpr xcb_keysym_t numLock = 0xff7f;
    struct Step {
        xcb_keysym_t toggle;
        bool caps;
        bool num;
    };
    // Each step toggles one lock: Caps on, Num on too, Caps off (Num alone).
    for (const Step &step : {Step{capsLock, true, false}, Step{numLock, true, true}, Step{capsLock, false, true}}) {
        SCOPED_TRACE(std::string("caps ") + (step.caps ? "on" : "off") + ", num " + (step.num ? "on" : "off"));
        ASSERT_TRUE(locks.tap(step.toggle));
        ASSERT_EQ(lockIsOn("Caps Lock"), step.caps);
        ASSERT_EQ(lockIsOn("Num Lock"), step.num);
        events.clear();
        ASSERT_TRUE(xdotool({"key", "alt+space"}));
        EXPECT_EQ(eventsBeforeTapOf("alt+space"), QStringList({"pressed", "released"}));
    }
}

TEST_F(HotkeyX11Test, ReRegisteringAndUnregisteringReleaseTheirCombinations)
{
    registerHotkey(optionSpace);
    ASSERT_TRUE(manager->isRegistered());
    registerHotkey(controlShiftD);
    ASSERT_TRUE(manager->isRegistered());
    manager->unregisterHotkey();

    OtherXClient other(session.display());
    ASSERT_TRUE(other.isConnected());
    for (const quint16 lock : kLockVariants) {
        EXPECT_EQ(other.grab(' ', kAlt | lock), 0) << "lock variant " << lock;
        EXPECT_EQ(other.grab('d', kControlShift | lock), 0) << "lock variant " << lock;
    }
    // The keys now reach the other client, and nothing reaches the callbacks.
    ASSERT_TRUE(xdotool({"key", "ctrl+shift+d"}));
    EXPECT_TRUE(pumpUntil([&] { return other.keyEvents() >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(HotkeyX11Test, ACombinationHeldByAnotherClientIsReportedAndTheAppCarriesOn)
{
    OtherXClient other(session.display());
    ASSERT_TRUE(other.isConnected());
    ASSERT_EQ(other.grab(' ', kAlt), 0);

    CategoryLog log(lcHotkey());
    registerHotkey(optionSpace);
    EXPECT_EQ(log.lines, QStringList({"error Failed to register hotkey: 10"}));
    EXPECT_TRUE(manager->isHandlerInstalled());
    EXPECT_FALSE(manager->isRegistered());

    // The combination still belongs to the other client.
    ASSERT_TRUE(xdotool({"key", "alt+space"}));
    EXPECT_TRUE(pumpUntil([&] { return other.keyEvents() >= 2; }));

    registerHotkey(controlShiftD);
    ASSERT_TRUE(manager->isRegistered());
    ASSERT_TRUE(xdotool({"key", "ctrl+shift+d"}));
    EXPECT_EQ(eventsBeforeTapOf("ctrl+shift+d"), QStringList({"pressed", "released"}));
}

// A layout that puts the hotkey's letter on another key: the grab has to go with the letter.
struct MovingKey {
    const char *layout;
    HotkeyConfig hotkey;
    QVector<xcb_keysym_t> modifierKeys;
    xcb_keysym_t key;
    const char *combination; // as xdotool names it
};

void PrintTo(const MovingKey &k, std::ostream *os)
{
    *os << k.combination << " under " << k.layout;
}

class HotkeyX11LayoutTest : public HotkeyX11Test, public ::testing::WithParamInterface<MovingKey> {};

TEST_P(HotkeyX11LayoutTest, TheHotkeyFollowsItsLetterToAnotherKey)
{
    const MovingKey &c = GetParam();
    OtherXClient keyboard(session.display());
    ASSERT_TRUE(keyboard.isConnected());
    const xcb_keycode_t oldKey = keyboard.keycode(c.key);
    QVector<xcb_keycode_t> modifiers;
    for (const xcb_keysym_t modifier : c.modifierKeys)
        modifiers.append(keyboard.keycode(modifier));
    registerHotkey(c.hotkey);
    ASSERT_TRUE(manager->isRegistered());

    CategoryLog log(lcHotkey());
    ASSERT_TRUE(switchLayout(c.layout));
    ASSERT_TRUE(pumpUntil([&] { return log.lines.contains(kMoved); }));
    ASSERT_NE(keyboard.keycode(c.key), oldKey) << "the layout does not move the key";

    // The old key with the same modifiers is now another letter and fires nothing; xdotool
    // types the letter on the key it sits on now.
    ASSERT_TRUE(keyboard.fake(XCB_KEY_PRESS, modifiers + QVector<xcb_keycode_t>{oldKey}));
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, {oldKey}));
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, modifiers));
    EXPECT_EQ(eventsBeforeTapOf(c.combination), QStringList()) << "the old key still fired";
    EXPECT_EQ(log.lines.filter(QRegularExpression("^(info|warning|error) ")), QStringList({kMoved}));
}

INSTANTIATE_TEST_SUITE_P(HotkeyX11Test, HotkeyX11LayoutTest,
                         ::testing::Values(MovingKey{"de", controlShiftZ, {kControlL, kShiftL}, 'z', "ctrl+shift+z"}),
                         [](const auto &info) {
                             return std::string(info.param.layout) + "_" + char(info.param.key);
                         });

TEST_F(HotkeyX11Test, AMoveRefusedBecauseAnotherClientHoldsTheNewKeyLeavesNothingGrabbed)
{
    // Under de, Z sits where Y is under us.
    OtherXClient other(session.display());
    ASSERT_TRUE(other.isConnected());
    ASSERT_EQ(other.grab('y', kControlShift), 0);
    registerHotkey(controlShiftZ);
    ASSERT_TRUE(manager->isRegistered());

    CategoryLog log(lcHotkey());
    ASSERT_TRUE(switchLayout("de"));
    ASSERT_TRUE(pumpUntil([&] { return !log.lines.isEmpty(); }));
    EXPECT_EQ(log.lines, QStringList({"error Failed to move the hotkey to follow the keyboard layout: 10"}));
    EXPECT_TRUE(pumpUntil([&] { return !manager->isRegistered(); }));

    // Neither the old key (now Y) nor the variants of the new one granted before the refusal.
    OtherXClient third(session.display());
    ASSERT_TRUE(third.isConnected());
    for (const quint16 lock : kLockVariants) {
        EXPECT_EQ(third.grab('y', kControlShift | lock), 0) << "lock variant " << lock;
        if (lock != 0) {
            EXPECT_EQ(third.grab('z', kControlShift | lock), 0) << "lock variant " << lock;
        }
    }
}

TEST_F(HotkeyX11Test, AKeyHeldAcrossALayoutChangeStillDeliversItsRelease)
{
    registerHotkey(controlShiftZ);
    ASSERT_TRUE(manager->isRegistered());
    OtherXClient keyboard(session.display());
    ASSERT_TRUE(keyboard.isConnected());
    const QVector<xcb_keycode_t> modifiers{keyboard.keycode(kControlL), keyboard.keycode(kShiftL)};
    const xcb_keycode_t z = keyboard.keycode('z');

    ASSERT_TRUE(keyboard.fake(XCB_KEY_PRESS, modifiers + QVector<xcb_keycode_t>{z}));
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList({"pressed"}); }));
    CategoryLog log(lcHotkey());
    ASSERT_TRUE(switchLayout("de"));
    ASSERT_TRUE(pumpUntil([&] { return log.lines.contains(kMoved); }));

    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, {z}));
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, modifiers));
    EXPECT_TRUE(pumpUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events, QStringList({"pressed", "released"}));
    // And the next push-to-talk starts on the key Z is on now.
    events.clear();
    EXPECT_EQ(eventsBeforeTapOf("ctrl+shift+z"), QStringList());
}

TEST_F(HotkeyX11Test, NoServerIsReportedAsAFailedHandler)
{
    X11GlobalShortcutBackend unreachable(":9999");
    HotkeyManager lonely(*settings, unreachable);
    CategoryLog log(lcHotkey());

    lonely.registerHotkey();

    EXPECT_EQ(log.lines, QStringList({"error Failed to install event handler: -1"}));
    EXPECT_FALSE(lonely.isHandlerInstalled());
}

} // namespace
