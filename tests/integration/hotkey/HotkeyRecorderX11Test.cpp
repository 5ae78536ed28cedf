// The hotkey recorder over the X11 backend on a headless X server: a combination nobody holds is
// registered and answers at once, one another X client holds is refused with the reason while the
// previous hotkey stays registered and stored.
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

struct RecorderCase {
    const char *name;
    bool takenByAnother;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char *xdotoolKeys;
    const char *storedAfter;
    const char *message;
};

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

TEST_F(HotkeyRecorderX11Test, RegistersAFreeCombinationAndReportsATakenOne)
{
    OtherXClient other(session.display());
    ASSERT_TRUE(other.isConnected());
    ASSERT_TRUE(other.grab('z', XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT));

    const QList<RecorderCase> cases{
        {"free", false, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier, "ctrl+shift+d", "Ctrl+Shift+D", ""},
        {"held by another client", true, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "ctrl+alt+space",
         "Ctrl+Alt+Space", "Ctrl+Shift+Z is already used by another application"},
    };
    for (const RecorderCase &c : cases) {
        SCOPED_TRACE(c.name);
        settings.setHotkey(HotkeyConfig::defaultConfig());
        manager->registerHotkey();
        ASSERT_TRUE(manager->isRegistered()) << manager->failure().toStdString();

        ui::HotkeyRecorderButton recorder(settings, *manager);
        QString message;
        QObject::connect(&recorder, &ui::HotkeyRecorderButton::message, [&message](const QString &text, bool) { message = text; });
        recorder.show();
        recorder.click();
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
        QApplication::sendEvent(&recorder, &press);

        EXPECT_FALSE(recorder.isCapturing());
        EXPECT_EQ(message.toStdString(), c.message);
        EXPECT_EQ(settings.hotkey().displayString().toStdString(), c.storedAfter);
        EXPECT_EQ(recorder.text().toStdString(), c.storedAfter);
        EXPECT_TRUE(manager->isRegistered());
        // What is stored is what answers; after a refusal that is still the previous hotkey.
        EXPECT_TRUE(answers(c.xdotoolKeys)) << c.xdotoolKeys;
        if (!c.takenByAnother)
            EXPECT_FALSE(answers("ctrl+alt+space")) << "the replaced hotkey still answers";
    }
}

} // namespace
