// Changing the hotkey as a user does: the built parlix on a private desktop (Xvfb with openbox, a
// session bus, PulseAudio whose virtual microphone speaks), its settings window opened on the
// Recording tab, the hotkey button reached from the keyboard (Alt+H, Space) and the new
// combination typed with xdotool. After the window is closed the new hotkey dictates into a text
// window, and the old one starts nothing.
#include "DBusSession.h"
#include "DeliveryTarget.h"
#include "EngineStandIn.h"
#include "ParlixInstance.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "Speech.h"
#include "TestEnvironment.h"
#include "XSession.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

// Bounds for a loaded machine; nothing here is a measurement.
constexpr int limitMs = 60000;

class HotkeyChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        ASSERT_TRUE(PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed (scripts/setup.sh installs them)";
        QString error;
        ASSERT_TRUE(pulse.start(&error)) << error.toStdString();
        ASSERT_TRUE(engine.installed());
        x.exportDisplay();
    }

    int xdotool(const QStringList &arguments) { return x.run(QStringLiteral("xdotool"), arguments); }
    bool key(const char *keys) { return xdotool({QStringLiteral("key"), QString::fromLatin1(keys)}) == 0; }
    std::string log() const { return app ? app->log().toStdString() : std::string(); }

    int parlixctl(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(app->environment());
        process.start(binDirectory() + QStringLiteral("/parlixctl"), arguments);
        if (!pumpUntil([&] { return process.state() == QProcess::NotRunning; }, 30000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString settingsWindow()
    {
        QByteArray out;
        x.run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Parlix Settings$")}, &out);
        return QString::fromLatin1(out).trimmed().section(QLatin1Char('\n'), 0, 0);
    }

    QString focusedWindow()
    {
        QByteArray out;
        x.run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, &out);
        return QString::fromLatin1(out).trimmed();
    }

    XSession x{XSession::Options{true}};
    DBusSession bus;
    PulseAudioSession pulse;
    QTemporaryDir engineDir;
    EngineStandIn engine{engineDir.path()};
    std::unique_ptr<ParlixInstance> app;
};

TEST_F(HotkeyChangeTest, ARecordedHotkeyDictatesAndTheOldOneNoLonger)
{
    engine.writeFile(QStringLiteral("reply.txt"), "\n Dictated with the new hotkey.");
    engine.setPlan({QStringLiteral("stdout {dir}/reply.txt")});
    QProcessEnvironment base = bus.environment(x.environment());
    base.insert(QStringLiteral("PULSE_SERVER"), pulse.serverAddress());
    app = std::make_unique<ParlixInstance>(base, engineDir.path());
    ASSERT_TRUE(app->installModel(QStringLiteral("ggml-base.en.bin")));
    ASSERT_TRUE(app->start(limitMs)) << app->error().toStdString();
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Hotkey registered: Ctrl+Alt+Space"))) << log();

    // Record Ctrl+Shift+D in the Recording tab, from the keyboard alone.
    ASSERT_EQ(parlixctl({QStringLiteral("settings"), QStringLiteral("recording")}), 0) << log();
    ASSERT_TRUE(pumpUntil([&] { return !settingsWindow().isEmpty(); }, limitMs)) << log();
    // As a user does: the window has appeared and holds the focus before anything is typed (a
    // freshly mapped window may still be handed the focus by the window manager).
    const QString window = settingsWindow();
    pumpFor(1000);
    ASSERT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}), 0);
    ASSERT_TRUE(pumpUntil([&] { return focusedWindow() == window; }, limitMs)) << "the settings window has no focus";
    ASSERT_TRUE(key("alt+h"));
    ASSERT_TRUE(key("space"));
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Waiting for a new hotkey to be typed"), limitMs)) << log();
    ASSERT_EQ(focusedWindow(), window);
    ASSERT_TRUE(key("ctrl+shift+d"));
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Hotkey saved: Ctrl+Shift+D"), limitMs)) << log();
    ASSERT_TRUE(app->log().contains(QStringLiteral("Hotkey registered: Ctrl+Shift+D"))) << log();

    ASSERT_EQ(x.run(QStringLiteral("wmctrl"), {QStringLiteral("-c"), QStringLiteral("Parlix Settings")}), 0);
    ASSERT_TRUE(pumpUntil([&] { return settingsWindow().isEmpty(); }, limitMs)) << "the settings window stayed";

    DeliveryTarget target;
    ASSERT_TRUE(target.isRunning());
    ASSERT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(target.window())}), 0);

    // The old hotkey starts nothing.
    ASSERT_TRUE(key("ctrl+alt+space"));
    pumpFor(1500);
    EXPECT_EQ(app->state(), u"idle") << log();

    // The new one dictates into the window.
    ASSERT_TRUE(key("ctrl+shift+d"));
    ASSERT_TRUE(app->waitForState(QStringLiteral("recording"), limitMs)) << log();
    pulse.enqueue(spokenSamples(QStringLiteral("Testing the new hotkey.")));
    pulse.startFeeding(true);
    ASSERT_TRUE(pumpUntil([&] { return pulse.waitUntilFed(0); }, limitMs));
    ASSERT_TRUE(key("ctrl+shift+d"));
    ASSERT_TRUE(app->waitForState(QStringLiteral("idle"), limitMs)) << log();
    EXPECT_TRUE(target.waitForReceived("Dictated with the new hotkey.", limitMs))
        << "received: '" << target.received().toStdString() << "'\n" << log();
    const QJsonArray items = app->historyItems();
    ASSERT_EQ(items.size(), 1) << log();
    EXPECT_EQ(items.first().toObject().value(QStringLiteral("text")).toString(), QStringLiteral("Dictated with the new hotkey."));
}

} // namespace
