// The real parlix process on a private X server and session bus, in isolated home and XDG
// directories: a second parlix hands over to the first, parlixctl reaches it and reports when no
// Parlix runs, parlix says why it cannot start without a display, SIGTERM quits cleanly. A whole
// dictation through the process is the e2e DictationTest's.
#include "DBusSession.h"
#include "ParlixInstance.h"
#include "Printers.h"
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "XSession.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix::test;

namespace {

class ParlixProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        app = std::make_unique<ParlixInstance>(bus.environment(x.environment()), engineDir.path());
        // Any file in the models directory is chosen automatically; nothing here reads it.
        ASSERT_TRUE(app->installModel(QStringLiteral("ggml-base.en.bin")));
        env = app->environment();
    }

    ProcessResult run(const char *name, const QStringList &arguments, const QProcessEnvironment &environment)
    {
        return runProcess(binDirectory() + QLatin1Char('/') + QLatin1String(name), arguments, environment, {}, 30000);
    }

    QTemporaryDir engineDir;
    XSession x{XSession::Options{true}};
    DBusSession bus;
    QProcessEnvironment env;
    std::unique_ptr<ParlixInstance> app;
};

TEST_F(ParlixProcessTest, WithoutParlixOrADisplayTheToolsSayWhy)
{
    QProcessEnvironment noBus = env;
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + app->path(QStringLiteral("no-bus")));
    for (const auto &environment : {env, noBus}) {
        for (const char *command : {"status", "toggle"}) {
            const ProcessResult r = run("parlixctl", {QString::fromLatin1(command)}, environment);
            EXPECT_EQ(r.exitCode, 3) << command;
            EXPECT_TRUE(r.err.startsWith("Parlix is not running")) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
    QProcessEnvironment noDisplay = env;
    noDisplay.remove(QStringLiteral("DISPLAY"));
    const ProcessResult r = run("parlix", {}, noDisplay);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("DISPLAY is not set")) << r.err.toStdString();
}

TEST_F(ParlixProcessTest, SecondLaunchHandsOverAndSignalsQuitCleanly)
{
    ASSERT_TRUE(app->start()) << app->error().toStdString();
    ASSERT_TRUE(app->waitForLog(QStringLiteral("Hotkey registered")));

    // A second parlix asks the first to open its settings, and does not run itself.
    const ProcessResult second = run("parlix", {}, env);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains("Parlix is already running")) << second.err.toStdString();
    EXPECT_FALSE(second.err.contains("Hotkey registered")) << second.err.toStdString();
    EXPECT_TRUE(app->waitForLog(QStringLiteral("Settings window requested on the general tab")));

    const ProcessResult r = run("parlixctl", {QStringLiteral("status")}, env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "idle\n");

    // SIGTERM goes through the event loop: the exit is clean.
    EXPECT_TRUE(app->quit()) << app->log().toStdString();
    EXPECT_EQ(run("parlixctl", {QStringLiteral("status")}, env).exitCode, 3);
}

} // namespace
