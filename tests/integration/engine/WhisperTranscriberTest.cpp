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
        ASSERT_TRUE(m_resources.isValid() && m_work.isValid());
        m_engine = std::make_unique<EngineStandIn>(m_resources.path());
        ASSERT_TRUE(m_engine->installed());
        m_settings = std::make_unique<SettingsModel>(m_store);
        m_transcriber = std::make_unique<WhisperTranscriber>(*m_settings, m_resources.path());
        m_audio = m_work.filePath("clip.wav");
        ASSERT_TRUE(parlix::test::writeBytes(m_audio, "RIFF"));
        selectModel("ggml-base.bin");
    }

    // Selects a model file of that name, created empty in the work directory.
    QString selectModel(const QString &fileName)
    {
        const QString path = m_work.filePath(fileName);
        EXPECT_TRUE(parlix::test::writeBytes(path, {}));
        m_settings->setModelPath(path);
        return path;
    }

    Outcome transcribe(std::optional<QString> prompt = std::nullopt, const QString &audio = {})
    {
        try {
            return parlix::coro::waitFor(m_transcriber->transcribe(audio.isEmpty() ? m_audio : audio, prompt));
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
    QString audioFile = QStringLiteral("clip.wav");
};

std::vector<ArgumentCase> argumentCases()
{
    const QString digits = QString("0123456789").repeated(50); // distinct-looking, so a wrong cut shows
    const QString family = QString::fromUtf8("👨‍👩‍👧");
    return {
        {"MultilingualModelGetsTheLanguage", "ggml-base.bin", "de", true, false, {}, {"de"}},
        {"EnglishOnlyModelForcesEnglish", "ggml-base.en.bin", "de", true, false, {}, {"en"}},
        {"TranslateWhenExperimentalAndMultilingual", "ggml-large-v3.bin", "de", true, true, {}, {"de", "-tr"}},
        {"PromptAfterTranslate", "ggml-base.bin", "de", true, true, QString("vorher"), {"de", "-tr", "--prompt", "vorher"}},
        {"EmptyPromptIsLeftOut", "ggml-base.bin", "en", true, false, QString(""), {"en"}},
        {"PromptIsNotShellInterpreted", "ggml-base.bin", "en", true, false, QString("it's \"quoted\"\n$HOME; *"),
         {"en", "--prompt", "it's \"quoted\"\n$HOME; *"}},
        {"PromptOf600CutToLast500", "ggml-base.bin", "en", true, false, QString(100, u'h') + digits, {"en", "--prompt", digits}},
        {"EmojiAtTheCutStaysWhole", "ggml-base.bin", "en", true, false, QString(100, u'x') + family + QString(499, u'y'),
         {"en", "--prompt", family + QString(499, u'y')}},
        {"AudioPathWithSpacesAndAccents", "ggml-base.bin", "auto", true, false, {}, {"auto"}, QString::fromUtf8("my clip été.wav")},
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
    const QString audio = m_work.filePath(c.audioFile);
    ASSERT_TRUE(parlix::test::writeBytes(audio, "RIFF"));
    m_engine->setPlan({EngineStandIn::recordArguments()});

    // The first run keeps the engine's own report; the quiet runs after it are the usual case.
    ASSERT_TRUE(std::holds_alternative<QString>(transcribe(c.prompt, audio)));
    EXPECT_EQ(m_engine->arguments(), QStringList({"-m", model, "-f", audio, "-nt", "-l"}) + c.expected);
    const Outcome outcome = transcribe(c.prompt, audio);

    ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
    EXPECT_EQ(m_engine->arguments(), QStringList({"-m", model, "-f", audio, "-nt", "-np", "-l"}) + c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, ::testing::ValuesIn(argumentCases()), caseName<ArgumentCase>);

TEST_F(TranscriberTest, FirstRunLogsTheEngineCpuFeaturesOnce)
{
    const QString report = m_engine->writeFile("report", "whisper_init: loading\n\nsystem_info: n_threads = 2 / 2 | CPU : AVX2 = 1 | \n");
    m_engine->setPlan({"stderr " + report, "stdout " + m_engine->writeFile("text", " hello")});
    parlix::test::CategoryLog log(lcWhisper());

    transcribe();
    transcribe();

    EXPECT_EQ(log.messages().filter("CPU features"), QStringList{"Engine CPU features: n_threads = 2 / 2 | CPU : AVX2 = 1 |"});
}

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
        ends("MarkersOnlyGiveEmptyText", "\n [BLANK_AUDIO]\n", "", QString("")),
        ends("ErrorLineIgnoredWhenThereIsText", " hi there", "error: unrelated\n", QString("Hi there.")),
        ends("MultiByteText", QString::fromUtf8(" ¿qué tal? 日本").toUtf8(), "", QString::fromUtf8("¿qué tal? 日本.")),
        exitStatus("ExitTwo", 2),
        exitStatus("FailureIgnoresStdout", 1, " this text must not be returned"),
        exitStatus("FailureWithUndecodableStderr", 4, "", "\xff\xfe broken"),
        killedBy("KilledByTerm", SIGTERM),
        ends("InvalidByte", "\xff hello", "", undecodable),
        ends("TruncatedSequence", " hello \xe2\x82", "", undecodable),
        ends("SilentErrorWithEmptyStdout", "", "error: failed to read audio file 'clip.wav'\n",
             WhisperError::transcriptionFailed("error: failed to read audio file 'clip.wav'")),
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
    // Ten megabytes on stderr alone: LogLines/HugeStderrKeepsItsEnd.
}

// ---- Locating the engine and the model ----------------------------------------------------------

enum class EngineEntry { missing, notExecutable, directory, symlinkToExecutable, danglingSymlink };

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
        if (entry == EngineEntry::notExecutable) {
            ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
            return;
        }
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
    {"NotExecutableFailsAtLaunch", EngineEntry::notExecutable, false, Kind::transcriptionFailed},
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

// ---- Log lines ----------------------------------------------------------------------------------

struct LogCase {
    std::string name;
    QStringList plan;
    bool translate;
    std::optional<QString> prompt;
    QStringList expected; // "<level> <message>"; "{engine}", "{model}", "{private}" are replaced, a trailing "*" matches any rest
    enum { normal, noModel, noEngine, notExecutable } setup = normal;
};

std::vector<LogCase> logCases()
{
    const QStringList start = {"info Starting transcription: clip.wav", "debug Engine: {engine}", "debug Model: {model}"};
    const QStringList startDe = start + QStringList{"debug Language: de, Translate: false"};
    const QString complete = "info Transcription complete: {private}...";
    return {
        {"Success", {"stdout {dir}/out.txt"}, false, {}, startDe + QStringList{complete}},
        {"TranslationAndPrompt", {"stdout {dir}/out.txt"}, true, QString("earlier words"),
         start + QStringList{"debug Translation mode enabled - output will be in English", "debug Using prompt context: {private}...",
                             "debug Language: de, Translate: true", complete}},
        {"ExitStatusWithStderr", {"stderr {dir}/err.txt", "exit 2"}, false, {},
         startDe + QStringList{"error whisper-cli failed with code 2: model says no\n"}},
        {"UndecodableStderr", {"stderr {dir}/bad.txt", "exit 1"}, false, {}, startDe + QStringList{"error whisper-cli failed with code 1: Unknown error"}},
        {"HugeStderrKeepsItsEnd", {"stderr-fill 10485760", "exit 1"}, false, {},
         startDe + QStringList{QString::fromUtf8("error whisper-cli failed with code 1: …") + QString(3999, u'e') + "\n"}},
        {"SilentFailure", {"stderr {dir}/silent.txt"}, false, {}, startDe + QStringList{"error whisper-cli failed with code 0: error: failed to read audio"}},
        {"UndecodableStdoutLogsNoError", {"stdout {dir}/bad.txt"}, false, {}, startDe},
        {"NoModel", {}, false, {}, {"error Model not found: No model selected"}, LogCase::noModel},
        {"NoEngine", {}, false, {}, {"error whisper-cli not found in bundle"}, LogCase::noEngine},
        {"LaunchFailure", {}, false, {}, startDe + QStringList{"error Failed to run whisper-cli: *"}, LogCase::notExecutable},
    };
}

class LogLines : public TranscriberTest, public ::testing::WithParamInterface<LogCase> {};

TEST_P(LogLines, AreWrittenAsDocumented)
{
    const LogCase &c = GetParam();
    m_engine->writeFile("out.txt", "\n hello there\n");
    m_engine->writeFile("err.txt", "model says no\n");
    m_engine->writeFile("bad.txt", "\xff\xfe");
    m_engine->writeFile("silent.txt", "read_audio_data: failed\nerror: failed to read audio\n");
    m_engine->setPlan(c.plan);
    const QString model = selectModel("ggml-base.bin");
    m_settings->setLanguage("de");
    m_settings->setTranslateToEnglish(c.translate);
    if (c.setup == LogCase::noModel)
        m_settings->setModelPath(std::nullopt);
    if (c.setup == LogCase::noEngine)
        ASSERT_TRUE(QFile::remove(m_engine->path()));
    if (c.setup == LogCase::notExecutable)
        ASSERT_TRUE(QFile::setPermissions(m_engine->path(), QFile::ReadOwner | QFile::WriteOwner));

    parlix::test::CategoryLog log(lcWhisper());
    transcribe(c.prompt);

    ASSERT_EQ(log.lines.size(), c.expected.size()) << log.lines.join(" | ").left(2000).toStdString();
    const bool shown = parlix::log::privateDataShown();
    for (qsizetype i = 0; i < log.lines.size(); ++i) {
        const QString &line = log.lines[i];
        QString expected = c.expected[i];
        expected.replace("{engine}", m_engine->path()).replace("{model}", model);
        if (!shown)
            expected.replace("{private}", "<private>");
        if (expected.contains("{private}")) // private data shown: the preview holds the words
            EXPECT_FALSE(line.contains("<private>")) << line.toStdString();
        else if (expected.endsWith(u'*'))
            EXPECT_TRUE(line.startsWith(expected.chopped(1))) << line.toStdString();
        else
            EXPECT_EQ(line.toStdString(), expected.toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LogLines, ::testing::ValuesIn(logCases()), caseName<LogCase>);

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
            parlix::test::writeBytes(gate, {});
    });
    timer.start();
    expectOutcome(transcribe(), QString("Done."));
    EXPECT_GE(ticks, 5);
}

} // namespace
