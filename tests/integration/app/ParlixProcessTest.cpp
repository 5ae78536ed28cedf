// The real parlix process on a private X server (with a window manager), a private PulseAudio
// server whose virtual microphone is fed, a private session bus, isolated home and XDG
// directories, and the engine stand-in as its whisper-cli: a dictation driven over D-Bus goes
// idle → recording → transcribing → idle and lands in history.json; a second parlix hands over
// to the first; parlixctl reaches it, and reports when no Parlix runs; SIGTERM quits cleanly.
#include "AnnouncedStates.h"
#include "DBusSession.h"
#include "EngineStandIn.h"
#include "ParlixInstance.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "TestEnvironment.h"
#include "XSession.h"
#include "control/ControlClient.h"
#include "control/ControlNames.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using namespace parlix;
using namespace parlix::test;

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

class ParlixProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        ASSERT_TRUE(PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed (scripts/setup.sh installs them)";
        QString error;
        ASSERT_TRUE(pulse.start(&error)) << error.toStdString();
        pulse.startFeeding(true);
        ASSERT_TRUE(engine.installed());
        engine.writeFile(QStringLiteral("out.txt"), " Hello from the stand-in\n");
        // The test lets the engine answer once it has seen the transcribing state.
        engine.setPlan({EngineStandIn::recordArguments(), QStringLiteral("wait-for {dir}/go 60000"), QStringLiteral("stdout {dir}/out.txt")});

        QProcessEnvironment base = bus.environment(x.environment());
        base.insert(QStringLiteral("PULSE_SERVER"), pulse.serverAddress());
        app = std::make_unique<ParlixInstance>(base, engineDir.path());
        // Any file in the models directory is chosen automatically; the stand-in never reads it.
        ASSERT_TRUE(app->installModel(QStringLiteral("ggml-base.en.bin")));
        env = app->environment();

        connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("test")));
        ASSERT_TRUE(connection->isConnected());
    }

    void TearDown() override
    {
        app.reset();
        connection.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("test"));
        pulse.stopFeeding();
    }

    QString program(const char *name) const { return binDirectory() + QLatin1Char('/') + QLatin1String(name); }

    Outcome run(const char *name, const QStringList &arguments, const QProcessEnvironment &environment)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program(name), arguments);
        Outcome r;
        // Pump while waiting: the first parlix answers on the bus from its own process, but the
        // test's own connection must keep reading its signals.
        if (!pumpUntil([&] { return process.state() == QProcess::NotRunning; }, 30000)) {
            process.kill();
            process.waitForFinished();
            return r;
        }
        r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    void startParlix() { ASSERT_TRUE(app->start()) << app->error().toStdString(); }
    QString state() { return app->state(); }
    bool logged(const QString &line, int limitMs = 10000) { return app->waitForLog(line, limitMs); }

    QTemporaryDir engineDir;
    EngineStandIn engine{engineDir.path()};
    XSession x{XSession::Options{true}};
    DBusSession bus;
    PulseAudioSession pulse;
    QProcessEnvironment env;
    std::unique_ptr<QDBusConnection> connection;
    std::unique_ptr<ParlixInstance> app;
};

TEST_F(ParlixProcessTest, ParlixctlReportsWhenNoParlixRuns)
{
    for (const char *command : {"status", "toggle", "start", "stop", "settings"}) {
        SCOPED_TRACE(command);
        const Outcome r = run("parlixctl", {QString::fromLatin1(command)}, env);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err.trimmed(), u"Parlix is not running") << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    // No session bus at all reads the same way.
    QProcessEnvironment noBus = env;
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + app->path(QStringLiteral("no-bus")));
    const Outcome r = run("parlixctl", {QStringLiteral("status")}, noBus);
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Parlix is not running"))) << r.err.toStdString();
}

TEST_F(ParlixProcessTest, WithoutADisplayParlixSaysWhy)
{
    QProcessEnvironment noDisplay = env;
    noDisplay.remove(QStringLiteral("DISPLAY"));
    const Outcome r = run("parlix", {}, noDisplay);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("DISPLAY is not set"))) << r.err.toStdString();
}

TEST_F(ParlixProcessTest, DictationOverTheBusEndsInHistory)
{
    startParlix();
    AnnouncedStates announced;
    ASSERT_TRUE(announced.listen(*connection));

    Outcome r = run("parlixctl", {QStringLiteral("start")}, env);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_TRUE(app->waitForState(QStringLiteral("recording"))) << app->log().toStdString();
    // Some audio into the clip before it stops.
    pumpFor(500);

    r = run("parlixctl", {QStringLiteral("stop")}, env);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_TRUE(app->waitForState(QStringLiteral("transcribing"))) << app->log().toStdString();
    r = run("parlixctl", {QStringLiteral("status")}, env);
    EXPECT_EQ(r.out, u"transcribing\n");

    QFile go(engineDir.filePath(QStringLiteral("go")));
    ASSERT_TRUE(go.open(QIODevice::WriteOnly));
    go.close();
    ASSERT_TRUE(app->waitForState(QStringLiteral("idle"), 30000)) << app->log().toStdString();
    ASSERT_TRUE(pumpUntil([&] { return announced.states.size() >= 3; }, 5000));
    EXPECT_EQ(announced.states, (QStringList{QStringLiteral("recording"), QStringLiteral("transcribing"), QStringLiteral("idle")}));

    // The engine got the clip, the history holds its cleaned text, and the clip is gone.
    const QStringList arguments = engine.arguments();
    const qsizetype model = arguments.indexOf(QStringLiteral("-m"));
    const qsizetype audio = arguments.indexOf(QStringLiteral("-f"));
    ASSERT_TRUE(model >= 0 && audio >= 0 && audio + 1 < arguments.size()) << arguments.join(u' ').toStdString();
    EXPECT_TRUE(arguments.at(model + 1).endsWith(QStringLiteral("/Parlix/models/ggml-base.en.bin")));
    EXPECT_TRUE(arguments.at(audio + 1).startsWith(app->audioDirectory() + QStringLiteral("/parlix_")))
        << arguments.at(audio + 1).toStdString();
    const QJsonArray items = app->historyItems();
    ASSERT_EQ(items.size(), 1) << app->log().toStdString();
    EXPECT_EQ(items.first().toObject().value(QStringLiteral("text")).toString(), u"Hello from the stand-in.");
    EXPECT_TRUE(app->leftoverAudio().isEmpty()) << app->leftoverAudio().join(u' ').toStdString();
}

TEST_F(ParlixProcessTest, SecondLaunchHandsOverAndSignalsQuitCleanly)
{
    startParlix();
    ASSERT_TRUE(logged(QStringLiteral("Hotkey registered")));

    // A second parlix asks the first to open its settings, and does not run itself.
    Outcome second = run("parlix", {}, env);
    EXPECT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains(QStringLiteral("Parlix is already running"))) << second.err.toStdString();
    EXPECT_FALSE(second.err.contains(QStringLiteral("Hotkey registered"))) << second.err.toStdString();
    EXPECT_TRUE(logged(QStringLiteral("Settings window requested on the general tab")));

    // parlixctl settings names a tab; an unknown one is refused before it reaches the app.
    Outcome r = run("parlixctl", {QStringLiteral("settings"), QStringLiteral("history")}, env);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(logged(QStringLiteral("Settings window requested on the history tab")));
    r = run("parlixctl", {QStringLiteral("settings"), QStringLiteral("histroy")}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("unknown settings tab 'histroy'"))) << r.err.toStdString();
    r = run("parlixctl", {QStringLiteral("status")}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, u"idle\n");

    // SIGTERM goes through the event loop: the hotkey is unregistered and the exit is clean.
    EXPECT_TRUE(app->quit()) << app->log().toStdString();
    EXPECT_TRUE(app->log().contains(QStringLiteral("Received SIGTERM, quitting"))) << app->log().toStdString();
    EXPECT_TRUE(app->log().contains(QStringLiteral("Hotkey unregistered"))) << app->log().toStdString();
    r = run("parlixctl", {QStringLiteral("status")}, env);
    EXPECT_EQ(r.status, 3);
}

} // namespace

