// WhisperTranscriber against a real child process: the engine stand-in installed as whisper-cli.
#include "EngineStandIn.h"
#include "EngineTestSupport.h"
#include "MemoryKeyValueStore.h"

#include "core/Coro.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "engine/WhisperTranscriber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Either the cleaned text or the thrown error.
using Outcome = std::variant<QString, WhisperError>;

std::string describe(const Outcome &outcome)
{
    if (const auto *text = std::get_if<QString>(&outcome))
        return "text \"" + text->toStdString() + "\"";
    return "error \"" + std::get<WhisperError>(outcome).errorDescription().toStdString() + "\"";
}

class TranscriberTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_resources.isValid());
        ASSERT_TRUE(m_work.isValid());
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

// ---- The command line the engine receives -------------------------------------------------------

struct ArgumentCase {
    std::string name;
    QString modelFile;
    QString language;
    bool experimental;
    bool translate;
    std::optional<QString> prompt;
    // "{model}" and "{audio}" stand for the paths.
    QStringList expected;
    QString audioFile = QStringLiteral("clip.wav");
};

void PrintTo(const ArgumentCase &c, std::ostream *os) { *os << c.name; }

QString repeated(const QString &unit, int times)
{
    QString s;
    for (int i = 0; i < times; ++i)
        s += unit;
    return s;
}

// 500 distinct-looking characters, so a tail cut at the wrong place shows.
QString digitsTail()
{
    QString s;
    for (int i = 0; i < 500; ++i)
        s += QChar(u'0' + i % 10);
    return s;
}

std::vector<ArgumentCase> argumentCases()
{
    const QStringList base = {"-m", "{model}", "-f", "{audio}", "-nt", "-np", "-l"};
    const QString family = QString::fromUtf8("👨‍👩‍👧");
    const QString flag = QString::fromUtf8("🇩🇪");
    return {
        {"MultilingualModelGetsTheLanguage", "ggml-base.bin", "de", true, false, {}, base + QStringList{"de"}},
        {"AutoIsPassedUnchanged", "ggml-base.bin", "auto", true, false, {}, base + QStringList{"auto"}},
        {"EnglishOnlyModelForcesEnglish", "ggml-base.en.bin", "de", true, false, {}, base + QStringList{"en"}},
        {"EnglishOnlyMarkerInUpperCase", "ggml-small.EN.bin", "auto", true, false, {}, base + QStringList{"en"}},
        {"TranslateWhenExperimentalAndMultilingual", "ggml-large-v3.bin", "de", true, true, {}, base + QStringList{"de", "-tr"}},
        {"NoTranslateWithoutExperimental", "ggml-large-v3.bin", "de", false, true, {}, base + QStringList{"de"}},
        {"NeverTranslateWithEnglishOnlyModel", "ggml-tiny.en.bin", "de", true, true, {}, base + QStringList{"en"}},
        {"PromptAfterLanguage", "ggml-base.bin", "fr", false, false, QString("earlier words"),
         base + QStringList{"fr", "--prompt", "earlier words"}},
        {"PromptAfterTranslate", "ggml-base.bin", "de", true, true, QString("vorher"), base + QStringList{"de", "-tr", "--prompt", "vorher"}},
        {"EmptyPromptIsLeftOut", "ggml-base.bin", "en", true, false, QString(""), base + QStringList{"en"}},
        {"PromptIsNotShellInterpreted", "ggml-base.bin", "en", true, false, QString("it's \"quoted\"\n$HOME; *"),
         base + QStringList{"en", "--prompt", "it's \"quoted\"\n$HOME; *"}},
        {"PromptOf500KeptWhole", "ggml-base.bin", "en", true, false, digitsTail(), base + QStringList{"en", "--prompt", digitsTail()}},
        {"PromptOf600CutToLast500", "ggml-base.bin", "en", true, false, repeated("h", 100) + digitsTail(),
         base + QStringList{"en", "--prompt", digitsTail()}},
        {"EmojiAtTheCutStaysWhole", "ggml-base.bin", "en", true, false, repeated("x", 100) + family + repeated("y", 499),
         base + QStringList{"en", "--prompt", family + repeated("y", 499)}},
        {"EmojiJustBeforeTheCutIsDropped", "ggml-base.bin", "en", true, false, repeated("x", 100) + flag + repeated("y", 500),
         base + QStringList{"en", "--prompt", repeated("y", 500)}},
        {"CombiningMarkAtTheCutStaysWithItsLetter", "ggml-base.bin", "en", true, false,
         repeated("x", 10) + QString::fromUtf8("e\u0301") + repeated("z", 499),
         base + QStringList{"en", "--prompt", QString::fromUtf8("e\u0301") + repeated("z", 499)}},
        {"AudioPathWithSpacesAndAccents", "ggml-base.bin", "auto", true, false, {}, base + QStringList{"auto"},
         QString::fromUtf8("my clip été.wav")},
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

    const Outcome outcome = transcribe(c.prompt, audio);

    ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
    QStringList expected = c.expected;
    expected.replaceInStrings("{model}", model).replaceInStrings("{audio}", audio);
    EXPECT_EQ(m_engine->arguments(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, ::testing::ValuesIn(argumentCases()),
                         [](const ::testing::TestParamInfo<ArgumentCase> &info) { return info.param.name; });

// ---- What the engine's exit status and output turn into ------------------------------------------

struct RunCase {
    std::string name;
    QStringList plan;                 // "{stdout}" / "{stderr}" stand for files holding the bytes below
    QByteArray standardOutput;
    QByteArray standardError;
    std::optional<QString> text;      // expected text on success
    WhisperError::Kind kind = WhisperError::Kind::transcriptionFailed;
    QString description;              // expected error description on failure
    qint32 status = 0;
};

void PrintTo(const RunCase &c, std::ostream *os) { *os << c.name; }

RunCase success(std::string name, QByteArray out, QByteArray err, QString text)
{
    return {std::move(name), {"stdout {stdout}", "stderr {stderr}", "exit 0"}, std::move(out), std::move(err), std::move(text), WhisperError::Kind::transcriptionFailed, {}, 0};
}

RunCase exitStatus(std::string name, int status, QByteArray out = "", QByteArray err = "whisper failed\n")
{
    return {std::move(name), {"stdout {stdout}", "stderr {stderr}", QString("exit %1").arg(status)}, std::move(out), std::move(err),
            {}, WhisperError::Kind::processError, QString("whisper-cli exited with code %1").arg(status), status};
}

RunCase killedBy(std::string name, int number)
{
    return {std::move(name), {"stderr {stderr}", QString("signal %1").arg(number)}, "", "about to die\n",
            {}, WhisperError::Kind::processError, QString("whisper-cli exited with code %1").arg(number), number};
}

RunCase failure(std::string name, QByteArray out, QByteArray err, QString description)
{
    return {std::move(name), {"stdout {stdout}", "stderr {stderr}", "exit 0"}, std::move(out), std::move(err),
            {}, WhisperError::Kind::transcriptionFailed, std::move(description)};
}

std::vector<RunCase> runCases()
{
    const QString undecodable = "Transcription failed: Unable to decode output";
    return {
        success("CleanedOutput", "\n hello world\n", "read_audio_data: ok\n", "Hello world."),
        success("MarkersOnlyGiveEmptyText", "\n [BLANK_AUDIO]\n", "", ""),
        success("NoOutputAndNoErrorGiveEmptyText", "", "", ""),
        success("WarningsOnStderrAreIgnored", "", "warning: something odd\n", ""),
        success("ErrorLineIgnoredWhenThereIsText", " hi there", "error: unrelated\n", "Hi there."),
        success("MultiByteText", QString::fromUtf8(" ¿qué tal? 日本").toUtf8(), "", QString::fromUtf8("¿qué tal? 日本.")),
        exitStatus("ExitOne", 1),
        exitStatus("ExitTwo", 2),
        exitStatus("ExitThree", 3),
        exitStatus("ExitTwoHundredFiftyFive", 255),
        exitStatus("FailureIgnoresStdout", 1, " this text must not be returned"),
        exitStatus("FailureWithUndecodableStderr", 4, "", "\xff\xfe broken"),
        exitStatus("FailureWithEmptyStderr", 5, "", ""),
        killedBy("KilledByTerm", SIGTERM),
        killedBy("KilledByKill", SIGKILL),
        killedBy("KilledByInterrupt", SIGINT),
        failure("InvalidByte", "\xff hello", "", undecodable),
        failure("TruncatedSequence", " hello \xe2\x82", "", undecodable),
        failure("OverlongEncoding", " \xc0\xaf", "", undecodable),
        failure("EncodedSurrogate", " \xed\xa0\x80", "", undecodable),
        failure("SilentErrorWithEmptyStdout", "", "error: failed to read audio file 'clip.wav'\n",
                "Transcription failed: error: failed to read audio file 'clip.wav'"),
        failure("SilentErrorAfterOtherLines", "\n", "whisper_init_from_file: loading\nerror: unknown argument: -x\nusage: ...\n",
                "Transcription failed: error: unknown argument: -x"),
    };
}

class EngineRun : public TranscriberTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(EngineRun, EndsAsExpected)
{
    const RunCase &c = GetParam();
    const QString out = m_engine->writeFile("out.bytes", c.standardOutput);
    const QString err = m_engine->writeFile("err.bytes", c.standardError);
    QStringList plan = c.plan;
    plan.replaceInStrings("{stdout}", out).replaceInStrings("{stderr}", err);
    m_engine->setPlan(plan);

    const Outcome outcome = transcribe();

    if (c.text) {
        ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
        EXPECT_EQ(std::get<QString>(outcome), *c.text);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
    const WhisperError &error = std::get<WhisperError>(outcome);
    EXPECT_EQ(error.kind(), c.kind);
    EXPECT_EQ(error.errorDescription(), c.description);
    if (c.kind == WhisperError::Kind::processError) {
        EXPECT_EQ(error.exitStatus(), c.status);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineRun, ::testing::ValuesIn(runCases()),
                         [](const ::testing::TestParamInfo<RunCase> &info) { return info.param.name; });

// ---- Large output: both pipes are drained while the child runs ----------------------------------

constexpr qsizetype kTenMegabytes = 10 * 1024 * 1024;

TEST_F(TranscriberTest, TenMegabytesOfStderrOnFailureDoNotBlockTheChild)
{
    m_engine->setPlan({"stderr-fill " + QString::number(kTenMegabytes), "exit 1"});

    const Outcome outcome = transcribe();

    ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
    EXPECT_EQ(std::get<WhisperError>(outcome).exitStatus(), 1);
}

TEST_F(TranscriberTest, TenMegabytesOfStdoutComeBackWhole)
{
    QByteArray output = "\n";
    for (int line = 0; output.size() < kTenMegabytes; ++line)
        output += "line " + QByteArray::number(line) + " of the transcript\n";
    // Stderr fills up at the same time, as whisper-cli's diagnostics do.
    m_engine->setPlan({"stderr-fill 1048576", "stdout " + m_engine->writeFile("big.txt", output), "stderr-fill 1048576"});

    const Outcome outcome = transcribe();

    ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome).substr(0, 200);
    const QString expected = "L" + QString::fromUtf8(output.trimmed()).mid(1) + ".";
    const QString &text = std::get<QString>(outcome);
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
}

// ---- Locating the engine ------------------------------------------------------------------------

enum class EngineEntry { missing, executable, notExecutable, directory, symlinkToExecutable, danglingSymlink };

struct EngineCase {
    const char *name;
    EngineEntry entry;
    bool available;
    // What transcribe does with it.
    std::optional<WhisperError::Kind> failure;
};

void PrintTo(const EngineCase &c, std::ostream *os) { *os << c.name; }

class EngineLookup : public TranscriberTest, public ::testing::WithParamInterface<EngineCase> {
protected:
    // Puts the entry in place of the installed stand-in.
    void arrange(EngineEntry entry)
    {
        const QString path = m_engine->path();
        const QString elsewhere = m_work.filePath("real-engine");
        ASSERT_TRUE(QFile::copy(path, elsewhere));
        ASSERT_TRUE(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        switch (entry) {
        case EngineEntry::missing: ASSERT_TRUE(QFile::remove(path)); break;
        case EngineEntry::executable: break;
        case EngineEntry::notExecutable:
            ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
            break;
        case EngineEntry::directory:
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(QDir().mkdir(path));
            break;
        case EngineEntry::symlinkToExecutable:
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(QFile::link(elsewhere, path));
            break;
        case EngineEntry::danglingSymlink:
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(QFile::link(m_work.filePath("nothing-here"), path));
            break;
        }
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
        ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
        EXPECT_EQ(std::get<QString>(outcome), "Ran.");
        return;
    }
    ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
    const WhisperError &error = std::get<WhisperError>(outcome);
    EXPECT_EQ(error.kind(), *c.failure);
    if (*c.failure == WhisperError::Kind::engineNotFound) {
        EXPECT_EQ(error.errorDescription(), "whisper-cli not found in app bundle");
    }
    else // the launch failed: the reason is the system's, and never empty
        EXPECT_FALSE(error.payload().isEmpty());
    EXPECT_FALSE(m_engine->ranAtAll());
}

const EngineCase kEngineCases[] = {
    {"Missing", EngineEntry::missing, false, WhisperError::Kind::engineNotFound},
    {"Executable", EngineEntry::executable, true, std::nullopt},
    {"NotExecutableFailsAtLaunch", EngineEntry::notExecutable, false, WhisperError::Kind::transcriptionFailed},
    {"DirectoryFailsAtLaunch", EngineEntry::directory, false, WhisperError::Kind::transcriptionFailed},
    {"SymlinkToExecutable", EngineEntry::symlinkToExecutable, true, std::nullopt},
    {"DanglingSymlinkIsMissing", EngineEntry::danglingSymlink, false, WhisperError::Kind::engineNotFound},
};

INSTANTIATE_TEST_SUITE_P(Cases, EngineLookup, ::testing::ValuesIn(kEngineCases),
                         [](const ::testing::TestParamInfo<EngineCase> &info) { return std::string(info.param.name); });

TEST_F(TranscriberTest, MissingEngineIsReportedBeforeAMissingModel)
{
    ASSERT_TRUE(QFile::remove(m_engine->path()));
    m_settings->setModelPath(std::nullopt);

    const Outcome outcome = transcribe();

    ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
    EXPECT_EQ(std::get<WhisperError>(outcome).kind(), WhisperError::Kind::engineNotFound);
}

// ---- The selected model -------------------------------------------------------------------------

struct ModelCase {
    const char *name;
    std::optional<QString> storedPath; // relative to a directory that holds no files
    const char *description;
};

void PrintTo(const ModelCase &c, std::ostream *os) { *os << c.name; }

class MissingModel : public TranscriberTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(MissingModel, IsReportedByItsDisplayName)
{
    const ModelCase &c = GetParam();
    m_engine->setPlan({EngineStandIn::recordArguments()});
    m_settings->setModelPath(c.storedPath ? std::optional(m_work.filePath("gone/" + *c.storedPath)) : std::nullopt);

    const Outcome outcome = transcribe();

    ASSERT_TRUE(std::holds_alternative<WhisperError>(outcome)) << describe(outcome);
    const WhisperError &error = std::get<WhisperError>(outcome);
    EXPECT_EQ(error.kind(), WhisperError::Kind::modelNotFound);
    EXPECT_EQ(error.errorDescription().toStdString(), std::string(c.description));
    EXPECT_FALSE(m_engine->ranAtAll());
}

const ModelCase kModelCases[] = {
    {"NoneSelected", std::nullopt, "Model file not found: No model selected"},
    {"CatalogueModelFileGone", QString("ggml-base.en.bin"), "Model file not found: Base (English)"},
    {"OwnModelFileGone", QString("my-finetune.bin"), "Model file not found: my-finetune"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MissingModel, ::testing::ValuesIn(kModelCases),
                         [](const ::testing::TestParamInfo<ModelCase> &info) { return std::string(info.param.name); });

// ---- Log lines ----------------------------------------------------------------------------------

struct LogLine {
    QtMsgType type;
    QString message; // a trailing "*" matches any rest
};

struct LogCase {
    std::string name;
    QStringList plan;
    bool translate;
    std::optional<QString> prompt;
    QList<LogLine> expected; // "{engine}", "{model}", "{private}" are replaced
    enum { normal, noModel, noEngine, notExecutable } setup = normal;
};

void PrintTo(const LogCase &c, std::ostream *os) { *os << c.name; }

QList<LogLine> g_logged;

void captureWhisperLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && QByteArray(context.category) == "com.quorvane.parlix.Whisper")
        g_logged.append({type, message});
}

std::vector<LogCase> logCases()
{
    const LogLine start{QtInfoMsg, "Starting transcription: clip.wav"};
    const LogLine engine{QtDebugMsg, "Engine: {engine}"};
    const LogLine model{QtDebugMsg, "Model: {model}"};
    const LogLine language{QtDebugMsg, "Language: de, Translate: false"};
    const LogLine complete{QtInfoMsg, "Transcription complete: {private}..."};
    QString tail(3999, u'e');
    return {
        {"Success", {"stdout {dir}/out.txt"}, false, {}, {start, engine, model, language, complete}},
        {"TranslationAndPrompt", {"stdout {dir}/out.txt"}, true, QString("earlier words"),
         {start, engine, model, {QtDebugMsg, "Translation mode enabled - output will be in English"},
          {QtDebugMsg, "Using prompt context: {private}..."}, {QtDebugMsg, "Language: de, Translate: true"}, complete}},
        {"ExitStatusWithStderr", {"stderr {dir}/err.txt", "exit 2"}, false, {},
         {start, engine, model, language, {QtCriticalMsg, "whisper-cli failed with code 2: model says no\n"}}},
        {"UndecodableStderr", {"stderr {dir}/bad.txt", "exit 1"}, false, {},
         {start, engine, model, language, {QtCriticalMsg, "whisper-cli failed with code 1: Unknown error"}}},
        {"HugeStderrKeepsItsEnd", {"stderr-fill 10485760", "exit 1"}, false, {},
         {start, engine, model, language, {QtCriticalMsg, QString::fromUtf8("whisper-cli failed with code 1: …") + tail + "\n"}}},
        {"SilentFailure", {"stderr {dir}/silent.txt"}, false, {},
         {start, engine, model, language, {QtCriticalMsg, "whisper-cli failed with code 0: error: failed to read audio"}}},
        {"UndecodableStdoutLogsNoError", {"stdout {dir}/bad.txt"}, false, {}, {start, engine, model, language}},
        {"NoModel", {}, false, {}, {{QtCriticalMsg, "Model not found: No model selected"}}, LogCase::noModel},
        {"NoEngine", {}, false, {}, {{QtCriticalMsg, "whisper-cli not found in bundle"}}, LogCase::noEngine},
        {"LaunchFailure", {}, false, {}, {start, engine, model, language, {QtCriticalMsg, "Failed to run whisper-cli: *"}},
         LogCase::notExecutable},
    };
}

class LogLines : public TranscriberTest, public ::testing::WithParamInterface<LogCase> {
protected:
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        TranscriberTest::TearDown();
    }
    QtMessageHandler m_previous = nullptr;
};

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
    if (c.setup == LogCase::noEngine) {
        ASSERT_TRUE(QFile::remove(m_engine->path()));
    }
    if (c.setup == LogCase::notExecutable) {
        ASSERT_TRUE(QFile::setPermissions(m_engine->path(), QFile::ReadOwner | QFile::WriteOwner));
    }
    g_logged.clear();
    m_previous = qInstallMessageHandler(captureWhisperLog);

    transcribe(c.prompt);

    qInstallMessageHandler(m_previous);
    const QString hidden = parlix::log::privateDataShown() ? QString() : QStringLiteral("<private>");
    QStringList logged;
    for (const LogLine &line : g_logged)
        logged.append(line.message.left(200));
    ASSERT_EQ(g_logged.size(), c.expected.size()) << logged.join(" | ").toStdString();
    for (qsizetype i = 0; i < g_logged.size(); ++i) {
        QString expected = c.expected[i].message;
        expected.replace("{engine}", m_engine->path()).replace("{model}", model);
        if (!hidden.isEmpty())
            expected.replace("{private}", hidden);
        EXPECT_EQ(g_logged[i].type, c.expected[i].type) << i;
        if (expected.contains("{private}")) // private data shown: the preview holds the words
            EXPECT_FALSE(g_logged[i].message.contains("<private>")) << g_logged[i].message.toStdString();
        else if (expected.endsWith(u'*'))
            EXPECT_TRUE(g_logged[i].message.startsWith(expected.chopped(1))) << g_logged[i].message.toStdString();
        else {
            EXPECT_EQ(g_logged[i].message.toStdString(), expected.toStdString());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LogLines, ::testing::ValuesIn(logCases()),
                         [](const ::testing::TestParamInfo<LogCase> &info) { return info.param.name; });

// ---- Concurrency --------------------------------------------------------------------------------

QCoro::Task<Outcome> outcomeOf(QCoro::Task<QString> task)
{
    try {
        co_return co_await std::move(task);
    } catch (const WhisperError &error) {
        co_return error;
    }
}

// Both tasks were started before this awaits either.
QCoro::Task<std::pair<Outcome, Outcome>> both(QCoro::Task<QString> first, QCoro::Task<QString> second)
{
    Outcome a = co_await outcomeOf(std::move(first));
    Outcome b = co_await outcomeOf(std::move(second));
    co_return std::pair{std::move(a), std::move(b)};
}

TEST_F(TranscriberTest, TwoCallsRunOneChildAtATimeAndBothComplete)
{
    // Each child stays alive a while, so two children started together would interleave records.
    m_engine->setPlan({"append {dir}/runs start", "sleep 300", "stdout-arg -f", "append {dir}/runs end"});
    const QString first = m_work.filePath("first.wav");
    const QString second = m_work.filePath("second.wav");

    QCoro::Task<QString> firstCall = m_transcriber->transcribe(first);
    QCoro::Task<QString> secondCall = m_transcriber->transcribe(second);
    const auto [firstOutcome, secondOutcome] = parlix::coro::waitFor(both(std::move(firstCall), std::move(secondCall)));

    ASSERT_TRUE(std::holds_alternative<QString>(firstOutcome)) << describe(firstOutcome);
    ASSERT_TRUE(std::holds_alternative<QString>(secondOutcome)) << describe(secondOutcome);
    EXPECT_EQ(std::get<QString>(firstOutcome), first + ".");
    EXPECT_EQ(std::get<QString>(secondOutcome), second + ".");
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
    // The child finishes only once the main thread's timer has fired several times; a blocked
    // main thread makes it give up with status 99.
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

    const Outcome outcome = transcribe();

    ASSERT_TRUE(std::holds_alternative<QString>(outcome)) << describe(outcome);
    EXPECT_EQ(std::get<QString>(outcome), "Done.");
    EXPECT_GE(ticks, 5);
}

} // namespace
