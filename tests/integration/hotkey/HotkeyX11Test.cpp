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
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <memory>

using namespace parlix;
using namespace parlix::test;

namespace {

// The server's stock keymap puts Num Lock on Mod2.
constexpr quint16 kNumLock = XCB_MOD_MASK_2;
constexpr quint16 kControlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
const QVector<quint16> kLockVariants{0, XCB_MOD_MASK_LOCK, kNumLock, XCB_MOD_MASK_LOCK | kNumLock};

const HotkeyConfig optionSpace{49, HotkeyConfig::option};
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
        EXPECT_EQ(eventsBeforeTapOf("alt+space"), QStringList()); // its own tap is checked there
    }
}

// A refused grab is undone, and a grab let go is let go in every lock variant: registering,
// unregistering and following the layout all take and release grabs through the same code.
TEST_F(HotkeyX11Test, AMoveRefusedBecauseAnotherClientHoldsTheNewKeyLeavesNothingGrabbed)
{
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

// Under de, Z sits where Y is under us: the grab has to go with the letter, also while it is held.
TEST_F(HotkeyX11Test, TheHotkeyFollowsItsLetterToAnotherKeyEvenWhileHeld)
{
    registerHotkey(controlShiftZ);
    ASSERT_TRUE(manager->isRegistered());
    OtherXClient keyboard(session.display());
    ASSERT_TRUE(keyboard.isConnected());
    const QVector<xcb_keycode_t> modifiers{keyboard.keycode(kControlL), keyboard.keycode(kShiftL)};
    const xcb_keycode_t oldZ = keyboard.keycode('z');

    ASSERT_TRUE(keyboard.fake(XCB_KEY_PRESS, modifiers + QVector<xcb_keycode_t>{oldZ}));
    ASSERT_TRUE(pumpUntil([&] { return events == QStringList({"pressed"}); }));
    CategoryLog log(lcHotkey());
    ASSERT_TRUE(switchLayout("de"));
    ASSERT_TRUE(pumpUntil([&] { return log.lines.contains(kMoved); }));
    ASSERT_NE(keyboard.keycode('z'), oldZ) << "the layout does not move the key";
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, {oldZ}));
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, modifiers));
    EXPECT_TRUE(pumpUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events, QStringList({"pressed", "released"}));

    // The old key is Y now and fires nothing; xdotool types Z on the key it sits on now.
    events.clear();
    ASSERT_TRUE(keyboard.fake(XCB_KEY_PRESS, modifiers + QVector<xcb_keycode_t>{oldZ}));
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, {oldZ}));
    ASSERT_TRUE(keyboard.fake(XCB_KEY_RELEASE, modifiers));
    EXPECT_EQ(eventsBeforeTapOf("ctrl+shift+z"), QStringList()) << "the old key still fired";
    EXPECT_EQ(log.lines.filter(QRegularExpression("^(info|warning|error) ")), QStringList({kMoved}));
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
