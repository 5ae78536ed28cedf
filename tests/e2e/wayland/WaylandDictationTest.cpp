// Dictation on a Wayland desktop without XWayland: the built parlix as a native Wayland client of
// a headless sway, driven with parlixctl start/stop while the user speaks into PulseAudio's
// virtual microphone. The text lands byte-exact in a native Qt and a GTK 3 window, pasted and
// typed, under the US and the German layout, and the user's clipboard is given back.
// Run as root, the test first becomes an ordinary user, as sway refuses root.
#include "DBusSession.h"
#include "EngineStandIn.h"
#include "ParlixInstance.h"
#include "ProcessRunner.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "Speech.h"
#include "TestEnvironment.h"
#include "WaylandSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

constexpr int limitMs = 30000;

// ASCII, accents, CJK and symbols: none of it but the ASCII on a US or German keyboard.
const QString transcript = QStringLiteral("Grüße, café: 你好 → 42 €!");

const std::vector<int16_t> &speech()
{
    static const std::vector<int16_t> samples = spokenSamples(QStringLiteral("Hello there."));
    return samples;
}

enum class Delivery { pasted, typed };

class WaylandDictationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_dropped = WaylandSession::runUnprivileged(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_dropped.isEmpty()) << s_dropped.toStdString();
        ASSERT_TRUE(WaylandSession::toolsAvailable()) << "sway and wl-clipboard are needed (scripts/setup.sh installs them)";
        ASSERT_TRUE(PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed";
        ASSERT_FALSE(speech().empty()) << "espeak-ng and sox are needed";
        session = std::make_unique<WaylandSession>();
        ASSERT_TRUE(session->isRunning()) << session->error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        QString error;
        ASSERT_TRUE(pulse.start(&error)) << error.toStdString();
        ASSERT_TRUE(engine.installed());
        engine.writeFile(QStringLiteral("reply.txt"), "\n " + transcript.toUtf8());
        engine.setPlan({QStringLiteral("stdout {dir}/reply.txt")});
    }

    void launch(Delivery delivery)
    {
        app.reset();
        QProcessEnvironment base = session->environment(bus.environment());
        base.insert(QStringLiteral("PULSE_SERVER"), pulse.serverAddress());
        app = std::make_unique<ParlixInstance>(base, engineDir.path());
        ASSERT_TRUE(app->installModel(QStringLiteral("ggml-base.en.bin")));
        QJsonObject settings;
        if (delivery == Delivery::typed) {
            // Live dictation types what it hears.
            settings.insert(QStringLiteral("experimentalFeaturesEnabled"), storedBool(true));
            settings.insert(QStringLiteral("liveDictationEnabled"), storedBool(true));
        }
        ASSERT_TRUE(app->writeSettings(settings));
        ASSERT_TRUE(app->start(limitMs)) << app->error().toStdString();
        ASSERT_TRUE(app->waitForLog(QStringLiteral("Desktop: Wayland session (Qt platform wayland); typing: virtual keyboard "
                                                   "(wlroots); clipboard: data control (wlroots); window access: none")))
            << log();
    }

    void control(const char *command)
    {
        const ProcessResult run = runProcess(binDirectory() + QStringLiteral("/parlixctl"), {QString::fromLatin1(command)},
                                             app->environment(), {}, limitMs);
        ASSERT_EQ(run.exitCode, 0) << command << ": " << run.err.toStdString() << log();
    }

    // parlixctl start, the user speaks, parlixctl stop; then parlix is idle again.
    void dictate(const char *recordingState)
    {
        control("start");
        ASSERT_TRUE(app->waitForState(QString::fromLatin1(recordingState), limitMs)) << log();
        pulse.enqueue(speech());
        pulse.startFeeding(true);
        ASSERT_TRUE(pumpUntil([&] { return pulse.waitUntilFed(0); }, limitMs));
        control("stop");
        ASSERT_TRUE(app->waitForState(QStringLiteral("idle"), limitMs)) << log();
        pulse.stopFeeding();
    }

    QByteArray clipboard()
    {
        QByteArray out;
        session->run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")}, &out);
        return out;
    }

    std::string log() const { return app ? app->log().toStdString() : std::string(); }

    static inline QString s_dropped;
    std::unique_ptr<WaylandSession> session;
    DBusSession bus;
    PulseAudioSession pulse;
    QTemporaryDir engineDir;
    EngineStandIn engine{engineDir.path()};
    std::unique_ptr<ParlixInstance> app;
};

TEST_F(WaylandDictationTest, TextLandsByteExactInNativeWindowsAndTheClipboardComesBack)
{
    const struct Case {
        Delivery delivery;
        const char *window;
        const char *layout;
    } cases[] = {
        {Delivery::pasted, "wayland_text_window", "us"},
        {Delivery::pasted, "gtk_text_window.py", "de"},
        {Delivery::typed, "wayland_text_window", "de"},
        {Delivery::typed, "gtk_text_window.py", "us"},
    };
    std::optional<Delivery> running;
    QTemporaryDir outputs;
    int number = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.delivery == Delivery::pasted ? "pasted" : "typed") + " into " + c.window + " under " + c.layout);
        ASSERT_EQ(session->run(QStringLiteral("swaymsg"), {QStringLiteral("input * xkb_layout ") + QLatin1String(c.layout)}), 0);
        if (running != c.delivery) {
            ASSERT_NO_FATAL_FAILURE(launch(c.delivery));
            running = c.delivery;
        }
        const QByteArray before = "on the clipboard before " + QByteArray::number(++number);
        ASSERT_EQ(session->run(QStringLiteral("wl-copy"), {QString::fromLatin1(before)}), 0);
        ASSERT_TRUE(pumpUntil([&] { return clipboard() == before; }, limitMs));

        const QString output = outputs.filePath(QStringLiteral("received-%1.txt").arg(number));
        QProcess *window = session->start(testBinDirectory() + u'/' + QLatin1String(c.window), {QStringLiteral("--output"), output});
        ASSERT_TRUE(pumpUntil([&] { return window->canReadLine(); }, limitMs)) << "the window got no focus";

        ASSERT_NO_FATAL_FAILURE(dictate(c.delivery == Delivery::typed ? "live" : "recording"));
        const QJsonArray items = app->historyItems();
        ASSERT_FALSE(items.isEmpty()) << log();
        // Live dictation may have typed a chunk before the final one; the entry holds all of them.
        const QString stored = items.first().toObject().value(QStringLiteral("text")).toString();
        ASSERT_TRUE(stored.endsWith(transcript)) << stored.toStdString() << log();

        QByteArray received;
        EXPECT_TRUE(pumpUntil([&] {
            QFile file(output);
            received = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return received == stored.toUtf8();
        }, limitMs)) << "received: '" << received.toStdString() << "'\n" << log();
        window->terminate();
        window->waitForFinished(limitMs);
        EXPECT_EQ(clipboard(), before) << log();
    }
    EXPECT_TRUE(app->leftoverAudio().isEmpty());
}

} // namespace
