// The kept-loaded engine against the build's real whisper-server with synthetic models; the
// remote engine against that server, a closed port and a stand-in that refuses the token; the
// engine choice falling back to whisper-cli; and the server ending with the process that started it.
#include "CategoryLog.h"
#include "EngineTestSupport.h"
#include "LoopbackHttpServer.h"
#include "MemoryKeyValueStore.h"
#include "Pump.h"

#include "core/Categories.h"
#include "core/Coro.h"
#include "core/SettingsModel.h"
#include "engine/RemoteServerEngine.h"
#include "engine/RemoteServerToken.h"
#include "engine/SelectedEngine.h"
#include "engine/WhisperError.h"
#include "engine/WhisperServerEngine.h"
#include "engine/WhisperTranscriber.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>

using namespace parlix;
using namespace parlix::test;

namespace {

bool processExists(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// What `task` threw, described; empty when it succeeded.
QString failureOf(QCoro::Task<QString> task)
{
    try {
        coro::waitFor(std::move(task));
    } catch (const WhisperError &e) {
        return e.errorDescription();
    }
    return {};
}

class ServerEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo(resourceDirectory() + "/whisper-server").isExecutable())
            GTEST_SKIP() << "no whisper-server in the build's resource directory";
        hello = makeSyntheticModel("for-tests-ggml-tiny.bin", dir.filePath("hello.bin"), " Hello world!");
        other = makeSyntheticModel("for-tests-ggml-tiny.bin", dir.filePath("other.bin"), " Other words");
        ASSERT_FALSE(hello.isEmpty() || other.isEmpty());
        ASSERT_TRUE(writeSilentWav(clip, 16000));
        settings.setModelPath(hello);
        settings.setExperimentalFeaturesEnabled(true);
    }

    QTemporaryDir dir;
    QString hello, other;
    QString clip = dir.filePath("clip.wav");
    MemoryKeyValueStore store;
    SettingsModel settings{store};
};

TEST_F(ServerEngineTest, KeepsTheModelLoadedPassesTheSettingsAndRestartsForAnotherModel)
{
    WhisperServerEngine server(settings, resourceDirectory());
    settings.setLanguage("de");
    settings.setTranslateToEnglish(true);
    EXPECT_EQ(coro::waitFor(server.transcribe(clip, QStringLiteral("earlier words"))), "Hello world!");
    EXPECT_TRUE(server.recentOutput().contains("lang = de, task = translate, timestamps = 0")) << server.recentOutput().toStdString();
    const qint64 first = server.serverProcessId();
    ASSERT_TRUE(processExists(first));
    EXPECT_EQ(coro::waitFor(server.transcribe(clip, std::nullopt)), "Hello world!");
    EXPECT_EQ(server.serverProcessId(), first);

    settings.setModelPath(other);
    EXPECT_EQ(coro::waitFor(server.transcribe(clip, std::nullopt)), "Other words.");
    EXPECT_NE(server.serverProcessId(), first);
    EXPECT_FALSE(processExists(first));

    // Idle long enough: stopped.
    settings.setServerIdleMinutes(0.005);
    EXPECT_EQ(coro::waitFor(server.transcribe(clip, std::nullopt)), "Other words.");
    const qint64 second = server.serverProcessId();
    EXPECT_TRUE(pumpUntil([&] { return !server.isRunning(); }, 5000));
    EXPECT_TRUE(pumpUntil([&] { return !processExists(second); }, 5000));
}

TEST_F(ServerEngineTest, ServerKilledMidRequestFallsBackToWhisperCliForThatClip)
{
    const QString longClip = dir.filePath("long.wav");
    ASSERT_TRUE(writeSilentWav(longClip, 16000 * 90));
    settings.setEngineMode(EngineMode::keepLoaded);
    WhisperTranscriber perClip(settings, resourceDirectory());
    WhisperServerEngine server(settings, resourceDirectory());
    RemoteServerEngine remote(settings, dir.filePath("token"));
    SelectedEngine engine(settings, perClip, server, remote);
    CategoryLog log(lcWhisper());
    QTimer killer;
    killer.callOnTimeout([&] {
        if (server.recentOutput().contains("processing 'long.wav'")) {
            ::kill(pid_t(server.serverProcessId()), SIGKILL);
            killer.stop();
        }
    });
    killer.start(10);
    // One phrase per 30-second window.
    EXPECT_TRUE(coro::waitFor(engine.transcribe(longClip, std::nullopt)).startsWith("Hello world!"));
    EXPECT_FALSE(killer.isActive()) << "the server was never seen working";
    EXPECT_TRUE(log.messages().filter("this clip goes to whisper-cli").size() == 1) << log.lines.join('\n').toStdString();
}

TEST_F(ServerEngineTest, EndsWithTheProcessThatStartedIt)
{
    const QString longClip = dir.filePath("long.wav");
    ASSERT_TRUE(writeSilentWav(longClip, 16000 * 90));
    QProcess ctl;
    ctl.start(binDirectory() + "/parlixctl", {"transcribe", longClip, "--engine", "server", "--model", hello});
    ASSERT_TRUE(ctl.waitForStarted());
    // The server is the child of parlixctl named whisper-server.
    qint64 serverPid = 0;
    ASSERT_TRUE(pumpUntil([&] {
        for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + entry + "/stat");
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> fields = stat.readAll().split(' ');
            if (fields.value(1) == "(whisper-server)" && fields.value(3).toLongLong() == ctl.processId())
                serverPid = entry.toLongLong();
        }
        return serverPid != 0;
    }, 20000));
    ASSERT_EQ(ctl.state(), QProcess::Running);
    ::kill(pid_t(ctl.processId()), SIGKILL);
    ctl.waitForFinished();
    EXPECT_TRUE(pumpUntil([&] { return !processExists(serverPid); }, 5000));
}

TEST_F(ServerEngineTest, RemoteServerAnswersOrSaysWhyNot)
{
    WhisperServerEngine server(settings, resourceDirectory());
    coro::waitFor(server.ensureRunning());
    RemoteServerEngine remote(settings, dir.filePath("token"));
    settings.setRemoteServerUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    EXPECT_EQ(coro::waitFor(remote.transcribe(clip, std::nullopt)), "Hello world!");

    LoopbackHttpServer standIn;
    standIn.setResponse("/v1/inference", LoopbackHttpServer::Response::withStatus(401));
    ASSERT_TRUE(RemoteServerToken::write("wrong-token", dir.filePath("token")));
    settings.setRemoteServerUrl(standIn.url("/v1/inference").toString());
    settings.setLanguage("fr");
    EXPECT_EQ(failureOf(remote.transcribe(clip, QStringLiteral("what came before"))),
              "Transcription failed: the server at " + standIn.url("/v1/inference").toString()
                  + " refused the access token (HTTP 401)");
    ASSERT_EQ(standIn.requests().size(), 1);
    const LoopbackHttpServer::Request &request = standIn.requests().first();
    EXPECT_EQ(request.headers.value("authorization"), "Bearer wrong-token");
    for (const char *field : {"name=\"language\"\r\n\r\nfr", "name=\"prompt\"\r\n\r\nwhat came before",
                              "name=\"response_format\"\r\n\r\ntext", "name=\"translate\"\r\n\r\nfalse", "RIFF"})
        EXPECT_TRUE(request.body.contains(field)) << field;

    standIn.stopListening();
    EXPECT_TRUE(failureOf(remote.transcribe(clip, std::nullopt)).startsWith("Transcription failed: cannot reach the server at"));
    settings.setRemoteServerUrl("ftp://example.org");
    EXPECT_EQ(failureOf(remote.transcribe(clip, std::nullopt)),
              "Transcription failed: 'ftp://example.org' is not an http:// or https:// address");
}

} // namespace
