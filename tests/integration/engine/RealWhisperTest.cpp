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

#include <memory>
#include <optional>

namespace {

using parlix::SettingsModel;
using parlix::WhisperError;
using parlix::WhisperTranscriber;

struct Expected {
    std::optional<QString> text;              // success with this text
    std::optional<WhisperError::Kind> kind;   // or this error
    QString description;                      // whose description starts with this
};

Expected text(QString t) { return {std::move(t), {}, {}}; }
Expected error(WhisperError::Kind kind, QString descriptionPrefix) { return {{}, kind, std::move(descriptionPrefix)}; }

enum class Model { fixture, garbage };
enum class Audio { silence, garbage, missing };

struct RealCase {
    std::string name;
    Model model;
    QString fixture; // the for-tests model
    QString language;
    bool translate;
    std::optional<QString> prompt;
    Audio audio;
    Expected expected;
};

void PrintTo(const RealCase &c, std::ostream *os) { *os << c.name; }

const QString kMultilingual = QStringLiteral("for-tests-ggml-tiny.bin");
const QString kEnglish = QStringLiteral("for-tests-ggml-tiny.en.bin");

std::vector<RealCase> realCases()
{
    using K = WhisperError::Kind;
    const QString prompt = QString::fromUtf8("Earlier words, with \"quotes\" and émigré 👋.");
    return {
        {"MultilingualTranslateWithPrompt", Model::fixture, kMultilingual, "auto", true, prompt, Audio::silence, text("")},
        {"UnreadableAudio", Model::fixture, kEnglish, "en", false, {}, Audio::garbage,
         error(K::transcriptionFailed, "Transcription failed: error:")},
        {"MissingAudio", Model::fixture, kEnglish, "en", false, {}, Audio::missing,
         error(K::processError, "whisper-cli exited with code 2")},
        {"UnloadableModel", Model::garbage, kEnglish, "en", false, {}, Audio::silence,
         error(K::processError, "whisper-cli exited with code 3")},
        {"LanguageTheEngineDoesNotKnow", Model::fixture, kMultilingual, "xx", false, {}, Audio::silence,
         error(K::transcriptionFailed, "Transcription failed: error:")},
    };
}

class RealEngine : public ::testing::TestWithParam<RealCase> {
protected:
    void SetUp() override
    {
        if (!QFileInfo(parlix::test::resourceDirectory() + "/whisper-cli").isExecutable())
            GTEST_SKIP() << "no whisper-cli in the build's resource directory";
        ASSERT_TRUE(m_dir.isValid());
    }

    QTemporaryDir m_dir;
    parlix::test::MemoryKeyValueStore m_store;
};

TEST_P(RealEngine, Transcribes)
{
    const RealCase &c = GetParam();
    QString model;
    switch (c.model) {
    case Model::fixture: model = parlix::test::fixturesDirectory() + "/" + c.fixture; break;
    case Model::garbage:
        model = m_dir.filePath("ggml-broken.bin");
        parlix::test::writeFile(model, QByteArray(4096, 'g'));
        break;
    }
    QString audio = m_dir.filePath("clip.wav");
    switch (c.audio) {
    case Audio::silence: ASSERT_TRUE(parlix::test::writeSilentWav(audio)); break;
    case Audio::garbage: parlix::test::writeFile(audio, QByteArray(8192, 'x')); break;
    case Audio::missing: audio = m_dir.filePath("never-recorded.wav"); break;
    }
    SettingsModel settings(m_store);
    settings.setModelPath(model);
    settings.setLanguage(c.language);
    settings.setExperimentalFeaturesEnabled(true);
    settings.setTranslateToEnglish(c.translate);
    WhisperTranscriber transcriber(settings, parlix::test::resourceDirectory());

    try {
        const QString result = parlix::coro::waitFor(transcriber.transcribe(audio, c.prompt));
        ASSERT_TRUE(c.expected.text) << "succeeded with \"" << result.toStdString() << "\"";
        EXPECT_EQ(result, *c.expected.text);
    } catch (const WhisperError &e) {
        ASSERT_TRUE(c.expected.kind) << e.errorDescription().toStdString();
        EXPECT_EQ(e.kind(), *c.expected.kind) << e.errorDescription().toStdString();
        EXPECT_TRUE(e.errorDescription().startsWith(c.expected.description)) << e.errorDescription().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RealEngine, ::testing::ValuesIn(realCases()),
                         [](const ::testing::TestParamInfo<RealCase> &info) { return info.param.name; });

} // namespace
