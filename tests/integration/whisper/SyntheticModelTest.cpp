// The synthetic whisper model test tool, checked against the real whisper-cli: a generated model must
// make whisper-cli print exactly the phrase it was built for, whatever the audio is.
#include "TestEnvironment.h"
#include "WavReader.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult runProcess(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ProcessResult run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = "did not finish: " + process.errorString().toUtf8();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// 16 kHz, mono, 16-bit PCM; silence unless a tone is asked for.
void writeClip(const QString &path, int samples, bool tone = false)
{
    std::vector<int16_t> pcm(size_t(samples), 0);
    if (tone) {
        for (int i = 0; i < samples; ++i)
            pcm[size_t(i)] = (i / 20) % 2 ? 8000 : -8000; // 400 Hz square wave
    }
    ASSERT_TRUE(parlix::test::writeWav(path, pcm));
}

class SyntheticModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_tool = parlix::test::testBinDirectory() + "/make_synthetic_model";
        ASSERT_TRUE(QFileInfo(m_tool).isExecutable()) << m_tool.toStdString();
        m_whisper = parlix::test::resourceDirectory() + "/whisper-cli";
    }

    bool haveWhisper() const { return QFileInfo(m_whisper).isExecutable(); }

    QString fixture(const QString &name) const
    {
        const QString path = parlix::test::fixturesDirectory() + "/" + name;
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        return path;
    }

    // Builds a model from a for-tests fixture; returns its path or an empty string.
    QString makeModel(const QString &fixtureName, const QString &phrase)
    {
        const QString model = m_dir.filePath(fixtureName + ".synthetic.bin");
        const ProcessResult run = runProcess(m_tool, {fixture(fixtureName), model, phrase});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.exitCode == 0 ? model : QString();
    }

    QTemporaryDir m_dir;
    QString m_tool;
    QString m_whisper;
};

TEST_F(SyntheticModelTest, EnglishModelTranscribesSilenceAsThePhrase)
{
    if (!haveWhisper())
        GTEST_SKIP() << "no whisper-cli in the build's resource directory";
    const QString model = makeModel("for-tests-ggml-tiny.en.bin", " Hello world!");
    ASSERT_FALSE(model.isEmpty());
    const QString wav = m_dir.filePath("silence.wav");
    writeClip(wav, 16000);

    const ProcessResult run = runProcess(m_whisper, {"-m", model, "-f", wav, "-nt", "-np", "-l", "en"});

    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QByteArray("\n Hello world!"));
}

TEST_F(SyntheticModelTest, PhraseIsFollowedWithTimestampsAndIgnoresTheAudio)
{
    if (!haveWhisper())
        GTEST_SKIP() << "no whisper-cli in the build's resource directory";
    const QString model = makeModel("for-tests-ggml-tiny.en.bin", " Testing one two three.");
    ASSERT_FALSE(model.isEmpty());
    const QString wav = m_dir.filePath("tone.wav");
    writeClip(wav, 32000, true);

    const ProcessResult run = runProcess(m_whisper, {"-m", model, "-f", wav, "-np", "-l", "en"});

    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QByteArray("\n[00:00:00.000 --> 00:00:30.000]   Testing one two three.\n"));
}

TEST_F(SyntheticModelTest, MultilingualModelDetectsEnglish)
{
    if (!haveWhisper())
        GTEST_SKIP() << "no whisper-cli in the build's resource directory";
    const QString model = makeModel("for-tests-ggml-tiny.bin", " Bonjour!");
    ASSERT_FALSE(model.isEmpty());
    const QString wav = m_dir.filePath("silence.wav");
    writeClip(wav, 16000);

    const ProcessResult run = runProcess(m_whisper, {"-m", model, "-f", wav, "-nt", "-l", "auto"});

    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QByteArray("\n Bonjour!"));
    EXPECT_TRUE(run.err.contains("auto-detected language: en")) << run.err.toStdString();
}

TEST_F(SyntheticModelTest, ToolRejectsAPhraseThatRepeatsAToken)
{
    const QString model = m_dir.filePath("repeat.bin");
    const ProcessResult run = runProcess(m_tool, {fixture("for-tests-ggml-tiny.en.bin"), model, " yes yes"});

    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("repeats a token")) << run.err.toStdString();
}

} // namespace
