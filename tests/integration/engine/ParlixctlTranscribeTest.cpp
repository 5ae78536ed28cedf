// "parlixctl transcribe" run as a process with its own configuration, data and resource
// directories and the engine stand-in: the text on stdout, errors on stderr, and the user's
// stored settings untouched. (The real engine's output: RealWhisperTest and ServerEngineTest.)
#include "EngineStandIn.h"
#include "EngineTestSupport.h"

#include "core/JsonFileKeyValueStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using parlix::test::EngineStandIn;
using parlix::test::ProcessResult;

class ParlixctlTranscribe : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *dir : {"config", "data", "resources", "work"})
            ASSERT_TRUE(QDir(m_root.path()).mkpath(dir));
        m_audio = path("work/clip.wav");
        ASSERT_TRUE(parlix::test::writeSilentWav(m_audio));
        m_parlixctl = parlix::test::binDirectory() + "/parlixctl";
        ASSERT_TRUE(QFileInfo(m_parlixctl).isExecutable()) << m_parlixctl.toStdString();
    }

    QString path(const QString &relative) const { return m_root.filePath(relative); }
    QString settingsFile() const { return path("config/Parlix/settings.json"); }
    QString modelsDirectory() const { return path("data/Parlix/models"); }

    EngineStandIn &useStandIn()
    {
        m_standIn = std::make_unique<EngineStandIn>(path("resources"));
        EXPECT_TRUE(m_standIn->installed());
        return *m_standIn;
    }

    // The user's stored settings, written as the app writes them.
    void storeSettings(const std::function<void(parlix::KeyValueStore &)> &write)
    {
        parlix::JsonFileKeyValueStore store(settingsFile());
        write(store);
    }

    ProcessResult run(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.insert("PARLIX_RESOURCE_DIR", path("resources"));
        environment.remove("PARLIX_LOG_PRIVATE");
        return parlix::test::runProcess(m_parlixctl, QStringList{"transcribe"} + arguments, environment);
    }

    QTemporaryDir m_root;
    QString m_audio;
    QString m_parlixctl;
    std::unique_ptr<EngineStandIn> m_standIn;
};

// Failures: a description on stderr, nothing on stdout and a non-zero exit; the engine never runs.
TEST_F(ParlixctlTranscribe, FailuresAreReportedOnStderr)
{
    EngineStandIn &engine = useStandIn();
    engine.setPlan({EngineStandIn::recordArguments(), "stdout " + engine.writeFile("out.txt", " should not show")});
    const struct {
        const char *name;
        QStringList arguments;
        QString standardError;
    } cases[] = {
        {"no model", {m_audio}, "Model file not found: No model selected\n"},
        {"unknown language", {m_audio, "--language", "German"}, "Unknown language code: German\n"},
        {"missing audio file", {path("nothing.wav")}, "Audio file not found: " + path("nothing.wav") + "\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult result = run(c.arguments);
        ASSERT_TRUE(result.finished) << result.err.toStdString();
        EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
        EXPECT_EQ(result.out, QByteArray());
        EXPECT_EQ(result.err.toStdString(), c.standardError.toStdString());
    }
    EXPECT_FALSE(engine.ranAtAll());
}

// What the flags and the stored settings hand to the engine, the stored settings left untouched.
TEST_F(ParlixctlTranscribe, FlagsReachTheEngineWithoutChangingStoredSettings)
{
    const QString model = path("work/ggml-base.bin");
    const QString other = path("work/ggml-other.bin");
    const QString found = modelsDirectory() + "/ggml-small.bin";
    for (const QString &file : {model, other, found})
        parlix::test::writeFile(file, {});
    EngineStandIn &engine = useStandIn();
    engine.setPlan({EngineStandIn::recordArguments(), "stdout " + engine.writeFile("out.txt", "\n hello there\n")});
    const struct {
        const char *name;
        std::function<void(parlix::KeyValueStore &)> stored; // the user's settings.json besides the model
        QStringList flags;                                    // after the audio file
        QStringList languageAndAfter;                         // the engine's arguments from "-l" on
        QString usedModel;
    } cases[] = {
        {"stored language", [](parlix::KeyValueStore &s) { s.setString("language", "fr"); }, {}, {"-l", "fr"}, model},
        {"language flag wins", [](parlix::KeyValueStore &s) { s.setString("language", "fr"); }, {"--language", "de"}, {"-l", "de"}, model},
        {"translate flag turns on the experimental features",
         [](parlix::KeyValueStore &s) { s.setBool("experimentalFeaturesEnabled", false); },
         {"--translate", "--language", "ja"}, {"-l", "ja", "-tr"}, model},
        {"prompt flag", {}, {"--prompt", "earlier words"}, {"-l", "auto", "--prompt", "earlier words"}, model},
        {"model flag wins over the stored model", {}, {"--model", other}, {"-l", "auto"}, other},
        {"none stored: the one in the models directory", [](parlix::KeyValueStore &s) { s.remove("modelPath"); }, {}, {"-l", "auto"}, found},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settingsFile());
        storeSettings([&](parlix::KeyValueStore &store) {
            store.setString("modelPath", model);
            if (c.stored)
                c.stored(store);
        });
        const QByteArray storedBytes = parlix::test::fileBytes(settingsFile());

        const ProcessResult result = run(QStringList{m_audio} + c.flags);

        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(result.out, QByteArray("Hello there.\n"));
        EXPECT_EQ(result.err, QByteArray()); // the log stays off stderr unless --verbose is given
        const QStringList arguments = engine.arguments();
        const qsizetype language = arguments.indexOf("-l");
        ASSERT_GE(language, 0) << arguments.join(' ').toStdString();
        EXPECT_EQ(arguments.mid(language), c.languageAndAfter);
        EXPECT_EQ(arguments.mid(0, 4), (QStringList{"-m", c.usedModel, "-f", m_audio}));
        EXPECT_EQ(parlix::test::fileBytes(settingsFile()), storedBytes);
    }
}

} // namespace
