// WhisperTranscriber against a real child process: the engine stand-in installed as whisper-cli.
#include "CategoryLog.h"
#include "EngineStandIn.h"
#include "EngineTestSupport.h"
#include "MemoryKeyValueStore.h"

#include "core/Categories.h"
#include "core/Coro.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "engine/WhisperTranscriber.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <optional>
#include <variant>

namespace {

using parlix::SettingsModel;
using parlix::WhisperError;
using parlix::WhisperTranscriber;
using parlix::test::EngineStandIn;
using Kind = WhisperError::Kind;

// Either the cleaned text or the thrown error.
using Outcome = std::variant<QString, WhisperError>;

std::string describe(const Outcome &outcome)
{
    if (const auto *text = std::get_if<QString>(&outcome))
        return "text \"" + text->left(200).toStdString() + "\"";
    return "error \"" + std::get<WhisperError>(outcome).errorDescription().toStdString() + "\"";
}

class TranscriberTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_engine = std::make_unique<EngineStandIn>(m_resources.path());
        ASSERT_TRUE(m_engine->installed());
        m_settings = std::make_unique<SettingsModel>(m_store);
        m_transcriber = std::make_unique<WhisperTranscriber>(*m_settings, m_resources.path());
        m_audio = m_work.filePath("clip.wav");
        parlix::test::writeFile(m_audio, "RIFF");
        selectModel("ggml-base.bin");
    }

    // Selects a model file of that name, created empty in the work directory.
    QString selectModel(const QString &fileName)
    {
        const QString path = m_work.filePath(fileName);
        parlix::test::writeFile(path, {});
        m_settings->setModelPath(path);
        return path;
    }

    Outcome transcribe(std::optional<QString> prompt = std::nullopt)
    {
        try {
            return parlix::coro::waitFor(m_transcriber->transcribe(m_audio, prompt));
        } catch (const WhisperError &error) {
            return error;
        }
    }

    QTemporaryDir m_resources;
    QTemporaryDir m_work;
    parlix::test::MemoryKeyValueStore m_store;
    std::unique_ptr<EngineStandIn> m_engine;
    std::unique_ptr<SettingsModel> m_settings;
    std::unique_ptr<WhisperTranscriber> m_transcriber;
    QString m_audio;
};

// ---- The command line the engine receives -------------------------------------------------------

TEST_F(TranscriberTest, CommandLineReachesTheEngineExactly)
{
    const QString digits = QString("0123456789").repeated(50); // distinct-looking, so a wrong cut shows
    const struct {
        const char *name;
        QString modelFile;
        QString language;
        bool translate;
        std::optional<QString> prompt;
        QStringList expected; // after "-m <model> -f <audio> -nt -np -l"
    } cases[] = {
        {"English-only model forces English", "ggml-base.en.bin", "de", false, {}, {"en"}},
        {"prompt after translate", "ggml-base.bin", "de", true, QString("vorher"), {"de", "-tr", "--prompt", "vorher"}},
        {"empty prompt is left out", "ggml-base.bin", "en", false, QString(""), {"en"}},
        {"prompt is not shell-interpreted", "ggml-base.bin", "en", false, QString("it's \"quoted\"\n$HOME; *"),
         {"en", "--prompt", "it's \"quoted\"\n$HOME; *"}},
        {"prompt of 600 cut to the last 500", "ggml-base.bin", "en", false, QString(100, u'h') + digits, {"en", "--prompt", digits}},
    };
    m_settings->setExperimentalFeaturesEnabled(true);
    m_engine->setPlan({EngineStandIn::recordArguments()});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString model = selectModel(c.modelFile);
        m_settings->setLanguage(c.language);
        m_settings->setTranslateToEnglish(c.translate);
        m_transcriber = std::make_unique<WhisperTranscriber>(*m_settings, m_resources.path());

        // The first run keeps the engine's own report; the quiet runs after it are the usual case.
        ASSERT_TRUE(std::holds_alternative<QString>(transcribe(c.prompt)));
        EXPECT_EQ(m_engine->arguments(), QStringList({"-m", model, "-f", m_audio, "-nt", "-l"}) + c.expected);
        const Outcome outcome = transcribe(c.prompt);
        ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
        EXPECT_EQ(m_engine->arguments(), QStringList({"-m", model, "-f", m_audio, "-nt", "-np", "-l"}) + c.expected);
    }
}

// ---- What the engine's exit status and output turn into ------------------------------------------

void expectOutcome(const Outcome &actual, const Outcome &expected)
{
    ASSERT_EQ(actual.index(), expected.index()) << describe(actual);
    if (const auto *text = std::get_if<QString>(&expected)) {
        EXPECT_TRUE(std::get<QString>(actual) == *text) << describe(actual);
        return;
    }
    const WhisperError &error = std::get<WhisperError>(actual);
    const WhisperError &wanted = std::get<WhisperError>(expected);
    EXPECT_EQ(error.kind(), wanted.kind());
    EXPECT_EQ(error.errorDescription(), wanted.errorDescription());
    EXPECT_EQ(error.exitStatus(), wanted.exitStatus());
}

TEST_F(TranscriberTest, EngineRunsEndAsExpected)
{
    const QStringList ends{"stdout {stdout}", "stderr {stderr}", "exit 0"};
    const WhisperError undecodable = WhisperError::transcriptionFailed("Unable to decode output");
    const struct {
        const char *name;
        QStringList plan; // "{stdout}" / "{stderr}" stand for files holding the bytes below
        QByteArray standardOutput;
        QByteArray standardError;
        Outcome expected;
    } cases[] = {
        {"cleaned output", ends, "\n hello world\n", "read_audio_data: ok\n", QString("Hello world.")},
        {"error line ignored when there is text", ends, " hi there", "error: unrelated\n", QString("Hi there.")},
        {"failure ignores stdout", {"stdout {stdout}", "stderr {stderr}", "exit 1"}, " this text must not be returned",
         "whisper failed\n", WhisperError::processError(1)},
        {"killed by SIGTERM", {"stderr {stderr}", QString("signal %1").arg(SIGTERM)}, "", "about to die\n",
         WhisperError::processError(SIGTERM)},
        {"invalid byte", ends, "\xff hello", "", undecodable},
        {"silent error after other lines", ends, "\n", "whisper_init_from_file: loading\nerror: unknown argument: -x\nusage: ...\n",
         WhisperError::transcriptionFailed("error: unknown argument: -x")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList plan = c.plan;
        plan.replaceInStrings("{stdout}", m_engine->writeFile("out.bytes", c.standardOutput))
            .replaceInStrings("{stderr}", m_engine->writeFile("err.bytes", c.standardError));
        m_engine->setPlan(plan);
        expectOutcome(transcribe(), c.expected);
    }
}

// Both pipes are drained while the child runs: ten megabytes on either do not block it.
TEST_F(TranscriberTest, TenMegabytesOfOutputDoNotBlockTheChild)
{
    QByteArray output = "\n";
    for (int line = 0; output.size() < 10 * 1024 * 1024; ++line)
        output += "line " + QByteArray::number(line) + " of the transcript\n";
    m_engine->setPlan({"stderr-fill 1048576", "stdout " + m_engine->writeFile("big.txt", output), "stderr-fill 1048576"});
    expectOutcome(transcribe(), QString("L" + QString::fromUtf8(output.trimmed()).mid(1) + "."));
}

// ---- Locating the engine and the model ----------------------------------------------------------

enum class EngineEntry { missing, directory, symlinkToExecutable, danglingSymlink };

TEST_F(TranscriberTest, EngineLookupAvailabilityAndLaunch)
{
    const struct {
        const char *name;
        EngineEntry entry; // in place of the installed stand-in
        bool available;
        std::optional<Kind> failure; // what transcribe does with it
    } cases[] = {
        {"missing", EngineEntry::missing, false, Kind::engineNotFound},
        {"a directory fails at launch", EngineEntry::directory, false, Kind::transcriptionFailed},
        {"a symbolic link to an executable", EngineEntry::symlinkToExecutable, true, std::nullopt},
        {"a dangling symbolic link is missing", EngineEntry::danglingSymlink, false, Kind::engineNotFound},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_engine->path()).removeRecursively();
        QFile::remove(m_resources.filePath("arguments"));
        m_engine = std::make_unique<EngineStandIn>(m_resources.path());
        m_engine->setPlan({EngineStandIn::recordArguments(), "stdout " + m_engine->writeFile("out.txt", " ran")});
        const QString path = m_engine->path();
        const QString elsewhere = m_work.filePath(QStringLiteral("real-engine-%1").arg(int(c.entry)));
        ASSERT_TRUE(QFile::rename(path, elsewhere));
        if (c.entry == EngineEntry::directory)
            ASSERT_TRUE(QDir().mkdir(path));
        if (c.entry == EngineEntry::symlinkToExecutable)
            ASSERT_TRUE(QFile::link(elsewhere, path));
        if (c.entry == EngineEntry::danglingSymlink)
            ASSERT_TRUE(QFile::link(m_work.filePath("nothing-here"), path));

        EXPECT_EQ(parlix::coro::waitFor(m_transcriber->isEngineAvailable()), c.available);
        const Outcome outcome = transcribe();
        if (!c.failure) {
            expectOutcome(outcome, QString("Ran."));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
        const WhisperError &error = std::get<WhisperError>(outcome);
        EXPECT_EQ(error.kind(), *c.failure);
        // A failed launch's reason is the system's, and never empty.
        EXPECT_TRUE(*c.failure == Kind::engineNotFound ? error.errorDescription() == "whisper-cli not found in app bundle"
                                                        : !error.payload().isEmpty())
            << error.errorDescription().toStdString();
        EXPECT_FALSE(m_engine->ranAtAll());
    }
}

TEST_F(TranscriberTest, MissingModelIsReportedByItsDisplayNameAfterAMissingEngine)
{
    m_engine->setPlan({EngineStandIn::recordArguments()});
    const std::pair<std::optional<QString>, const char *> rows[] = {
        {std::nullopt, "No model selected"},
        {m_work.filePath("gone/ggml-base.en.bin"), "Base (English)"},
        {m_work.filePath("gone/my-finetune.bin"), "my-finetune"},
    };
    for (const auto &[path, name] : rows) {
        m_settings->setModelPath(path);
        expectOutcome(transcribe(), WhisperError::modelNotFound(name));
    }
    EXPECT_FALSE(m_engine->ranAtAll());
    ASSERT_TRUE(QFile::remove(m_engine->path()));
    expectOutcome(transcribe(), WhisperError::engineNotFound());
}

// Neither the transcript nor the prompt reaches the log while private data is hidden.
TEST_F(TranscriberTest, TheLogKeepsTheWordsPrivate)
{
    if (parlix::log::privateDataShown())
        GTEST_SKIP() << "private data is shown in this environment";
    m_engine->setPlan({"stdout " + m_engine->writeFile("out.txt", " secret words")});
    parlix::test::CategoryLog log(lcWhisper());
    expectOutcome(transcribe(QString("hidden prompt")), QString("Secret words."));
    EXPECT_FALSE(log.lines.isEmpty());
    for (const QString &line : log.lines)
        EXPECT_FALSE(line.contains("ecret") || line.contains("hidden")) << line.toStdString();
}

// ---- Concurrency --------------------------------------------------------------------------------

QCoro::Task<Outcome> outcomeOf(QCoro::Task<QString> task)
{
    try {
        co_return co_await std::move(task);
    } catch (const WhisperError &error) {
        co_return error;
    }
}

TEST_F(TranscriberTest, TwoCallsRunOneChildAtATimeAndBothComplete)
{
    // Each child stays alive a while, so two children started together would interleave records.
    m_engine->setPlan({"append {dir}/runs start", "sleep 300", "stdout-arg -f", "append {dir}/runs end"});
    const QString first = m_work.filePath("first.wav");
    const QString second = m_work.filePath("second.wav");

    QCoro::Task<QString> firstCall = m_transcriber->transcribe(first);
    QCoro::Task<QString> secondCall = m_transcriber->transcribe(second);
    expectOutcome(parlix::coro::waitFor(outcomeOf(std::move(firstCall))), first + ".");
    expectOutcome(parlix::coro::waitFor(outcomeOf(std::move(secondCall))), second + ".");

    const QStringList runs = m_engine->runs();
    ASSERT_EQ(runs.size(), 4) << runs.join(", ").toStdString();
    for (int i = 0; i < runs.size(); i += 2) {
        const QString pid = runs[i].section(' ', 1);
        EXPECT_EQ(runs[i], "start " + pid);
        EXPECT_EQ(runs[i + 1], "end " + pid) << "another child started while " << pid.toStdString() << " ran";
    }
}


} // namespace
