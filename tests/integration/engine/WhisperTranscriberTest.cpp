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
#include <QTimer>
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

template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); }

// ---- The command line the engine receives -------------------------------------------------------

struct ArgumentCase {
    std::string name;
    QString modelFile;
    QString language;
    bool experimental;
    bool translate;
    std::optional<QString> prompt;
    QStringList expected; // after "-m <model> -f <audio> -nt -np -l"
};

std::vector<ArgumentCase> argumentCases()
{
    const QString digits = QString("0123456789").repeated(50); // distinct-looking, so a wrong cut shows
    return {
        {"EnglishOnlyModelForcesEnglish", "ggml-base.en.bin", "de", true, false, {}, {"en"}},
        {"PromptAfterTranslate", "ggml-base.bin", "de", true, true, QString("vorher"), {"de", "-tr", "--prompt", "vorher"}},
        {"EmptyPromptIsLeftOut", "ggml-base.bin", "en", true, false, QString(""), {"en"}},
        {"PromptIsNotShellInterpreted", "ggml-base.bin", "en", true, false, QString("it's \"quoted\"\n$HOME; *"),
         {"en", "--prompt", "it's \"quoted\"\n$HOME; *"}},
        {"PromptOf600CutToLast500", "ggml-base.bin", "en", true, false, QString(100, u'h') + digits, {"en", "--prompt", digits}},
    };
}

class CommandLine : public TranscriberTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(CommandLine, ReachesTheEngineExactly)
{
    const ArgumentCase &c = GetParam();
    const QString model = selectModel(c.modelFile);
    m_settings->setLanguage(c.language);
    m_settings->setExperimentalFeaturesEnabled(c.experimental);
    m_settings->setTranslateToEnglish(c.translate);
    m_engine->setPlan({EngineStandIn::recordArguments()});

    // The first run keeps the engine's own report; the quiet runs after it are the usual case.
    ASSERT_TRUE(std::holds_alternative<QString>(transcribe(c.prompt)));
    EXPECT_EQ(m_engine->arguments(), QStringList({"-m", model, "-f", m_audio, "-nt", "-l"}) + c.expected);
    const Outcome outcome = transcribe(c.prompt);

    ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
    EXPECT_EQ(m_engine->arguments(), QStringList({"-m", model, "-f", m_audio, "-nt", "-np", "-l"}) + c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, ::testing::ValuesIn(argumentCases()), caseName<ArgumentCase>);

// ---- What the engine's exit status and output turn into ------------------------------------------

struct RunCase {
    std::string name;
    QStringList plan; // "{stdout}" / "{stderr}" stand for files holding the bytes below
    QByteArray standardOutput;
    QByteArray standardError;
    Outcome expected;
};

RunCase ends(std::string name, QByteArray out, QByteArray err, Outcome expected)
{
    return {std::move(name), {"stdout {stdout}", "stderr {stderr}", "exit 0"}, std::move(out), std::move(err), std::move(expected)};
}

RunCase exitStatus(std::string name, int status, QByteArray out = "", QByteArray err = "whisper failed\n")
{
    return {std::move(name), {"stdout {stdout}", "stderr {stderr}", QString("exit %1").arg(status)}, std::move(out), std::move(err),
            WhisperError::processError(status)};
}

RunCase killedBy(std::string name, int number)
{
    return {std::move(name), {"stderr {stderr}", QString("signal %1").arg(number)}, "", "about to die\n", WhisperError::processError(number)};
}

std::vector<RunCase> runCases()
{
    const WhisperError undecodable = WhisperError::transcriptionFailed("Unable to decode output");
    return {
        ends("CleanedOutput", "\n hello world\n", "read_audio_data: ok\n", QString("Hello world.")),
        ends("ErrorLineIgnoredWhenThereIsText", " hi there", "error: unrelated\n", QString("Hi there.")),
        exitStatus("FailureIgnoresStdout", 1, " this text must not be returned"),
        killedBy("KilledByTerm", SIGTERM),
        ends("InvalidByte", "\xff hello", "", undecodable),
        ends("SilentErrorAfterOtherLines", "\n", "whisper_init_from_file: loading\nerror: unknown argument: -x\nusage: ...\n",
             WhisperError::transcriptionFailed("error: unknown argument: -x")),
    };
}

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

class EngineRun : public TranscriberTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(EngineRun, EndsAsExpected)
{
    const RunCase &c = GetParam();
    QStringList plan = c.plan;
    plan.replaceInStrings("{stdout}", m_engine->writeFile("out.bytes", c.standardOutput))
        .replaceInStrings("{stderr}", m_engine->writeFile("err.bytes", c.standardError));
    m_engine->setPlan(plan);
    expectOutcome(transcribe(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineRun, ::testing::ValuesIn(runCases()), caseName<RunCase>);

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

struct EngineCase {
    const char *name;
    EngineEntry entry;
    bool available;
    std::optional<Kind> failure; // what transcribe does with it
};

class EngineLookup : public TranscriberTest, public ::testing::WithParamInterface<EngineCase> {
protected:
    // Puts the entry in place of the installed stand-in.
    void arrange(EngineEntry entry)
    {
        const QString path = m_engine->path();
        const QString elsewhere = m_work.filePath("real-engine");
        ASSERT_TRUE(QFile::copy(path, elsewhere));
        ASSERT_TRUE(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        ASSERT_TRUE(QFile::remove(path));
        if (entry == EngineEntry::directory)
            ASSERT_TRUE(QDir().mkdir(path));
        if (entry == EngineEntry::symlinkToExecutable)
            ASSERT_TRUE(QFile::link(elsewhere, path));
        if (entry == EngineEntry::danglingSymlink)
            ASSERT_TRUE(QFile::link(m_work.filePath("nothing-here"), path));
    }
};

TEST_P(EngineLookup, AvailabilityAndLaunch)
{
    const EngineCase &c = GetParam();
    m_engine->setPlan({EngineStandIn::recordArguments(), "stdout " + m_engine->writeFile("out.txt", " ran")});
    arrange(c.entry);

    EXPECT_EQ(parlix::coro::waitFor(m_transcriber->isEngineAvailable()), c.available);

    const Outcome outcome = transcribe();
    if (!c.failure) {
        expectOutcome(outcome, QString("Ran."));
        return;
    }
    ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
    const WhisperError &error = std::get<WhisperError>(outcome);
    EXPECT_EQ(error.kind(), *c.failure);
    if (*c.failure == Kind::engineNotFound)
        EXPECT_EQ(error.errorDescription(), "whisper-cli not found in app bundle");
    else // the launch failed: the reason is the system's, and never empty
        EXPECT_FALSE(error.payload().isEmpty());
    EXPECT_FALSE(m_engine->ranAtAll());
}

const EngineCase kEngineCases[] = {
    {"Missing", EngineEntry::missing, false, Kind::engineNotFound},
    {"DirectoryFailsAtLaunch", EngineEntry::directory, false, Kind::transcriptionFailed},
    {"SymlinkToExecutable", EngineEntry::symlinkToExecutable, true, std::nullopt},
    {"DanglingSymlinkIsMissing", EngineEntry::danglingSymlink, false, Kind::engineNotFound},
};

INSTANTIATE_TEST_SUITE_P(Cases, EngineLookup, ::testing::ValuesIn(kEngineCases), caseName<EngineCase>);

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

TEST_F(TranscriberTest, MainEventLoopKeepsRunningWhileTheChildRuns)
{
    // The child finishes only once the main thread's timer has fired several times.
    const QString gate = m_work.filePath("gate");
    m_engine->setPlan({"wait-for " + gate + " 60000", "stdout " + m_engine->writeFile("out.txt", " done")});
    int ticks = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 5)
            parlix::test::writeFile(gate, {});
    });
    timer.start();
    expectOutcome(transcribe(), QString("Done."));
    EXPECT_GE(ticks, 5);
}

} // namespace
