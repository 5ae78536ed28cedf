// The hotkey recorder over the X11 backend on a headless X server: a combination another X client
// holds is refused with the reason, while the previous hotkey stays registered and stored. (A free
// combination recorded in the running app is the end-to-end test's.)
#include "MemoryKeyValueStore.h"
#include "OtherXClient.h"
#include "Pump.h"
#include "XSession.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "platform/x11/X11GlobalShortcutBackend.h"
#include "ui/settings/HotkeyRecorderButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <memory>

using namespace parlix;
using namespace parlix::test;

namespace {

class HotkeyRecorderX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
        backend = std::make_unique<X11GlobalShortcutBackend>(session.display().toLatin1());
        manager = std::make_unique<HotkeyManager>(settings, *backend);
        manager->onHotkeyPressed = [this] { ++presses; };
    }

    void TearDown() override
    {
        manager.reset();
        backend.reset();
    }

    // Taps `keys` and tells whether the hotkey answered.
    bool answers(const char *keys)
    {
        const int before = presses;
        if (session.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)}) != 0)
            return false;
        return pumpUntil([&] { return presses > before; }, 1500);
    }

    XSession session;
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    std::unique_ptr<X11GlobalShortcutBackend> backend;
    std::unique_ptr<HotkeyManager> manager;
    int presses = 0;
};

TEST_F(HotkeyRecorderX11Test, ACombinationAnotherClientHoldsIsRefusedAndThePreviousOneStays)
{
    OtherXClient other(session.display());
    ASSERT_TRUE(other.isConnected());
    ASSERT_TRUE(other.grab('z', XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT));
    manager->registerHotkey();
    ASSERT_TRUE(manager->isRegistered()) << manager->failure().toStdString();

    ui::HotkeyRecorderButton recorder(settings, *manager);
    QString message;
    QObject::connect(&recorder, &ui::HotkeyRecorderButton::message, [&message](const QString &text, bool) { message = text; });
    recorder.show();
    recorder.click();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(&recorder, &press);

    EXPECT_FALSE(recorder.isCapturing());
    EXPECT_EQ(message.toStdString(), "Ctrl+Shift+Z is already used by another application");
    EXPECT_EQ(settings.hotkey(), HotkeyConfig::defaultConfig());
    EXPECT_FALSE(store.values.contains(QStringLiteral("hotkey")));
    EXPECT_EQ(recorder.text().toStdString(), "Ctrl+Alt+Space");
    // The previous hotkey is registered again and answers.
    EXPECT_TRUE(manager->isRegistered());
    EXPECT_TRUE(answers("ctrl+alt+space"));
}

} // namespace
