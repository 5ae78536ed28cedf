// WhisperTranscriber with the real whisper-cli of the build: weight-less test models load and
// give empty text; broken inputs become the right errors.
#include "EngineTestSupport.h"
#include "MemoryKeyValueStore.h"

#include "core/Coro.h"
#include "core/SettingsModel.h"
#include "engine/WhisperTranscriber.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

using parlix::SettingsModel;
using parlix::WhisperError;
using parlix::WhisperTranscriber;

struct RealCase {
    std::string name;
    QString model; // a model of tests/fixtures; empty for a file of garbage
    QString language;
    bool translate;
    std::optional<QString> prompt;
    QString audio; // "silence", "garbage" or "missing"
    std::optional<WhisperError::Kind> failure; // none: empty text
    QString description;                       // the failure's description starts with this
};

void PrintTo(const RealCase &c, std::ostream *os) { *os << c.name; }

std::vector<RealCase> realCases()
{
    using K = WhisperError::Kind;
    const QString multilingual = QStringLiteral("for-tests-ggml-tiny.bin");
    const QString english = QStringLiteral("for-tests-ggml-tiny.en.bin");
    const QString prompt = QString::fromUtf8("Earlier words, with \"quotes\" and émigré 👋.");
    return {
        {"MultilingualTranslateWithPrompt", multilingual, "auto", true, prompt, "silence", {}, {}},
        {"UnreadableAudio", english, "en", false, {}, "garbage", K::transcriptionFailed, "Transcription failed: error:"},
        {"MissingAudio", english, "en", false, {}, "missing", K::processError, "whisper-cli exited with code 2"},
        {"UnloadableModel", {}, "en", false, {}, "silence", K::processError, "whisper-cli exited with code 3"},
    };
}

class RealEngine : public ::testing::TestWithParam<RealCase> {
protected:
    void SetUp() override
    {
        if (!QFileInfo(parlix::test::resourceDirectory() + "/whisper-cli").isExecutable())
            GTEST_SKIP() << "no whisper-cli in the build's resource directory";
    }

    QTemporaryDir m_dir;
    parlix::test::MemoryKeyValueStore m_store;
};

TEST_P(RealEngine, Transcribes)
{
    const RealCase &c = GetParam();
    const QString model = c.model.isEmpty() ? m_dir.filePath("ggml-broken.bin") : parlix::test::fixturesDirectory() + "/" + c.model;
    if (c.model.isEmpty())
        parlix::test::writeFile(model, QByteArray(4096, 'g'));
    const QString audio = m_dir.filePath(c.audio == "missing" ? "never-recorded.wav" : "clip.wav");
    if (c.audio == "silence")
        ASSERT_TRUE(parlix::test::writeSilentWav(audio));
    if (c.audio == "garbage")
        parlix::test::writeFile(audio, QByteArray(8192, 'x'));
    SettingsModel settings(m_store);
    settings.setModelPath(model);
    settings.setLanguage(c.language);
    settings.setExperimentalFeaturesEnabled(true);
    settings.setTranslateToEnglish(c.translate);
    WhisperTranscriber transcriber(settings, parlix::test::resourceDirectory());

    try {
        const QString result = parlix::coro::waitFor(transcriber.transcribe(audio, c.prompt));
        EXPECT_FALSE(c.failure) << "succeeded with \"" << result.toStdString() << "\"";
        EXPECT_EQ(result, QString());
    } catch (const WhisperError &e) {
        ASSERT_TRUE(c.failure) << e.errorDescription().toStdString();
        EXPECT_EQ(e.kind(), *c.failure) << e.errorDescription().toStdString();
        EXPECT_TRUE(e.errorDescription().startsWith(c.description)) << e.errorDescription().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RealEngine, ::testing::ValuesIn(realCases()),
                         [](const ::testing::TestParamInfo<RealCase> &info) { return info.param.name; });

} // namespace
