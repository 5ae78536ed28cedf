// Dictation as a user does it: the built parlix on a private desktop (Xvfb with openbox, a session
// bus, PulseAudio whose virtual microphone speaks espeak-ng speech in real time), its global
// hotkey (Ctrl+Alt+Space, the default) pressed with xdotool while a text window has the focus.
// Every case checks what the window received, what history.json holds, that no audio file is left
// behind and that parlix is idle again. One changes the hotkey in the settings window first; the
// first run starts with no model: the tray menu (read and clicked over StatusNotifierItem/DBusMenu)
// leads to the Model tab, whose recommended model comes from a loopback server.
#include "DBusMenuClient.h"
#include "DBusSession.h"
#include "DeliveryTarget.h"
#include "EngineStandIn.h"
#include "Files.h"
#include "LoopbackHttpServer.h"
#include "NotificationServer.h"
#include "ParlixInstance.h"
#include "Printers.h"
#include "ProcessRunner.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "Speech.h"
#include "StatusNotifierWatcher.h"
#include "TestEnvironment.h"
#include "WavReader.h"
#include "XSession.h"
#include "core/TextReplacementRule.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace parlix;
using namespace parlix::test;

namespace {

// Bounds for a loaded machine; nothing here is a measurement.
constexpr int startLimitMs = 30000;
constexpr int dictationLimitMs = 60000;

// The sentence the user speaks, as 16 kHz mono 16-bit samples; made once.
const std::vector<int16_t> &speech()
{
    static const std::vector<int16_t> samples = spokenSamples(QStringLiteral("The quick brown fox jumps over the lazy dog."));
    return samples;
}

// Samples well above the silence threshold (-40 dBFS is an amplitude of about 330): the audible
// part of a recording.
qsizetype loudSamples(const std::vector<int16_t> &samples)
{
    return std::count_if(samples.begin(), samples.end(), [](int16_t s) { return std::abs(int(s)) > 1000; });
}

// Every shipped example rule, switched on, in its stored form.
QJsonObject enabledExampleRules()
{
    QList<TextReplacementRule> rules = TextReplacementRule::examples();
    for (TextReplacementRule &rule : rules)
        rule.isEnabled = true;
    return {{QStringLiteral("data"), QString::fromLatin1(TextReplacementRule::encode(rules).value_or(QByteArray()).toBase64())}};
}

QJsonObject experimentalOn()
{
    return {{QStringLiteral("experimentalFeaturesEnabled"), storedBool(true)},
            {QStringLiteral("textReplacementEnabled"), storedBool(true)},
            {QStringLiteral("textReplacementRules"), enabledExampleRules()}};
}

QString field(const QJsonValue &item, const char *key)
{
    return item.toObject().value(QLatin1String(key)).toString();
}

class DictationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        ASSERT_TRUE(PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed (scripts/setup.sh installs them)";
        ASSERT_FALSE(speech().empty()) << "espeak-ng and sox are needed (scripts/setup.sh installs them)";
        QString error;
        ASSERT_TRUE(pulse.start(&error)) << error.toStdString();
        ASSERT_TRUE(engine.installed());
        // The text window is started by this process and finds the X server through DISPLAY.
        x.exportDisplay();
    }

    // Starts parlix with `settings` and the text window the user dictates into, focused.
    // `model` is the file placed in the models directory (none when empty), a link to
    // `modelSource` or a placeholder the stand-in never reads; `resources` holds the whisper-cli
    // parlix runs (the stand-in by default).
    void launch(const QJsonObject &settings, const QString &model = QStringLiteral("ggml-base.en.bin"),
                const QString &modelSource = {}, const QString &resources = {})
    {
        QProcessEnvironment base = bus.environment(x.environment());
        base.insert(QStringLiteral("PULSE_SERVER"), pulse.serverAddress());
        base.insert(extraEnvironment);
        app = std::make_unique<ParlixInstance>(base, resources.isEmpty() ? engineDir.path() : resources);
        if (!model.isEmpty()) {
            ASSERT_TRUE(app->installModel(model, modelSource));
        }
        ASSERT_TRUE(app->writeSettings(settings));
        ASSERT_TRUE(app->start(startLimitMs)) << app->error().toStdString();
        ASSERT_TRUE(app->waitForLog(QStringLiteral("Hotkey registered"))) << log();

        target = std::make_unique<DeliveryTarget>();
        ASSERT_TRUE(target->isRunning());
        ASSERT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(target->window())}), 0);
    }

    int xdotool(const QStringList &arguments) { return x.run(QStringLiteral("xdotool"), arguments); }
    void pressHotkey() { ASSERT_EQ(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+space")}), 0); }
    // The first line xdotool prints for `arguments`.
    QString xdotoolLine(const QStringList &arguments)
    {
        QByteArray out;
        x.run(QStringLiteral("xdotool"), arguments, &out);
        return QString::fromLatin1(out).trimmed().section(QLatin1Char('\n'), 0, 0);
    }
    // The settings window once it is mapped, or empty. (A window is named before the window
    // manager maps and manages it.)
    QString settingsWindow()
    {
        return xdotoolLine({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral("^Parlix Settings$")});
    }
    // Closes the settings window the way a window manager does, and waits until it is gone.
    void closeSettingsWindow()
    {
        ASSERT_TRUE(pumpUntil([&] { return x.run(QStringLiteral("wmctrl"), {QStringLiteral("-c"), QStringLiteral("Parlix Settings")}) == 0; },
                              dictationLimitMs)) << "the window manager does not know the settings window";
        ASSERT_TRUE(pumpUntil([&] { return settingsWindow().isEmpty(); }, dictationLimitMs)) << "the settings window stayed";
    }

    // The user says the sentence `times` times; the microphone then hears silence.
    void speak(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            pulse.enqueue(speech());
        pulse.startFeeding(true);
    }
    void waitUntilSpoken()
    {
        ASSERT_TRUE(pumpUntil([&] { return pulse.waitUntilFed(0); }, dictationLimitMs)) << "the microphone was not fed";
    }

    void waitForState(const char *state)
    {
        ASSERT_TRUE(app->waitForState(QString::fromLatin1(state), dictationLimitMs)) << "not " << state << ":\n" << log();
    }

    // The stand-in answers every run as whisper-cli prints `text`, optionally after `before`.
    void engineAnswers(const QByteArray &text, const QStringList &before = {})
    {
        engine.writeFile(QStringLiteral("reply.txt"), "\n" + text);
        engine.setPlan(QStringList{EngineStandIn::recordArguments()} + before + QStringList{QStringLiteral("stdout {dir}/reply.txt")});
    }
    // The argument after `flag` in the stand-in's last run.
    QString engineArgument(const QString &flag) const
    {
        const QStringList arguments = engine.arguments();
        const qsizetype at = arguments.indexOf(flag);
        return at >= 0 ? arguments.value(at + 1) : QString();
    }

    // Toggle mode: start with the hotkey, speak, stop with the hotkey.
    void dictateInToggleMode()
    {
        pressHotkey();
        waitForState("recording");
        speak();
        waitUntilSpoken();
        pressHotkey();
    }

    // The dictation ended in one history entry holding `text` (the engine's `original` before
    // replacement; each is the one before unless given), the window received `received`, parlix
    // is idle and no audio file is left.
    void expectOutcome(const QString &received, QString text = {}, QString original = {})
    {
        text = text.isEmpty() ? received : text;
        original = original.isEmpty() ? text : original;
        waitForState("idle");
        EXPECT_TRUE(target->waitForReceived(received.toUtf8(), dictationLimitMs))
            << "received: '" << target->received().toStdString() << "'\n" << log();
        const QJsonArray items = app->historyItems();
        ASSERT_EQ(items.size(), 1) << log();
        EXPECT_EQ(field(items.first(), "text"), text);
        EXPECT_EQ(field(items.first(), "originalText"), original);
        EXPECT_TRUE(app->leftoverAudio().isEmpty()) << app->leftoverAudio().join(u' ').toStdString();
    }

    std::string log() const { return app ? app->log().toStdString() : std::string(); }

    XSession x{XSession::Options{true}};
    DBusSession bus;
    PulseAudioSession pulse;
    QTemporaryDir engineDir;
    EngineStandIn engine{engineDir.path()};
    // Added to parlix's environment by launch().
    QProcessEnvironment extraEnvironment;
    std::unique_ptr<ParlixInstance> app;
    std::unique_ptr<DeliveryTarget> target;
};

TEST_F(DictationTest, PushToTalkRecordsWhileTheHotkeyIsHeld)
{
    engineAnswers(" held and spoken");
    ASSERT_NO_FATAL_FAILURE(launch({{QStringLiteral("recordingMode"), storedString(QStringLiteral("push_to_talk"))}}));

    ASSERT_EQ(xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+alt+space")}), 0);
    ASSERT_NO_FATAL_FAILURE(waitForState("recording"));
    speak();
    waitUntilSpoken();
    // Still recording: only the release stops it.
    EXPECT_EQ(app->state(), u"recording");
    ASSERT_EQ(xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+alt+space")}), 0);

    expectOutcome(QStringLiteral("Held and spoken."));
}

// A hung engine keeps nothing busy: Cancel (parlixctl, over the bus) ends it at once and keeps
// the recording; Retry, with a working engine, delivers it and lets it go.
TEST_F(DictationTest, CancelKeepsTheRecordingAndRetryDeliversIt)
{
    engine.setPlan({QStringLiteral("sleep 600000")});
    ASSERT_NO_FATAL_FAILURE(launch({}));
    const auto parlixctl = [&](const char *command) {
        return runProcess(binDirectory() + QStringLiteral("/parlixctl"), {QString::fromLatin1(command)}, app->environment()).exitCode;
    };
    dictateInToggleMode();
    ASSERT_NO_FATAL_FAILURE(waitForState("transcribing"));
    EXPECT_EQ(parlixctl("cancel"), 0);
    ASSERT_NO_FATAL_FAILURE(waitForState("idle"));
    const QDir unsent(app->path(QStringLiteral("data/Parlix/unsent")));
    EXPECT_EQ(unsent.entryList(QDir::Files).size(), 1) << log();

    engineAnswers(" second try");
    EXPECT_EQ(parlixctl("retry"), 0);
    expectOutcome(QStringLiteral("Second try."));
    EXPECT_TRUE(unsent.entryList(QDir::Files).isEmpty());
}

TEST_F(DictationTest, LiveDictationTypesChunksWhileSpeakingAndStoresOneEntry)
{
    engineAnswers(" live comma typed");
    QJsonObject settings = experimentalOn();
    settings.insert(QStringLiteral("liveDictationEnabled"), storedBool(true));
    ASSERT_NO_FATAL_FAILURE(launch(settings));

    pressHotkey();
    ASSERT_NO_FATAL_FAILURE(waitForState("live"));
    speak(4);
    // Two chunks typed while the user is still speaking, each followed by a space.
    const QString chunk = QStringLiteral("Live, typed.");
    ASSERT_TRUE(pumpUntil([&] { return target->received().startsWith((chunk + u' ' + chunk + u' ').toUtf8()); }, dictationLimitMs))
        << "received: '" << target->received().toStdString() << "'\n" << log();
    EXPECT_EQ(app->state(), u"live");
    pressHotkey();

    // The final chunk comes last, typed without a space; the entry joins every chunk once.
    ASSERT_NO_FATAL_FAILURE(waitForState("idle"));
    const QJsonArray items = app->historyItems();
    ASSERT_EQ(items.size(), 1) << log();
    const QString stored = field(items.first(), "text");
    const qsizetype chunks = stored.count(chunk);
    ASSERT_GE(chunks, 3) << log();
    EXPECT_EQ(stored, QStringList(chunks, chunk).join(u' '));
    EXPECT_EQ(field(items.first(), "originalText"), QStringList(chunks, QStringLiteral("Live comma typed.")).join(u' '));
    EXPECT_TRUE(target->waitForReceived(stored.toUtf8(), dictationLimitMs)) << "received: '" << target->received().toStdString() << "'";
    EXPECT_TRUE(app->leftoverAudio().isEmpty()) << app->leftoverAudio().join(u' ').toStdString();
}

TEST_F(DictationTest, SilenceAfterSpeechStopsTheRecordingByItself)
{
    // The engine waits until the test has looked at the clip.
    engineAnswers(" stopped by silence", {QStringLiteral("wait-for {dir}/go 120000")});
    const QJsonObject settings{{QStringLiteral("silenceDetectionEnabled"), storedBool(true)},
                               {QStringLiteral("silenceThresholdDb"), QJsonObject{{QStringLiteral("float"), -40.0}}},
                               {QStringLiteral("silenceDurationSeconds"), storedDouble(1.0)}};
    ASSERT_NO_FATAL_FAILURE(launch(settings));

    // The user is already speaking when pressing the hotkey (two sentences, so a slow start on a
    // loaded machine still leaves a whole one in the clip), and then falls silent.
    speak(2);
    pressHotkey();
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Silence detected - auto-stopping recording"), dictationLimitMs)) << log();

    // The clip holds speech, not just the silence that ended it. The stand-in may still be
    // writing down its arguments when it first shows up.
    std::optional<WavData> clip;
    ASSERT_TRUE(pumpUntil([&] { return (clip = readWav(engineArgument(QStringLiteral("-f")))).has_value(); }, dictationLimitMs))
        << engine.arguments().join(u' ').toStdString() << log();
    // The clip lies in parlix's own audio directory.
    EXPECT_TRUE(engineArgument(QStringLiteral("-f")).startsWith(app->audioDirectory() + QStringLiteral("/parlix_")))
        << engine.arguments().join(u' ').toStdString();
    EXPECT_GE(loudSamples(clip->samples), loudSamples(speech()) * 9 / 10);
    engine.writeFile(QStringLiteral("go"), {});

    expectOutcome(QStringLiteral("Stopped by silence."));
}

// The hotkey changed as a user does: the settings window opened on the Recording tab, the hotkey
// button reached from the keyboard (Alt+H, Space) and the new combination typed. After the window
// is closed the new hotkey dictates, and the old one starts nothing.
TEST_F(DictationTest, ARecordedHotkeyDictatesAndTheOldOneNoLonger)
{
    engineAnswers(" dictated with the new hotkey");
    ASSERT_NO_FATAL_FAILURE(launch({}));
    const auto focusedWindow = [&] { return xdotoolLine({QStringLiteral("getwindowfocus")}); };
    const auto key = [&](const char *keys) { return xdotool({QStringLiteral("key"), QString::fromLatin1(keys)}) == 0; };

    const ProcessResult opened = runProcess(binDirectory() + QStringLiteral("/parlixctl"), {QStringLiteral("settings"), QStringLiteral("recording")},
                                            app->environment(), {}, startLimitMs);
    ASSERT_EQ(opened.exitCode, 0) << opened.err.toStdString() << log();
    ASSERT_TRUE(pumpUntil([&] { return !settingsWindow().isEmpty(); }, dictationLimitMs)) << log();
    // As a user does: the window has appeared and holds the focus before anything is typed (a
    // freshly mapped window may still be handed the focus by the window manager).
    const QString window = settingsWindow();
    pumpFor(1000);
    ASSERT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}), 0);
    ASSERT_TRUE(pumpUntil([&] { return focusedWindow() == window; }, dictationLimitMs)) << "the settings window has no focus";
    // The label's mnemonic presses the hotkey button, which starts the capture.
    ASSERT_TRUE(key("alt+h"));
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Waiting for a new hotkey to be typed"), dictationLimitMs)) << log();
    ASSERT_EQ(focusedWindow(), window);
    ASSERT_TRUE(key("ctrl+shift+d"));
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Hotkey saved: Ctrl+Shift+D"), dictationLimitMs)) << log();
    ASSERT_TRUE(app->log().contains(QStringLiteral("Hotkey registered: Ctrl+Shift+D"))) << log();
    ASSERT_NO_FATAL_FAILURE(closeSettingsWindow());
    ASSERT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(target->window())}), 0);

    pressHotkey();
    pumpFor(1500);
    EXPECT_EQ(app->state(), u"idle") << log();

    ASSERT_TRUE(key("ctrl+shift+d"));
    ASSERT_NO_FATAL_FAILURE(waitForState("recording"));
    speak();
    waitUntilSpoken();
    ASSERT_TRUE(key("ctrl+shift+d"));
    expectOutcome(QStringLiteral("Dictated with the new hotkey."));
}

// A newcomer with no model: the tray menu's warning opens the Model tab, one button downloads the
// recommended model (a synthetic one served under its catalogue name, its digest passed through
// the test-only override), the menu shows the download's percent, a notification says it is
// ready, the model is selected, and the first dictation with the real whisper-cli pastes what the
// model heard, its spoken commands replaced by the example rules.
TEST_F(DictationTest, FirstRunDownloadsTheRecommendedModelFromTheTrayAndDictates)
{
    if (!QFileInfo(resourceDirectory() + QStringLiteral("/whisper-cli")).isExecutable())
        GTEST_SKIP() << "no whisper-cli in the build's resource directory";
    const QString synthetic = engineDir.filePath(QStringLiteral("synthetic.bin"));
    const ProcessResult made = runProcess(testBinDirectory() + QStringLiteral("/make_synthetic_model"),
                                          {fixturesDirectory() + QStringLiteral("/for-tests-ggml-tiny.en.bin"), synthetic,
                                           QStringLiteral(" hello comma world new line done question mark")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QByteArray model = fileBytes(synthetic);
    // Slow enough (about 2 s) for the menu to be read while it runs.
    LoopbackHttpServer server;
    LoopbackHttpServer::Response response = LoopbackHttpServer::Response::ok(model);
    response.chunkSize = model.size() / 20;
    response.chunkInterval = std::chrono::milliseconds(100);
    server.setResponse(QStringLiteral("/ggml-base.en.bin"), response);
    extraEnvironment.insert(QStringLiteral("PARLIX_MODEL_BASE_URL"), server.url(QStringLiteral("/")).toString());
    extraEnvironment.insert(QStringLiteral("PARLIX_MODEL_SHA1_OVERRIDES"),
                            QStringLiteral("ggml-base.en.bin=") + QString::fromLatin1(QCryptographicHash::hash(model, QCryptographicHash::Sha1).toHex()));
    // Before parlix starts: Qt picks StatusNotifierItem only when a watcher is there.
    StatusNotifierWatcher watcher(bus.address());
    NotificationServer notifications(bus.address());
    ASSERT_TRUE(watcher.isRegistered() && notifications.isRegistered());
    ASSERT_NO_FATAL_FAILURE(launch(experimentalOn(), QString(), {}, resourceDirectory()));

    ASSERT_TRUE(pumpUntil([&] { return watcher.lastItem().has_value(); })) << log();
    DBusMenuClient menu(QDBusConnection::connectToBus(bus.address(), QStringLiteral("first-run")), watcher.lastItem()->service,
                        watcher.lastItem()->path);
    ASSERT_TRUE(menu.hasMenu()) << menu.error().toStdString();
    const DBusMenuNode first = menu.open();
    const DBusMenuNode *warning = first.find(QStringLiteral("⚠️ No Models Downloaded"));
    ASSERT_TRUE(warning) << first.labels().join(u'|').toStdString();
    ASSERT_TRUE(menu.click(warning->id)) << menu.error().toStdString();
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Settings window requested on the model tab"))) << log();

    ASSERT_TRUE(pumpUntil([&] {
        return xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Parlix Settings$"),
                        QStringLiteral("windowactivate"), QStringLiteral("--sync")}) == 0;
    }, dictationLimitMs)) << "no settings window on the X server";
    // The recommended model's button, by its mnemonic.
    ASSERT_EQ(xdotool({QStringLiteral("key"), QStringLiteral("alt+d")}), 0);
    QString shown;
    EXPECT_TRUE(pumpUntil([&] {
        shown = menu.open().labels().value(0);
        return shown.startsWith(QStringLiteral("Downloading Base (English)… ")) && shown.endsWith(u'%');
    }, dictationLimitMs)) << shown.toStdString() << "\n" << log();

    ASSERT_TRUE(pumpUntil([&] { return app->log().contains(QStringLiteral("Selected model: ggml-base.en.bin")); }, dictationLimitMs)) << log();
    ASSERT_TRUE(pumpUntil([&] { return !notifications.notifications().isEmpty(); })) << log();
    EXPECT_EQ(notifications.notifications().first().summary, u"Model downloaded");
    EXPECT_EQ(notifications.notifications().first().body, u"Base (English) is ready for dictation.");
    const QStringList after = menu.open().labels();
    EXPECT_EQ(after.mid(0, 2), (QStringList{QStringLiteral("Start Recording"), QStringLiteral("Model: Base (English)")}))
        << after.join(u'|').toStdString();

    ASSERT_NO_FATAL_FAILURE(closeSettingsWindow());
    ASSERT_EQ(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(target->window())}), 0);
    ASSERT_NO_FATAL_FAILURE(dictateInToggleMode());
    expectOutcome(QStringLiteral("Hello, world\ndone?"), {}, QStringLiteral("Hello comma world new line done question mark."));
    EXPECT_EQ(field(app->historyItems().first(), "modelName"), u"Base (English)");
}

} // namespace
